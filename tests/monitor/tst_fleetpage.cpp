#include "A00Main.h"
#include "Application.h"
#include "FleetChart.h"
#include "FreshnessLine.h"
#include "RecordingPresenter.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

namespace {

constexpr int kFleetPage = 4;

// Draws first … last, in which each robot writes a row (balance: 100 × robot + draw).
void writeDraws(FixtureDb& db, int first, int last,
                const QStringList& robots = {"追0", "追1", "全局最热"})
{
    for (int draw = first; draw <= last; ++draw)
        for (int k = 0; k < robots.size(); ++k) {
            FixtureDb::Result r;
            r.ainame = robots[k];
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
            r.k00 = 100 * k + draw;
            db.addResult(r);
        }
}

int drawsShown(const TfrmA00Main& w)
{
    return int(w.fleetChart->trend().draws().size());
}

} // namespace

// The page of every robot's balance: read with the reload while it is shown, and when it is
// shown after a reload passed it by; a click on it picks a robot.
class TestFleetPage : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    void readWithTheCounterWhileShown()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        writeDraws(f.db, 1, 3);
        f.db.setVersion(1);
        TfrmA00Main& w = f.show();
        // A counter's rise reloads on the next odd tick.
        int ver = 1;
        const auto rise = [&](int draw) {
            writeDraws(f.db, draw, draw);
            f.db.setVersion(++ver);
            return tickApplied(w) && tickApplied(w);
        };
        QVERIFY(f.tick()); // the grids load; the page is hidden
        QVERIFY(w.fleetChart->trend().isEmpty());
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(settled(w));
        QCOMPARE(drawsShown(w), 3);
        QCOMPARE(w.fleetChart->trend().lines().size(), std::size_t(3));
        QVERIFY(rise(4));
        QCOMPARE(drawsShown(w), 4);
        w.pc1->setActivePageIndex(0);
        QVERIFY(rise(5));
        QCOMPARE(drawsShown(w), 4); // hidden: not read
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(settled(w));
        QCOMPARE(drawsShown(w), 5);
        // Shown again without a rise: nothing to read.
        w.pc1->setActivePageIndex(0);
        writeDraws(f.db, 6, 6);
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(!w.workInFlight());
        QCOMPARE(drawsShown(w), 5);
        QVERIFY(w.statusLine->text().contains(QStringLiteral("最近刷新：")));
    }

    // Failing with the tick's reload, it is that tick's outage: one box for several ticks,
    // until a reload succeeds.
    void failureIsTheTicksOutage()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        writeDraws(f.db, 1, 3);
        f.db.setVersion(1);
        RecordingPresenter rec;
        TfrmA00Main& w = f.show();
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(settled(w));
        QCOMPARE(drawsShown(w), 3);
        // Only the fleet's statement reads the other robots' old balances.
        f.db.exec("UPDATE a5_z0_5yc SET K00='x' WHERE ainame='追1' AND cpqh='20201002-0002'");
        for (int ver : {2, 3, 4}) {
            f.db.setVersion(ver);
            QVERIFY(f.timerTick());
            QVERIFY(f.timerTick());
        }
        QCOMPARE(rec.boxes.size(), 1);
        QVERIFY2(rec.boxes[0].text.contains(QStringLiteral("'x'")), qPrintable(rec.boxes[0].text));
        QVERIFY(w.Qai->Active() && w.Qais->Active()); // the grids' statements went through
        QVERIFY(w.statusLine->text().endsWith(QStringLiteral("起刷新失败")));
        // Shown again, the page tries again, within the same outage.
        w.pc1->setActivePageIndex(0);
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(w.workInFlight());
        QVERIFY(settled(w));
        QCOMPARE(rec.boxes.size(), 1);
        f.db.exec("UPDATE a5_z0_5yc SET K00=1 WHERE ainame='追1' AND cpqh='20201002-0002'");
        f.db.setVersion(5);
        QVERIFY(f.timerTick());
        QVERIFY(f.timerTick());
        QVERIFY(!w.statusLine->text().contains(QStringLiteral("失败")));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(drawsShown(w), 3);
    }

    void pick_data()
    {
        QTest::addColumn<QString>("robot");
        QTest::addColumn<QString>("shownBefore");
        QTest::newRow("another robot") << "全局最热"
                                       << "追0";
        QTest::newRow("the robot shown") << "追1"
                                         << "追1";
    }
    // A click on a legend entry picks the robot as a pick from the list does, and the first
    // page comes to the front with that robot's history.
    void pick()
    {
        QFETCH(QString, robot);
        QFETCH(QString, shownBefore);
        WindowFixture f(WindowFixture::Rows::Own);
        writeDraws(f.db, 1, 3);
        f.db.setVersion(1);
        TfrmA00Main& w = f.show();
        w.cbb1->setCurrentIndex(w.cbb1->findText(shownBefore));
        QVERIFY(settled(w));
        w.Qai->close();
        w.pc1->setActivePageIndex(kFleetPage);
        QVERIFY(settled(w));
        const FleetChartLayout& l = w.fleetChart->Layout();
        const int entry = w.cbb1->findText(robot);
        QCOMPARE(w.fleetChart->trend().lines()[std::size_t(entry)].robot, robot);
        QTest::mouseClick(w.fleetChart, Qt::LeftButton, {}, l.entries[entry].rect.center());
        QVERIFY(settled(w));
        QCOMPARE(w.pc1->activePageIndex(), 0);
        QCOMPARE(w.cbb1->currentText(), robot);
        QCOMPARE(w.cbb1->currentIndex(), entry);
        QCOMPARE(w.Label2->text(), QStringLiteral("AI:") + robot);
        QVERIFY(w.Qai->Active());
        QCOMPARE(w.Qai->fieldByName(QStringLiteral("ainame"))->asString(), robot);
        QCOMPARE(w.Qai->fieldByName(QStringLiteral("cpqh"))->asString(),
                 QStringLiteral("20201002-0003"));
    }
};
TV_REGISTER_TEST(TestFleetPage);

#include "tst_fleetpage.moc"
