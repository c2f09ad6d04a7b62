#pragma once
#include "Colors.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>
#include <functional>

class QShortcut;

enum ButtonLayout { blGlyphLeft, blGlyphTop };

// The colour of each row of a vertical gradient of 32 bands over rows [top, end).
// Later bands overwrite earlier ones where they overlap, as when painting them in order.
QVector<QColor> gradientRows(int top, int end, const QColor& from, const QColor& to);

// Where a modern-style button puts its faces, picture and text; pure geometry.
struct LbButtonGeometry {
    LbButtonGeometry(QSize size, ButtonLayout layout, QSize textSize, QSize glyphSize, bool down);

    int left = 2, right = 0; // gradient columns [left, right)
    int upperTop = 2, split = 0,
        lowerEnd = 0; // upper gradient [upperTop, split), lower [split, lowerEnd)
    QRect innerFrame; // pixels covered by the 1-pixel rectangle, inclusive
    QRect outerFrame; // the rounded rectangle's bounds, inclusive
    QPoint glyphPos;
    QRect textRect;
    QRect focusRect; // inclusive pixels of the dotted focus rectangle
};

// What one paint of the button draws, worked out before any pixel is touched.
struct LbButtonPaintSpec {
    QColor face, light, frame, shadow, textColor;
    QString text; // the caption with its layout's space
    int glyphIndex = 0;
    bool focus = false;
    bool down = false;
};

// A flat, gradient-faced push button with an optional picture beside or above its caption.
class TLbButton : public QWidget {
    Q_OBJECT
public:
    using ClickHandler = std::function<void(QObject* sender)>;

    explicit TLbButton(QWidget* parent = nullptr);
    ~TLbButton() override;

    const QString& Caption() const { return caption_; }
    void setCaption(const QString& caption);
    ButtonLayout Layout() const { return layout_; }
    void setGlyphLayout(ButtonLayout layout);

    BgrColor Color() const { return color_; }
    void setColor(BgrColor color);
    BgrColor LightColor() const { return lightColor_; }
    void setLightColor(BgrColor color);
    BgrColor ShadowColor() const { return shadowColor_; }
    void setShadowColor(BgrColor color);

    // A strip of NumGlyphs pictures side by side: normal, disabled, down, hot. The colour of
    // the strip's bottom-left pixel is drawn transparent.
    void setGlyph(const QPixmap& strip, int numGlyphs);
    // The strip as drawn, its transparent colour cleared.
    const QPixmap& Glyph() const { return glyph_; }
    int NumGlyphs() const { return numGlyphs_; }

    int ModalResult() const { return modalResult_; }
    void setModalResult(int result) { modalResult_ = result; }
    void setOnClick(ClickHandler handler) { onClick_ = std::move(handler); }

    // Runs the handler, then hands a non-zero modal result to a modal owning dialog.
    // Errors from the handler reach the caller.
    void click();

    bool pressed() const { return state_ != PressState::Released; }
    bool hot() const { return mouseOver_ || hasFocus(); }
    bool down() const { return pressed() && isEnabled(); }

    LbButtonPaintSpec paintSpec() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class PressState { Released, ByMouse, ByKey };

    void setPressState(PressState state);
    void setMouseOver(bool over);
    void acceleratorActivated();
    void updateShortcut();
    QSize glyphSize() const;
    QSize textSize(const QString& text) const;

    QString caption_;
    ButtonLayout layout_ = blGlyphLeft;
    BgrColor color_ = clSilver;
    BgrColor lightColor_ = clWhite;
    BgrColor shadowColor_ = clGray;
    QPixmap glyph_;
    int numGlyphs_ = 1;
    int modalResult_ = 0;
    ClickHandler onClick_;
    PressState state_ = PressState::Released;
    bool mouseOver_ = false;
    QShortcut* shortcut_ = nullptr;
};
