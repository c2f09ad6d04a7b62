#include "LbButton.h"

#include "PaintHelpers.h"

#include "Accelerator.h"
#include "AccessibleWidgets.h"
#include "Application.h"

#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>

QVector<QColor> gradientRows(int top, int end, const QColor& from, const QColor& to)
{
    constexpr int kBands = 32;
    QVector<QColor> rows(qMax(0, end - top));
    const int span = end - top;
    const int bandHeight = span / (kBands - 1) + 1;
    for (int i = 0; i < kBands; ++i) {
        const QColor color(from.red() + (to.red() - from.red()) * i / (kBands - 1),
                           from.green() + (to.green() - from.green()) * i / (kBands - 1),
                           from.blue() + (to.blue() - from.blue()) * i / (kBands - 1));
        const int start = top + i * span / (kBands - 1);
        for (int y = start; y < qMin(start + bandHeight, end); ++y)
            rows[y - top] = color;
    }
    return rows;
}

LbButtonGeometry::LbButtonGeometry(QSize size, ButtonLayout layout, QSize textSize, QSize glyphSize,
                                   bool down)
{
    const int w = size.width();
    const int h = size.height();
    const int d = down ? 1 : 0;
    right = w - 2;
    split = h / 4 + d;
    lowerEnd = h - 1;
    innerFrame = QRect(QPoint(1, 1), QPoint(w - 2, h - 2));
    outerFrame = QRect(QPoint(0, 0), QPoint(w - 1, h - 1));
    focusRect = QRect(QPoint(4, 4), QPoint(w - 5, h - 5));

    const int tw = textSize.width(), th = textSize.height();
    const int gw = glyphSize.width(), gh = glyphSize.height();
    QPoint textPos;
    if (layout == blGlyphLeft) {
        const int left = (w - tw - gw) / 2;
        glyphPos = QPoint(left + d, (h - gh) / 2 + d);
        textPos = QPoint(left + gw + d, (h - th) / 2 + d);
    } else {
        const int top = (h - th - gh) / 2;
        glyphPos = QPoint((w - gw) / 2 + d, top + d);
        textPos = QPoint((w - tw) / 2 + d, top + gh + d);
    }
    textRect = QRect(textPos, textSize);
}

TLbButton::TLbButton(QWidget* parent) : QWidget(parent)
{
    accessibility::registerHeaderWidgets();
    setFocusPolicy(Qt::StrongFocus);
}

TLbButton::~TLbButton() = default;

void TLbButton::setCaption(const QString& caption)
{
    caption_ = caption;
    updateShortcut();
    update();
}

void TLbButton::setGlyphLayout(ButtonLayout layout)
{
    layout_ = layout;
    update();
}

void TLbButton::setColor(BgrColor color)
{
    color_ = color;
    update();
}

void TLbButton::setLightColor(BgrColor color)
{
    lightColor_ = color;
    update();
}

void TLbButton::setShadowColor(BgrColor color)
{
    shadowColor_ = color;
    update();
}

void TLbButton::setGlyph(const QPixmap& strip, int numGlyphs)
{
    numGlyphs_ = qMax(1, numGlyphs);
    if (strip.isNull()) {
        glyph_ = QPixmap();
    } else {
        QImage image = strip.toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb transparent = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] == transparent)
                    line[x] = qRgba(0, 0, 0, 0);
        }
        glyph_ = QPixmap::fromImage(image);
    }
    update();
}

QSize TLbButton::glyphSize() const
{
    if (glyph_.isNull())
        return {0, 0};
    const QSize size = glyph_.deviceIndependentSize().toSize();
    return {size.width() / numGlyphs_, size.height()};
}

void TLbButton::click()
{
    // Hidden means hidden on purpose; a button of a window not shown yet still clicks.
    if (isHidden() || !isEnabled())
        return;
    QPointer<TLbButton> self(this);
    if (onClick_)
        onClick_(this);
    if (!self || modalResult_ == 0)
        return;
    // Only a dialog that runs modally takes a result; a main window must stay open.
    if (auto* dialog = qobject_cast<QDialog*>(window());
        dialog && dialog->isModal() && dialog->isVisible())
        dialog->done(modalResult_);
}

QSize TLbButton::textSize(const QString& text) const
{
    // Measured as written, marks included: that is how the caption is placed.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

LbButtonPaintSpec TLbButton::paintSpec() const
{
    LbButtonPaintSpec look;
    look.down = down();
    look.face = toQColor(color_);
    look.light = toQColor(lightColor_);
    look.shadow = toQColor(shadowColor_);
    look.frame = look.down ? look.shadow : look.face;
    look.textColor =
        isEnabled() ? palette().color(QPalette::Active, QPalette::WindowText) : toQColor(clGray);
    look.text = layout_ == blGlyphLeft ? QLatin1Char(' ') + caption_ : caption_ + QLatin1Char(' ');
    if (!isEnabled() && numGlyphs_ >= 2)
        look.glyphIndex = 1;
    else if (look.down && numGlyphs_ >= 3)
        look.glyphIndex = 2;
    else if (hot() && numGlyphs_ >= 4)
        look.glyphIndex = 3;
    look.focus = hasFocus() && isEnabled();
    return look;
}

namespace {

// A rectangle whose corners are cut by a 6 x 6 ellipse: one diagonal pixel per corner.
void roundFrame(QPainter& painter, const QRect& r, const QColor& color)
{
    painter.fillRect(QRect(QPoint(r.left() + 2, r.top()), QPoint(r.right() - 2, r.top())), color);
    painter.fillRect(QRect(QPoint(r.left() + 2, r.bottom()), QPoint(r.right() - 2, r.bottom())),
                     color);
    painter.fillRect(QRect(QPoint(r.left(), r.top() + 2), QPoint(r.left(), r.bottom() - 2)), color);
    painter.fillRect(QRect(QPoint(r.right(), r.top() + 2), QPoint(r.right(), r.bottom() - 2)),
                     color);
    for (const QPoint& p :
         {QPoint(r.left() + 1, r.top() + 1), QPoint(r.right() - 1, r.top() + 1),
          QPoint(r.left() + 1, r.bottom() - 1), QPoint(r.right() - 1, r.bottom() - 1)})
        painter.fillRect(QRect(p, QSize(1, 1)), color);
}

void fillGradient(QPainter& painter, int left, int right, int top, int end, const QColor& from,
                  const QColor& to)
{
    const QVector<QColor> rows = gradientRows(top, end, from, to);
    for (int i = 0; i < rows.size(); ++i)
        painter.fillRect(QRect(left, top + i, right - left, 1), rows[i]);
}

// Every other pixel of the outline inverted, so it shows on any face colour.
void dottedFocusRect(QPainter& painter, const QRect& r)
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor white(Qt::white);
    auto dot = [&](int x, int y) {
        if ((x + y - r.left() - r.top()) % 2 == 0)
            painter.fillRect(QRect(x, y, 1, 1), white);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        if (r.bottom() != r.top())
            dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        if (r.right() != r.left())
            dot(r.right(), y);
    }
    painter.restore();
}
} // namespace

