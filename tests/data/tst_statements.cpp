#include "DBErrors.h"
#include "DataFixture.h"
#include "SqlText.h"
#include "SqliteDatabase.h"
#include "TestRegistry.h"

#include <QTest>

namespace {
QString localText(const QDateTime& dt)
{
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
} // namespace

class TestStatements : public QObject {
    Q_OBJECT
private slots:
    void markersSkipLiteralsAndNames()
    {
        const MarkedStatement m = markParameters(
            QStringLiteral("select ':x', [a:b] from t where a=:ainame and b=:cpqh_2"));
        QCOMPARE(m.sql, QStringLiteral("select ':x', [a:b] from t where a=? and b=?"));
        QCOMPARE(m.paramNames, (QStringList{"ainame", "cpqh_2"}));
        QCOMPARE(quotedLiteral(QStringLiteral("a'b")), QStringLiteral("'a''b'"));
    }

    void tsqlTextsAsTheServerExpects()
    {
        QVERIFY(statements::header().tsql.startsWith("select zjhm,cpqh,cz=(case when xqkj>0 then "
                                                     "cz else '取数据...' end),xqkj,ver from (\n"));
        QVERIFY(
            statements::header().tsql.endsWith("where ainame=:ainame\norder by cpqh desc\n) as u"));
        QCOMPARE(statements::robotHistory().tsql,
                 QStringLiteral("SELECT top 360 *   FROM [dbo].[a5_z0_5yc]\nwhere "
                                "ainame=:ainame\norder by cpqh desc"));
        QCOMPARE(statements::robotList(QStringLiteral("20201002-0792")).tsql,
                 QStringLiteral("SELECT [ainame]  FROM [KvtCP].[dbo].[a5_z0_5yc]  where "
                                "cpqh='20201002-0792'  order by id"));
        QCOMPARE(statements::passwordChange().tsql,
                 QStringLiteral("update TA71操作用户\nset F07口令=:pw\nwhere F03用户名=:username"));
    }

    void headerCountdownAndAdvice_data()
    {
        QTest::addColumn<int>("k02");
        QTest::addColumn<int>("secondsAhead");
        QTest::addColumn<QString>("advice");
        QTest::newRow("bet") << 1 << 10 << "押【12345】/注<3>";
        QTest::newRow("pass") << 0 << 10 << "过";
        QTest::newRow("other action passes") << 7 << 10 << "过";
        QTest::newRow("countdown over") << 1 << -120 << "取数据...";
    }
    void headerCountdownAndAdvice()
    {
        QFETCH(int, k02);
        QFETCH(int, secondsAhead);
        QFETCH(QString, advice);
        DataFixture f;
        // Retry when the clock crosses a second between writing and reading.
        for (int attempt = 0; attempt < 3; ++attempt) {
            f.db.exec("DELETE FROM a5_z0_5yc");
            const QDateTime now = QDateTime::currentDateTime();
            QDateTime draw = now.addSecs(secondsAhead);
            draw.setTime(QTime(draw.time().hour(), draw.time().minute(), draw.time().second()));
            FixtureDb::Result r;
            r.kjsj = localText(draw);
            r.k02 = k02;
            f.db.addResult(r);
            auto q = f.query(statements::header());
            q->open();
            if (QDateTime::currentDateTime().toSecsSinceEpoch() != now.toSecsSinceEpoch())
                continue;
            QCOMPARE(q->RecordCount(), 1);
            const int expected = secondsAhead + 55 - draw.time().second();
            QCOMPARE(q->fieldByName("xqkj")->asInteger(), expected);
            QCOMPARE(q->fieldByName("cz")->asString(),
                     expected > 0 ? advice : QStringLiteral("取数据..."));
            QCOMPARE(q->fieldByName("zjhm")->asString(), QStringLiteral("12345"));
            return;
        }
        QFAIL("clock kept moving");
    }

