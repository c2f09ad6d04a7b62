#include "DBErrors.h"
#include "DataFixture.h"
#include "FreeTdsConfig.h"
#include "OdbcDriver.h"
#include "SqlText.h"
#include "Statements.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>

namespace {

// Short waits: a silent server costs a test a second or two, not the product's 30.
constexpr OdbcTimeouts kTestTimeouts{5, 1};

QDateTime localTime(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A fresh fixture database, the shared test server switched to it, and a driver.
struct Rig {
    explicit Rig(SharedTdsServer& s) : server(*s), started(s.switchTo(db.path())) {}
    FixtureDb db;
    TdsTestServer& server;
    bool started;
    std::unique_ptr<Driver> driver = makeOdbcDriver(server.odbcText(), kTestTimeouts);

    DriverResult query(const StatementDef& statement, const QStringList& params)
    {
        return driver->query(markParameters(statement.tsql).sql, params);
    }
    qint64 execute(const StatementDef& statement, const QStringList& params)
    {
        return driver->execute(markParameters(statement.tsql).sql, params);
    }
};

int column(const DriverResult& result, const char* name)
{
    for (int c = 0; c < result.columns.size(); ++c)
        if (result.columns[c].name.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

ConnectionSettings server(const QString& host, int port)
{
    ConnectionSettings settings;
    settings.host = host;
    settings.port = port;
    return settings;
}

QVariant cell(const DriverResult& result, int row, const char* name)
{
    const int c = column(result, name);
    return c < 0 || row >= result.rows.size() ? QVariant(QStringLiteral("<missing>"))
                                              : result.rows[row][c];
}

// 64 Chinese characters: the 128 bytes a reason may hold, more than one read of text.
QString longReason()
{
    QString out;
    for (int i = 0; i < 64; ++i)
        out += QChar(0x4E00 + i * 37);
    return out;
}

} // namespace

class TestOdbcDriver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(server_.start()); }
    void cleanupTestCase() { server_.stop(); }

    void init()
    {
        rig_ = std::make_unique<Rig>(server_);
        QVERIFY(rig_->started);
        rig_->driver->connect();
        QVERIFY(rig_->driver->connected());
    }
    void cleanup()
    {
        server_.logIfFailed();
        rig_.reset();
    }

    void headerAdvice_data()
    {
        QTest::addColumn<int>("k02");
        QTest::addColumn<int>("k01");
        QTest::addColumn<int>("secondsAhead");
        QTest::addColumn<QString>("advice");
        QTest::newRow("bets") << 1 << 3 << 100 << QStringLiteral("押【12345】/注<3>");
        QTest::newRow("8-digit stake")
            << 1 << 12345678 << 100 << QStringLiteral("押【12345】/注<12345678>");
        QTest::newRow("stake too long for 8 characters")
            << 1 << 123456789 << 100 << QStringLiteral("押【12345】/注<*>");
        QTest::newRow("negative stake too long")
            << 1 << -12345678 << 100 << QStringLiteral("押【12345】/注<*>");
        QTest::newRow("passes") << 0 << 3 << 100 << QStringLiteral("过");
        QTest::newRow("draw past") << 1 << 3 << -120 << QStringLiteral("取数据...");
    }
    void headerAdvice()
    {
        QFETCH(int, k02);
        QFETCH(int, k01);
        QFETCH(int, secondsAhead);
        QFETCH(QString, advice);
        const QDateTime draw = QDateTime::currentDateTime().addSecs(secondsAhead);
        FixtureDb::Result r;
        r.ainame = QStringLiteral("全局最热");
        r.k02 = k02;
        r.k01 = k01;
        r.kjsj = draw.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        rig_->db.addResult(r);
        rig_->db.setVersion(7);

        const DriverResult result = rig_->query(statements::header(), {r.ainame});
        QCOMPARE(result.rows.size(), 1);
        QCOMPARE(cell(result, 0, "cz").toString(), advice);
        QCOMPARE(cell(result, 0, "ver"), QVariant(qlonglong(7)));
        QCOMPARE(result.columns[column(result, "xqkj")].type, DriverType::Integer);
        const qlonglong expected = secondsAhead + 55 - draw.time().second();
        const qlonglong xqkj = cell(result, 0, "xqkj").toLongLong();
        QVERIFY2(xqkj <= expected && xqkj >= expected - 2, qPrintable(QString::number(xqkj)));
        // char(5) arrives padded as the server stores it.
        QCOMPARE(cell(result, 0, "zjhm"), QVariant(QStringLiteral("12345")));
    }

    void headerNullVersionAndNoRow()
    {
        rig_->db.addResult({});
        rig_->db.setVersion(QVariant());
        DriverResult result = rig_->query(statements::header(), {QStringLiteral("追0")});
        QCOMPARE(result.rows.size(), 1);
        QVERIFY(!cell(result, 0, "ver").isValid());
        result = rig_->query(statements::header(), {QStringLiteral("追9")});
        QCOMPARE(result.rows.size(), 0);
        QCOMPARE(result.columns.size(), 5);
    }

    void historyTypesAndText()
    {
        FixtureDb::Result r;
        r.zjhm = QStringLiteral("123");
        r.kjsj = QStringLiteral("2020-10-02 13:07:30");
        r.k05 = longReason();
        r.k03 = -6;
        rig_->db.addResult(r);
        r.cpqh = QStringLiteral("20201002-0793");
        r.k05 = QStringLiteral("押【7】");
        rig_->db.addResult(r);
        rig_->db.exec(
            QStringLiteral("update a5_z0_5yc set K04=NULL, kjsj=NULL where cpqh='20201002-0793'"));

        const DriverResult result =
            rig_->query(statements::robotHistory(), {QStringLiteral("追0")});
        QCOMPARE(result.columns.size(), 15);
        QCOMPARE(result.rows.size(), 2);
        // Newest draw first, with its NULLs.
        QCOMPARE(cell(result, 0, "cpqh"), QVariant(QStringLiteral("20201002-0793")));
        QVERIFY(!cell(result, 0, "K04").isValid());
        QVERIFY(!cell(result, 0, "kjsj").isValid());
        QCOMPARE(cell(result, 0, "K05"), QVariant(QStringLiteral("押【7】")));
        QCOMPARE(cell(result, 1, "zjhm"), QVariant(QStringLiteral("123  ")));
        QCOMPARE(cell(result, 1, "kjsj"), QVariant(localTime("2020-10-02 13:07:30")));
        QCOMPARE(cell(result, 1, "K03"), QVariant(qlonglong(-6)));
        QCOMPARE(cell(result, 1, "K05").toString(), longReason());
        QCOMPARE(cell(result, 1, "ainame"), QVariant(QStringLiteral("追0")));
        QCOMPARE(result.columns[column(result, "kjsj")].type, DriverType::DateTime);
        QCOMPARE(result.columns[column(result, "K05")].type, DriverType::Text);
    }

    // Other software may cut a text inside a character; the server sends the cut bytes.
    void cutCharacterEndsTheText_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("next"); // a text column read after it
        QTest::addColumn<QString>("nextShown");
        const QString li = QStringLiteral("理");
        const QString cut = QString(QChar(QChar::ReplacementCharacter));
        QTest::newRow("header zjhm") << "header"
                                     << "zjhm"
                                     << "1234" + li << "1234" + cut << "cpqh"
                                     << "20201002-0792";
        QTest::newRow("history K05")
            << "history"
            << "K05" << QString(127, u'a') + li << QString(127, u'a') + cut << "ainame"
            << "追0";
        QTest::newRow("history K05, whole characters")
            << "history"
            << "K05" << QString(64, li[0]) + "x" << QString(64, li[0]) << "K04"
            << "12345";
        QTest::newRow("comparison k04")
            << "comparison"
            << "k04" << QString(31, u'1') + li + li << QString(31, u'1') + cut << "k05"
            << "理由";
    }
    void cutCharacterEndsTheText()
    {
        QFETCH(QString, statement);
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, next);
        QFETCH(QString, nextShown);
        FixtureDb::Result r;
        rig_->db.addResult(r);
        rig_->db.exec(QStringLiteral("update a5_z0_5yc set %1='%2'").arg(column, stored));
        const DriverResult result =
            statement == u"header"    ? rig_->query(statements::header(), {r.ainame})
            : statement == u"history" ? rig_->query(statements::robotHistory(), {r.ainame})
                                      : rig_->query(statements::robotComparison(), {r.cpqh});
        QCOMPARE(result.rows.size(), 1);
        QCOMPARE(cell(result, 0, column.toUtf8().constData()).toString(), shown);
        QCOMPARE(cell(result, 0, next.toUtf8().constData()).toString(), nextShown);
    }

    void comparisonAndRobotList()
    {
        const char* names[] = {"追0", "追1", "全局最热"};
        int balance = 100;
        for (const char* name : names) {
            FixtureDb::Result r;
            r.ainame = QString::fromUtf8(name);
            r.k00 = balance += 100;
            rig_->db.addResult(r);
            r.cpqh = QStringLiteral("20201002-0791");
            r.k00 = balance * 10;
            rig_->db.addResult(r);
        }
        DriverResult result =
            rig_->query(statements::robotComparison(), {QStringLiteral("20201002-0792")});
        QCOMPARE(result.rows.size(), 3);
        QCOMPARE(cell(result, 0, "ainame"), QVariant(QStringLiteral("全局最热")));
        QCOMPARE(cell(result, 0, "c3max"), QVariant(qlonglong(4000)));
        QCOMPARE(cell(result, 0, "c4min"), QVariant(qlonglong(400)));

        result =
            rig_->driver->query(statements::robotList(QStringLiteral("20201002-0792")).tsql, {});
        QCOMPARE(result.rows.size(), 3);
        QCOMPARE(result.rows[2][0], QVariant(QStringLiteral("全局最热")));
    }

    void operatorLookup_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<int>("rows");
        QTest::newRow("quote in name") << QStringLiteral("o'neil") << 1;
        QTest::newRow("chinese name") << QStringLiteral("张三") << 1;
        QTest::newRow("injection stays a value") << QStringLiteral("x' or '1'='1") << 0;
        QTest::newRow("empty") << QString() << 0;
    }
    void operatorLookup()
    {
        QFETCH(QString, login);
        QFETCH(int, rows);
        rig_->db.addOperator(1, QStringLiteral("o'neil"), QStringLiteral("奥尼尔"),
                             QStringLiteral("pw1"));
        rig_->db.addOperator(2, QStringLiteral("张三"), QStringLiteral("张三丰"),
                             QStringLiteral("口令"));
        const DriverResult result = rig_->query(statements::operatorLookup(), {login});
        QCOMPARE(result.rows.size(), rows);
        if (rows) {
            QCOMPARE(cell(result, 0, "F03用户名"), QVariant(login));
            QCOMPARE(result.columns[column(result, "F01用户ID")].type, DriverType::Integer);
        }
    }

    void passwordChangeRowCount()
    {
        rig_->db.addOperator(1, QStringLiteral("张三"), QStringLiteral("张三丰"),
                             QStringLiteral("old"));
        QCOMPARE(rig_->execute(statements::passwordChange(),
                               {QStringLiteral("新口令"), QStringLiteral("张三")}),
                 1);
        QCOMPARE(rig_->db.scalar(QStringLiteral("select \"F07口令\" from \"TA71操作用户\"")),
                 QVariant(QStringLiteral("新口令")));
        QCOMPARE(rig_->execute(statements::passwordChange(), {QString(), QStringLiteral("nobody")}),
                 0);
    }

    void serverErrors_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown table") << QStringLiteral("select * from dbo.a5_missing")
                                       << QStringLiteral("Invalid object name 'dbo.a5_missing'.");
        QTest::newRow("bad syntax")
            << QStringLiteral("selec 1") << QStringLiteral("Incorrect syntax near 'selec'.");
    }
    void serverErrors()
    {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        try {
            rig_->driver->query(sql, {});
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QCOMPARE(error.message(), message);
            QVERIFY(!error.linkLost());
        }
        // The link survives a statement error.
        QVERIFY(rig_->driver->connected());
        QCOMPARE(rig_->query(statements::robotHistory(), {QStringLiteral("追0")}).rows.size(), 0);
    }

    void linkCutMidResult()
    {
        rig_->db.addResult({});
        QVERIFY(rig_->server.setFault(QStringLiteral("close")));
        try {
            rig_->query(statements::robotHistory(), {QStringLiteral("追0")});
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QVERIFY2(error.linkLost(), qPrintable(error.message()));
        }
        QVERIFY(!rig_->driver->connected());
        QVERIFY(rig_->server.setFault(QStringLiteral("none")));
        rig_->driver->connect();
        QCOMPARE(rig_->query(statements::robotHistory(), {QStringLiteral("追0")}).rows.size(), 1);
    }

    void silentServerTimesOut()
    {
        QVERIFY(rig_->server.setFault(QStringLiteral("silent")));
        QElapsedTimer clock;
        clock.start();
        try {
            rig_->query(statements::header(), {QStringLiteral("追0")});
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QVERIFY(error.linkLost());
            QVERIFY(!error.message().isEmpty());
        }
        // One statement timeout, and at most one more for the unanswered cancel.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!rig_->driver->connected());
    }

    void slowServerWithinTimeout()
    {
        rig_->db.addResult({});
        QVERIFY(rig_->server.setFault(QStringLiteral("delay 300")));
        QCOMPARE(rig_->query(statements::robotHistory(), {QStringLiteral("追0")}).rows.size(), 1);
    }

    void refusedLogin()
    {
        rig_->driver->disconnect();
        QVERIFY(rig_->server.setFault(QStringLiteral("refuse")));
        try {
            rig_->driver->connect();
            QFAIL("no error");
        } catch (const EConnectionError& error) {
            QCOMPARE(error.message(), QStringLiteral("Login failed for user 'sa'."));
        }
        QVERIFY(!rig_->driver->connected());
    }

    void silentServerAtLogin()
    {
        rig_->driver->disconnect();
        QVERIFY(rig_->server.setFault(QStringLiteral("silent")));
        QElapsedTimer clock;
        clock.start();
        auto driver = makeOdbcDriver(rig_->server.odbcText(), {1, 1});
        QVERIFY_THROWS_EXCEPTION(EConnectionError, driver->connect());
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!driver->connected());
    }

    void fullHistorySpansPackets()
    {
        // 400 draws of one robot with long reasons: many TDS packets, the newest 360 back.
        rig_->db.exec(QStringLiteral(
            "with recursive n(i) as (select 1 union all select i+1 from n where i<400) "
            "insert into a5_z0_5yc (kind,cpqh,zjhm,tsbh,kjsj,ainame,K00,K01,K02,K03,K04,K05) "
            "select 1, printf('20201002-%04d', i), '12345', 0, '2020-10-02 13:07:00', '追0', i, 1, "
            "1, 0, "
            "'12345', '押【12345】' || substr(replace(hex(zeroblob(60)), '00', '理'), 1, 56) from "
            "n"));
        const DriverResult result =
            rig_->query(statements::robotHistory(), {QStringLiteral("追0")});
        QCOMPARE(result.rows.size(), 360);
        QCOMPARE(cell(result, 0, "cpqh"), QVariant(QStringLiteral("20201002-0400")));
        QCOMPARE(cell(result, 359, "K00"), QVariant(qlonglong(41)));
        QCOMPARE(cell(result, 359, "K05").toString(),
                 QStringLiteral("押【12345】") + QString(56, QChar(0x7406)));
    }

