#include "ADODataSet.h"
#include "Connection.h"
#include "DBErrors.h"
#include "FixtureDb.h"
#include "OdbcDriver.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"

#include <QTest>

// The dataset layer on the SQL Server path: TADOQuery over TADOConnection over the ODBC
// driver, against the TDS test server.
class TestTdsDataset : public QObject {
    Q_OBJECT

    std::unique_ptr<TdsTestServer> server_;
    std::unique_ptr<FixtureDb> db_;
    std::unique_ptr<TADOConnection> connection_;

    std::unique_ptr<TADOQuery> query(const StatementDef& s)
    {
        auto q = std::make_unique<TADOQuery>(s.queryName, connection_.get());
        q->SetStatement(s);
        return q;
    }

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<TdsTestServer>(QString());
        QVERIFY(server_->started());
    }
    void cleanupTestCase() { server_.reset(); }

    void init()
    {
        db_ = std::make_unique<FixtureDb>();
        QVERIFY(server_->setDatabase(db_->path()));
        QVERIFY(server_->setFault(QStringLiteral("none")));
        const QString odbc = server_->odbcText();
        connection_ = std::make_unique<TADOConnection>([odbc] {
            return makeOdbcDriver(odbc, OdbcTimeouts{5, 1});
        });
    }
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning().noquote() << server_->log();
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

        auto head = query(statements::header());
        head->SetParamValue(QStringLiteral("ainame"), r.ainame);
        head->Open();
        QCOMPARE(head->RecordCount(), 1);
        QCOMPARE(head->FieldByName(QStringLiteral("cz"))->AsString(), QStringLiteral("取数据..."));
        QVERIFY(head->FieldByName(QStringLiteral("ver"))->IsNull());
        QCOMPARE(head->FieldByName(QStringLiteral("ver"))->AsInteger(), 0);

        auto history = query(statements::robotHistory());
        history->SetParamValue(QStringLiteral("ainame"), r.ainame);
        history->Open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(history->FieldByName(QStringLiteral("kjsj"))->DisplayText(),
                 QStringLiteral("20-10-02 13:07"));
        QCOMPARE(history->FieldByName(QStringLiteral("K05"))->AsString(), r.k05);
        QCOMPARE(history->FieldByName(QStringLiteral("k02"))->AsInteger(), 1);
        QCOMPARE(history->FieldByName(QStringLiteral("zjhm"))->AsString(), QStringLiteral("07   "));
    }

    void passwordChangeThroughQuery()
    {
        db_->addOperator(1, QStringLiteral("o'neil"), QStringLiteral("奥尼尔"),
                         QStringLiteral("old"));
        auto cpw = query(statements::passwordChange());
        cpw->SetParamValue(QStringLiteral("pw"), QStringLiteral("新"));
        cpw->SetParamValue(QStringLiteral("username"), QStringLiteral("o'neil"));
        QCOMPARE(cpw->ExecSQL(), qint64(1));
        // No query open: the connection does not stay up for its own sake.
        QVERIFY(!connection_->Connected());
        auto lookup = query(statements::operatorLookup());
        lookup->SetParamValue(QStringLiteral("username"), QStringLiteral("o'neil"));
        lookup->Open();
        QCOMPARE(lookup->FieldByName(QStringLiteral("F07口令"))->AsString(), QStringLiteral("新"));
    }

    void missingColumnNamesItsLabel()
    {
        db_->addResult({});
        QVERIFY(server_->setFault(QStringLiteral("drop K02")));
        auto history = query(statements::robotHistory());
        try {
            history->Open();
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Qai: Field '操作' not found"));
        }
        QVERIFY(!history->Active());
    }

    void lostLinkThenReconnect()
    {
        db_->addResult({});
        // An open query keeps the connection up, so the cut hits a live link.
        auto head = query(statements::header());
        head->Open();
        QCOMPARE(connection_->ConnectCount(), 1);
        QVERIFY(server_->setFault(QStringLiteral("close")));
        auto history = query(statements::robotHistory());
        try {
            history->Open();
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QVERIFY2(error.LinkLost(), qPrintable(error.Message()));
        }
        QVERIFY(!connection_->Connected());
        QVERIFY(server_->setFault(QStringLiteral("none")));
        history->Open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(connection_->ConnectCount(), 2);
    }

    void builtInSettingsReachTheServer()
    {
        // The product's own path: connection text, ODBC text, driver with its default waits.
        ConnectionSettings settings;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = server_->port();
        connection_ = std::make_unique<TADOConnection>(settings);
        db_->addResult({});
        auto history = query(statements::robotHistory());
        history->Open();
        QCOMPARE(history->RecordCount(), 1);
        QCOMPARE(connection_->Dialect(), SqlDialect::TSql);
    }

    void refusedReconnectIsAConnectionError()
    {
        QVERIFY(server_->setFault(QStringLiteral("refuse")));
        auto history = query(statements::robotHistory());
        QVERIFY_THROWS_EXCEPTION(EConnectionError, history->Open());
        QVERIFY(!connection_->Connected());
    }
};

TV_REGISTER_TEST(TestTdsDataset);
#include "tst_tdsdataset.moc"