    void headerLatestDrawOfTheRobotOnly()
    {
        DataFixture f;
        FixtureDb::Result r;
        r.cpqh = "20201002-0791";
        r.zjhm = "11111";
        f.db.addResult(r);
        r.cpqh = "20201002-0792";
        r.zjhm = "22222";
        f.db.addResult(r);
        r.ainame = "追1";
        r.cpqh = "20201002-0799";
        f.db.addResult(r);
        f.db.setVersion(7);
        auto q = f.query(statements::header());
        q->open();
        QCOMPARE(q->RecordCount(), 1);
        QCOMPARE(q->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0792"));
        QCOMPARE(q->fieldByName("ZJHM")->asString(), QStringLiteral("22222"));
        QCOMPARE(q->fieldByName("ver")->asInteger(), 7);
    }

    void robotWithoutRowsAndMissingCounter()
    {
        DataFixture f;
        f.db.addResult({});
        f.db.setVersion(QVariant());
        auto q = f.query(statements::header());
        q->open();
        QCOMPARE(q->fieldByName("ver")->isNull(), true);
        QCOMPARE(q->fieldByName("ver")->asInteger(), 0);
        q->close();
        q->setParamValue("ainame", "追9");
        q->open();
        QVERIFY(q->isEmpty());
        QCOMPARE(q->RecNo(), -1);
        QCOMPARE(q->fieldByName("cz")->displayText(), QString());
        auto h = f.query(statements::robotHistory());
        h->setParamValue("ainame", "追9");
        h->open();
        QCOMPARE(h->RecordCount(), 0);
    }

    void historyNewestFirstLimitedTo360()
    {
        DataFixture f;
        FixtureDb::Result r;
        for (int i = 1; i <= 365; ++i) {
            r.cpqh = QStringLiteral("20201002-%1").arg(i, 4, 10, QChar('0'));
            r.kjsj = "2020-10-02 13:07:45";
            f.db.addResult(r);
        }
        auto q = f.query(statements::robotHistory());
        q->open();
        QCOMPARE(q->RecordCount(), 360);
        QCOMPARE(q->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0365"));
        QCOMPARE(q->fieldByName("kjsj")->displayText(), QStringLiteral("20-10-02 13:07"));
        QCOMPARE(q->fieldByName("K00")->displayName(), QStringLiteral("余额"));
        QCOMPARE(q->fieldByName("k04")->Alignment(), FieldAlignment::Center);
        QCOMPARE(q->fieldByName("K00")->Alignment(), FieldAlignment::Right);
        QCOMPARE(q->fieldByName("id")->Visible(), false);
        q->Last();
        QCOMPARE(q->fieldByName("cpqh")->asString(), QStringLiteral("20201002-0006"));
    }

    void comparisonOrderAndExtremes()
    {
        DataFixture f;
        FixtureDb::Result r;
        const struct {
            const char* ai;
            const char* draw;
            int k00;
        } rows[] = {{"追0", "0791", 5},  {"追0", "0792", 20},  {"追0", "0790", -40},
                    {"追1", "0792", 90}, {"追1", "0780", 200}, {"全局最热", "0792", 50}};
        for (const auto& row : rows) {
            r.ainame = row.ai;
            r.cpqh = QStringLiteral("20201002-") + row.draw;
            r.k00 = row.k00;
            f.db.addResult(r);
        }
        auto q = f.query(statements::robotComparison());
        q->setParamValue("cpqh", "20201002-0792");
        q->open();
        QStringList order;
        for (q->First(); !q->eof(); q->Next())
            order << QStringLiteral("%1 %2 %3 %4")
                         .arg(q->fieldByName("ainame")->asString())
                         .arg(q->fieldByName("K00")->asInteger())
                         .arg(q->fieldByName("c3max")->asInteger())
                         .arg(q->fieldByName("c4min")->asInteger());
        QCOMPARE(order, (QStringList{"追1 90 200 90", "全局最热 50 50 50", "追0 20 20 -40"}));
    }

    void robotListInIdOrderAndQuotesDoubled()
    {
        DataFixture f;
        FixtureDb::Result r;
        for (const char* ai : {"追2", "全局最热", "追0"}) {
            r.ainame = ai;
            f.db.addResult(r);
        }
        auto q = f.query(statements::robotList("20201002-0792"));
        q->open();
        QStringList names;
        for (; !q->eof(); q->Next())
            names << q->fieldByName("ainame")->asString();
        QCOMPARE(names, (QStringList{"追2", "全局最热", "追0"}));
        q->close();
        // A draw number with a quote stays a literal: no rows, no syntax error.
        q->setStatement(statements::robotList("x' or '1'='1"));
        q->open();
        QVERIFY(q->isEmpty());
    }

    void operatorLookupBindsTheName()
    {
        DataFixture f;
        f.db.addOperator(1, "demo", "演示", "demo");
        f.db.addOperator(2, "o'neil", "奥尼尔", "pw");
        auto q = f.query(statements::operatorLookup());
        q->setParamValue("username", "o'neil");
        q->open();
        QCOMPARE(q->RecordCount(), 1);
        QCOMPARE(q->fieldByName("F01用户ID")->asInteger(), 2);
        QCOMPARE(q->fieldByName("F05姓名")->asString(), QStringLiteral("奥尼尔"));
        q->close();
        q->setParamValue("username", "x' or '1'='1");
        q->open();
        QVERIFY(q->isEmpty());
    }

    void comparisonsAsTheServerCollates()
    {
        DataFixture f;
        FixtureDb::Result r;
        f.db.addResult(r);
        auto head = f.query(statements::header());
        head->setParamValue("ainame", "追0  ");
        head->open();
        QCOMPARE(head->RecordCount(), 1);
    }

    // Trailing blanks and ASCII case do not count, as on the server; leading blanks and
    // other characters do.
    void loginNamesAsTheServerCompares_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("case") << "Demo"
                              << "dEMO" << true;
        QTest::newRow("stored with trailing blanks") << "demo  "
                                                     << "demo" << true;
        QTest::newRow("bound with trailing blanks") << "demo"
                                                    << "demo " << true;
        QTest::newRow("both") << "DEMO "
                              << "demo   " << true;
        QTest::newRow("Chinese with a blank") << "张三 "
                                              << "张三" << true;
        QTest::newRow("leading blank counts") << " demo"
                                              << "demo" << false;
        QTest::newRow("tab counts") << "demo\t"
                                    << "demo" << false;
        QTest::newRow("ideographic blank counts") << "demo\u3000"
                                                  << "demo" << false;
    }
    void loginNamesAsTheServerCompares()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, found);
        DataFixture f;
        f.db.addOperator(1, stored, "演示", "old");
        auto lookup = f.query(statements::operatorLookup());
        lookup->setParamValue("username", typed);
        lookup->open();
        QCOMPARE(lookup->RecordCount(), found ? 1 : 0);
        lookup->close();
        auto cpw = f.query(statements::passwordChange());
        cpw->setParamValue("pw", "new");
        cpw->setParamValue("username", typed);
        QCOMPARE(cpw->execSql(), qint64(found ? 1 : 0));
    }