private:
    SharedTdsServer server_;
    std::unique_ptr<Rig> rig_;
};

// Verdicts and connects that need no running server.
class TestOdbcOffline : public QObject {
    Q_OBJECT
private slots:
    void closedPortFailsPromptly()
    {
        const int port = closedLoopbackPort();
        QVERIFY(port > 0);
        auto driver = makeOdbcDriver(odbcConnectionText(server(QStringLiteral("127.0.0.1"), port)),
                                     kTestTimeouts);
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(EConnectionError, driver->connect());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!driver->connected());
    }

    // The error names the cause as the driver gives it, for the administrator's line.
    void connectFailureNamesItsCause_data()
    {
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<QString>("cause");
        QTest::newRow("refused port")
            << odbcConnectionText(server(QStringLiteral("127.0.0.1"), closedLoopbackPort()))
            << "Unable to connect: Adaptive Server is unavailable or does not exist";
        QTest::newRow("driver not registered")
            << QStringLiteral("DRIVER={NoSuchTallyvaneDriver};SERVER=h;PWD={HbnTr4417}")
            << "Can't open lib 'NoSuchTallyvaneDriver' : file not found";
    }
    void connectFailureNamesItsCause()
    {
        QFETCH(QString, odbc);
        QFETCH(QString, cause);
        try {
            makeOdbcDriver(odbc, kTestTimeouts)->connect();
            QFAIL("connected");
        } catch (const EConnectionError& e) {
            QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
            QVERIFY(!e.message().contains(QStringLiteral("HbnTr4417")));
        }
    }

    void linkLostVerdict_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("lost");
        QTest::newRow("08S01") << "08S01"
                               << "Write to the server failed" << true;
        QTest::newRow("HY000 eof") << "HY000"
                                   << "Unexpected EOF from the server" << true;
        QTest::newRow("link failure text") << "HY000"
                                           << "Communication link failure" << true;
        QTest::newRow("server error") << "42S02"
                                      << "Invalid object name 'x'." << false;
        QTest::newRow("timeout alone") << "HYT00"
                                       << "Query timeout expired" << false;
    }
    void linkLostVerdict()
    {
        QFETCH(QString, state);
        QFETCH(QString, message);
        QFETCH(bool, lost);
        QCOMPARE(odbcLinkLost({state, 0, message}), lost);
    }

    // Brace quoting as FreeTDS reads it (checked against it by hand: "}}" is no escape there).
    void connectionTextQuotesEveryValue()
    {
        QCOMPARE(odbcConnectionText(server(QStringLiteral("::1"), 1433)),
                 QStringLiteral("DRIVER={FreeTDS};SERVER={::1};PORT={1433};DATABASE={KvtCP};"
                                "UID={sa};PWD={HbnTr4417};TDS_Version=7.3;ClientCharset=UTF-8"));
        ConnectionSettings odd = server(QStringLiteral("h"), 7);
        odd.user = QStringLiteral("u=1");
        odd.password = QStringLiteral("p}w{x=y");
        const QString odbc = odbcConnectionText(odd);
        QVERIFY2(odbc.contains(QStringLiteral(";PWD={p}w{x=y};")), qPrintable(odbc));
        QVERIFY2(odbc.contains(QStringLiteral(";UID={u=1};")), qPrintable(odbc));
        QVERIFY(odbcQuotable(QStringLiteral("a;b}c{")));
        QVERIFY(!odbcQuotable(QStringLiteral("a};b")));
    }

    // The built-in text documents the default; the driver's text says the same.
    void builtInTextNamesWhatTheDriverUses()
    {
        ConnectionSettings settings;
        settings.host = QStringLiteral("db.example");
        QMap<QString, QString> ado;
        for (const QString& field : adoConnectionText(settings).split(u';'))
            ado.insert(field.section(u'=', 0, 0), field.section(u'=', 1));
        QCOMPARE(ado.value(QStringLiteral("Provider")), QStringLiteral("SQLOLEDB.1"));
        QCOMPARE(odbcConnectionText(settings),
                 QStringLiteral("DRIVER={FreeTDS};SERVER={%1};PORT={%2};DATABASE={%3};UID={%4};"
                                "PWD={%5};TDS_Version=7.3;ClientCharset=UTF-8")
                     .arg(ado.value(QStringLiteral("Data Source")).section(u',', 0, 0),
                          ado.value(QStringLiteral("Data Source")).section(u',', 1),
                          ado.value(QStringLiteral("Initial Catalog")),
                          ado.value(QStringLiteral("User ID")),
                          ado.value(QStringLiteral("Password"))));
    }

    // The account reaches the ODBC text as given: quotes, ";", outer blanks and braces.
    void accountReachesTheOdbcText_data()
    {
        QTest::addColumn<QStringList>("account"); // database, user, password
        QTest::newRow("plain") << QStringList{"Site", "op", "pw"};
        QTest::newRow("semicolon and quotes") << QStringList{"d;b", "o'p", "p;w\"d'x"};
        QTest::newRow("outer blanks") << QStringList{" d ", "op ", "  pw"};
        QTest::newRow("quoted whole") << QStringList{"'d'", "\"op\"", "\"\""};
        QTest::newRow("braces and equals") << QStringList{"{d}", "u}={", "p}w{x=y;"};
        QTest::newRow("Chinese") << QStringList{"库", "操作员", "口令"};
        QTest::newRow("empty password") << QStringList{"d", "u", ""};
    }
    void accountReachesTheOdbcText()
    {
        QFETCH(QStringList, account);
        ConnectionSettings settings = server(QStringLiteral("h"), 7);
        settings.database = account[0];
        settings.user = account[1];
        settings.password = account[2];
        QCOMPARE(odbcConnectionText(settings),
                 QStringLiteral("DRIVER={FreeTDS};SERVER={h};PORT={7};DATABASE={%1};UID={%2};"
                                "PWD={%3};TDS_Version=7.3;ClientCharset=UTF-8")
                     .arg(account[0], account[1], account[2]));
    }

    // Encryption reaches the driver as FreeTDS takes it: a word in the ODBC text, and the
    // certificate checks only through a section of its configuration.
    void encryptionInTheDriversTerms_data()
    {
        QTest::addColumn<int>("encryption"); // ConnectionSettings::Encryption
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("parts"); // in the text: its server part and its tail
        QTest::addColumn<QString>("section");
        const QString plain = QStringLiteral("SERVER={h};PORT={7};");
        QTest::newRow("request, as always") << 1 << "" << plain + "ClientCharset=UTF-8"
                                            << "";
        QTest::newRow("off") << 0 << "" << plain + "ClientCharset=UTF-8;Encryption=off"
                             << "";
        QTest::newRow("require: the system's authorities")
            << 2 << ""
            << "SERVERNAME={tallyvane-;Encryption=require"
            << "\thost = h\n\tport = 7\n\tencryption = require\n\tca file = system\n"
               "\tcheck certificate hostname = yes\n";
        QTest::newRow("request with a CA file")
            << 1 << "/etc/ca.pem"
            << "SERVERNAME={tallyvane-;ClientCharset=UTF-8"
            << "\thost = h\n\tport = 7\n\tencryption = request\n\tca file = /etc/ca.pem\n"
               "\tcheck certificate hostname = yes\n";
    }
    void encryptionInTheDriversTerms()
    {
        QFETCH(int, encryption);
        QFETCH(QString, caFile);
        QFETCH(QString, parts);
        QFETCH(QString, section);
        ConnectionSettings settings = server(QStringLiteral("h"), 7);
        settings.encryption = ConnectionSettings::Encryption(encryption);
        settings.caFile = caFile;
        const QString odbc = odbcConnectionText(settings);
        for (const QString& part : parts.split(u';'))
            QVERIFY2(odbc.contains(part), qPrintable(odbc));
        QVERIFY2(odbc.contains(QStringLiteral(";PWD={HbnTr4417};")), qPrintable(odbc));
        QCOMPARE(freeTdsChecksCertificate(settings), !section.isEmpty());
        if (!section.isEmpty()) {
            QCOMPARE(freeTdsSection(settings), section);
            QVERIFY(!freeTdsSection(settings).contains(settings.password));
        }
    }

    void prefixesStripped()
    {
        QCOMPARE(
            odbcStripPrefixes(QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'sa'.")),
            QStringLiteral("Login failed for user 'sa'."));
        QCOMPARE(odbcStripPrefixes(QStringLiteral("押【x】")), QStringLiteral("押【x】"));
    }
};

