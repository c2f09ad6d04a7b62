#include "RzDBLabel.h"

#include "AccessibleWidgets.h"
#include "PaintHelpers.h"

#include "Application.h"

#include <QPainter>

LabelGeometry::LabelGeometry(QSize size)
{
    const int w = size.width();
    const int h = size.height();
    highlightFrame = QRect(QPoint(1, 1), QPoint(w - 1, h - 1));
    shadowFrame = QRect(QPoint(0, 0), QPoint(w - 2, h - 2));
    content = QRect(0, 0, w, h).adjusted(2, 2, -2, -2);
}

TRzDBLabel::TRzDBLabel(QWidget* parent) : QWidget(parent)
{
    accessibility::registerHeaderWidgets();
    setFocusPolicy(Qt::NoFocus);
    // Every pixel is painted here (the two corners the frames miss in the parent's colour), so
    // the parent need not repaint beneath the label each time its text changes.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// The link must let go of the source while this widget is still whole.
TRzDBLabel::~TRzDBLabel()
{
    link_.setDataSource(nullptr);
}

void TRzDBLabel::setDataField(const QString& field)
{
    dataField_ = field;
    dataChange();
}

void TRzDBLabel::setFontColor(BgrColor color)
{
    fontColor_ = color;
    update();
}

Field* TRzDBLabel::field() const
{
    if (!link_.Active() || dataField_.isEmpty())
        return nullptr;
    return link_.dataSet()->FindField(dataField_);
}

void TRzDBLabel::dataChange()
{
    // A field the query does not deliver shows nothing rather than failing every second.
    const Field* shown = field();
    const QString text = shown ? shown->displayText() : QString();
    if (text == caption_)
        return;
    if (!changeCheckPosted_) {
        changeCheckPosted_ = true;
        captionBefore_ = caption_;
        QMetaObject::invokeMethod(
            this,
            [this] {
                changeCheckPosted_ = false;
                if (caption_ != captionBefore_)
                    update();
            },
            Qt::QueuedConnection);
    }
    caption_ = text;
}

LabelPaintSpec TRzDBLabel::paintSpec() const
{
    LabelPaintSpec look;
    const LabelGeometry geometry(size());
    look.frameHighlight = geometry.highlightFrame;
    look.frameShadow = geometry.shadowFrame;
    look.highlight = systemColor(SystemColor::BtnHighlight);
    look.shadow = systemColor(SystemColor::BtnShadow);
    // The label has no colour of its own: it shows whatever its parent is painted with.
    look.background = palette().color(backgroundRole());
    look.fontColor = toQColor(fontColor_);
    look.textRect = geometry.content;
    look.text = caption_;

    int flags = Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic | Qt::AlignTop;
    // Without a field there is no text, so the alignment only matters with one.
    const Field* shown = field();
    switch (shown ? shown->Alignment() : FieldAlignment::Center) {
    case FieldAlignment::Left:
        flags |= Qt::AlignLeft;
        break;
    case FieldAlignment::Right:
        flags |= Qt::AlignRight;
        break;
    case FieldAlignment::Center:
        flags |= Qt::AlignHCenter;
        break;
    }
    look.textFlags = flags;
    return look;
}

void TRzDBLabel::setKeptPictures(int count)
{
    keptPictures_ = count;
    pictures_.clear();
}

void TRzDBLabel::paintLabel(QPainter& painter, const LabelPaintSpec& look)
{
    frameRect(painter, look.frameHighlight, look.highlight);
    frameRect(painter, look.frameShadow, look.shadow);
    painter.fillRect(QRect(look.frameHighlight.right(), 0, 1, 1), look.background);
    painter.fillRect(QRect(0, look.frameHighlight.bottom(), 1, 1), look.background);
    painter.fillRect(look.textRect, look.background);
    if (look.text.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(look.highlight);
    shaped_.draw(painter, look.textRect.translated(1, 1), look.textFlags, look.text);
    painter.setPen(look.shadow);
    shaped_.draw(painter, look.textRect.translated(-1, -1), look.textFlags, look.text);
    painter.setPen(look.fontColor);
    shaped_.draw(painter, look.textRect, look.textFlags, look.text);
}

const QPixmap& TRzDBLabel::picture(const LabelPaintSpec& look)
{
    const qreal ratio = devicePixelRatioF();
    const PictureLook now{size(),
                          ratio,
                          font(),
                          look.highlight.rgba(),
                          look.shadow.rgba(),
                          look.background.rgba(),
                          look.fontColor.rgba(),
                          look.textFlags};
    if (now != picturesLook_) {
        pictures_.clear();
        picturesLook_ = now;
    }
    auto it = pictures_.find(look.text);
    if (it == pictures_.end()) {
        // A text that never comes back (a countdown past zero) must not grow the store.
        if (pictures_.size() >= keptPictures_)
            pictures_.clear();
        QPixmap pixmap(size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(look.background);
        QPainter painter(&pixmap);
        painter.setLayoutDirection(layoutDirection());
        paintLabel(painter, look);
        it = pictures_.insert(look.text, pixmap);
    }
    return *it;
}

void TRzDBLabel::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        const LabelPaintSpec look = paintSpec();
        QPainter painter(this);
        if (keptPictures_ > 0)
            painter.drawPixmap(0, 0, picture(look));
        else
            paintLabel(painter, look);
    });
}
