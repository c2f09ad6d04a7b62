#pragma once
#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QPointer>

class TCustomDBGridEh;

// The grid reads as a table over all records of its dataset in their current order, as a
// table view reads over its whole model: a title row of column headers, then one row per
// record, every cell with the text it shows (or would show, scrolled into view). The current
// record is the selected row, and its cell in the focused column has the focus.
class AccessibleGrid : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleGrid(TCustomDBGridEh* grid);
    ~AccessibleGrid() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface; row and column are 0-based, rows without the title row.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    // The selection is the current record, which only the grid's own input moves.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    // The records or the columns were replaced: cells made before go.
    void reset();
    // The child index of a cell; row -1 is the title row.
    int indexOf(int row, int column) const;
    // The row of the current record, -1 when there is none.
    int currentRow() const;

    // What the grid tells a listener.
    static void rowsReplaced(TCustomDBGridEh* grid);
    static void currentMoved(TCustomDBGridEh* grid);

private:
    TCustomDBGridEh* grid() const;
    mutable AccessiblePartCache cells_;
};

namespace accessibility {
void registerGrid();
} // namespace accessibility
