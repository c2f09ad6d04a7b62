#pragma once
#include <QString>

class TCustomDBGridEh;

enum class GridCopyRows { Current, All };

// Rows of the grid as a spreadsheet pastes them: a line of column titles, then a line per
// record (the current one, or all in the current order), the cells' display texts in the
// grid's column order, separated by tabs, every line ending in "\n". Empty while the
// dataset is closed.
QString gridCopyText(const TCustomDBGridEh& grid, GridCopyRows rows);
