#include "DBErrors.h"
#include "FixtureDb.h"
#include "FreeTdsConfig.h"
#include "OdbcDriver.h"
#include "SqlText.h"
#include "Statements.h"
#include "TdsTestServer.h"
#include "TestCertificates.h"
#include "TestRegistry.h"
#include "TlsProbe.h"

#include <QTest>

namespace {

constexpr OdbcTimeouts kTestTimeouts{5, 5};
using Encryption = ConnectionSettings::Encryption;
using Server = TestCertificates::Server;

// What a connect came to, as the test server saw it.
enum class Login {
    Clear,  // the login crossed the wire in the clear
    Sealed, // inside TLS
    None    // refused before any login was sent
};

} // namespace

Q_DECLARE_METATYPE(Encryption)
Q_DECLARE_METATYPE(Server)
Q_DECLARE_METATYPE(Login)

// Each encryption setting against each server (none offered, offered, forced) and each
// certificate: connects or not, and how the login travelled.
class TestTdsEncryption : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(certificates_.made(), qPrintable(certificates_.error()));
        QVERIFY(server_.start());
    }
    void cleanupTestCase() { server_.stop(); }
    void cleanup() { server_.logIfFailed(); }

    void settingsAgainstServers_data()
    {
        QTest::addColumn<Encryption>("encryption");
        QTest::addColumn<bool>("testAuthority"); // the site names the test authority's file
        QTest::addColumn<QString>("policy");
        QTest::addColumn<Server>("certificate");
        QTest::addColumn<Login>("login");
        QTest::addColumn<QString>("cause"); // of a refusal, as the error says it
        const auto row = [](const char* name, Encryption e, bool ca, const char* policy,
                            Server certificate, Login login, const char* cause = "") {
            QTest::newRow(name) << e << ca << QString::fromLatin1(policy) << certificate << login
                                << QString::fromUtf8(cause);
        };
        const Encryption off = Encryption::Off, request = Encryption::Request,
                         require = Encryption::Require;
        const Login clear = Login::Clear, sealed = Login::Sealed, none = Login::None;
        const char* const noTls = "before the login: the server offers no TLS";
        const char* const wrongHost =
            "before the login: the server's certificate is for another host name than localhost";
        const char* const untrusted =
            "before the login: the server's certificate is not from a trusted authority";
        const char* const expired = "before the login: the server's certificate has expired";
        // The built-in setting, as before: encryption when offered, its certificate unchecked.
        row("request, none offered", request, false, "none", Server::Good, clear);
        row("request, offered", request, false, "offer", Server::Good, sealed);
        row("request, offered, wrong host unchecked", request, false, "offer", Server::WrongHost,
            sealed);
        row("request, forced", request, false, "force", Server::Good, sealed);
        // A named authority is checked whenever TLS is used.
        row("request+CA, none offered", request, true, "none", Server::Good, clear);
        row("request+CA, offered", request, true, "offer", Server::Good, sealed);
        row("request+CA, wrong host", request, true, "offer", Server::WrongHost, none, wrongHost);
        row("request+CA, other authority", request, true, "force", Server::OtherAuthority, none,
            untrusted);
        // Off asks for nothing, but a server that forces TLS gets it.
        row("off, none offered", off, false, "none", Server::Good, clear);
        row("off, offered", off, false, "offer", Server::Good, clear);
        row("off, forced", off, false, "force", Server::Good, sealed);
        // Require: no TLS, no login; the certificate checked against the system's authorities
        // (which do not know the test's) or the site's, and the host name.
        row("require, none offered", require, false, "none", Server::Good, none, noTls);
        row("require, system authorities", require, false, "offer", Server::Good, none, untrusted);
        row("require+CA, none offered", require, true, "none", Server::Good, none, noTls);
        row("require+CA, offered", require, true, "offer", Server::Good, sealed);
        row("require+CA, forced", require, true, "force", Server::Good, sealed);
        row("require+CA, wrong host", require, true, "offer", Server::WrongHost, none, wrongHost);
        row("require+CA, wrong host, forced", require, true, "force", Server::WrongHost, none,
            wrongHost);
        row("require+CA, expired", require, true, "offer", Server::Expired, none, expired);
        row("require+CA, other authority", require, true, "offer", Server::OtherAuthority, none,
            untrusted);
    }
    void settingsAgainstServers()
    {
        QFETCH(Encryption, encryption);
        QFETCH(bool, testAuthority);
        QFETCH(QString, policy);
        QFETCH(Server, certificate);
        QFETCH(Login, login);
        QFETCH(QString, cause);
        FixtureDb db;
        QVERIFY(server_.switchTo(db.path()));
        QVERIFY(server_->setEncryption(policy, certificates_.certificateFile(certificate),
                                       certificates_.keyFile(certificate)));
        QVERIFY(server_->resetStats());

        ConnectionSettings settings;
        settings.host = QStringLiteral("localhost");
        settings.port = server_->port();
        settings.encryption = encryption;
        if (testAuthority)
            settings.caFile = certificates_.authorityFile();
        QString error;
        QVERIFY2(installFreeTdsConfig(settings, &error), qPrintable(error));
        const auto driver =
            makeOdbcDriver(odbcConnectionText(settings), kTestTimeouts, [settings](int timeoutMs) {
                return probeTlsRefusal(settings, timeoutMs);
            });
        try {
            driver->connect();
            // The whole session works over whatever the pre-login agreed on.
            const DriverResult result = driver->query(
                markParameters(statements::operatorLookup().tsql).sql, {QStringLiteral("nobody")});
            QVERIFY(!result.columns.isEmpty());
            QVERIFY2(login != Login::None, "connected where it must be refused");
        } catch (const EConnectionError& e) {
            QVERIFY2(login == Login::None, qPrintable(e.message()));
            QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
            QVERIFY(!e.message().contains(settings.password));
        }
        const TdsTestServer::Stats stats = server_->stats();
        QCOMPARE(stats.clear, login == Login::Clear ? 1 : 0);
        QCOMPARE(stats.sealed, login == Login::Sealed ? 1 : 0);
        QCOMPARE(stats.logins, login == Login::None ? 0 : 1);
        // Inside TLS the password never crosses the wire readable.
        QCOMPARE(stats.exposed, login == Login::Clear ? 1 : 0);
    }

private:
    TestCertificates certificates_;
    SharedTdsServer server_;
};

TV_REGISTER_TEST(TestTdsEncryption);
#include "tst_tdstls.moc"
