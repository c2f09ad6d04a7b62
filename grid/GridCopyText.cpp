#include "GridCopyText.h"

#include "DBGridEh.h"

namespace {

// A tab or line break would split the cell, and a leading quote would start a quoted one,
// so such a cell is quoted, its quotes doubled, as spreadsheets read tab-separated text.
QString cellText(const QString& text)
{
    const bool quote = text.startsWith(QLatin1Char('"')) || text.contains(QLatin1Char('\t')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void appendLine(QString& out, const QStringList& cells)
{
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += QLatin1Char('\t');
        out += cellText(cells[i]);
    }
    out += QLatin1Char('\n');
}

QStringList recordCells(const TCustomDBGridEh& grid, const TCustomADODataSet& ds, int recNo)
{
    const TCustomADODataSet::ActiveRecordScope scope(ds, recNo);
    QStringList cells;
    for (const TDBGridColumnEh* column : grid.columns()) {
        const Field* field = column->field();
        cells << (field ? field->displayText() : QString());
    }
    return cells;
}

} // namespace

QString gridCopyText(const TCustomDBGridEh& grid, GridCopyRows rows)
{
    const TCustomADODataSet* ds = grid.dataSet();
    if (!ds || !ds->Active())
        return {};
    QStringList titles;
    for (const TDBGridColumnEh* column : grid.columns())
        titles << column->Title()->displayCaption();
    QString out;
    appendLine(out, titles);
    if (rows == GridCopyRows::All) {
        for (int recNo = 1; recNo <= ds->RecordCount(); ++recNo)
            appendLine(out, recordCells(grid, *ds, recNo));
    } else if (ds->RecNo() > 0) {
        appendLine(out, recordCells(grid, *ds, ds->RecNo()));
    }
    return out;
}
