#include "FreeTdsConfig.h"

#include "DBErrors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

bool freeTdsChecksCertificate(const ConnectionSettings& settings)
{
    return settings.kind == ConnectionSettings::Kind::SqlServer &&
           (settings.encryption == ConnectionSettings::Encryption::Require ||
            !settings.caFile.isEmpty());
}

QString freeTdsSection(const ConnectionSettings& settings)
{
    const bool required = settings.encryption == ConnectionSettings::Encryption::Require;
    // "system" is FreeTDS's word for the system's authorities; a file is always absolute.
    return QStringLiteral("\thost = %1\n\tport = %2\n\tencryption = %3\n\tca file = %4\n"
                          "\tcheck certificate hostname = yes\n")
        .arg(settings.host)
        .arg(settings.port)
        .arg(required ? QStringLiteral("require") : QStringLiteral("request"),
             settings.caFile.isEmpty() ? QStringLiteral("system") : settings.caFile);
}

QString freeTdsSectionName(const ConnectionSettings& settings)
{
    const QByteArray hash =
        QCryptographicHash::hash(freeTdsSection(settings).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("tallyvane-") + QString::fromLatin1(hash.toHex().left(16));
}

QString freeTdsValueProblem(const QString& value)
{
    if (value.contains(u';') || value.contains(u'#'))
        return QStringLiteral(
            "holds \";\" or \"#\", which the driver's configuration cannot carry");
    for (qsizetype i = 0; i < value.size(); ++i)
        if (value[i].category() == QChar::Other_Control ||
            (value[i].isSpace() &&
             (value[i] != u' ' || i == 0 || i + 1 == value.size() || value[i + 1].isSpace())))
            return QStringLiteral("holds blanks the driver's configuration cannot carry (a tab, "
                                  "a line break, two in a row, or at an end)");
    if (value.toLocal8Bit().size() > 200)
        return QStringLiteral("is longer than the driver's configuration can carry (200 bytes)");
    return {};
}

namespace {

// The process's private configuration: every section asked for so far, rewritten whole (and
// replaced at once) when one is added, so that a driver reading it meanwhile sees either.
class PrivateConfig {
public:
    bool add(const QString& name, const QString& section, QString* error)
    {
        const std::lock_guard lock(mutex_);
        if (sections_.contains(name))
            return true;
        if (!directory_) {
            directory_ = std::make_unique<QTemporaryDir>(
                QDir::temp().filePath(QStringLiteral("tallyvane-freetds-XXXXXX")));
            if (!directory_->isValid()) {
                *error = QStringLiteral("cannot make a private directory for the SQL Server "
                                        "driver's configuration: %1")
                             .arg(directory_->errorString());
                directory_.reset();
                return false;
            }
        }
        QMap<QString, QString> sections = sections_;
        sections.insert(name, section);
        const QString path = directory_->filePath(QStringLiteral("freetds.conf"));
        QSaveFile file(path);
        QByteArray text;
        for (auto it = sections.cbegin(); it != sections.cend(); ++it)
            text += '[' + it.key().toLocal8Bit() + "]\n" + it.value().toLocal8Bit();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
            *error = QStringLiteral("cannot write the SQL Server driver's configuration %1: %2")
                         .arg(path, file.errorString());
            return false;
        }
        sections_ = sections;
        // Once, before the driver first reads it: the path never changes.
        if (qgetenv("FREETDSCONF") != QFile::encodeName(path))
            qputenv("FREETDSCONF", QFile::encodeName(path));
        return true;
    }

private:
    std::mutex mutex_;
    std::unique_ptr<QTemporaryDir> directory_;
    QMap<QString, QString> sections_;
};

PrivateConfig& privateConfig()
{
    static PrivateConfig config;
    return config;
}

class FailingDriver final : public Driver {
public:
    explicit FailingDriver(QString error) : error_(std::move(error)) {}
    SqlDialect dialect() const override { return SqlDialect::TSql; }
    void connect() override { throw EConnectionError(error_); }
    void disconnect() noexcept override {}
    bool connected() const override { return false; }
    DriverResult query(const QString&, const QStringList&) override
    {
        connect();
        return {};
    }
    qint64 execute(const QString&, const QStringList&) override
    {
        connect();
        return 0;
    }
    void interrupt() noexcept override {}

private:
    QString error_;
};

} // namespace

bool installFreeTdsConfig(const ConnectionSettings& settings, QString* error)
{
    if (!freeTdsChecksCertificate(settings))
        return true;
    return privateConfig().add(freeTdsSectionName(settings), freeTdsSection(settings), error);
}

std::unique_ptr<Driver> makeFailingDriver(const QString& error)
{
    return std::make_unique<FailingDriver>(error);
}
