#include "AccessibleGrid.h"

#include "DBGridEh.h"

namespace {

// One cell, or with row -1 one column header.
class AccessibleGridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    AccessibleGridCell(TCustomDBGridEh* grid, int row, int column)
        : grid_(grid), row_(row), column_(column)
    {
    }

    AccessibleGrid* owner() const
    {
        return dynamic_cast<AccessibleGrid*>(QAccessible::queryAccessibleInterface(grid_.data()));
    }
    bool isValid() const override
    {
        const AccessibleGrid* table = grid_ ? owner() : nullptr;
        return table && column_ < table->columnCount() && row_ < table->rowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner() ? owner()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return owner(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        const TDBGridColumnEh* column = grid_->columns().at(column_);
        if (row_ < 0) {
            if (t == QAccessible::Name)
                return column->Title()->displayCaption();
            if (t == QAccessible::Description && column->Title()->SortMarker() != smNoneEh)
                return column->Title()->SortMarker() == smUpEh ? QStringLiteral("升序")
                                                               : QStringLiteral("降序");
            return {};
        }
        return t == QAccessible::Name ? grid_->recordText(column_, row_ + 1) : QString();
    }
    // Where the cell is on screen; empty while it is scrolled away.
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const int shownRow = row_ < 0 ? 0 : grid_->recordBuffer().rowOf(row_ + 1) + 1;
        if (shownRow < 0 || (row_ >= 0 && shownRow == 0))
            return {};
        const QRect r = grid_->Layout().cellRect(column_, shownRow);
        if (r.isEmpty())
            return {};
        return QRect(grid_->mapToGlobal(r.topLeft() + grid_->clientOrigin()), r.size());
    }
    QAccessible::Role role() const override
    {
        return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const bool shown = grid_->isVisible() && !rect().isEmpty();
        s.invisible = !shown;
        s.offscreen = !shown;
        if (row_ >= 0) {
            s.selectable = true;
            s.focusable = true;
            s.selected = isSelected();
            s.focused = s.selected && grid_->hasFocus() && column_ == grid_->selectedIndex();
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface && row_ >= 0
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return row_ >= 0 && row_ == owner()->currentRow(); }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        return {owner()->cellAt(-1, column_)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override
    {
        return QAccessible::queryAccessibleInterface(grid_.data());
    }

    int row() const { return row_; }
    int column() const { return column_; }
    const TCustomDBGridEh* grid() const { return grid_.data(); }

private:
    QPointer<TCustomDBGridEh> grid_;
    int row_, column_;
};

QAccessibleInterface* makeGrid(QObject* object)
{
    return new AccessibleGrid(static_cast<TCustomDBGridEh*>(object));
}

AccessibleGrid* tableOf(TCustomDBGridEh* grid)
{
    return dynamic_cast<AccessibleGrid*>(QAccessible::queryAccessibleInterface(grid));
}

} // namespace

AccessibleGrid::AccessibleGrid(TCustomDBGridEh* grid) : QAccessibleWidget(grid, QAccessible::Table)
{
}

AccessibleGrid::~AccessibleGrid() = default;

TCustomDBGridEh* AccessibleGrid::grid() const
{
    return static_cast<TCustomDBGridEh*>(object());
}

void* AccessibleGrid::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int AccessibleGrid::columnCount() const
{
    return int(grid()->columns().size());
}

int AccessibleGrid::rowCount() const
{
    const TCustomADODataSet* ds = grid()->dataSet();
    return ds && ds->Active() ? ds->RecordCount() : 0;
}

int AccessibleGrid::currentRow() const
{
    const TCustomADODataSet* ds = grid()->dataSet();
    return ds && ds->Active() && ds->RecNo() > 0 ? ds->RecNo() - 1 : -1;
}

int AccessibleGrid::indexOf(int row, int column) const
{
    return (row + 1) * columnCount() + column;
}

int AccessibleGrid::childCount() const
{
    return (rowCount() + 1) * columnCount();
}

QAccessibleInterface* AccessibleGrid::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || index >= childCount())
        return nullptr;
    const int row = index / columns - 1;
    const int column = index % columns;
    // Keyed by place, not by index: a cell stays right when the columns change under it.
    return cells_.get((qint64(row + 1) << 32) | column,
                      [&] { return new AccessibleGridCell(grid(), row, column); });
}

