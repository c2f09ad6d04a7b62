#pragma once
#include "ADODataSet.h"
#include "Colors.h"
#include "DBGridColumnEh.h"
#include "DataSource.h"
#include "GridGlyphs.h"
#include "GridInputLog.h"
#include "GridLayout.h"
#include "GridRecordBuffer.h"
#include "HeadTreeNode.h"
#include "ShapedText.h"

#include <QFont>
#include <QHash>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>

class KeptPictureScrollBar;
class QTimer;
class TCustomDBGridEh;

// Follows the bound dataset for the grid.
class GridDataLink : public DataLink {
public:
    explicit GridDataLink(TCustomDBGridEh& grid) : grid_(grid) {}
    void activeChanged() override;
    void dataSetScrolled() override;
    void dataSetChanged() override;

private:
    TCustomDBGridEh& grid_;
};

// Everything one cell shows, decided before anything is drawn.
struct GridCellPaint {
    QRect rect;
    QColor background;
    bool bevel = false;
    QString text;
    QFont font;
    QColor textColor;
    QRect textRect;
    int textFlags = 0; // Qt alignment and wrap flags
    GridGlyph glyph = GridGlyph::None;
    QPoint glyphPos;
    QString number; // record number in the indicator cell
    QFont numberFont;
    QPoint numberPos; // top left of the number's text
    int numberWidth = 0;
};

// A read-only, row-selecting grid bound to a data source: one title row, an indicator
// column with record numbers, striped rows, sort markers in the titles.
class TCustomDBGridEh : public QWidget {
    Q_OBJECT
public:
    explicit TCustomDBGridEh(QWidget* parent = nullptr);
    ~TCustomDBGridEh() override;

    void setDataSource(TDataSource* source);
    TDataSource* DataSource() const { return link_.DataSource(); }
    TCustomADODataSet* dataSet() const { return link_.dataSet(); }

    QFont TitleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font);

    TDBGridColumnEh* addColumn(const QString& fieldName);
    // In visual order.
    const QVector<TDBGridColumnEh*>& columns() const { return columnList_; }
    void moveColumn(int from, int to);
    int selectedIndex() const { return selectedIndex_; } // the focused column
    void setSelectedIndex(int index);
    int leftCol() const { return layout_.leftCol(); }
    void setLeftCol(int col);

    // Backgrounds of records with odd and with even record numbers.
    static constexpr BgrColor RowColor1 = 16774625;
    static constexpr BgrColor RowColor2 = clWhite;

    // While a reload or a search is in flight, input applies at once and is kept; when it
    // ends, what was done before the rows were replaced is applied to the new ones.
    void setReloadPending(bool pending);

    // The grid's reaction to a title click.
    void ToggleTitleSort(TDBGridColumnEh* column);
    const QVector<TDBGridColumnEh*>& sortMarkedColumns() const { return sortMarked_; }

    // Layout results.
    const GridLayout& Layout() const { return layout_; }
    const GridRecordBuffer& recordBuffer() const { return buffer_; }
    // Rows below the title: the buffered records, or one blank row without any.
    int shownRowCount() const;
    // The record a data row (1..) shows; -1 for none.
    int recNoAtRow(int row) const;
    // Top left of the cell area inside the border.
    QPoint clientOrigin() const { return {1, 1}; }

    // What a cell would show; col -1 is the indicator, row 0 the title row.
    GridCellPaint describeCell(int col, int row) const;
    // The text a column shows for any record, in view or not.
    QString recordText(int col, int recNo) const;
    // The cell under a point of the widget; with borders, a title's right edge is its own hit.
    GridLayout::Hit hitAt(QPoint widgetPos, bool borders) const;

    // Called by the columns when something that changes the layout changed.
    void columnChanged(TDBGridColumnEh* column);
    void sortMarkerChanged(TDBGridColumnEh* column, TSortMarkerEh marker);

    // A hidden grid makes ready what its next paint would make, a tenth of a second after the
    // last call: the shapes of the texts in view, their glyphs' images and their pictures, and
    // the scroll bars' pictures. Bringing it forward after a load or a resize then costs a
    // paint of known texts. A shown grid paints soon anyway and does nothing here.
    void prepareWhileHidden();
    int shapedTextCount() const; // texts kept shaped, for measuring

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class GridDataLink;
    void linkActiveChanged();
    void linkScrolled();
    void linkDataChanged();
    void tellRowsReplaced();

    void layoutGrid();
    void updateScrollBars();
    QSize cellAreaSize(bool vbar, bool hbar) const;
    bool sortable(const TDBGridColumnEh* column) const;

    // Painting, in the order a paint event runs them.
    void forEachShownCell(const std::function<void(const GridCellPaint&)>& visit) const;
    void drawCell(QPainter& painter, const GridCellPaint& cell) const;
    void paintGridLines(QPainter& painter, int lastCol, int rows) const;
    // The cells' and their lines' part of the client area, from its top left.
    QRect linedArea(int lastCol, int rows) const;
    static void fillRegion(QPainter& painter, const QRegion& region, const QColor& colour);
    void paintBorder(QPainter& painter) const;
    void prepareShownTexts();
    void prepareCell(QPainter& painter, const GridCellPaint& cell) const;
    // What a column gives each of its cells, found once per paint.
    struct ColumnPaint {
        const Field* field;
        FieldAlignment alignment;
        QFont font;
        QColor textColor;
    };
    ColumnPaint describeColumn(int col) const;
    // A data cell's text, for painting and for reading alike.
    static QString cellText(const ColumnPaint& column);
    GridCellPaint describeTitle(int col) const;
    GridCellPaint describeIndicator(int row, int recNo) const;
    GridCellPaint describeData(int col, int row, int recNo, const ColumnPaint& column) const;
    bool isCurrentRow(int recNo) const;
    int numberWidth(int recNo) const;

    // Input.
    enum class MouseState { None, Pressed, TitlePress, MoveColumn, ResizeColumn };
    void pressAt(QMouseEvent* event);
    void moveRecordBy(int distance);
    bool handleKey(QKeyEvent* event);

    GridDataLink link_;
    QFont titleFont_;
    std::vector<std::unique_ptr<TDBGridColumnEh>> columns_;
    QVector<TDBGridColumnEh*> columnList_;
    QVector<TDBGridColumnEh*> sortMarked_;
    int selectedIndex_ = 0;

    GridLayout layout_;
    GridRecordBuffer buffer_;
    // What the last layout measured, kept while the fonts and titles it came from stay: a
    // reload lays the grid out twice (close, open) with nothing changed.
    struct Measures {
        QFont cellFont;
        int rowHeight = -1;
        QVector<THeadTreeNode::LeafSpec> leaves;
        int titleHeight = -1;
    } measured_;
    // Texts as shaped for painting, and record numbers as measured, until the font changes.
    mutable ShapedTextCache shapedTexts_;
    mutable QHash<int, int> numberWidths_;
    int indicatorWidth_ = 0;
    bool laidOut_ = false;

    KeptPictureScrollBar* vbar_ = nullptr;
    KeptPictureScrollBar* hbar_ = nullptr;
    bool syncingBars_ = false;
    QTimer* prepareTimer_ = nullptr;

    MouseState mouseState_ = MouseState::None;
    int pressCol_ = -1;
    QPoint pressPos_;
    int resizeLeft_ = 0;
    int wheelRemainder_ = 0;

    GridInputLog pendingInput_;
    bool rowsReplacedPosted_ = false;
};

// The grid class of the monitor window's two tables.
class TDBGridEh : public TCustomDBGridEh {
    Q_OBJECT
public:
    using TCustomDBGridEh::TCustomDBGridEh;
};
