#pragma once
#include <QColor>
#include <QPainter>
#include <QRect>

// Outlines the pixels of r (inclusive edges) one pixel wide, as the platform's 1-pixel
// rectangles do; QPainter::drawRect with a pen would depend on the pen's alignment.
inline void frameRect(QPainter& painter, const QRect& r, const QColor& color)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}
