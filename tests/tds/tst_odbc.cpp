#include "DBErrors.h"
#include "FixtureDb.h"
#include "OdbcDriver.h"
#include "SqlText.h"
#include "Statements.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"

#include <QTest>

class TestOdbc : public QObject {
    Q_OBJECT
private slots:
    void probe()
    {
        FixtureDb db;
        db.addResult({});
        db.setVersion(7);
        TdsTestServer server(db.path());
        QVERIFY(server.started());
        auto driver = makeOdbcDriver(server.odbcText(), {5, 5});
        try {
            driver->Connect();
            const MarkedStatement m = markParameters(statements::header().tsql);
            DriverResult r = driver->Query(m.sql, {QStringLiteral("追0")});
            for (auto& c : r.columns) qDebug() << c.name << int(c.type);
            for (auto& row : r.rows) qDebug() << row;
        } catch (const EDatabaseError& e) {
            qDebug() << "ERR" << e.Message();
        }
        qDebug().noquote() << server.log();
    }
};
TV_REGISTER_TEST(TestOdbc);
#include "tst_odbc.moc"
