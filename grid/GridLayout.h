#pragma once
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class THeadTreeNode;

// Sizes that follow from fonts and captions; computed when the grid lays itself out,
// never while it paints.
namespace gridmetrics {

constexpr int kLineWidth = 1;     // grid lines between cells and rows
constexpr int kMarkerIndent = 16; // room a sort marker takes from its caption
constexpr int kTitleTextInset = 4;
constexpr int kVTitleMargin = 10; // added to every title's text height

// Data row height without the line below it: "Wg" plus the flat look's 1-pixel text gap plus
// the line width.
int dataRowHeight(const QFont& cellFont);
// Height of a caption laid out word-wrapped inside a width (at least 1 pixel).
int wrappedTextHeight(const QFont& font, const QString& text, int width);
// Title row height from the title tree's leaves: largest text height plus the margin, less
// 1 for the bevelled fixed cells.
int titleRowHeight(const THeadTreeNode& root);
// Width of a column without a stored width: "0" times the field's display width plus 4.
int defaultColumnWidth(const QFont& columnFont, int displayWidth);
// Indicator width for a record count: its digits in the title font plus 17.
int indicatorWidth(const QFont& titleFont, int recordCount);

} // namespace gridmetrics

// Cell geometry of the grid's client area: the indicator column and the title row are
// fixed; data columns scroll sideways by whole columns. Rows: 0 is the title row, 1.. the
// visible data rows. Columns: -1 is the indicator, 0.. the columns in visual order.
class GridLayout {
public:
    void setClientSize(QSize size) { client_ = size; }
    void setIndicatorWidth(int width) { indicatorWidth_ = width; }
    void setTitleHeight(int height) { titleHeight_ = height; }
    void setRowHeight(int height) { rowHeight_ = height; }
    void setColumnWidths(QVector<int> widths);
    void setLeftCol(int col); // clamped to the columns

    QSize clientSize() const { return client_; }
    int indicatorWidth() const { return indicatorWidth_; }
    int titleHeight() const { return titleHeight_; }
    int rowHeight() const { return rowHeight_; }
    int columnCount() const { return int(widths_.size()); }
    int columnWidth(int col) const { return widths_.value(col); }
    int leftCol() const { return leftCol_; }

    // Data rows that fit wholly below the title row; at least 1.
    int visibleRowCapacity() const;
    // Last column whose left edge lies inside the client area (-1 when none).
    int lastVisibleCol() const;
    // The rightmost column the view can start at and still show the last column whole.
    int maxLeftCol() const;

    int rowTop(int row) const;
    int rowBottom(int row) const; // exclusive, without the line below
    // Left edge of a column (-1: indicator); a column left of leftCol has no place (-1).
    int columnLeft(int col) const;
    QRect cellRect(int col, int row) const; // empty when the column is scrolled away

    enum class HitKind { None, Corner, Title, TitleBorder, Indicator, Data };
    struct Hit {
        HitKind kind = HitKind::None;
        int col = -1; // for TitleBorder: the column left of the border
        int row = -1;
    };
    // rowCount: rows the grid shows below the title row. Without borders, the pixels about a
    // title's right line belong to the title they lie in.
    Hit hitTest(QPoint p, int rowCount, bool borders) const;

private:
    QSize client_;
    int indicatorWidth_ = 0;
    int titleHeight_ = 0;
    int rowHeight_ = 0;
    QVector<int> widths_;
    int leftCol_ = 0;
};
