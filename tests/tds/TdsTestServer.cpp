#include "TdsTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <unistd.h>

namespace {
constexpr int kStartMs = 10000;
int serverCount = 0;
} // namespace

TdsTestServer::TdsTestServer(const QString& databaseFile)
    : logFile_(QDir::temp().filePath(QStringLiteral("tds_server_%1_%2.log")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(++serverCount)))
{
    const QString script = QStringLiteral(TALLYVANE_SOURCE_DIR "/tests/tds/tds_server.py");
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("python3"),
                   {script, databaseFile, QStringLiteral("--log"), logFile_});
    if (!process_.waitForStarted(kStartMs))
        return;
    QElapsedTimer clock;
    clock.start();
    // Short waits in a loop: a single long wait can miss output that arrived meanwhile.
    while (clock.elapsed() < kStartMs && process_.state() == QProcess::Running) {
        if (!process_.canReadLine()) {
            process_.waitForReadyRead(50);
            continue;
        }
        const QByteArray line = process_.readLine().trimmed();
        if (line.startsWith("port ")) {
            port_ = line.mid(5).toInt();
            return;
        }
    }
    qWarning("TDS test server did not start: %s", qPrintable(process_.errorString()));
}

TdsTestServer::~TdsTestServer()
{
    // Closing its input ends the server; kill it only if it does not go.
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
    QFile::remove(logFile_);
}

QString TdsTestServer::odbcText() const
{
    ConnectionSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = port_;
    return odbcConnectionText(settings);
}

bool TdsTestServer::setFault(const QString& mode)
{
    return command("fault " + mode.toUtf8());
}

bool TdsTestServer::setEncryption(const QString& policy, const QString& certificate,
                                  const QString& key)
{
    return command(QStringLiteral("encryption %1 %2 %3").arg(policy, certificate, key).toUtf8());
}

bool TdsTestServer::setDatabase(const QString& databaseFile)
{
    return command("db " + databaseFile.toUtf8());
}

bool TdsTestServer::setAccount(const QString& user, const QString& password,
                               const QString& database)
{
    const QJsonArray account{user, password, database};
    return command("account " + QJsonDocument(account).toJson(QJsonDocument::Compact));
}

bool TdsTestServer::command(const QByteArray& line, QList<QByteArray>* output)
{
    process_.write(line + "\n");
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartMs && process_.state() == QProcess::Running) {
        if (!process_.canReadLine()) {
            process_.waitForReadyRead(50);
            continue;
        }
        const QByteArray reply = process_.readLine().trimmed();
        if (reply == "ok")
            return true;
        if (output)
            output->append(reply);
    }
    return false;
}

TdsTestServer::Stats TdsTestServer::stats()
{
    QList<QByteArray> lines;
    Stats s;
    if (!command("stats", &lines) || lines.isEmpty())
        return s;
    const std::pair<const char*, int Stats::*> names[] = {{"logins", &Stats::logins},
                                                          {"failed", &Stats::failed},
                                                          {"statements", &Stats::statements},
                                                          {"sessions", &Stats::sessions},
                                                          {"peak", &Stats::peak},
                                                          {"clear", &Stats::clear},
                                                          {"sealed", &Stats::sealed},
                                                          {"exposed", &Stats::exposed},
                                                          {"handshakes", &Stats::handshakes},
                                                          {"broken", &Stats::broken}};
    for (const QByteArray& field : lines.last().split(' ')) {
        const QList<QByteArray> pair = field.split('=');
        if (pair.size() != 2)
            continue;
        for (const auto& [name, member] : names)
            if (pair[0] == name)
                s.*member = pair[1].toInt();
    }
    return s;
}

bool TdsTestServer::resetStats()
{
    return command("stats reset");
}

QString TdsTestServer::log() const
{
    QFile file(logFile_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

DirectConnection::DriverFactory TdsTestServer::drivers(const OdbcTimeouts& timeouts) const
{
    return [odbc = odbcText(), timeouts] { return makeOdbcDriver(odbc, timeouts); };
}

bool SharedTdsServer::start()
{
    server_ = std::make_unique<TdsTestServer>(QString());
    return server_->started();
}

bool SharedTdsServer::switchTo(const QString& databaseFile)
{
    return server_->setDatabase(databaseFile) && server_->setFault(QStringLiteral("none")) &&
           server_->setEncryption(QStringLiteral("none"));
}

void SharedTdsServer::logIfFailed() const
{
    if (QTest::currentTestFailed())
        qWarning().noquote() << server_->log();
}
