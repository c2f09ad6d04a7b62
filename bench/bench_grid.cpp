// Times the history grid: painting a full view of 360 rows, and a reload with relayout.
#include "BenchSupport.h"
#include "DBGridEh.h"
#include "DataFixture.h"
#include "Fonts.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    bench::BenchApplication app(argc, argv);

    DataFixture f;
    FixtureDb::Result r;
    f.db.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 360; ++i) {
        r.cpqh = QStringLiteral("20201002-%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        r.k00 = 1000 + (i * 37) % 101;
        r.k05 = QStringLiteral("连续%1期未出，追号").arg(i % 17);
        f.db.addResult(r);
    }
    f.db.exec(QStringLiteral("COMMIT"));
    auto q = f.query(statements::robotHistory());
    TDataSource source;
    source.setDataSet(q.get());

    TDBGridEh grid;
    grid.resize(960, 560);
    grid.setFont(pixelFont(kYaHei, 16));
    grid.setTitleFont(pixelFont(kYaHei, 19));
    const struct {
        const char* field;
        int width;
    } cols[] = {{"cpqh", 129}, {"zjhm", 55}, {"kjsj", 121}, {"K00", 0},  {"K01", 0},
                {"K02", 47},   {"K03", 0},   {"K04", 79},   {"K05", 282}};
    for (const auto& c : cols) {
        TDBGridColumnEh* col = grid.addColumn(QString::fromLatin1(c.field));
        if (c.width)
            col->setWidth(c.width);
    }
    grid.setDataSource(&source);
    q->open();

    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
    const int paints = 200;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < paints; ++i) {
        q->MoveBy(i % 2 ? -7 : 9); // different rows each time
        QPainter p(&image);
        grid.render(&p);
    }
    const double paintMs = double(t.nsecsElapsed()) / 1e6 / paints;

    const int reloads = 50;
    t.restart();
    for (int i = 0; i < reloads; ++i) {
        q->close();
        q->open();
    }
    const double reloadMs = double(t.nsecsElapsed()) / 1e6 / reloads;

    std::printf("rows shown %d of %d\n", grid.recordBuffer().count(), q->RecordCount());
    // The same reloads with no grid bound: what the dataset itself costs.
    grid.setDataSource(nullptr);
    t.restart();
    for (int i = 0; i < reloads; ++i) {
        q->close();
        q->open();
    }
    const double datasetMs = double(t.nsecsElapsed()) / 1e6 / reloads;

    std::printf("paint of a full view: %.2f ms\n", paintMs);
    std::printf("reload of 360 rows with relayout: %.2f ms\n", reloadMs);
    std::printf("  of which the dataset alone: %.2f ms\n", datasetMs);
    return 0;
}