    // One operator per name as the server compares names.
    void loginNamesUniqueAsCompared()
    {
        DataFixture f;
        f.db.addOperator(1, "demo", "演示", "old");
        SqliteDatabase db(f.db.path(), SqliteDatabase::OpenMode::ReadWrite);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 db.exec(QStringLiteral("insert into \"TA71操作用户\" values (2, "
                                                        "'Demo  ', 'x', 'y')")));
    }

    void stakeTooLongForItsTextIsAStar()
    {
        DataFixture f;
        FixtureDb::Result r;
        r.kjsj = QDateTime::currentDateTime().addSecs(40).toString("yyyy-MM-dd HH:mm:ss");
        r.k01 = 123456789;
        f.db.addResult(r);
        auto q = f.query(statements::header());
        q->open();
        QCOMPARE(q->fieldByName("cz")->asString(), QStringLiteral("押【12345】/注<*>"));
    }

    void unstorableValuesFindNothingAndWriteNothing_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("21 bytes") << QString(21, 'a');
        QTest::newRow("11 chinese = 22 bytes") << QString(11, QChar(0x8FFD));
        QTest::newRow("outside the code page") << QString::fromUtf8("demo😀");
    }
    void unstorableValuesFindNothingAndWriteNothing()
    {
        QFETCH(QString, value);
        DataFixture f;
        f.db.addOperator(1, value.left(1), "n", "old");
        auto q = f.query(statements::operatorLookup());
        q->setParamValue("username", value);
        q->open();
        QVERIFY(q->isEmpty());
        q->close();

        auto cpw = f.query(statements::passwordChange());
        cpw->setParamValue("pw", value);
        cpw->setParamValue("username", value.left(1));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, cpw->execSql());
        QCOMPARE(f.db.scalar("select \"F07口令\" from \"TA71操作用户\"").toString(),
                 QStringLiteral("old"));
    }

    void passwordChangeCountsRows()
    {
        DataFixture f;
        f.db.addOperator(1, "demo", "演示", "demo");
        auto cpw = f.query(statements::passwordChange());
        cpw->setParamValue("pw", "");
        cpw->setParamValue("username", "demo");
        QCOMPARE(cpw->execSql(), qint64(1));
        QCOMPARE(f.db.scalar("select \"F07口令\" from \"TA71操作用户\"").toString(), QString());
        QVERIFY(!f.connection->connected());
    }

    void missingDeclaredColumnFailsTheOpen()
    {
        DataFixture f;
        f.db.addResult({});
        StatementDef s = statements::robotHistory();
        s.sqlite = "select id, kind, cpqh, zjhm, tsbh, kjsj, opdatetimeT, ainame, K00, K01, K03, "
                   "K04, K05, "
                   "CreateDT, 1 as extra from a5_z0_5yc where ainame=:ainame";
        auto q = f.query(s, "Qai");
        try {
            q->open();
            QFAIL("opened");
        } catch (const EDatabaseError& e) {
            QCOMPARE(e.message(), QStringLiteral("Qai: Field '操作' not found"));
        }
        QVERIFY(!q->Active());
        QVERIFY(!f.connection->connected());
    }

    // Robots of the newest draw only, in its rows' order; the newest 360 draws of the table,
    // also those no such robot wrote; a missing row is no row.
    void fleetTrendReadsTheLatestDrawsOfTheLatestRobots()
    {
        DataFixture f;
        FixtureDb::Result r;
        const auto add = [&](const char* ai, int draw) {
            r.ainame = QString::fromUtf8(ai);
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QChar('0'));
            r.k00 = draw;
            f.db.addResult(r);
        };
        for (int draw = 1; draw <= 400; ++draw) {
            if (draw == 390) {
                add("追9", draw); // a draw only a robot gone since wrote
                continue;
            }
            if (draw != 400)
                add("追9", draw);
            add("全局最热", draw);
            if (draw != 395)
                add("追0", draw);
        }
        auto q = f.query(statements::fleetTrend());
        q->open();
        QMap<QString, QStringList> draws;
        QStringList order;
        for (; !q->eof(); q->Next()) {
            const QString robot = q->fieldByName("ainame")->asString();
            if (!order.contains(robot))
                order << robot;
            draws[robot] << q->fieldByName("cpqh")->asString().right(4);
            QCOMPARE(q->fieldByName("K00")->asInteger(), draws[robot].last().toInt());
        }
        QCOMPARE(order, (QStringList{"全局最热", "追0"}));
        QCOMPARE(draws["全局最热"].size(), 359); // 41 … 400 less 390
        QCOMPARE(draws["全局最热"].first(), QStringLiteral("0041"));
        QCOMPARE(draws["全局最热"].last(), QStringLiteral("0400"));
        QCOMPARE(draws["追0"].size(), 358);
        QVERIFY(!draws["追0"].contains(QStringLiteral("0395")));
        q->close();
        f.db.exec(QStringLiteral("DELETE FROM a5_z0_5yc"));
        q->open();
        QVERIFY(q->isEmpty());
    }

    // At a million rows a scan would read them all: every table access is an index search.
    void fleetTrendIsIndexDriven()
    {
        DataFixture f;
        const DriverResult plan = f.connection->runQuery(
            QStringLiteral("EXPLAIN QUERY PLAN ") + statements::fleetTrend().sqlite, {});
        QStringList details;
        for (const auto& row : plan.rows)
            details << row.last().toString();
        const QString all = details.join(u'\n');
        for (const char* table : {"a5_z0_5yc", "b", "r", "a"})
            QVERIFY2(!all.contains(QStringLiteral("SCAN %1").arg(QLatin1String(table))),
                     qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("SEARCH b USING COVERING INDEX ix_5yc_cpqh")),
                 qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("SEARCH r USING INDEX ix_5yc_cpqh (cpqh=?)")),
                 qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("SEARCH a USING INDEX ix_5yc_ainame_cpqh (ainame=? "
                                             "AND cpqh>? AND cpqh<?)")),
                 qPrintable(all));
    }
};
TV_REGISTER_TEST(TestStatements);

#include "tst_statements.moc"
