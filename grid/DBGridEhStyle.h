#pragma once
#include <QColor>

// The one paint style all grids share; it decides how the current row looks.
class TDBGridEhStyle {
public:
    static TDBGridEhStyle& instance();

    struct RowColors {
        QColor background;
        QColor text;
    };
    // With the focus the highlight colours; without it, because the selection stays
    // visible, button shadow behind highlight text.
    RowColors currentRowColors(bool gridFocused) const;
};
