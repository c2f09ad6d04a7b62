#include "DBGridEhStyle.h"

#include "Colors.h"

TDBGridEhStyle& TDBGridEhStyle::instance()
{
    static TDBGridEhStyle style;
    return style;
}

TDBGridEhStyle::RowColors TDBGridEhStyle::currentRowColors(bool gridFocused) const
{
    return {systemColor(gridFocused ? SystemColor::Highlight : SystemColor::BtnShadow),
            systemColor(SystemColor::HighlightText)};
}
