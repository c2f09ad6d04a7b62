#pragma once
#include <QWidget>

// The pixels per point the windows' drawn pictures are made for: 1, or 2 on any screen of
// more pixels. At 1.5 the 2x picture is reduced smoothly, which keeps its shapes, where a
// picture drawn at 1.5 would turn its one-pixel lines into uneven ones and twos.
inline int pictureRatio(const QWidget* widget)
{
    return widget->devicePixelRatioF() > 1 ? 2 : 1;
}
