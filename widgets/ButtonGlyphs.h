#pragma once
#include "Colors.h"

#include <QColor>
#include <QPixmap>

// The header buttons' pictures: 36 x 18 strips of two 18 x 18 pictures, normal then disabled,
// on an olive background that the button draws transparent; drawn at ratio pixels per point.
QPixmap searchGlyph(int ratio = 1); // two green arrows turning in a circle
QPixmap closeGlyph(int ratio = 1);  // a door

inline const QColor kGlyphTransparent = toQColor(clOlive);
