#include "DBErrors.h"
#include "DataFixture.h"
#include "TestRegistry.h"

#include <QTest>
#include <memory>

// The statements against a real SQL Server, when TALLYVANE_TEST_MSSQL=host,port names one.
// Read-only: the password change runs for a login name that cannot exist.
class TestRealServer : public QObject {
    Q_OBJECT
    std::unique_ptr<DirectConnection> connection_;

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
        connection_ = std::make_unique<DirectConnection>(settings);
        // A server that is not there fails this class with its error, not the executable.
        try {
            connection_->open();
        } catch (const std::exception& error) {
            QFAIL(qPrintable(exceptionText(error)));
        }
        connection_->close();
    }

    void everyStatementOpensWithItsColumns()
    {
        auto head = query(*connection_, statements::header());
        head->open();
        QVERIFY(head->RecordCount() <= 1);
        auto history = query(*connection_, statements::robotHistory());
        history->open();
        QVERIFY(history->RecordCount() <= 360);
        const QString draw = history->fieldByName("cpqh")->asString();
        auto comparison = query(*connection_, statements::robotComparison());
        comparison->setParamValue("cpqh", draw);
        comparison->open();
        auto list = query(*connection_, statements::robotList(draw));
        list->open();
        QCOMPARE(list->RecordCount(), draw.isEmpty() ? 0 : comparison->RecordCount());
        auto lookup = query(*connection_, statements::operatorLookup());
        lookup->setParamValue("username", "x' or '1'='1");
        lookup->open();
        QVERIFY(lookup->isEmpty());
        history->close();
        head->close();
        comparison->close();
        list->close();
        lookup->close();
        QVERIFY(!connection_->connected());
    }

    void passwordChangeOfNobodyChangesNothing()
    {
        auto cpw = query(*connection_, statements::passwordChange());
        cpw->setParamValue("pw", "x");
        cpw->setParamValue("username", "\x01tallyvane-nobody");
        QCOMPARE(cpw->execSql(), qint64(0));
    }
};
TV_REGISTER_TEST(TestRealServer);

#include "tst_mssql.moc"