// A site's own account, as odd as a password gets, reaches the server as given.
class TestOdbcSiteAccount : public QObject {
    Q_OBJECT
private slots:
    void siteAccountLogsIn()
    {
        FixtureDb db;
        TdsTestServer tds{db.path()};
        QVERIFY(tds.started());
        ConnectionSettings site = server(QStringLiteral("127.0.0.1"), tds.port());
        site.database = QStringLiteral("Site;DB");
        site.user = QStringLiteral("op=1");
        site.password = QStringLiteral(" p;w\"d'x}{= ");
        QVERIFY(tds.setAccount(site.user, site.password, site.database));

        DirectConnection connection(site);
        connection.open();
        QVERIFY(connection.connected());
        QVERIFY2(tds.log().contains(QStringLiteral("login op=1 database Site;DB")),
                 qPrintable(tds.log()));
        // The statements that name the database name the site's.
        for (const StatementDef* statement :
             {&statements::header(), &statements::robotComparison()}) {
            auto q = query(connection, *statement);
            q->open();
            QVERIFY(q->Active());
        }
        // The built-in account is refused there now: the values above were the ones used.
        DirectConnection builtIn(server(site.host, site.port));
        QVERIFY_THROWS_EXCEPTION(EConnectionError, builtIn.open());
    }
};

TV_REGISTER_TEST(TestOdbcDriver);
TV_REGISTER_TEST(TestOdbcOffline);
TV_REGISTER_TEST(TestOdbcSiteAccount);
#include "tst_odbc.moc"
