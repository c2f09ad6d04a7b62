#include "SiteSettings.h"

#include "ServerAddress.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kServerVariable = QStringLiteral("TALLYVANE_SERVER");
const QString kPasswordFileVariable = QStringLiteral("TALLYVANE_PASSWORD_FILE");

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
        const QString passwordFile = environment.value(kPasswordFileVariable);
        return passwordFile.isEmpty() || readPasswordFile(passwordFile);
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
};

} // namespace

std::optional<SiteSettings> readSiteSettings(const std::optional<QString>& serverOption,
                                             const std::optional<QString>& configFile,
                                             const QProcessEnvironment& environment, QString* error)
{
    SiteSettingsReader reader(error);
    const QString path = configFile ? *configFile : defaultSettingsFile(environment);
    if (!reader.readFile(path, configFile.has_value()) || !reader.readEnvironment(environment) ||
        (serverOption && !reader.setServer(*serverOption, QStringLiteral("--server"))))
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
