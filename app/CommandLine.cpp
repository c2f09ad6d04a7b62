#include "CommandLine.h"

#include "ServerAddress.h"

#include <QCommandLineParser>

#ifndef TALLYVANE_VERSION
#define TALLYVANE_VERSION "0"
#endif

namespace {

CommandLine failure(const QString& reason)
{
    CommandLine result;
    result.action = CommandLine::Action::Exit;
    result.exitCode = kBadCommandLine;
    QString line = reason.trimmed();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    result.standardError = QStringLiteral("tallyvane: ") + line + QLatin1Char('\n');
    return result;
}

// Parsed before any application object exists, when the parser cannot know the program's
// name.
QString helpText(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), QStringLiteral("tallyvane"));
    return text;
}

CommandLine finished(const QString& output)
{
    CommandLine result;
    result.action = CommandLine::Action::Exit;
    result.standardOutput = output;
    return result;
}

// Qt's own options, taken by QApplication after this parse; here they are only let through.
void addQtOptions(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                             "geometry", "style", "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& serverFromEnvironment)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tallyvane, the robot results monitor."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("SQL Server to connect to, as HOST or HOST,PORT; HOST is a host name, an "
                       "IPv4 address or an IPv6 address in brackets (default: the environment "
                       "variable TALLYVANE_SERVER, else localhost; port %1).")
            .arg(kDefaultServerPort),
        QStringLiteral("HOST[,PORT]"));
    const QCommandLineOption sqlite(
        QStringLiteral("sqlite"),
        QStringLiteral("Use the embedded database FILE instead of a server."),
        QStringLiteral("FILE"));
    parser.addOption(server);
    parser.addOption(sqlite);
    // Qt's options are single-dash words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addQtOptions(parser);

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return finished(helpText(parser));
    if (parser.isSet(version))
        return finished(QStringLiteral("Tallyvane %1\n").arg(QStringLiteral(TALLYVANE_VERSION)));
    if (!parser.positionalArguments().isEmpty())
        return failure(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (parser.isSet(server) && parser.isSet(sqlite))
        return failure(QStringLiteral("--server and --sqlite cannot be used together"));
    if (parser.values(server).size() > 1 || parser.values(sqlite).size() > 1)
        return failure(QStringLiteral("an option was given more than once"));

    CommandLine result;
    if (parser.isSet(sqlite)) {
        result.settings.kind = ConnectionSettings::Kind::Sqlite;
        result.settings.sqliteFile = parser.value(sqlite);
        if (result.settings.sqliteFile.isEmpty())
            return failure(QStringLiteral("the --sqlite file name is empty"));
        return result;
    }

    result.settings.kind = ConnectionSettings::Kind::SqlServer;
    QString address = QStringLiteral("localhost");
    QString source;
    if (parser.isSet(server)) {
        address = parser.value(server);
        source = QStringLiteral("--server: ");
    } else if (!serverFromEnvironment.isEmpty()) {
        address = serverFromEnvironment;
        source = QStringLiteral("TALLYVANE_SERVER: ");
    }
    QString error;
    const std::optional<ServerAddress> parsed =
        parseServerAddress(address, kDefaultServerPort, &error);
    if (!parsed)
        return failure(source + error);
    result.settings.host = parsed->host;
    result.settings.port = parsed->port;
    return result;
}
