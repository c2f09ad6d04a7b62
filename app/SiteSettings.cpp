#include "SiteSettings.h"

#include "FreeTdsConfig.h"
#include "ServerAddress.h"
#include "SettingsFile.h"
#include "TerminalText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {
const QString kServerVariable = QStringLiteral("TALLYVANE_SERVER");
const QString kPasswordFileVariable = QStringLiteral("TALLYVANE_PASSWORD_FILE");

// The TLS settings: in the settings file under the key, in the environment as the variable.
struct TlsValue {
    QString key;
    QString variable;
};
const TlsValue kEncryption{QStringLiteral("encryption"), QStringLiteral("TALLYVANE_ENCRYPTION")};
const TlsValue kCaFile{QStringLiteral("ca_file"), QStringLiteral("TALLYVANE_CA_FILE")};
const TlsValue kCertificateHost{QStringLiteral("certificate_host"),
                                QStringLiteral("TALLYVANE_CERTIFICATE_HOST")};

// A CA bundle is larger than a settings file, but not this large.
constexpr qint64 kMaxCaFileBytes = 4 * 1024 * 1024;

struct AccountValue {
    QString key;      // in the settings file
    QString variable; // in the environment; the password has a file variable of its own
    QString ConnectionSettings::*member;
    QString name; // in messages
};
const AccountValue kDatabase{QStringLiteral("database"), QStringLiteral("TALLYVANE_DATABASE"),
                             &ConnectionSettings::database, QStringLiteral("the database name")};
const AccountValue kUser{QStringLiteral("user"), QStringLiteral("TALLYVANE_USER"),
                         &ConnectionSettings::user, QStringLiteral("the user name")};
const AccountValue kPassword{QStringLiteral("password"), QString(), &ConnectionSettings::password,
                             QStringLiteral("the password")};

// Whatever a value holds goes to the driver in braces, which cannot hold "};"; a control
// character there is a mistake (a password file of two lines), never a password.
QString accountValueProblem(const AccountValue& what, const QString& value)
{
    // SQL Server accepts an empty password (and blanks are a password's own), never an empty
    // or blank login or database: like a blank server, that is a mistake.
    if (value.trimmed().isEmpty() && what.member != &ConnectionSettings::password)
        return what.name + QStringLiteral(" is empty or blank");
    if (!odbcQuotable(value))
        return what.name +
               QStringLiteral(" holds \"};\", which the ODBC connection text cannot carry");
    for (QChar c : value)
        if (c.category() == QChar::Other_Control)
            return what.name + QStringLiteral(" holds a line break or another control character");
    return {};
}

// Reads the sources, lowest first, each overwriting what it gives; the first bad value stops
// it, with `error` naming the source.
class SiteSettingsReader {
public:
    explicit SiteSettingsReader(QString* error) : error_(error) {}

    bool readFile(const QString& path, bool mustExist)
    {
        const std::optional<SettingsFile> file = readSettingsFile(path, mustExist, error_);
        if (!file)
            return false;
        site.alerts = file->alerts;
        const QMap<QString, QString>& values = file->server;
        QString reason;
        if (values.contains(QStringLiteral("host"))) {
            const std::optional<QString> host =
                parseServerHost(values.value(QStringLiteral("host")), &reason);
            if (!host)
                return fail(shownPath(path), reason);
            site.connection.host = *host;
        }
        if (values.contains(QStringLiteral("port"))) {
            const std::optional<int> port =
                parseServerPort(values.value(QStringLiteral("port")), &reason);
            if (!port)
                return fail(shownPath(path), reason);
            site.connection.port = *port;
        }
        for (const AccountValue* what : {&kDatabase, &kUser, &kPassword})
            if (values.contains(what->key) &&
                !setAccountValue(*what, values.value(what->key), shownPath(path)))
                return false;
        if (values.contains(kPassword.key))
            warnIfOthersCanRead(path);
        for (const TlsValue* what : {&kEncryption, &kCaFile, &kCertificateHost})
            if (values.contains(what->key) &&
                !setTlsValue(*what, values.value(what->key), shownPath(path)))
                return false;
        return true;
    }

    bool readEnvironment(const QProcessEnvironment& environment)
    {
        if (const QString server = environment.value(kServerVariable);
            !server.isEmpty() && !setServer(server, kServerVariable))
            return false;
        for (const AccountValue* what : {&kDatabase, &kUser})
            if (const QString value = environment.value(what->variable);
                !value.isEmpty() && !setAccountValue(*what, value, what->variable))
                return false;
        for (const TlsValue* what : {&kEncryption, &kCaFile, &kCertificateHost})
            if (const QString value = environment.value(what->variable);
                !value.isEmpty() && !setTlsValue(*what, value, what->variable))
                return false;
        const QString passwordFile = environment.value(kPasswordFileVariable);
        return passwordFile.isEmpty() || readPasswordFile(passwordFile);
    }

