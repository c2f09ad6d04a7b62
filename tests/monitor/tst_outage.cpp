#include "Application.h"
#include "FreshnessLine.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QElapsedTimer>

Q_DECLARE_METATYPE(Freshness)

// What the operator is told when the refresh fails: one box per outage, a status line that
// says since when, and a window that keeps answering.
class TestOutages : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    // Events: H+ a good tick, R+ a good tick with a reload, H- or R- a failing header or
    // reload. Boxes are the outages begun.
    void oneBoxPerOutage_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("inOutage");
        QTest::newRow("good") << "H+ R+ H+" << 0 << false;
        QTest::newRow("header fails, any good tick ends it") << "H- H- H- H+ H-" << 2 << true;
        QTest::newRow("reload fails, header ticks go on") << "R- H+ H+ H- H+" << 1 << true;
        QTest::newRow("reload fails until a reload") << "R- H+ R+ H+ R-" << 2 << true;
        QTest::newRow("a reload failing during a header outage") << "H- R- H+ R+" << 1 << false;
    }
    void oneBoxPerOutage()
    {
        QFETCH(QString, events);
        QFETCH(int, boxes);
        QFETCH(bool, inOutage);
        OutageTracker tracker;
        int begun = 0;
        const QDateTime at = QDateTime::currentDateTime();
        for (const QString& e : events.split(u' ')) {
            const bool reload = e.startsWith(u'R');
            if (e.endsWith(u'+'))
                tracker.succeeded(reload, at);
            else
                begun += tracker.failed(
                             reload ? OutageTracker::Part::Reload : OutageTracker::Part::Header, at)
                             ? 1
                             : 0;
        }
        QCOMPARE(begun, boxes);
        QCOMPARE(tracker.inOutage(), inOutage);
    }

    void statusLineText_data()
    {
        QTest::addColumn<Freshness>("freshness");
        QTest::addColumn<QString>("text");
        const QDate today(2026, 12, 9);
        const QDateTime good(today, QTime(10, 1, 2)), since(today, QTime(10, 1, 3));
        QTest::newRow("not yet") << Freshness{"demo.db", {}, false, {}, false}
                                 << "数据来源：demo.db　　尚未刷新";
        QTest::newRow("fresh") << Freshness{"db,27999", good, false, {}, false}
                               << "数据来源：db,27999　　最近刷新：10:01:02";
        QTest::newRow("failing")
            << Freshness{"demo.db", good, true, since, false}
            << "数据来源：demo.db　　最近刷新：10:01:02　　10:01:03 起刷新失败";
        QTest::newRow("reconnecting")
            << Freshness{"db,27999", good.addDays(-1), true, since, true}
            << "数据来源：db,27999　　最近刷新：2026-12-08 10:01:02　　10:01:03 "
               "起连接中断，正在重新连接……";
    }
    void statusLineText()
    {
        QFETCH(Freshness, freshness);
        QFETCH(QString, text);
        QCOMPARE(freshnessText(freshness, QDate(2026, 12, 9)), text);
    }

    // The history fails while the header goes on: one box, until a reload succeeds.
    void reloadOutageLastsUntilAReloadSucceeds()
    {
        WindowFixture f;
        RecordingPresenter rec;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        QVERIFY(f.tick()); // loads
        const auto tickWithCounter = [&](int ver) {
            f.db.setVersion(ver);
            QVERIFY(tickApplied(w));
            QVERIFY(tickApplied(w));
        };
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME COLUMN K05 TO reason");
        for (int ver : {2, 2, 2})
            tickWithCounter(ver);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("Qai: Field '理由' not found."));
        QVERIFY(w.statusLine->text().endsWith(QStringLiteral("起刷新失败")));
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME COLUMN reason TO K05");
        tickWithCounter(3);
        QVERIFY(w.statusLine->text().contains(QStringLiteral("最近刷新：")));
        QVERIFY(!w.statusLine->text().contains(QStringLiteral("失败")));
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME COLUMN K05 TO reason");
        tickWithCounter(4);
        QCOMPARE(rec.boxes.size(), 2);
    }

    // The first open, the show and the ticks after them are one outage.
    void missingTableFromTheStartIsOneBox()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        f.connect(); // a file without the table would not connect at all
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME TO away");
        RecordingPresenter rec;
        QVERIFY(!f.show().workInFlight());
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.timerTick());
        QCOMPARE(rec.boxes.size(), 1);
        QVERIFY(rec.boxes[0].text.contains(QStringLiteral("a5_z0_5yc")));
        QVERIFY(f.window->statusLine->text().contains(QStringLiteral("尚未刷新")));
    }

    // A pick whose search fails runs the change handler once: one search, one box.
    void failingPickIsOneSearch()
    {
        WindowFixture f;
        RecordingPresenter rec;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        w.cbb1->addItem(QStringLiteral("追9"));
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME COLUMN K05 TO reason");
        w.cbb1->setCurrentIndex(w.cbb1->count() - 1);
        emit w.cbb1->activated(w.cbb1->count() - 1);
        QVERIFY(settled(w));
        QCOMPARE(rec.boxes.size(), 1);
    }

    // A file another program keeps locked: the tick fails after a short wait, off the
    // window's thread, and the next one after the lock recovers.
    void lockedFileFailsATickWithoutFreezing()
    {
        WindowFixture f;
        RecordingPresenter rec;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        QVERIFY(f.tick()); // loads
        SqliteDatabase locker(f.db.path(), SqliteDatabase::OpenMode::ReadWrite);
        locker.exec("BEGIN EXCLUSIVE");
        LoopWatch watch;
        QElapsedTimer tick;
        tick.start();
        QVERIFY(tickApplied(w));
        QVERIFY2(tick.elapsed() < 1000, qPrintable(QString::number(tick.elapsed())));
        QVERIFY2(watch.longest < 100, qPrintable(QString::number(watch.longest)));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("database is locked."));
        locker.exec("COMMIT");
        QVERIFY(tickApplied(w));
        QCOMPARE(w.RzDBLabel2->Caption(), QStringLiteral("54321"));
        QCOMPARE(rec.boxes.size(), 1);
    }
};
TV_REGISTER_TEST(TestOutages);

#include "tst_outage.moc"
