#pragma once
#include <QPixmap>
#include <QPushButton>

// A push button with a two-state picture (normal and disabled side by side) left of its
// caption. It is never a default button; Enter presses it while it has the focus.
class TBitBtn : public QPushButton {
    Q_OBJECT
public:
    explicit TBitBtn(const QString& caption, QWidget* parent = nullptr);

    // `strip` holds `numGlyphs` pictures of equal width side by side: normal, then disabled.
    void SetGlyph(const QPixmap& strip, int numGlyphs = 2);
    const QPixmap& Glyph() const { return glyph_; }
    QPixmap StateGlyph(QIcon::Mode mode) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap glyph_;
    int numGlyphs_ = 1;
};
