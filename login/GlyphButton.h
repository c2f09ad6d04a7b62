#pragma once
#include <QPixmap>
#include <QPushButton>

// A push button with a two-state picture (normal and disabled side by side) left of its
// caption. It is never a default button; Enter presses it while it has the focus.
class GlyphButton : public QPushButton {
    Q_OBJECT
public:
    explicit GlyphButton(const QString& caption, QWidget* parent = nullptr);

    // `strip` holds two pictures of equal width side by side: normal, then disabled.
    void setGlyph(const QPixmap& strip);
    const QPixmap& Glyph() const { return glyph_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap stateGlyph(QIcon::Mode mode) const;

    QPixmap glyph_;
};
