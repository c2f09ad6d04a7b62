#pragma once
#include <QPixmap>

// Pictures of the login dialog, drawn by code at ratio pixels per point (sizes in points).
// The button glyphs are two-state strips: normal and disabled side by side.
namespace loginglyphs {

QPixmap okGlyph(int ratio = 1);       // 36 x 18: a green tick
QPixmap cancelGlyph(int ratio = 1);   // 36 x 18: a red cross
QPixmap changePwGlyph(int ratio = 1); // 32 x 16: a key
QPixmap topPicture(int ratio = 1);    // 32 x 32: an operator with a padlock

} // namespace loginglyphs
