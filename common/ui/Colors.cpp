#include "Colors.h"

#include <QGuiApplication>

QColor systemColor(SystemColor which)
{
    const QPalette palette = QGuiApplication::palette();
    switch (which) {
    case SystemColor::BtnFace:
        return palette.color(QPalette::Button);
    case SystemColor::BtnHighlight:
        return palette.color(QPalette::Light);
    case SystemColor::BtnShadow:
        return palette.color(QPalette::Dark);
    case SystemColor::Highlight:
        return palette.color(QPalette::Highlight);
    case SystemColor::HighlightText:
        return palette.color(QPalette::HighlightedText);
    case SystemColor::Window:
        return palette.color(QPalette::Base);
    }
    return {};
}