void TLbButton::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        const LbButtonPaintSpec look = paintSpec();
        const LbButtonGeometry geometry(size(), layout_, textSize(look.text), glyphSize(),
                                        look.down);
        QPainter painter(this);
        fillGradient(painter, geometry.left, geometry.right, geometry.upperTop, geometry.split,
                     look.light, look.face);
        fillGradient(painter, geometry.left, geometry.right, geometry.split, geometry.lowerEnd,
                     look.face, look.light);
        frameRect(painter, geometry.innerFrame, look.frame);
        roundFrame(painter, geometry.outerFrame, look.shadow);

        painter.setFont(font());
        painter.setPen(look.textColor);
        painter.drawText(geometry.textRect,
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, look.text);

        const QSize cell = glyphSize();
        if (!glyph_.isNull()) {
            // The source in the strip's own pixels; a 2x strip at 1.5 is reduced smoothly.
            const qreal ratio = glyph_.devicePixelRatio();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != devicePixelRatioF());
            painter.drawPixmap(
                QRectF(geometry.glyphPos, cell), glyph_,
                QRectF(QPointF(look.glyphIndex * cell.width(), 0) * ratio, QSizeF(cell) * ratio));
        }
        if (look.focus)
            dottedFocusRect(painter, geometry.focusRect);
    });
}

void TLbButton::setPressState(PressState state)
{
    if (state_ == state)
        return;
    state_ = state;
    update();
}

void TLbButton::setMouseOver(bool over)
{
    if (mouseOver_ == over)
        return;
    mouseOver_ = over;
    update();
}

void TLbButton::mousePressEvent(QMouseEvent*)
{
    guarded([&] {
        setMouseOver(true);
        setPressState(PressState::ByMouse);
        setFocus(Qt::MouseFocusReason);
    });
}

void TLbButton::mouseMoveEvent(QMouseEvent* event)
{
    // While the mouse is held the pointer may leave and come back; follow it here too.
    guardedLater([&] {
        if (state_ == PressState::ByMouse)
            setMouseOver(rect().contains(event->position().toPoint()));
    });
}

void TLbButton::mouseReleaseEvent(QMouseEvent* event)
{
    guarded([&] {
        if (state_ != PressState::ByMouse)
            return;
        setMouseOver(rect().contains(event->position().toPoint()));
        const bool releasedOver = mouseOver_;
        // Released before the handler runs: it may close or destroy this button's window.
        setPressState(PressState::Released);
        if (releasedOver)
            click();
    });
}

namespace {
bool isPressKey(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

void TLbButton::keyPressEvent(QKeyEvent* event)
{
    if (!isPressKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    guarded([&] {
        if (!event->isAutoRepeat())
            setPressState(PressState::ByKey);
    });
}

void TLbButton::keyReleaseEvent(QKeyEvent* event)
{
    if (!isPressKey(event)) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    guarded([&] {
        if (event->isAutoRepeat() || !pressed())
            return;
        setPressState(PressState::Released);
        click();
    });
}

void TLbButton::enterEvent(QEnterEvent*)
{
    guarded([&] { setMouseOver(true); });
}

void TLbButton::leaveEvent(QEvent*)
{
    guarded([&] { setMouseOver(false); });
}

void TLbButton::focusInEvent(QFocusEvent*)
{
    update();
}

void TLbButton::focusOutEvent(QFocusEvent*)
{
    // A key held while the focus moves away must not click later.
    if (state_ == PressState::ByKey)
        state_ = PressState::Released;
    update();
}

void TLbButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            state_ = PressState::Released;
        update();
    } else if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void TLbButton::updateShortcut()
{
    delete shortcut_;
    shortcut_ = nullptr;
    const QChar letter = acceleratorChar(caption_);
    if (letter.isNull())
        return;
    shortcut_ = new QShortcut(
        QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(letter.unicode()))), this);
    shortcut_->setContext(Qt::WindowShortcut);
    connect(shortcut_, &QShortcut::activated, this, &TLbButton::acceleratorActivated);
    connect(shortcut_, &QShortcut::activatedAmbiguously, this, &TLbButton::acceleratorActivated);
}

void TLbButton::acceleratorActivated()
{
    guarded([&] {
        const QWidget* parent = parentWidget();
        if (isVisible() && isEnabled() && (!parent || parent->isVisible()))
            click();
    });
}
