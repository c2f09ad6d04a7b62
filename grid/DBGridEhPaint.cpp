// Painting of TCustomDBGridEh: find what is visible, describe each cell, then draw it.
#include "Application.h"
#include "DBGridEh.h"
#include "DBGridEhStyle.h"
#include "KeptPictureScrollBar.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace {

const QColor kFixedLineColor = toQColor(clGray);

// Silver lines would vanish on a silver grid; they darken to the fixed lines' grey then.
QColor dataLineColor()
{
    const QColor silver = toQColor(clSilver);
    return systemColor(SystemColor::Window).rgb() == silver.rgb() ? kFixedLineColor : silver;
}

int textFlags(FieldAlignment alignment)
{
    switch (alignment) {
    case FieldAlignment::Right:
        return Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
    case FieldAlignment::Center:
        return Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    case FieldAlignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
}

} // namespace

QString TCustomDBGridEh::cellText(const ColumnPaint& column)
{
    return column.field ? column.field->displayText() : QString();
}

bool TCustomDBGridEh::isCurrentRow(int recNo) const
{
    const TCustomADODataSet* ds = dataSet();
    return ds && ds->Active() && recNo == buffer_.current() && recNo > 0;
}

GridCellPaint TCustomDBGridEh::describeCell(int col, int row) const
{
    if (row == 0)
        return describeTitle(col);
    const int recNo = recNoAtRow(row);
    if (col < 0)
        return describeIndicator(row, recNo > 0 ? recNo : -1);
    if (recNo <= 0)
        return describeData(col, row, -1, describeColumn(col));
    TCustomADODataSet::ActiveRecordScope scope(*dataSet(), recNo);
    return describeData(col, row, recNo, describeColumn(col));
}

QString TCustomDBGridEh::recordText(int col, int recNo) const
{
    const TCustomADODataSet* ds = dataSet();
    if (!ds || !ds->Active() || recNo < 1 || recNo > ds->RecordCount() || col < 0 ||
        col >= columnList_.size())
        return {};
    const TCustomADODataSet::ActiveRecordScope scope(*ds, recNo);
    return cellText(describeColumn(col));
}

TCustomDBGridEh::ColumnPaint TCustomDBGridEh::describeColumn(int col) const
{
    const TDBGridColumnEh* column = columnList_[col];
    return {column->field(), column->Alignment(), column->Font(), toQColor(column->fontColor())};
}

GridCellPaint TCustomDBGridEh::describeTitle(int col) const
{
    GridCellPaint cell;
    cell.rect = layout_.cellRect(col, 0);
    cell.background = systemColor(SystemColor::BtnFace);
    cell.bevel = true;
    if (col < 0)
        return cell; // the corner cell: background and bevel only
    const TDBGridColumnEh* column = columnList_[col];
    const TColumnTitleEh* title = column->Title();
    const QRect content = cell.rect.adjusted(1, 1, -1, -1);
    cell.textRect = content;
    if (title->SortMarker() != smNoneEh) {
        if (cell.rect.width() < gridmetrics::kMarkerIndent) {
            cell.textRect = content.adjusted(0, 0, -2, 0);
        } else {
            cell.textRect = content.adjusted(0, 0, -gridmetrics::kMarkerIndent, 0);
            cell.glyph = title->SortMarker() == smDownEh ? GridGlyph::SortDown : GridGlyph::SortUp;
            const QSize g = gridGlyphSize(cell.glyph);
            cell.glyphPos = QPoint(content.x() + content.width() - 12,
                                   content.y() + (content.height() - g.height()) / 2);
        }
    }
    cell.text = title->displayCaption();
    cell.font = title->Font();
    cell.textColor = toQColor(title->fontColor());
    cell.textFlags = Qt::AlignCenter | Qt::TextWordWrap;
    return cell;
}

