#pragma once
#include <QPixmap>
#include <QString>

// The grid's three small pictures, drawn by code and cached; transparent where the
// bitmaps have their key colour.
enum class GridGlyph { None, Arrow, SortDown, SortUp };

// Looks a glyph up by its resource name ("DBGARROWEH", "DBSMDOWNEH", "DBSMUPEH").
GridGlyph gridGlyphByName(const QString& name);
const QPixmap& gridGlyphPixmap(GridGlyph glyph);
QSize gridGlyphSize(GridGlyph glyph);
