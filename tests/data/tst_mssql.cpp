#include "ADODataSet.h"
#include "Connection.h"
#include "DBErrors.h"
#include "TestRegistry.h"

#include <QTest>
#include <memory>

// The statements against a real SQL Server, when TALLYVANE_TEST_MSSQL=host,port names one.
// Read-only: the password change runs for a login name that cannot exist.
class TestRealServer : public QObject {
    Q_OBJECT
    std::unique_ptr<TADOConnection> connection;

    std::unique_ptr<TADOQuery> query(const StatementDef& s)
    {
        auto q = std::make_unique<TADOQuery>(s.queryName, connection.get());
        q->SetStatement(s);
        return q;
    }

private slots:
    void initTestCase()
    {
        const QString target = qEnvironmentVariable("TALLYVANE_TEST_MSSQL");
        if (target.isEmpty())
            QSKIP("TALLYVANE_TEST_MSSQL is not set");
        const QStringList parts = target.split(u',');
        ConnectionSettings settings;
        settings.host = parts.value(0);
        settings.port = parts.value(1, QStringLiteral("27999")).toInt();
        connection = std::make_unique<TADOConnection>(settings);
        // A server that is not there fails this class with its error, not the executable.
        try {
            connection->Open();
        } catch (const std::exception& error) {
            QFAIL(qPrintable(exceptionText(error)));
        }
        connection->Close();
    }

    void everyStatementOpensWithItsColumns()
    {
        auto head = query(statements::header());
        head->Open();
        QVERIFY(head->RecordCount() <= 1);
        auto history = query(statements::robotHistory());
        history->Open();
        QVERIFY(history->RecordCount() <= 360);
        const QString draw = history->FieldByName("cpqh")->AsString();
        auto comparison = query(statements::robotComparison());
        comparison->SetParamValue("cpqh", draw);
        comparison->Open();
        auto list = query(statements::robotList(draw));
        list->Open();
        QCOMPARE(list->RecordCount(), draw.isEmpty() ? 0 : comparison->RecordCount());
        auto lookup = query(statements::operatorLookup());
        lookup->SetParamValue("username", "x' or '1'='1");
        lookup->Open();
        QVERIFY(lookup->IsEmpty());
        history->Close();
        head->Close();
        comparison->Close();
        list->Close();
        lookup->Close();
        QVERIFY(!connection->Connected());
    }

    void passwordChangeOfNobodyChangesNothing()
    {
        auto cpw = query(statements::passwordChange());
        cpw->SetParamValue("pw", "x");
        cpw->SetParamValue("username", "\x01tallyvane-nobody");
        QCOMPARE(cpw->ExecSQL(), qint64(0));
    }
};
TV_REGISTER_TEST(TestRealServer);

#include "tst_mssql.moc"