GridCellPaint TCustomDBGridEh::describeIndicator(int row, int recNo) const
{
    GridCellPaint cell;
    cell.rect = layout_.cellRect(-1, row);
    cell.background = systemColor(SystemColor::BtnFace);
    cell.bevel = true;
    const TCustomADODataSet* ds = dataSet();
    // An open result without records still has its (blank) current row.
    const bool current = recNo > 0 ? isCurrentRow(recNo) : (ds && ds->Active() && row == 1);
    if (current) {
        cell.glyph = GridGlyph::Arrow;
        const QSize g = gridGlyphSize(cell.glyph);
        cell.glyphPos = QPoint(cell.rect.x() + cell.rect.width() - 2 - g.width(),
                               cell.rect.y() + (cell.rect.height() - g.height()) / 2);
    }
    if (recNo > 0) {
        // The number uses the cell font, as if written by the row's data cells.
        const QFont numberFont = font();
        const QFontMetrics fm(numberFont);
        const int width = numberWidth(recNo);
        if (width <= layout_.indicatorWidth() - 11) {
            cell.number = QString::number(recNo);
            cell.numberFont = numberFont;
            cell.numberWidth = width;
            cell.numberPos = QPoint((layout_.indicatorWidth() - width - 11) / 2,
                                    cell.rect.y() + cell.rect.height() - fm.height() - 2);
        }
    }
    return cell;
}

int TCustomDBGridEh::numberWidth(int recNo) const
{
    auto found = numberWidths_.constFind(recNo);
    if (found == numberWidths_.cend())
        found = numberWidths_.insert(
            recNo, QFontMetrics(font()).horizontalAdvance(QString::number(recNo)));
    return *found;
}

GridCellPaint TCustomDBGridEh::describeData(int col, int row, int recNo,
                                            const ColumnPaint& column) const
{
    GridCellPaint cell;
    cell.rect = layout_.cellRect(col, row);
    if (recNo <= 0) {
        cell.background = systemColor(SystemColor::Window); // the blank row of an empty grid
        return cell;
    }
    cell.font = column.font;
    cell.text = cellText(column);
    cell.background = toQColor(recNo % 2 == 1 ? RowColor1 : RowColor2);
    cell.textColor = column.textColor;
    if (isCurrentRow(recNo)) {
        const TDBGridEhStyle::RowColors colors =
            TDBGridEhStyle::instance().currentRowColors(hasFocus());
        cell.background = colors.background;
        cell.textColor = colors.text;
    }
    const FieldAlignment alignment = column.alignment;
    cell.textFlags = textFlags(alignment);
    const int top = 1; // the flat look's text gap
    switch (alignment) {
    case FieldAlignment::Left:
        cell.textRect = cell.rect.adjusted(2, top, 0, 0);
        break;
    case FieldAlignment::Right:
        cell.textRect = cell.rect.adjusted(0, top, -3, 0);
        break;
    case FieldAlignment::Center:
        cell.textRect = cell.rect.adjusted(0, top, 0, 0);
        break;
    }
    return cell;
}

namespace {

constexpr int kNumberFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

// Text runs on past the cell's bottom when it must; the clip cuts it.
QRect textBox(const GridCellPaint& cell)
{
    return (cell.textFlags & Qt::TextWordWrap)
               ? cell.textRect
               : QRect(cell.textRect.topLeft(), QSize(cell.textRect.width(), 10000));
}

QRect textClip(const GridCellPaint& cell)
{
    return cell.textRect.intersected(cell.rect);
}

// Under a cell's text lies only the cell's colour unless the cell is bevelled: such a text can
// be copied from a picture blended onto that colour. None where it cannot.
QColor textBackground(const GridCellPaint& cell)
{
    return cell.bevel ? QColor() : cell.background;
}

QRect numberBox(const GridCellPaint& cell)
{
    return QRect(cell.numberPos,
                 QSize(cell.numberWidth + 1, QFontMetrics(cell.numberFont).height()));
}

} // namespace

