#include "DBErrors.h"
#include "DataFixture.h"
#include "TestRegistry.h"
#include "data.h"

#include "Application.h"
#include "RecordingPresenter.h"

#include <QTest>

namespace {
// Five history rows for 追0 with balances 30, 10, 50, 10, 20 in draw order 0795 … 0791.
void fiveRows(FixtureDb& db)
{
    FixtureDb::Result r;
    const int balances[] = {20, 10, 50, 10, 30};
    for (int i = 0; i < 5; ++i) {
        r.cpqh = QStringLiteral("20201002-079%1").arg(i + 1);
        r.k00 = balances[i];
        r.k01 = i;
        db.addResult(r);
    }
}

QList<int> column(TADOQuery& q, const char* field)
{
    QList<int> out;
    const Bookmark keep = q.getBookmark();
    q.disableControls();
    for (q.First(); !q.eof(); q.Next())
        out << q.fieldByName(field)->asInteger();
    q.gotoBookmark(keep);
    q.enableControls();
    return out;
}
} // namespace

class TestDataset : public QObject {
    Q_OBJECT
private slots:
    void navigation()
    {
        DataFixture f;
        fiveRows(f.db);
        auto q = f.query(statements::robotHistory());
        QCOMPARE(q->RecNo(), -1);
        q->open();
        QCOMPARE(q->RecNo(), 1);
        QCOMPARE(q->MoveBy(2), 2);
        QCOMPARE(q->RecNo(), 3);
        QCOMPARE(q->MoveBy(10), 2);
        QVERIFY(q->eof());
        QCOMPARE(q->RecNo(), 5);
        QCOMPARE(q->MoveBy(-10), -4);
        QCOMPARE(q->RecNo(), 1);
        QVERIFY(!q->eof());
        q->Last();
        QVERIFY(q->eof());
        QCOMPARE(q->fieldByName("k00")->asInteger(), 20);
        q->setRecNo(2);
        QCOMPARE(q->fieldByName("K00")->asInteger(), 10);
        QVERIFY(q->FindField("nope") == nullptr);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q->fieldByName("nope"));
    }

    void bookmarksOrderAsTheRows()
    {
        DataFixture f;
        fiveRows(f.db);
        auto q = f.query(statements::robotHistory());
        q->open();
        const Bookmark first = q->getBookmark();
        q->Next();
        const Bookmark second = q->getBookmark();
        q->Last();
        const Bookmark last = q->getBookmark();
        QVERIFY(compareBytes(first, second) < 0);
        QVERIFY(compareBytes(second, last) < 0);
        QVERIFY(compareBytes(last, last) == 0);
        q->gotoBookmark(second);
        QCOMPARE(q->RecNo(), 2);
        QVERIFY(compareBytes(QByteArray("\x01", 1), QByteArray("\x01\x00", 2)) < 0);
        QVERIFY(compareBytes(QByteArray("\x80", 1), QByteArray("\x7f\xff", 2)) > 0);
    }

    void sortCycleAndRestore()
    {
        DataFixture f;
        fiveRows(f.db);
        auto q = f.query(statements::robotHistory());
        q->open();
        QCOMPARE(column(*q, "K00"), (QList<int>{30, 10, 50, 10, 20}));
        q->setRecNo(3); // the 50
        q->setSort("K00");
        QCOMPARE(column(*q, "K00"), (QList<int>{10, 10, 20, 30, 50}));
        // Equal balances keep the statement's order: draw 0794 (k01 3) before 0792 (k01 1).
        QCOMPARE(column(*q, "K01"), (QList<int>{3, 1, 0, 4, 2}));
        QCOMPARE(q->fieldByName("K00")->asInteger(), 50); // the current record stays
        QCOMPARE(q->RecNo(), 5);
        q->setSort("k00 DESC, K01");
        QCOMPARE(column(*q, "K01"), (QList<int>{2, 4, 0, 1, 3}));
        q->setSort("");
        QCOMPARE(column(*q, "K00"), (QList<int>{30, 10, 50, 10, 20}));
        q->setSort("K00");
        q->close();
        QCOMPARE(q->Sort(), QString());
        q->open();
        QCOMPARE(column(*q, "K00"), (QList<int>{30, 10, 50, 10, 20}));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q->setSort("nope"));
        q->close();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q->setSort("K00"));
    }

    void textSortFollowsTheCodePage()
    {
        DataFixture f;
        FixtureDb::Result r;
        for (const char* ai : {"追1", "全局最热", "追0"}) {
            r.ainame = ai;
            f.db.addResult(r);
        }
        auto q = f.query(statements::robotComparison());
        q->open();
        q->setSort("ainame");
        QStringList names;
        for (q->First(); !q->eof(); q->Next())
            names << q->fieldByName("ainame")->asString();
        // 全 is C8AB, 追 D7B7 in the code page (by code point 追 would come first).
        QCOMPARE(names, (QStringList{"全局最热", "追0", "追1"}));
    }

    // SQLite keeps a REAL that has no exact integer as it is, even in an INTEGER column.
    void realInIntegerColumn_data()
    {
        QTest::addColumn<QString>("stored"); // SQL literal
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("asInteger"); // empty: reading it as an integer fails
        QTest::addColumn<bool>("asFloatFails");
        QTest::addColumn<bool>("sortsLast");
        auto row = [](const char* name, const char* stored, const char* shown,
                      const char* asInteger, bool asFloatFails, bool sortsLast) {
            QTest::newRow(name) << stored << shown << asInteger << asFloatFails << sortsLast;
        };
        row("1e308", "1e308", "1e+308", "", true, true);
        row("+Inf", "9e999", "inf", "", true, true);
        row("-Inf", "-9e999", "-inf", "", true, false);
        row("2^63", "9223372036854775808.0", "9223372036854776000", "", true, true);
        row("-2^63 fits", "-9223372036854775808.0", "-9223372036854775808", "-9223372036854775808",
            false, false);
        row("fraction", "2.5", "2.5", "2", false, false);
        row("beyond int", "4294967296", "4294967296", "", false, true);
        row("digits as text", "' 77 '", "77", "77", false, true);
    }
    void realInIntegerColumn()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, asInteger);
        QFETCH(bool, asFloatFails);
        QFETCH(bool, sortsLast);
        DataFixture f;
        fiveRows(f.db);
        f.db.exec("update a5_z0_5yc set K00=" + stored + " where cpqh='20201002-0795'");
        auto q = f.query(statements::robotHistory());
        q->open();
        const Field* k00 = q->fieldByName("K00");
        QCOMPARE(k00->displayText(), shown);
        if (asInteger.isEmpty())
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, k00->asInteger());
        else
            QCOMPARE(QString::number(k00->asLargeInt()), asInteger);
        if (asFloatFails)
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, k00->asFloat());
        // Sorting puts it where its value belongs.
        q->setSort("K00");
        q->Last();
        QCOMPARE(k00->displayText(), sortsLast ? shown : QStringLiteral("50"));
        // Its row's other cells read as usual.
        q->setSort("");
        q->First();
        QCOMPARE(q->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0795"));
        QCOMPARE(q->fieldByName("K01")->asInteger(), 4);
    }

    void notificationsAndSuspension()
    {
        DataFixture f;
        fiveRows(f.db);
        auto q = f.query(statements::robotHistory());
        TDataSource ds;
        ds.setDataSet(q.get());
        CountingLink a, b;
        a.setDataSource(&ds);
        b.setDataSource(&ds);
        a.active = b.active = 0;
        q->open();
        q->Next();
        q->setSort("K00");
        q->close();
        for (CountingLink* l : {&a, &b}) {
            QCOMPARE(l->active, 2);
            QCOMPARE(l->scrolled, 1);
            QCOMPARE(l->changed, 1);
        }
        q->open();
        a.active = a.scrolled = a.changed = 0;
        q->disableControls();
        q->disableControls();
        q->Last();
        q->First();
        q->enableControls();
        QCOMPARE(a.changed + a.scrolled + a.active, 0);
        q->enableControls();
        QCOMPARE(a.changed, 1);
        QCOMPARE(a.scrolled + a.active, 0);
        // Closed and reopened while suspended: still one redisplay.
        q->disableControls();
        q->close();
        q->open();
        q->enableControls();
        QCOMPARE(a.changed, 2);
        q->disableControls();
        q->close();
        q->enableControls();
        QCOMPARE(a.active, 1);
    }

    void listenersAreNeverSuspended()
    {
        DataFixture f;
        auto q = f.query(statements::robotHistory());
        struct : DataSetListener {
            QList<DataSetState> states;
            void dataSetStateChanged(TCustomADODataSet*, DataSetState s) override { states << s; }
        } listener;
        q->addListener(&listener);
        q->disableControls();
        q->open();
        q->close();
        q->enableControls();
        QCOMPARE(listener.states,
                 (QList<DataSetState>{DataSetState::Browse, DataSetState::Inactive}));
        q->removeListener(&listener);
    }

    void failingListenerStillLetsControlsHearAndIsToldOfDestruction()
    {
        DataFixture f;
        auto q = f.query(statements::robotHistory());
        TDataSource ds;
        ds.setDataSet(q.get());
        CountingLink link;
        link.setDataSource(&ds);
        link.active = 0;
        struct : DataSetListener {
            int destroying = 0;
            void dataSetStateChanged(TCustomADODataSet*, DataSetState s) override
            {
                if (s == DataSetState::Browse)
                    throw EDatabaseError("rebuild failed");
            }
            void dataSetDestroying(TCustomADODataSet*) override { ++destroying; }
        } listener;
        q->addListener(&listener);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q->open());
        QVERIFY(q->Active());
        QCOMPARE(link.active, 1);
        q.reset();
        QCOMPARE(listener.destroying, 1);
    }

    void activeRecordScopeReadsWithoutMoving()
    {
        DataFixture f;
        fiveRows(f.db);
        auto q = f.query(statements::robotHistory());
        TDataSource ds;
        ds.setDataSet(q.get());
        CountingLink link;
        link.setDataSource(&ds);
        q->open();
        link.scrolled = 0;
        {
            TCustomADODataSet::ActiveRecordScope scope(*q, 3);
            QCOMPARE(q->RecNo(), 3);
            QCOMPARE(q->fieldByName("K00")->asInteger(), 50);
        }
        QCOMPARE(q->RecNo(), 1);
        QCOMPARE(link.scrolled, 0);
    }

    void connectionClosesWhenIdleAndReopens()
    {
        DataFixture f;
        fiveRows(f.db);
        auto a = f.query(statements::robotHistory());
        auto b = f.query(statements::header());
        a->open();
        QCOMPARE(f.connection->connectCount(), 1);
        b->open();
        a->close();
        QVERIFY(f.connection->connected());
        b->close();
        QVERIFY(!f.connection->connected());
        b->open();
        QCOMPARE(f.connection->connectCount(), 2);
        QCOMPARE(b->RecordCount(), 1);
    }

    // A direct connection runs statements and refuses to submit them, a background one the
    // other way round; the background one takes the open link along, and once it goes its
    // connects and its stopped link stay with the direct one.
    void eachConnectionRunsItsOwnKind()
    {
        DataFixture f;
        fiveRows(f.db);
        const QString sql = QStringLiteral("SELECT 1");
        const auto ignore = [](StatementOutcome&) {};
        auto header = f.query(statements::header());
        header->open();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.connection->submitQuery(sql, {}, ignore));
        header->close();
        f.connection->open();
        auto background = f.connection->startBackground();
        QVERIFY(!f.connection->connected());
        QCOMPARE(background->sourceName(), f.connection->sourceName());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, background->runQuery(sql, {}));
        bool answered = false;
        background->submitQuery(sql, {}, [&](StatementOutcome&) { answered = true; });
        QTRY_VERIFY(answered);
        QCOMPARE(background->connectCount(), 0); // the direct one's link went along
        background->stop();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, background->submitQuery(sql, {}, ignore));
        background.reset();
        QTRY_VERIFY(!f.connection->stoppedLinksRunning());
        QCOMPARE(f.connection->connectCount(), 2);
        header->open(); // the direct one connects again for itself
        QCOMPARE(f.connection->connectCount(), 3);
    }

    // Where the status line says the data comes from.
    void sourceNames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("name");
        const int server = int(ConnectionSettings::Kind::SqlServer),
                  file = int(ConnectionSettings::Kind::Sqlite);
        QTest::newRow("host") << server << "db.example"
                              << "db.example,27999";
        QTest::newRow("IPv6") << server << "::1"
                              << "[::1],27999";
        QTest::newRow("file") << file << "/tmp/x/demo.db"
                              << "demo.db";
    }
    void sourceNames()
    {
        QFETCH(int, kind);
        QFETCH(QString, where);
        QFETCH(QString, name);
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind(kind);
        (settings.kind == ConnectionSettings::Kind::Sqlite ? settings.sqliteFile : settings.host) =
            where;
        QCOMPARE(DirectConnection(settings).sourceName(), name);
    }

    void failedReconnectIsTheQuerysErrorAndTheNextOpenTriesAgain()
    {
        DataFixture f;
        auto q = f.query(statements::header());
        q->open();
        q->close();
        // Make the file unreachable: the next open cannot reconnect.
        const QString path = f.db.path();
        QVERIFY(QFile::rename(path, path + ".away"));
        QVERIFY_THROWS_EXCEPTION(EConnectionError, q->open());
        QCOMPARE(f.connection->connectCount(), 1);
        QVERIFY(QFile::rename(path + ".away", path));
        q->open();
        QCOMPARE(f.connection->connectCount(), 2);
        QVERIFY(q->Active());
    }

    void dataModuleConnectsOnceOrTerminates()
    {
        {
            RecordingPresenter rec;
            application->initialize();
            FixtureDb db;
            TDM dm(ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, db.path()});
            QVERIFY(rec.boxes.isEmpty());
            QVERIFY(!application->terminated());
            QVERIFY(dm.ConSG->connected());
            QCOMPARE(dm.LastVer, 0);
            QVERIFY(!dm.Timer1->armed());
        }
        RecordingPresenter rec;
        const QString missing = QDir::temp()
                                    .filePath("tallyvane-missing-%1.db")
                                    .arg(QCoreApplication::applicationPid());
        TDM dm(ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, missing});
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].caption, QStringLiteral("信息"));
        QCOMPARE(rec.boxes[0].icon, QMessageBox::Information);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("对不起，无法连接大数据，请检查您的网络是否正常"
                                                   "。如任然无法连接，请与服务商联系。"));
        QVERIFY(application->terminated());
        QVERIFY(!QFile::exists(missing));
        QVERIFY(dm.UserName.isEmpty() && dm.LoginName.isEmpty() && dm.UserID == 0);
        application->initialize();
    }
};
TV_REGISTER_TEST(TestDataset);

#include "tst_dataset.moc"
