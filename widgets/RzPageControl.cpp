#include "RzPageControl.h"

#include "AccessibleWidgets.h"
#include "Application.h"
#include "Colors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QShortcut>

namespace {
constexpr int kFrame = 2;
}

TRzTabSheet::TRzTabSheet(TRzPageControl* pageControl, const QString& caption)
    : QWidget(pageControl), caption_(caption)
{
}

TabRowLayout::TabRowLayout(const QStringList& captions, const QFontMetrics& metrics, int rowHeight)
    : rowHeight_(rowHeight)
{
    int left = kFirstTabLeft;
    for (const QString& caption : captions) {
        const int width = metrics.horizontalAdvance(caption) + 2 * kTextPadding;
        tabs_ << QRect(left, kInactiveDrop, width, rowHeight - kInactiveDrop);
        left += width;
    }
}

QRect TabRowLayout::activeTabRect(int index) const
{
    const QRect tab = tabs_.at(index);
    return QRect(tab.left() - 2, 0, tab.width() + 4, rowHeight_ + 1);
}

int TabRowLayout::tabAt(QPoint pos) const
{
    if (pos.y() < 0 || pos.y() >= rowHeight_)
        return -1;
    for (int i = 0; i < tabs_.size(); ++i)
        if (pos.x() >= tabs_[i].left() && pos.x() <= tabs_[i].right())
            return i;
    return -1;
}

TRzPageControl::TRzPageControl(QWidget* parent) : QWidget(parent)
{
    accessibility::registerHeaderWidgets();
    setFocusPolicy(Qt::NoFocus);
    // Only while the focus is on something in the pages: the control itself never takes it.
    auto addKey = [this](QKeyCombination key, bool forward) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, forward] { guarded([&] { selectNextPage(forward); }); });
    };
    addKey(Qt::ControlModifier | Qt::Key_Tab, true);
    addKey(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Backtab, false);
    addKey(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Tab, false);
}

TRzTabSheet* TRzPageControl::addPage(const QString& caption)
{
    auto* page = new TRzTabSheet(this, caption);
    pages_ << page;
    page->setGeometry(pageRect());
    if (active_ < 0 && pages_.size() == 1)
        active_ = 0;
    else
        page->hide();
    update();
    return page;
}

QWidget* TRzPageControl::firstFocusableIn(QWidget* page)
{
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && w->isVisibleTo(page) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

void TRzPageControl::setActivePageIndex(int index)
{
    if (index < 0 || index >= pages_.size())
        index = -1;
    if (index == active_)
        return;
    TRzTabSheet* old = page(active_);
    TRzTabSheet* next = page(index);
    QWidget* focus = QApplication::focusWidget();
    const bool focusOnOldPage = old && focus && old->isAncestorOf(focus);
    const int before = active_;
    active_ = index;
    // The new page is shown and focused before the old one hides, so that the focus does not
    // wander out of the pages on the way.
    if (next) {
        next->setGeometry(pageRect());
        next->show();
        if (focusOnOldPage) {
            QWidget* target = firstFocusableIn(next);
            (target ? target : next)->setFocus(Qt::OtherFocusReason);
        }
    }
    if (old)
        old->hide();
    update();
    AccessiblePageControl::activeChanged(this, before, active_);
}

void TRzPageControl::selectNextPage(bool forward)
{
    const int count = pageCount();
    if (count == 0)
        return;
    if (active_ < 0)
        setActivePageIndex(forward ? 0 : count - 1);
    else
        setActivePageIndex((active_ + (forward ? 1 : count - 1)) % count);
}

TabRowLayout TRzPageControl::tabLayout() const
{
    QStringList captions;
    for (const TRzTabSheet* page : pages_)
        captions << page->Caption();
    return TabRowLayout(captions, QFontMetrics(font()), kFixedDimension);
}

QRect TRzPageControl::pageRect() const
{
    return QRect(0, kFixedDimension, width(), height() - kFixedDimension)
        .adjusted(kFrame, kFrame, -kFrame, -kFrame);
}

namespace {

// A hidden widget hears of its new size only when it is shown. A page in the back is laid out
// now instead, down to the widgets inside it, so that they can make ready what they will show
// at the size they will have.
void sendHeldResizes(QWidget* widget)
{
    if (widget->testAttribute(Qt::WA_PendingResizeEvent)) {
        widget->setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent resized(widget->size(), QSize());
        QCoreApplication::sendEvent(widget, &resized);
    }
    const QObjectList children = widget->children(); // a resize may add or remove some
    for (QObject* child : children)
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            sendHeldResizes(static_cast<QWidget*>(child));
}

} // namespace

void TRzPageControl::layoutPages()
{
    const QRect area = pageRect();
    for (TRzTabSheet* page : pages_) {
        page->setGeometry(area);
        if (!page->isVisible())
            sendHeldResizes(page);
    }
}

void TRzPageControl::resizeEvent(QResizeEvent*)
{
    layoutPages();
}

void TRzPageControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TRzPageControl::mousePressEvent(QMouseEvent* event)
{
    guarded([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const int index = tabLayout().tabAt(event->position().toPoint());
        if (index >= 0)
            setActivePageIndex(index);
    });
}

namespace {
// A dark outline on the given sides with a light line just inside it at the left and top.
void raisedEdges(QPainter& painter, const QRect& r, bool withBottom)
{
    const QColor light = systemColor(SystemColor::BtnHighlight);
    const QColor dark = systemColor(SystemColor::BtnShadow);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), dark);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), dark);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
    if (withBottom)
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
    painter.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, 1), light);
    painter.fillRect(QRect(r.left() + 1, r.top() + 1, 1, r.height() - (withBottom ? 2 : 1)), light);
}
} // namespace

void TRzPageControl::paintFrame(QPainter& painter) const
{
    const QRect r = QRect(0, kFixedDimension, width(), height() - kFixedDimension);
    painter.fillRect(r, palette().color(QPalette::Button));
    raisedEdges(painter, r, true);
}

void TRzPageControl::paintTab(QPainter& painter, int index, const TabRowLayout& layout) const
{
    const bool active = index == active_;
    const QRect r = active ? layout.activeTabRect(index) : layout.tabRect(index);
    // The page in front shares its tab's colour; the others sit a shade back.
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(r, active ? face : face.darker(110));
    raisedEdges(painter, active ? r.adjusted(0, 0, 0, -1) : r, false);
    if (active) // opens the tab into the page below
        painter.fillRect(QRect(r.left() + 2, r.bottom() - 1, r.width() - 3, 2), face);
    painter.setPen(palette().color(QPalette::WindowText));
    QRect text = r;
    if (active)
        text.setBottom(r.bottom() - 2); // lifted by as much as the tab is raised
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, pages_[index]->Caption());
}

void TRzPageControl::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        QPainter painter(this);
        paintFrame(painter);
        painter.setFont(font());
        const TabRowLayout layout = tabLayout();
        for (int i = 0; i < layout.count(); ++i)
            if (i != active_)
                paintTab(painter, i, layout);
        // Last, so that it covers its neighbours' edges and the frame's top line.
        if (active_ >= 0)
            paintTab(painter, active_, layout);
    });
}
