#include "DBErrors.h"
#include "DataFixture.h"
#include "OdbcDriver.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"

#include <QTest>

// The dataset layer on the SQL Server path: TADOQuery over Connection over the ODBC
// driver, against the TDS test server.
class TestTdsDataset : public QObject {
    Q_OBJECT

    SharedTdsServer server_;
    std::unique_ptr<FixtureDb> db_;
    std::unique_ptr<DirectConnection> connection_;

private slots:
    void initTestCase() { QVERIFY(server_.start()); }
    void cleanupTestCase() { server_.stop(); }

    void init()
    {
        db_ = std::make_unique<FixtureDb>();
        QVERIFY(server_.switchTo(db_->path()));
        connection_ = std::make_unique<DirectConnection>(server_->drivers(OdbcTimeouts{5, 1}));
    }
    void cleanup()
    {
        server_.logIfFailed();
        connection_.reset();
        db_.reset();
    }

    void fieldsReadAsDeclared()
    {
        FixtureDb::Result r;
        r.ainame = QStringLiteral("追3");
        r.zjhm = QStringLiteral("07");
        r.kjsj = QStringLiteral("2020-10-02 13:07:30");
        r.k05 = QStringLiteral("押【12345】理由");
        db_->addResult(r);
        db_->setVersion(QVariant());

        auto head = query(*connection_, statements::header());
        head->setParamValue(QStringLiteral("ainame"), r.ainame);
        head->open();
        QCOMPARE(head->RecordCount(), 1);
        QCOMPARE(head->fieldByName(QStringLiteral("cz"))->asString(), QStringLiteral("取数据..."));
        QVERIFY(head->fieldByName(QStringLiteral("ver"))->isNull());
        QCOMPARE(head->fieldByName(QStringLiteral("ver"))->asInteger(), 0);

        auto history = query(*connection_, statements::robotHistory());
        history->setParamValue(QStringLiteral("ainame"), r.ainame);
        history->open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(history->fieldByName(QStringLiteral("kjsj"))->displayText(),
                 QStringLiteral("20-10-02 13:07"));
        QCOMPARE(history->fieldByName(QStringLiteral("K05"))->asString(), r.k05);
        QCOMPARE(history->fieldByName(QStringLiteral("k02"))->asInteger(), 1);
        QCOMPARE(history->fieldByName(QStringLiteral("zjhm"))->asString(), QStringLiteral("07   "));
    }

    void passwordChangeThroughQuery()
    {
        db_->addOperator(1, QStringLiteral("o'neil"), QStringLiteral("奥尼尔"),
                         QStringLiteral("old"));
        auto cpw = query(*connection_, statements::passwordChange());
        cpw->setParamValue(QStringLiteral("pw"), QStringLiteral("新"));
        cpw->setParamValue(QStringLiteral("username"), QStringLiteral("o'neil"));
        QCOMPARE(cpw->execSql(), qint64(1));
        // No query open: the connection does not stay up for its own sake.
        QVERIFY(!connection_->connected());
        auto lookup = query(*connection_, statements::operatorLookup());
        lookup->setParamValue(QStringLiteral("username"), QStringLiteral("o'neil"));
        lookup->open();
        QCOMPARE(lookup->fieldByName(QStringLiteral("F07口令"))->asString(), QStringLiteral("新"));
    }

    void missingColumnNamesItsLabel()
    {
        db_->addResult({});
        QVERIFY(server_->setFault(QStringLiteral("drop K02")));
        auto history = query(*connection_, statements::robotHistory());
        try {
            history->open();
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QCOMPARE(error.message(), QStringLiteral("Qai: Field '操作' not found"));
        }
        QVERIFY(!history->Active());
    }

    void lostLinkThenReconnect()
    {
        db_->addResult({});
        // An open query keeps the connection up, so the cut hits a live link.
        auto head = query(*connection_, statements::header());
        head->open();
        QCOMPARE(connection_->connectCount(), 1);
        QVERIFY(server_->setFault(QStringLiteral("close")));
        auto history = query(*connection_, statements::robotHistory());
        try {
            history->open();
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QVERIFY2(error.linkLost(), qPrintable(error.message()));
        }
        QVERIFY(!connection_->connected());
        QVERIFY(server_->setFault(QStringLiteral("none")));
        history->open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(connection_->connectCount(), 2);
    }

    void builtInSettingsReachTheServer()
    {
        // The product's own path: connection text, ODBC text, driver with its default waits.
        ConnectionSettings settings;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = server_->port();
        connection_ = std::make_unique<DirectConnection>(settings);
        db_->addResult({});
        auto history = query(*connection_, statements::robotHistory());
        history->open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(connection_->dialect(), SqlDialect::TSql);
    }

    void refusedReconnectIsAConnectionError()
    {
        QVERIFY(server_->setFault(QStringLiteral("refuse")));
        auto history = query(*connection_, statements::robotHistory());
        QVERIFY_THROWS_EXCEPTION(EConnectionError, history->open());
        QVERIFY(!connection_->connected());
    }
};

TV_REGISTER_TEST(TestTdsDataset);
#include "tst_tdsdataset.moc"
