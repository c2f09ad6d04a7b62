#include "GridLayout.h"

#include "HeadTreeNode.h"

#include <QFontMetrics>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

namespace gridmetrics {

int dataRowHeight(const QFont& cellFont)
{
    const QFontMetrics fm(cellFont);
    return fm.size(Qt::TextSingleLine, QStringLiteral("Wg")).height() + 1 + kLineWidth;
}

int wrappedTextHeight(const QFont& font, const QString& text, int width)
{
    // Lines count as the font's height each, as the platform's text box measures them.
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1));
        ++lines;
    }
    layout.endLayout();
    return std::max(lines, 1) * QFontMetrics(font).height();
}

int titleRowHeight(const THeadTreeNode& root)
{
    int tallest = 0;
    for (const THeadTreeNode& leaf : root.leaves()) {
        int h = 0;
        if (leaf.Width > 0)
            h = wrappedTextHeight(leaf.textFont, leaf.Text,
                                  leaf.Width - leaf.WIndent - kTitleTextInset);
        tallest = std::max(tallest, h + kVTitleMargin);
    }
    return tallest - 1;
}

int defaultColumnWidth(const QFont& columnFont, int displayWidth)
{
    // Qt reports no overhang for outline fonts, so the overhang terms vanish.
    const QFontMetrics fm(columnFont);
    return fm.horizontalAdvance(QLatin1Char('0')) * displayWidth + 4;
}

int indicatorWidth(const QFont& titleFont, int recordCount)
{
    const QFontMetrics fm(titleFont);
    return fm.horizontalAdvance(QString::number(recordCount)) + 17;
}

} // namespace gridmetrics

using gridmetrics::kLineWidth;

void GridLayout::setColumnWidths(QVector<int> widths)
{
    widths_ = std::move(widths);
    setLeftCol(leftCol_);
}

void GridLayout::setLeftCol(int col)
{
    leftCol_ = std::clamp(col, 0, std::max(0, columnCount() - 1));
}

int GridLayout::visibleRowCapacity() const
{
    const int room = client_.height() - titleHeight_ - kLineWidth;
    return std::max(1, room / (rowHeight_ + kLineWidth));
}

int GridLayout::lastVisibleCol() const
{
    int last = -1;
    for (int c = leftCol_; c < columnCount(); ++c) {
        if (columnLeft(c) >= client_.width())
            break;
        last = c;
    }
    return last;
}

int GridLayout::maxLeftCol() const
{
    int room = client_.width() - indicatorWidth_ - kLineWidth;
    int col = columnCount() - 1;
    while (col > 0 && room - (widths_[col] + kLineWidth) >= widths_[col - 1] + kLineWidth) {
        room -= widths_[col] + kLineWidth;
        --col;
    }
    return std::max(0, col);
}

int GridLayout::rowTop(int row) const
{
    if (row <= 0)
        return 0;
    return titleHeight_ + kLineWidth + (row - 1) * (rowHeight_ + kLineWidth);
}

int GridLayout::rowBottom(int row) const
{
    return row <= 0 ? titleHeight_ : rowTop(row) + rowHeight_;
}

int GridLayout::columnLeft(int col) const
{
    if (col < 0)
        return 0;
    if (col < leftCol_ || col >= columnCount())
        return -1;
    int x = indicatorWidth_ + kLineWidth;
    for (int c = leftCol_; c < col; ++c)
        x += widths_[c] + kLineWidth;
    return x;
}

QRect GridLayout::cellRect(int col, int row) const
{
    const int left = columnLeft(col);
    if (col >= 0 && left < 0)
        return {};
    const int width = col < 0 ? indicatorWidth_ : widths_[col];
    return QRect(left, rowTop(row), std::max(0, width), rowBottom(row) - rowTop(row));
}

GridLayout::Hit GridLayout::hitTest(QPoint p, int rowCount, bool borders) const
{
    Hit hit;
    if (p.x() < 0 || p.y() < 0 || p.x() >= client_.width() || p.y() >= client_.height())
        return hit;
    int row = -1;
    if (p.y() < titleHeight_ + kLineWidth)
        row = 0;
    else if (rowCount > 0) {
        const int r = 1 + (p.y() - titleHeight_ - kLineWidth) / (rowHeight_ + kLineWidth);
        if (r <= rowCount)
            row = r;
    }
    if (row < 0)
        return hit;
    hit.row = row;
    if (row == 0 && borders) {
        // A border grabs a few pixels either side of the line right of a column.
        for (int c = leftCol_; c <= lastVisibleCol(); ++c) {
            const int line = columnLeft(c) + widths_[c];
            if (std::abs(p.x() - line) <= 2) {
                hit.kind = HitKind::TitleBorder;
                hit.col = c;
                return hit;
            }
        }
    }
    if (p.x() < indicatorWidth_ + kLineWidth) {
        hit.kind = row == 0 ? HitKind::Corner : HitKind::Indicator;
        return hit;
    }
    for (int c = leftCol_; c <= lastVisibleCol(); ++c) {
        const int left = columnLeft(c);
        if (p.x() >= left && p.x() < left + widths_[c] + kLineWidth) {
            hit.kind = row == 0 ? HitKind::Title : HitKind::Data;
            hit.col = c;
            return hit;
        }
    }
    return hit;
}
