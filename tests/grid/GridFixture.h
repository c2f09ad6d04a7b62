#pragma once
#include "DBGridEh.h"
#include "DataFixture.h"
#include "Fonts.h"

#include <QImage>
#include <memory>

// A history grid configured as the monitor window configures DBGridEh1, on a fresh
// database with n rows for 追0 (balances 1000 + i, draw numbers ascending with i).
struct GridFixture {
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
        source.SetDataSet(q.get());
        grid = std::make_unique<TDBGridEh>();
        grid->resize(size);
        grid->SetDataSource(&source);
        grid->setFont(pixelFont(kYaHei, 16));
        grid->SetTitleFont(pixelFont(kYaHei, 19));
        const struct {
            const char* field;
            int width;
            bool grey;
        } cols[] = {{"cpqh", 129, true}, {"zjhm", 55, false}, {"kjsj", 121, true},
                    {"K00", 0, false},   {"K01", 0, false},   {"K02", 47, false},
                    {"K03", 0, false},   {"K04", 79, false},  {"K05", 282, true}};
        for (const auto& c : cols) {
            TDBGridColumnEh* col = grid->AddColumn(QString::fromLatin1(c.field));
            if (c.width)
                col->SetWidth(c.width);
            if (c.grey) {
                col->SetFontColor(clGray);
                col->Title()->SetFontColor(clGray);
            }
        }
    }

    TDBGridColumnEh* column(const char* field) const
    {
        for (TDBGridColumnEh* c : grid->Columns())
            if (c->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
                return c;
        return nullptr;
    }

    QImage image() const { return grid->grab().toImage(); }
    // A pixel in cell coordinates (inside the border).
    QColor pixel(const QImage& img, QPoint cellPoint) const
    {
        return img.pixelColor(cellPoint + grid->ClientOrigin());
    }
    // Field values down the result's current order.
    QStringList values(const char* field) const
    {
        QStringList out;
        for (int i = 1; i <= q->RecordCount(); ++i) {
            TCustomADODataSet::ActiveRecordScope scope(*q, i);
            out << q->FieldByName(QLatin1String(field))->AsString();
        }
        return out;
    }
};
