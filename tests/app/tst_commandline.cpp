#include "CommandLine.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ConnectionSettings::Kind)

class TestCommandLine : public QObject {
    Q_OBJECT

    // A site without settings, but for TALLYVANE_SERVER when `server` is not empty.
    QProcessEnvironment withServer(const QString& server) const
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), noSettings_.path());
        if (!server.isEmpty())
            environment.insert(QStringLiteral("TALLYVANE_SERVER"), server);
        return environment;
    }
    QTemporaryDir noSettings_;

private slots:
    void goodInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<ConnectionSettings::Kind>("kind");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("file");
        const auto server = ConnectionSettings::Kind::SqlServer;
        const auto sqlite = ConnectionSettings::Kind::Sqlite;
        QTest::newRow("nothing") << QStringList{} << "" << server << "localhost" << 27999 << "";
        QTest::newRow("host") << QStringList{"--server", "db.example"} << "" << server
                              << "db.example" << 27999 << "";
        QTest::newRow("host,port")
            << QStringList{"--server", "10.0.0.5,1433"} << "" << server << "10.0.0.5" << 1433 << "";
        QTest::newRow("equals form")
            << QStringList{"--server=h,1"} << "" << server << "h" << 1 << "";
        QTest::newRow("highest port")
            << QStringList{"--server", "h,65535"} << "" << server << "h" << 65535 << "";
        QTest::newRow("environment")
            << QStringList{} << "envhost,2000" << server << "envhost" << 2000 << "";
        QTest::newRow("option beats environment")
            << QStringList{"--server", "h"} << "envhost,2000" << server << "h" << 27999 << "";
        QTest::newRow("sqlite") << QStringList{"--sqlite", "/tmp/x.db"} << "" << sqlite
                                << "localhost" << 27999 << "/tmp/x.db";
        QTest::newRow("dotted name") << QStringList{"--server", "db-1.Example.com,1"} << ""
                                     << server << "db-1.Example.com" << 1 << "";
        QTest::newRow("IPv6 in brackets")
            << QStringList{"--server", "[::1],1433"} << "" << server << "::1" << 1433 << "";
        QTest::newRow("IPv6 without port")
            << QStringList{"--server", "[fe80::1:2]"} << "" << server << "fe80::1:2" << 27999 << "";
        QTest::newRow("blanks around")
            << QStringList{"--server", " h , 7 "} << "" << server << "h" << 7 << "";
        QTest::newRow("Qt's own options pass") << QStringList{"-platform", "offscreen", "-reverse"}
                                               << "" << server << "localhost" << 27999 << "";
        QTest::newRow("sqlite ignores a bad environment")
            << QStringList{"--sqlite", "a.db"} << ",0" << sqlite << "localhost" << 27999 << "a.db";
    }
    void goodInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, environment);
        QFETCH(ConnectionSettings::Kind, kind);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, file);
        const CommandLine result =
            parseCommandLine(QStringList{"tallyvane"} + args, withServer(environment));
        QCOMPARE(result.standardError, QString());
        QCOMPARE(result.action, CommandLine::Action::Run);
        QCOMPARE(result.settings.kind, kind);
        QCOMPARE(result.settings.host, host);
        QCOMPARE(result.settings.port, port);
        QCOMPARE(result.settings.sqliteFile, file);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("empty host") << QStringList{"--server", ""} << ""
                                    << "host";
        QTest::newRow("blank host with port") << QStringList{"--server", " ,1433"} << ""
                                              << "host";
        QTest::newRow("port 0") << QStringList{"--server", "h,0"} << ""
                                << "65535";
        QTest::newRow("port 65536") << QStringList{"--server", "h,65536"} << ""
                                    << "65535";
        QTest::newRow("port huge") << QStringList{"--server", "h,99999999999"} << ""
                                   << "65535";
        QTest::newRow("port negative") << QStringList{"--server", "h,-1"} << ""
                                       << "65535";
        QTest::newRow("port empty") << QStringList{"--server", "h,"} << ""
                                    << "65535";
        QTest::newRow("port not a number") << QStringList{"--server", "h,12ab"} << ""
                                           << "65535";
        QTest::newRow("two ports") << QStringList{"--server", "h,1,2"} << ""
                                   << "65535";
        QTest::newRow("missing value") << QStringList{"--server"} << ""
                                       << "--server";
        QTest::newRow("unknown option") << QStringList{"--verbose"} << ""
                                        << "verbose";
        QTest::newRow("both options") << QStringList{"--server", "h", "--sqlite", "f.db"} << ""
                                      << "--sqlite";
        QTest::newRow("positional") << QStringList{"stray"} << ""
                                    << "stray";
        QTest::newRow("empty sqlite file") << QStringList{"--sqlite", ""} << ""
                                           << "--sqlite";
        for (const char* host :
             {"127.0.0.1;Database=master", "h;x", "h}", "h=1", "[::1", "::1", "[1.2.3.4]", "[::1]x",
              "host_1", "-lead", "trail-", "a..b", "1.2.3", "256.1.1.1", "数据库", "h\\SQLEXPRESS",
              "a234567890123456789012345678901234567890123456789012345678901234.b"}) // label of 64
            QTest::newRow(host) << QStringList{"--server", QString::fromUtf8(host) + ",38101"} << ""
                                << "host name, an IPv4 address or an IPv6 address";
        QTest::newRow("environment with a semicolon") << QStringList{} << "h;Database=master"
                                                      << "TALLYVANE_SERVER: the server host";
        QTest::newRow("bad environment") << QStringList{} << "h,70000"
                                         << "TALLYVANE_SERVER";
        QTest::newRow("environment empty host") << QStringList{} << ",1"
                                                << "TALLYVANE_SERVER";
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, environment);
        QFETCH(QString, mentions);
        const CommandLine result =
            parseCommandLine(QStringList{"tallyvane"} + args, withServer(environment));
        QCOMPARE(result.action, CommandLine::Action::Exit);
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.standardOutput, QString());
        QVERIFY(result.standardError.endsWith(QLatin1Char('\n')));
        QCOMPARE(result.standardError.count(QLatin1Char('\n')), 1);
        QVERIFY2(result.standardError.contains(mentions), qPrintable(result.standardError));
    }

    void helpAndVersionPrintAndExitZero_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("--help") << "--help"
                                << "--sqlite";
        QTest::newRow("-h") << "-h"
                            << "--server";
        QTest::newRow("--help-all: Qt's options too") << "--help-all"
                                                      << "-platform <NAME>";
        QTest::newRow("--version") << "--version"
                                   << "Tallyvane";
    }
    void helpAndVersionPrintAndExitZero()
    {
        QFETCH(QString, option);
        QFETCH(QString, mentions);
        // Help wins over a bad value next to it: nothing is run either way.
        const CommandLine result = parseCommandLine({"tallyvane", option}, withServer(",bad"));
        QCOMPARE(result.action, CommandLine::Action::Exit);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardError, QString());
        QVERIFY(result.standardOutput.contains(mentions));
        QVERIFY(!result.standardOutput.contains(ConnectionSettings{}.password));
        // Qt's options only where they are promised.
        QCOMPARE(result.standardOutput.contains(QStringLiteral("-stylesheet")),
                 option == QStringLiteral("--help-all"));
    }
};

TV_REGISTER_TEST(TestCommandLine);
#include "tst_commandline.moc"
