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
        QTest::newRow("first row comes back") << 5 << 1 << 6 << 1;
        QTest::newRow("last row is not smaller than last: ends on last") << 5 << 5 << 5 << 5;
        QTest::newRow("beyond the new last row: ends on last") << 5 << 4 << 2 << 2;
        QTest::newRow("one row afterwards: no move back") << 5 << 1 << 1 << 1;
        QTest::newRow("more rows afterwards: kept") << 3 << 2 << 6 << 2;
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
        q->Open();
        if (standOn > 0)
            q->SetRecNo(standOn);
        f.db.exec("DELETE FROM a5_z0_5yc");
        addRows(f.db, 1, after);
        RefreshKeepPos(*q);
        QVERIFY(q->Active());
        QCOMPARE(q->RecNo(), expected);
    }

    void headerAlwaysEndsOnItsRow()
    {
        DataFixture f;
        addRows(f.db, 1, 3);
        auto q = f.query(statements::header());
        q->Open();
        RefreshKeepPos(*q);
        QCOMPARE(q->RecNo(), 1);
        QCOMPARE(q->FieldByName("cpqh")->AsString(), QStringLiteral("20201002-0003"));
    }
};
TV_REGISTER_TEST(TestKeepPos);

#include "tst_keeppos.moc"
