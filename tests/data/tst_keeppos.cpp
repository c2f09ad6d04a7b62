#include "DataFixture.h"
#include "MXT_PUB.h"
#include "TestRegistry.h"

#include <QTest>

class TestKeepPos : public QObject {
    Q_OBJECT
    static void addRows(FixtureDb& db, int from, int to)
    {
        FixtureDb::Result r;
        for (int i = from; i <= to; ++i) {
            r.cpqh = QStringLiteral("20201002-%1").arg(i, 4, 10, QChar('0'));
            r.k00 = i;
            db.addResult(r);
        }
    }
private slots:
    void cases_data()
    {
        QTest::addColumn<int>("before");   // rows before the call
        QTest::addColumn<int>("standOn");  // record number the user stands on
        QTest::addColumn<int>("after");    // rows after the call
        QTest::addColumn<int>("expected"); // record number afterwards
        QTest::newRow("empty before: re-run, first row") << 0 << 0 << 3 << 1;
        QTest::newRow("one row: stays on it") << 1 << 1 << 1 << 1;
        QTest::newRow("middle row comes back") << 5 << 3 << 5 << 3;
        // Rows named by their id: the newer draw on top moves the row the user stood on down.
        QTest::newRow("first row, a newer one on top: the same row") << 5 << 1 << 6 << 2;
        QTest::newRow("first row comes back") << 5 << 1 << 5 << 1;
        QTest::newRow("last row is not smaller than last: ends on last") << 5 << 5 << 5 << 5;
        QTest::newRow("beyond the new last row: ends on last") << 5 << 4 << 2 << 2;
        QTest::newRow("one row afterwards: no move back") << 5 << 1 << 1 << 1;
        QTest::newRow("more rows afterwards: the same row") << 3 << 2 << 6 << 5;
    }
    void cases()
    {
        QFETCH(int, before);
        QFETCH(int, standOn);
        QFETCH(int, after);
        QFETCH(int, expected);
        DataFixture f;
        addRows(f.db, 1, before);
        auto q = f.query(statements::robotHistory());
        q->open();
        if (standOn > 0)
            q->setRecNo(standOn);
        f.db.exec("DELETE FROM a5_z0_5yc");
        addRows(f.db, 1, after);
        RefreshKeepPos(*q);
        QVERIFY(q->Active());
        QCOMPARE(q->RecNo(), expected);
    }

    // Rows added before the current one (newer draws on top of the history, a robot whose
    // balance overtook in the comparison): the cursor comes back to the same row.
    void newRowsBeforeItKeepTheRow()
    {
        DataFixture f;
        addRows(f.db, 1, 5);
        auto history = f.query(statements::robotHistory());
        history->open();
        history->setRecNo(3);
        QCOMPARE(history->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0003"));
        addRows(f.db, 6, 7);
        RefreshKeepPos(*history);
        QCOMPARE(history->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0003"));
        QCOMPARE(history->RecNo(), 5);

        auto comparison = f.query(statements::robotComparison());
        comparison->setParamValue("cpqh", "20201002-0003");
        FixtureDb::Result r;
        r.cpqh = QStringLiteral("20201002-0003");
        for (const char* name : {"追1", "追2"}) {
            r.ainame = QString::fromUtf8(name);
            r.k00 = 1;
            f.db.addResult(r);
        }
        comparison->open();
        comparison->setRecNo(2);
        const QString standing = comparison->fieldByName("ainame")->asString();
        f.db.exec("update a5_z0_5yc set K00 = 100 where ainame = '追2'");
        RefreshKeepPos(*comparison);
        QCOMPARE(comparison->fieldByName("ainame")->asString(), standing);
    }

    // A row gone from the result: the place it had, as before.
    void goneRowFallsBackToItsPlace()
    {
        DataFixture f;
        addRows(f.db, 1, 5);
        auto q = f.query(statements::robotHistory());
        q->open();
        q->setRecNo(2);
        f.db.exec("delete from a5_z0_5yc where cpqh = '20201002-0004'");
        addRows(f.db, 6, 6);
        RefreshKeepPos(*q);
        QCOMPARE(q->RecNo(), 2);
    }

    void headerAlwaysEndsOnItsRow()
    {
        DataFixture f;
        addRows(f.db, 1, 3);
        auto q = f.query(statements::header());
        q->open();
        RefreshKeepPos(*q);
        QCOMPARE(q->RecNo(), 1);
        QCOMPARE(q->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0003"));
    }
};
TV_REGISTER_TEST(TestKeepPos);

#include "tst_keeppos.moc"
