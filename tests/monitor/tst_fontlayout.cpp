#include "DBGridEh.h"
#include "ResolvedFonts.h"
#include "RzDBLabel.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QDateTime>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>

namespace {
// The widest texts the feed writes into the columns the layout was measured for.
const QString kAdvice = QStringLiteral("押【67890】/注<8>");
// A reason is wider than its column (the grid cuts it at the edge); its height must fit.
const QString kReason = QStringLiteral("近20期个位最热五码，共出12次，连错3期加倍至8注");
constexpr int kHistoryRows = 20; // the history page at the window's first size

int columnOf(const TCustomDBGridEh& grid, const QString& field)
{
    for (int i = 0; i < grid.columns().size(); ++i)
        if (grid.columns()[i]->FieldName().compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The text stays inside the cell's text rectangle, as the grid's font measures it.
bool fits(const GridCellPaint& cell, bool checkWidth, QString* why)
{
    const QFontMetrics metrics(cell.font);
    const QRect text = cell.textRect.intersected(cell.rect);
    const bool wide = !checkWidth || metrics.horizontalAdvance(cell.text) <= text.width();
    const bool tall = metrics.ascent() + metrics.descent() <= text.height();
    *why = QStringLiteral("\"%1\": %2 x %3 px in %4 x %5")
               .arg(cell.text)
               .arg(metrics.horizontalAdvance(cell.text))
               .arg(metrics.ascent() + metrics.descent())
               .arg(text.width())
               .arg(text.height());
    return wide && tall;
}
} // namespace

// The windows' layout with the fonts the package depends on: run once with every installed
// font and once (CTest's "fontlayout.packageFonts") with only the package's, so that neither a
// missing font nor another CJK font (Noto) changes what the operator sees.
class TestFontLayout : public QObject {
    Q_OBJECT
private slots:
    void namesResolveToThePackageFonts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::newRow("宋体") << "宋体" << kSongTiFont;
        QTest::newRow("SimSun") << "SimSun" << kSongTiFont;
        QTest::newRow("微软雅黑") << "微软雅黑" << kYaHeiFont;
        QTest::newRow("黑体") << "黑体" << kHeiTiFont;
        QTest::newRow("Arial") << "Arial" << QStringLiteral("Liberation Sans");
    }
    void namesResolveToThePackageFonts()
    {
        QFETCH(QString, name);
        QFETCH(QString, family);
        QFont font(name);
        font.setPixelSize(19);
        QCOMPARE(QFontInfo(font).family(), family);
        // Chinese in the font itself, not in boxes or a fallback's glyphs.
        QVERIFY(QFontMetrics(font).inFont(QChar(u'押')) || family == "Liberation Sans");
    }

    void monitorWindowKeepsItsLayout()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        // The latest draw ahead of the clock, so that the header shows its advice.
        const QDateTime latest = QDateTime::currentDateTime().addSecs(120);
        for (int draw = 1; draw <= 30; ++draw) {
            FixtureDb::Result r;
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
            r.kjsj =
                latest.addSecs(60 * (draw - 30)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            r.k01 = 8;
            r.k02 = 1;
            r.k04 = QStringLiteral("67890");
            r.k05 = kReason;
            f.db.addResult(r);
        }
        f.db.setVersion(1);
        TfrmA00Main& w = f.show();
        QVERIFY(f.tick());

        const LabelPaintSpec advice = w.RzDBLabel1->paintSpec();
        QCOMPARE(advice.text, kAdvice);
        QVERIFY2(QFontMetrics(w.RzDBLabel1->font()).horizontalAdvance(advice.text) <=
                     advice.textRect.width(),
                 "the advice is clipped");

        TCustomDBGridEh& grid = *w.DBGridEh1;
        QCOMPARE(grid.recordBuffer().count(), kHistoryRows);
        const struct {
            const char* field;
            bool checkWidth;
        } columns[] = {{"cpqh", true}, {"kjsj", true}, {"K04", true}, {"K05", false}};
        for (const auto& [field, checkWidth] : columns) {
            const int col = columnOf(grid, QString::fromLatin1(field));
            QVERIFY2(col >= 0, field);
            for (int row = 1; row <= kHistoryRows; ++row) {
                QString why;
                QVERIFY2(fits(grid.describeCell(col, row), checkWidth, &why),
                         qPrintable(QStringLiteral("%1, row %2: %3").arg(field).arg(row).arg(why)));
            }
        }
        // The window as the operator sees it, for the software centres' listing.
        QDir().mkpath(QStringLiteral(TALLYVANE_BINARY_DIR "/screenshots"));
        w.grab().save(QStringLiteral(TALLYVANE_BINARY_DIR "/screenshots/monitor.png"));
    }
};

TV_REGISTER_TEST(TestFontLayout);
#include "tst_fontlayout.moc"
