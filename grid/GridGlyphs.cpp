#include "GridGlyphs.h"

#include "Colors.h"

#include <QImage>

namespace {

const QRgb kTransparent = qRgba(0, 0, 0, 0);
const QRgb kBlack = toQColor(clBlack).rgb();
const QRgb kGrey = toQColor(clGray).rgb();
const QRgb kWhite = toQColor(clWhite).rgb();

// A solid triangle pointing right, apex in the middle of the right column.
QImage drawArrow()
{
    QImage img(6, 11, QImage::Format_ARGB32);
    img.fill(kTransparent);
    for (int x = 0; x < 6; ++x)
        for (int y = x; y <= 10 - x; ++y)
            img.setPixel(x, y, kBlack);
    return img;
}

// Outline of a triangle; grey strokes on the left as if lit from the top left.
QImage drawSortTriangle(bool pointingUp)
{
    QImage img(10, 9, QImage::Format_ARGB32);
    img.fill(kTransparent);
    for (int step = 0; step < 9; ++step) {
        const int y = pointingUp ? 8 - step : step;
        img.setPixel(step / 2, y, kGrey);
        img.setPixel(9 - step / 2, y, kWhite);
    }
    const int baseY = pointingUp ? 8 : 0;
    const QRgb base = pointingUp ? kWhite : kGrey;
    for (int x = 0; x < 10; ++x)
        img.setPixel(x, baseY, base);
    return img;
}

} // namespace

const QPixmap& gridGlyphPixmap(GridGlyph glyph)
{
    static const QPixmap none;
    static const QPixmap arrow = QPixmap::fromImage(drawArrow());
    static const QPixmap down = QPixmap::fromImage(drawSortTriangle(false));
    static const QPixmap up = QPixmap::fromImage(drawSortTriangle(true));
    switch (glyph) {
    case GridGlyph::Arrow:
        return arrow;
    case GridGlyph::SortDown:
        return down;
    case GridGlyph::SortUp:
        return up;
    case GridGlyph::None:
        break;
    }
    return none;
}

QSize gridGlyphSize(GridGlyph glyph)
{
    switch (glyph) {
    case GridGlyph::Arrow:
        return {6, 11};
    case GridGlyph::SortDown:
    case GridGlyph::SortUp:
        return {10, 9};
    case GridGlyph::None:
        break;
    }
    return {0, 0};
}