QAccessibleInterface* AccessibleGrid::cellAt(int row, int column) const
{
    if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return child(indexOf(row, column));
}

int AccessibleGrid::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* cell = dynamic_cast<const AccessibleGridCell*>(child);
    if (!cell || cell->grid() != grid() || !cell->isValid())
        return -1;
    return indexOf(cell->row(), cell->column());
}

QAccessibleInterface* AccessibleGrid::childAt(int x, int y) const
{
    const GridLayout::Hit hit = grid()->hitAt(grid()->mapFromGlobal(QPoint(x, y)), false);
    if (hit.col < 0)
        return nullptr;
    if (hit.kind == GridLayout::HitKind::Title)
        return cellAt(-1, hit.col);
    if (hit.kind != GridLayout::HitKind::Data)
        return nullptr;
    const int recNo = grid()->recNoAtRow(hit.row);
    return recNo > 0 ? cellAt(recNo - 1, hit.col) : nullptr;
}

QAccessibleInterface* AccessibleGrid::focusChild() const
{
    if (!grid()->hasFocus() || currentRow() < 0)
        return nullptr;
    return cellAt(currentRow(), grid()->selectedIndex());
}

int AccessibleGrid::selectedCellCount() const
{
    return currentRow() < 0 ? 0 : columnCount();
}

int AccessibleGrid::selectedRowCount() const
{
    return currentRow() < 0 ? 0 : 1;
}

QString AccessibleGrid::columnDescription(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    return grid()->columns().at(column)->Title()->displayCaption();
}

QString AccessibleGrid::rowDescription(int row) const
{
    // The indicator column numbers the records.
    return row >= 0 && row < rowCount() ? QString::number(row + 1) : QString();
}

QList<QAccessibleInterface*> AccessibleGrid::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    if (const int row = currentRow(); row >= 0)
        for (int column = 0; column < columnCount(); ++column)
            cells << cellAt(row, column);
    return cells;
}

QList<int> AccessibleGrid::selectedRows() const
{
    const int row = currentRow();
    return row < 0 ? QList<int>() : QList<int>{row};
}

bool AccessibleGrid::isRowSelected(int row) const
{
    return row >= 0 && row == currentRow();
}

void AccessibleGrid::reset()
{
    cells_.clear();
}

void AccessibleGrid::rowsReplaced(TCustomDBGridEh* grid)
{
    if (!accessibility::listening())
        return;
    // Cells are read live; dropping them only keeps a long session from collecting them.
    if (AccessibleGrid* table = tableOf(grid))
        table->reset();
    QAccessibleTableModelChangeEvent event(grid, QAccessibleTableModelChangeEvent::ModelReset);
    accessibility::send(event);
    currentMoved(grid);
}

void AccessibleGrid::currentMoved(TCustomDBGridEh* grid)
{
    if (!accessibility::listening())
        return;
    AccessibleGrid* table = tableOf(grid);
    if (!table || table->currentRow() < 0)
        return;
    // As a table view does: the focus follows the current cell while the grid has the focus;
    // otherwise only the selection moves.
    QAccessibleEvent event(grid, grid->hasFocus() ? QAccessible::Focus : QAccessible::Selection);
    event.setChild(table->indexOf(table->currentRow(), grid->selectedIndex()));
    accessibility::send(event);
}

namespace accessibility {
void registerGrid()
{
    static const bool once = (registerClass("TCustomDBGridEh", makeGrid), true);
    Q_UNUSED(once);
}
} // namespace accessibility