    // What the driver could not honour, once every source has given its values.
    bool checkTls()
    {
        const ConnectionSettings& c = site.connection;
        const auto source = [this](const TlsValue& what) { return tlsSources_.value(what.key); };
        if (c.encryption == ConnectionSettings::Encryption::Off) {
            for (const TlsValue* what : {&kCaFile, &kCertificateHost})
                if (tlsSources_.contains(what->key))
                    return fail(source(*what),
                                QStringLiteral("%1 checks the server's certificate, but "
                                               "encryption is off (from %2)")
                                    .arg(what->key, source(kEncryption)));
        }
        if (!c.certificateHost.isEmpty() &&
            c.certificateHost.compare(c.host, Qt::CaseInsensitive) != 0)
            return fail(source(kCertificateHost),
                        QStringLiteral("certificate_host %1 differs from the host %2: the SQL "
                                       "Server driver checks the certificate against the name "
                                       "it connects to, so give %1 as the host")
                            .arg(c.certificateHost, c.host));
        return true;
    }

    bool setServer(const QString& address, const QString& source)
    {
        QString reason;
        const std::optional<ServerAddress> server =
            parseServerAddress(address, ConnectionSettings{}.port, &reason);
        if (!server)
            return fail(source, reason);
        site.connection.host = server->host;
        site.connection.port = server->port;
        return true;
    }

    SiteSettings site;

private:
    bool readPasswordFile(const QString& path)
    {
        QString reason;
        std::optional<QString> password = readUtf8File(path, &reason);
        if (!password)
            return fail(kPasswordFileVariable, reason);
        if (password->endsWith(u'\n'))
            password->chop(password->endsWith(QStringLiteral("\r\n")) ? 2 : 1);
        if (!setAccountValue(kPassword, *password, kPasswordFileVariable))
            return false;
        warnIfOthersCanRead(path);
        return true;
    }

    bool setTlsValue(const TlsValue& what, const QString& value, const QString& source)
    {
        ConnectionSettings& c = site.connection;
        if (&what == &kEncryption) {
            static const QStringList names{QStringLiteral("off"), QStringLiteral("request"),
                                           QStringLiteral("require")};
            const qsizetype i = names.indexOf(value);
            if (i < 0)
                return fail(source, QStringLiteral("encryption is \"%1\" (known: %2)")
                                        .arg(terminaltext::shortened(value),
                                             names.join(QStringLiteral(", "))));
            c.encryption = ConnectionSettings::Encryption(i);
        } else if (&what == &kCaFile) {
            QString reason;
            const std::optional<QString> file = caFile(value, &reason);
            if (!file)
                return fail(source, reason);
            c.caFile = *file;
        } else {
            const std::optional<QString> host = parseHost(value);
            if (!host)
                return fail(source, QStringLiteral("certificate_host is not a host name or "
                                                   "address"));
            c.certificateHost = *host;
        }
        tlsSources_.insert(what.key, source);
        return true;
    }

    // The file as the driver will read it (absolute), when it is one it can.
    static std::optional<QString> caFile(const QString& value, QString* reason)
    {
        const QFileInfo info(value);
        const QString path = info.absoluteFilePath();
        const QString shown = shownPath(value);
        if (const QString problem = freeTdsValueProblem(path); !problem.isEmpty()) {
            *reason = QStringLiteral("ca_file %1 %2").arg(shown, problem);
            return std::nullopt;
        }
        // Not opened unless regular: a named pipe would hold the start.
        if (!info.exists() || !info.isFile()) {
            *reason = QStringLiteral("ca_file %1 is not a file").arg(shown);
            return std::nullopt;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *reason = QStringLiteral("cannot read ca_file %1: %2").arg(shown, file.errorString());
            return std::nullopt;
        }
        if (!file.read(kMaxCaFileBytes).contains("-----BEGIN CERTIFICATE-----")) {
            *reason = QStringLiteral("ca_file %1 holds no PEM certificate").arg(shown);
            return std::nullopt;
        }
        return path;
    }

    bool setAccountValue(const AccountValue& what, const QString& value, const QString& source)
    {
        if (const QString problem = accountValueProblem(what, value); !problem.isEmpty())
            return fail(source, problem);
        site.connection.*what.member = value;
        return true;
    }

    void warnIfOthersCanRead(const QString& path)
    {
        if (QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther))
            site.warnings << QStringLiteral("warning: %1 holds the password but group or others "
                                            "can read it (chmod 600 %1)")
                                 .arg(shownPath(path));
    }

    bool fail(const QString& source, const QString& reason)
    {
        *error_ = source + QStringLiteral(": ") + reason;
        return false;
    }

    QString* error_;
    QHash<QString, QString> tlsSources_; // where each TLS value given came from, by key
};

} // namespace

std::optional<SiteSettings> readSiteSettings(const std::optional<QString>& serverOption,
                                             const std::optional<QString>& configFile,
                                             const QProcessEnvironment& environment, QString* error)
{
    SiteSettingsReader reader(error);
    const QString path = configFile ? *configFile : defaultSettingsFile(environment);
    if (!reader.readFile(path, configFile.has_value()) || !reader.readEnvironment(environment) ||
        (serverOption && !reader.setServer(*serverOption, QStringLiteral("--server"))) ||
        !reader.checkTls())
        return std::nullopt;
    return reader.site;
}

QString defaultSettingsFile(const QProcessEnvironment& environment)
{
    QString base = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(base)) {
        const QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            return {};
        base = home + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/tallyvane/tallyvane.conf");
}
