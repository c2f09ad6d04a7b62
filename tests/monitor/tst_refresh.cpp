#include "A00Main.h"
#include "Application.h"
#include "DBChart.h"
#include "FreshnessLine.h"
#include "LbButton.h"
#include "MXT_PUB.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>

namespace {

// The demo-like world: robots 追0 … 追2 with three draws each, and a counter.
struct MonitorFixture : WindowFixture {
    explicit MonitorFixture(bool withRows = true, const QStringList& robots = {"追0", "追1", "追2"})
        : WindowFixture(Rows::Own)
    {
        if (withRows)
            for (int draw = 1; draw <= 3; ++draw)
                addDraw(draw, robots);
        db.setVersion(0);
        connect();
    }

    void addDraw(int draw, const QStringList& robots)
    {
        FixtureDb::Result r;
        for (const QString& robot : robots) {
            r.ainame = robot;
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QChar('0'));
            r.kjsj = QDateTime::currentDateTime().addSecs(30).toString("yyyy-MM-dd HH:mm:ss");
            r.k00 = 1000 + draw * 10;
            r.zjhm = QStringLiteral("0000%1").arg(draw);
            db.addResult(r);
        }
    }
};

} // namespace

class TestRefresh : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    void showFillsSelectorAndHeader()
    {
        MonitorFixture f;
        f.db.exec("UPDATE a5_z0_5yc SET ainame='全局最热' WHERE ainame='追2'");
        TfrmA00Main& w = f.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("A00Main-主界面"));
        QCOMPARE(w.pc1->activePageIndex(), 0);
        QVERIFY(!w.Qai->Active());
        QVERIFY(!w.Qais->Active());
        QVERIFY(w.Qhead->Active());
        QCOMPARE(w.cbb1->count(), 3);
        QCOMPARE(w.cbb1->itemText(2), QStringLiteral("全局最热"));
        QCOMPARE(w.cbb1->currentText(), QStringLiteral("追0"));
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("00003"));
        QCOMPARE(w.TickCount, 0);
        QVERIFY(!w.Loading);
        QCOMPARE(w.Label2->text(), QStringLiteral("AI提示")); // filling ran no change handler
    }

    void firstTickLoadsOnlyWithCounterAboveZero_data()
    {
        QTest::addColumn<QVariant>("ver");
        QTest::addColumn<bool>("loads");
        QTest::newRow("zero") << QVariant(0) << false;
        QTest::newRow("null") << QVariant() << false;
        QTest::newRow("one") << QVariant(1) << true;
    }
    void firstTickLoadsOnlyWithCounterAboveZero()
    {
        QFETCH(QVariant, ver);
        QFETCH(bool, loads);
        MonitorFixture f;
        f.db.setVersion(ver);
        TfrmA00Main& w = f.show();
        QVERIFY(f.tick());
        QCOMPARE(w.TickCount, 1);
        QCOMPARE(w.Qai->Active(), loads);
        QCOMPARE(w.Qais->Active(), loads);
        if (loads) {
            QCOMPARE(w.Qai->RecordCount(), 3);
            QCOMPARE(w.Qais->RecordCount(), 3);
            QCOMPARE(w.Qais->paramValue("cpqh"), QStringLiteral("20201002-0003"));
            QCOMPARE(DM->LastVer, 1);
        }
    }

    void riseOnEvenTickWaitsForTheNextOddOne()
    {
        MonitorFixture f;
        f.db.setVersion(1);
        TfrmA00Main& w = f.show();
        QVERIFY(f.tick()); // 1: loads
        f.addDraw(4, {"追0", "追1", "追2"});
        f.db.setVersion(2);
        QVERIFY(f.tick()); // 2: even, nothing
        QCOMPARE(w.Qai->RecordCount(), 3);
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("00004")); // the header follows every tick
        QVERIFY(f.tick());                                          // 3: reload
        QCOMPARE(w.Qai->RecordCount(), 4);
        QCOMPARE(DM->LastVer, 2);
    }

    void fallingCounterWaitsForItsOldHighest()
    {
        MonitorFixture f;
        f.db.setVersion(5);
        TfrmA00Main& w = f.show();
        QVERIFY(f.tick());
        f.db.setVersion(3);
        f.addDraw(4, {"追0"});
        QVERIFY(f.tick());
        QVERIFY(f.tick());
        QCOMPARE(w.Qai->RecordCount(), 3);
        f.db.setVersion(5);
        QVERIFY(f.tick());
        QVERIFY(f.tick());
        QCOMPARE(w.Qai->RecordCount(), 3);
        f.db.setVersion(6);
        QVERIFY(f.tick()); // 6: even
        QCOMPARE(w.Qai->RecordCount(), 3);
        QVERIFY(f.tick());
        QCOMPARE(w.Qai->RecordCount(), 4);
    }

    void partialNameEmptiesGridsAndChart()
    {
        MonitorFixture f;
        f.db.setVersion(1);
        TfrmA00Main& w = f.show();
        QVERIFY(f.tick());
        QVERIFY(!w.Qai->isEmpty());
        w.cbb1->setEditText(QStringLiteral("追"));
        QVERIFY(settled(w));
        QCOMPARE(w.Label2->text(), QStringLiteral("AI:追"));
        QVERIFY(w.Qai->Active() && w.Qai->isEmpty());
        QVERIFY(w.Qais->Active() && w.Qais->isEmpty());
        QCOMPARE(w.Series1->count(), 0);
        w.cbb1->setEditText(QStringLiteral("追1"));
        QVERIFY(settled(w));
        QCOMPARE(w.Qai->RecordCount(), 3);
        QCOMPARE(w.Series1->count(), 3);
        QCOMPARE(DM->LastVer, 1); // a search leaves the counter alone
    }

    void typedTextIsNotCompletedAndAPickSearches()
    {
        MonitorFixture f;
        TfrmA00Main& w = f.show();
        w.cbb1->lineEdit()->clear();
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("追"));
        QApplication::sendEvent(w.cbb1->lineEdit(), &typed);
        QVERIFY(settled(w));
        QCOMPARE(w.cbb1->currentText(), QStringLiteral("追"));
        QVERIFY(w.Qai->Active() && w.Qai->isEmpty());
        w.cbb1->setCurrentIndex(1);
        QVERIFY(settled(w));
        QCOMPARE(w.Qai->RecordCount(), 3);
        // Picking the entry already shown changes no text, and still searches.
        QCoreApplication::processEvents();
        w.Qai->close();
        emit w.cbb1->activated(1);
        QVERIFY(settled(w));
        QVERIFY(w.Qai->Active());
    }

    void robotZeroAbsentAtShowTime()
    {
        MonitorFixture f(true, {"追1", "追2"});
        TfrmA00Main& w = f.show();
        QVERIFY(w.Qhead->isEmpty());
        QCOMPARE(w.cbb1->count(), 0);
        QCOMPARE(w.cbb1->currentIndex(), -1);
        QCOMPARE(w.RzDBLabel1->Caption(), QString());
        QCOMPARE(w.st1->Caption(), QString());
        QVERIFY(f.tick()); // asks for whatever the selector shows
        QCOMPARE(w.Qhead->paramValue("ainame"), w.cbb1->currentText());
    }

    void headerFollowsTheSelectorOnTheFirstTick()
    {
        MonitorFixture f(true, {"追1", "追0"});
        f.db.exec("UPDATE a5_z0_5yc SET zjhm='11111' WHERE ainame='追1'");
        TfrmA00Main& w = f.show();
        QCOMPARE(w.cbb1->currentText(), QStringLiteral("追1"));
        QCOMPARE(w.Qhead->paramValue("ainame"), QStringLiteral("追0"));
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("00003"));
        QVERIFY(f.tick());
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("11111"));
    }

    void loadingSuppressesTheChangeHandler()
    {
        MonitorFixture f;
        TfrmA00Main& w = f.show();
        w.Loading = true;
        w.cbb1->setEditText(QStringLiteral("追2"));
        QCOMPARE(w.Label2->text(), QStringLiteral("AI提示"));
        QVERIFY(!w.Qai->Active());
        w.Loading = false;
    }

    void repeatedTickFailureShowsOneBoxAndRecovers()
    {
        MonitorFixture f;
        RecordingPresenter rec;
        TfrmA00Main& w = f.show();
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME TO away");
        for (int i = 0; i < 5; ++i)
            QVERIFY(f.timerTick());
        QCOMPARE(rec.boxes.size(), 1);
        QVERIFY(rec.boxes[0].text.contains("a5_z0_5yc"));
        QCOMPARE(rec.boxes[0].caption, QStringLiteral("Tallyvane"));
        f.db.exec("ALTER TABLE away RENAME TO a5_z0_5yc");
        QVERIFY(f.timerTick());
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("00003"));
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME TO away");
        QVERIFY(f.timerTick());
        QCOMPARE(rec.boxes.size(), 2);
    }

    void noTickWhileABoxIsOpen()
    {
        MonitorFixture f;
        TfrmA00Main& w = f.show();
        RecordingPresenter rec;
        int ticksDuringBox = -1;
        rec.onPresent = [&](const MessageBoxSpec&) {
            const int before = w.TickCount;
            QVERIFY(f.timerTick());
            ticksDuringBox = w.TickCount - before;
        };
        ShowMsg("x", "i");
        QCOMPARE(ticksDuringBox, 0);
    }

    void resizeGivesRoomToThePages()
    {
        MonitorFixture f;
        TfrmA00Main& w = f.show();
        w.resize(1200, 800);
        QCOMPARE(w.panel1->geometry(), QRect(0, 0, 1200, 72));
        const int line = w.statusLine->lineHeight();
        QCOMPARE(w.pc1->geometry(), QRect(0, 72, 1200, 800 - 72 - line));
        QCOMPARE(w.statusLine->geometry(), QRect(0, 800 - line, 1200, line));
        QCOMPARE(w.bbClose->geometry().right(), 1200 - 6 - 1);
        QCOMPARE(w.bbClose->size(), QSize(130, 60));
    }

    void searchButtonKeepsTheWindowOpenAndCloseEndsIt()
    {
        MonitorFixture f;
        TfrmA00Main& w = f.show();
        w.bbSear->click();
        QVERIFY(settled(w));
        QVERIFY(w.isVisible());
        QVERIFY(w.Qai->Active());
        w.bbClose->click();
        QVERIFY(!w.isVisible());
    }
};
TV_REGISTER_TEST(TestRefresh);

#include "tst_refresh.moc"