void TCustomDBGridEh::drawCell(QPainter& painter, const GridCellPaint& cell) const
{
    if (cell.rect.isEmpty())
        return;
    // A cell paints inside its rectangle; only its text and glyph can reach out, and only they
    // get a clip, when they do: a clip set for every cell slows every glyph down.
    painter.fillRect(cell.rect, cell.background);
    if (cell.bevel) {
        // Light top and left edges; the inner bottom and right edges keep the face colour.
        painter.fillRect(QRect(cell.rect.left(), cell.rect.top(), cell.rect.width(), 1),
                         systemColor(SystemColor::BtnHighlight));
        painter.fillRect(QRect(cell.rect.left(), cell.rect.top(), 1, cell.rect.height()),
                         systemColor(SystemColor::BtnHighlight));
    }
    if (!cell.text.isEmpty()) {
        painter.setFont(cell.font);
        painter.setPen(cell.textColor);
        shapedTexts_.drawOn(painter, textBox(cell), cell.textFlags, cell.text, textClip(cell),
                            textBackground(cell));
    }
    if (cell.glyph != GridGlyph::None) {
        const QPixmap& glyph = gridGlyphPixmap(cell.glyph);
        if (cell.rect.contains(QRect(cell.glyphPos, glyph.size()))) {
            painter.drawPixmap(cell.glyphPos, glyph);
        } else {
            painter.save();
            painter.setClipRect(cell.rect, Qt::IntersectClip);
            painter.drawPixmap(cell.glyphPos, glyph);
            painter.restore();
        }
    }
    if (!cell.number.isEmpty()) {
        painter.setFont(cell.numberFont);
        painter.setPen(toQColor(clBlack));
        shapedTexts_.draw(painter, numberBox(cell), kNumberFlags, cell.number);
    }
}

void TCustomDBGridEh::prepareCell(QPainter& painter, const GridCellPaint& cell) const
{
    if (cell.rect.isEmpty())
        return;
    if (!cell.text.isEmpty()) {
        painter.setFont(cell.font);
        painter.setPen(cell.textColor);
        shapedTexts_.prepare(painter, textBox(cell), cell.textFlags, cell.text, textClip(cell),
                             textBackground(cell));
    }
    if (!cell.number.isEmpty()) {
        painter.setFont(cell.numberFont);
        painter.setPen(toQColor(clBlack));
        shapedTexts_.prepare(painter, numberBox(cell), kNumberFlags, cell.number);
    }
}

QRect TCustomDBGridEh::linedArea(int lastCol, int rows) const
{
    const int bottom = layout_.rowBottom(rows) + 1; // including the last row's line
    int right = layout_.indicatorWidth() + 1;
    if (lastCol >= 0)
        right = layout_.columnLeft(lastCol) + layout_.columnWidth(lastCol) + 1;
    return QRect(0, 0, right, bottom);
}

void TCustomDBGridEh::paintGridLines(QPainter& painter, int lastCol, int rows) const
{
    const QRect lined = linedArea(lastCol, rows);
    const int bottom = lined.height();
    const int right = lined.width();
    const int indicatorLine = layout_.indicatorWidth();
    const QColor dataLine = dataLineColor();
    // Data lines first: the fixed lines win where they cross.
    for (int r = 1; r <= rows; ++r)
        painter.fillRect(
            QRect(indicatorLine + 1, layout_.rowBottom(r), right - indicatorLine - 1, 1), dataLine);
    for (int c = layout_.leftCol(); c <= lastCol; ++c) {
        const int x = layout_.columnLeft(c) + layout_.columnWidth(c);
        painter.fillRect(QRect(x, layout_.titleHeight() + 1, 1, bottom - layout_.titleHeight() - 1),
                         dataLine);
        painter.fillRect(QRect(x, 0, 1, layout_.titleHeight()), kFixedLineColor);
    }
    painter.fillRect(QRect(0, layout_.titleHeight(), right, 1), kFixedLineColor);
    painter.fillRect(QRect(indicatorLine, 0, 1, bottom), kFixedLineColor);
    for (int r = 1; r <= rows; ++r)
        painter.fillRect(QRect(0, layout_.rowBottom(r), indicatorLine, 1), kFixedLineColor);
}

void TCustomDBGridEh::fillRegion(QPainter& painter, const QRegion& region, const QColor& colour)
{
    for (const QRect& r : region)
        painter.fillRect(r, colour);
}

