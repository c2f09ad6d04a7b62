#include "GlyphButton.h"

#include <QKeyEvent>

GlyphButton::GlyphButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    // Inside a dialog a push button would become the default button on focus.
    setAutoDefault(false);
    setDefault(false);
}

void GlyphButton::setGlyph(const QPixmap& strip)
{
    glyph_ = strip;
    QIcon icon;
    icon.addPixmap(stateGlyph(QIcon::Normal), QIcon::Normal);
    icon.addPixmap(stateGlyph(QIcon::Disabled), QIcon::Disabled);
    setIcon(icon);
    setIconSize(stateGlyph(QIcon::Normal).deviceIndependentSize().toSize());
}

QPixmap GlyphButton::stateGlyph(QIcon::Mode mode) const
{
    if (glyph_.isNull())
        return {};
    const int w = glyph_.width() / 2;
    const int index = mode == QIcon::Disabled ? 1 : 0;
    return glyph_.copy(index * w, 0, w, glyph_.height());
}

void GlyphButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat()) {
        click();
        return;
    }
    // Up and Down belong to the window (focus navigation); moving here as well would move twice.
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        event->ignore();
        return;
    }
    QPushButton::keyPressEvent(event);
}
