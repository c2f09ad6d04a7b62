#pragma once
#include <QPixmap>

// The grid's three small pictures, drawn by code and cached; transparent where the
// bitmaps have their key colour.
// The bitmaps' names: Arrow "DBGARROWEH", SortDown "DBSMDOWNEH", SortUp "DBSMUPEH".
enum class GridGlyph { None, Arrow, SortDown, SortUp };

const QPixmap& gridGlyphPixmap(GridGlyph glyph);
QSize gridGlyphSize(GridGlyph glyph);