void TCustomDBGridEh::paintBorder(QPainter& painter) const
{
    // One sunken edge: shadow above and left, light below and right.
    const QRect r = rect();
    painter.fillRect(QRect(0, 0, r.width(), 1), systemColor(SystemColor::BtnShadow));
    painter.fillRect(QRect(0, 0, 1, r.height()), systemColor(SystemColor::BtnShadow));
    painter.fillRect(QRect(0, r.height() - 1, r.width(), 1),
                     systemColor(SystemColor::BtnHighlight));
    painter.fillRect(QRect(r.width() - 1, 0, 1, r.height()),
                     systemColor(SystemColor::BtnHighlight));
}

void TCustomDBGridEh::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        QPainter painter(this);
        // On screen the painter takes the widget's direction; grab() and render() leave it
        // to the text, where the kept shapes are not used.
        painter.setLayoutDirection(layoutDirection());
        paintBorder(painter);
        const QSize cells = layout_.clientSize();
        // Each pixel is filled once: at twice the scale a maximised grid has five million, and
        // writing them is much of a paint. The corner between two scroll bars:
        fillRegion(painter, QRegion(1, 1, width() - 2, height() - 2) - QRect(clientOrigin(), cells),
                   systemColor(SystemColor::BtnFace));
        painter.translate(clientOrigin());
        painter.setClipRect(QRect(QPoint(0, 0), cells));
        shapedTexts_.nextPaint();

        const int rows = shownRowCount();
        const int lastCol = layout_.lastVisibleCol();
        // What the cells and their lines leave of the client area.
        fillRegion(painter, QRegion(QRect(QPoint(0, 0), cells)) - linedArea(lastCol, rows),
                   systemColor(SystemColor::Window));
        forEachShownCell([&](const GridCellPaint& cell) { drawCell(painter, cell); });
        paintGridLines(painter, lastCol, rows);
    });
}

void TCustomDBGridEh::forEachShownCell(const std::function<void(const GridCellPaint&)>& visit) const
{
    const int rows = shownRowCount();
    const int lastCol = layout_.lastVisibleCol();
    QVector<ColumnPaint> columns;
    for (int c = layout_.leftCol(); c <= lastCol; ++c)
        columns << describeColumn(c);
    auto column = [&](int c) -> const ColumnPaint& { return columns[c - layout_.leftCol()]; };
    visit(describeCell(-1, 0));
    for (int c = layout_.leftCol(); c <= lastCol; ++c)
        visit(describeCell(c, 0));
    for (int r = 1; r <= rows; ++r) {
        const int recNo = recNoAtRow(r);
        if (recNo > 0) {
            TCustomADODataSet::ActiveRecordScope scope(*dataSet(), recNo);
            visit(describeIndicator(r, recNo));
            for (int c = layout_.leftCol(); c <= lastCol; ++c)
                visit(describeData(c, r, recNo, column(c)));
        } else {
            visit(describeIndicator(r, -1));
            for (int c = layout_.leftCol(); c <= lastCol; ++c)
                visit(describeData(c, r, -1, column(c)));
        }
    }
}

void TCustomDBGridEh::prepareWhileHidden()
{
    if (!isVisible())
        prepareTimer_->start();
}

void TCustomDBGridEh::prepareShownTexts()
{
    if (isVisible() || !laidOut_)
        return;
    guardedLater([&] {
        QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
        pixel.setDevicePixelRatio(devicePixelRatioF());
        QPainter painter(&pixel);
        painter.setLayoutDirection(layoutDirection());
        painter.translate(clientOrigin());
        // As a paint does: what the paints before drew stays for the ones to come.
        shapedTexts_.nextPaint();
        forEachShownCell([&](const GridCellPaint& cell) { prepareCell(painter, cell); });
        for (KeptPictureScrollBar* bar : {vbar_, hbar_})
            if (!bar->isHidden())
                bar->preparePicture();
    });
}

int TCustomDBGridEh::shapedTextCount() const
{
    return shapedTexts_.count();
}
