#pragma once
#include "DBGridEh.h"
#include "DataFixture.h"
#include "Fonts.h"

#include <QImage>
#include <memory>

// A grid on the history statement, on a fresh database with n rows for 追0 (balances
// 1000 + i, draw numbers ascending with i), in the history grid's fonts.
struct GridFixture {
    static constexpr int kStoredWidth = 129;

    DataFixture data;
    std::unique_ptr<TADOQuery> q;
    TDataSource source;
    std::unique_ptr<TDBGridEh> grid;

    explicit GridFixture(int rows, QSize size = QSize(960, 400))
    {
        FixtureDb::Result r;
        for (int i = 0; i < rows; ++i) {
            r.cpqh = QStringLiteral("20201002-%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            r.k00 = 1000 + (i * 37) % 101;
            r.k01 = i % 7;
            r.zjhm = QStringLiteral("%1").arg((i * 7919) % 100000, 5, 10, QLatin1Char('0'));
            data.db.addResult(r);
        }
        q = data.query(statements::robotHistory());
        source.setDataSet(q.get());
        grid = std::make_unique<TDBGridEh>();
        grid->resize(size);
        grid->setDataSource(&source);
        grid->setFont(pixelFont(kYaHei, 16));
        grid->setTitleFont(pixelFont(kYaHei, 19));
        // One column per field the statement shows, in its order; the first keeps a stored
        // width and the third a grey text, the rest take their fields' widths and colours.
        for (const ColumnDef& c : statements::robotHistory().columns)
            if (c.visible)
                grid->addColumn(c.name);
        grid->columns()[0]->setWidth(kStoredWidth);
        grid->columns()[2]->setFontColor(clGray);
        grid->columns()[2]->Title()->setFontColor(clGray);
    }

    TDBGridColumnEh* column(const char* field) const
    {
        for (TDBGridColumnEh* c : grid->columns())
            if (c->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
                return c;
        return nullptr;
    }

    QImage image() const { return grid->grab().toImage(); }
    // A pixel in cell coordinates (inside the border).
    QColor pixel(const QImage& img, QPoint cellPoint) const
    {
        return img.pixelColor(cellPoint + grid->clientOrigin());
    }
    // Field values down the result's current order.
    QStringList values(const char* field) const
    {
        QStringList out;
        for (int i = 1; i <= q->RecordCount(); ++i) {
            TCustomADODataSet::ActiveRecordScope scope(*q, i);
            out << q->fieldByName(QLatin1String(field))->asString();
        }
        return out;
    }
};
