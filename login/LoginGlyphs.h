#pragma once
#include <QPixmap>

// Pictures of the login dialog, drawn by code. The button glyphs are two-state strips:
// normal and disabled side by side.
namespace loginglyphs {

QPixmap okGlyph();       // 36 x 18: a green tick
QPixmap cancelGlyph();   // 36 x 18: a red cross
QPixmap changePwGlyph(); // 32 x 16: a key
QPixmap topPicture();    // 32 x 32: an operator with a padlock

} // namespace loginglyphs
