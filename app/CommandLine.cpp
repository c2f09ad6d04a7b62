#include "CommandLine.h"

#include "SettingsFile.h"
#include "SiteSettings.h"
#include "TerminalText.h"

#include <QCommandLineParser>
#include <algorithm>

#ifndef TALLYVANE_VERSION
#define TALLYVANE_VERSION "0"
#endif

namespace {

CommandLine failure(const QString& reason)
{
    CommandLine result;
    result.action = CommandLine::Action::Exit;
    result.exitCode = kBadCommandLine;
    // Whatever a value brought along (an escape sequence, a NUL) is shown, not obeyed.
    result.standardError =
        QStringLiteral("tallyvane: ") + terminaltext::escaped(reason.trimmed()) + u'\n';
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

// Qt's own options, taken by QApplication after this parse; here they are only let through,
// and --help-all lists them.
struct QtOption {
    const char* name;
    const char* valueName; // none for a switch
    const char* description;
};
constexpr QtOption kQtOptions[] = {
    {"platform", "NAME", "The platform plugin: xcb (X11), wayland, offscreen, ..."},
    {"platformpluginpath", "PATH", "A further folder to look for platform plugins in."},
    {"platformtheme", "NAME", "The platform theme."},
    {"plugin", "NAME", "Load a further plugin (an input device, for instance)."},
    {"display", "NAME", "The X display to use instead of $DISPLAY."},
    {"qwindowgeometry", "GEOMETRY", "The first window's geometry, as WIDTHxHEIGHT+X+Y."},
    {"geometry", "GEOMETRY", "The same as -qwindowgeometry (X11)."},
    {"qwindowicon", "FILE", "The windows' icon."},
    {"qwindowtitle", "TITLE", "The first window's title."},
    {"session", "ID", "The session to restore (session management)."},
    {"style", "NAME", "The widget style: fusion, windows."},
    {"stylesheet", "FILE", "A Qt style sheet for the whole application."},
    {"qmljsdebugger", "VALUE", "The QML debugger (the program has no QML)."},
    {"reverse", nullptr, "Lay the windows out right to left."},
    {"widgetcount", nullptr, "Print the number of widgets still there at exit."},
};

void addQtOptions(QCommandLineParser& parser)
{
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.valueName)
            option.setValueName(QString::fromLatin1(qt.valueName));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// --help with Qt's own options after it, in --help's layout.
QString helpAllText(const QCommandLineParser& parser)
{
    QStringList synopses;
    qsizetype width = 0;
    for (const QtOption& qt : kQtOptions) {
        QString synopsis = QStringLiteral("  -") + QString::fromLatin1(qt.name);
        if (qt.valueName)
            synopsis += QStringLiteral(" <%1>").arg(QString::fromLatin1(qt.valueName));
        width = std::max(width, synopsis.size());
        synopses << synopsis;
    }
    QString text = helpText(parser) + QStringLiteral("\nQt options:\n");
    for (qsizetype i = 0; i < synopses.size(); ++i)
        text += synopses[i].leftJustified(width + 2) +
                QString::fromLatin1(kQtOptions[i].description) + u'\n';
    return text;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tallyvane, the robot results monitor."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("SQL Server to connect to, as HOST or HOST,PORT; HOST is a host name, an "
                       "IPv4 address or an IPv6 address in brackets (default: the environment "
                       "variable TALLYVANE_SERVER, else the settings file, else localhost; port "
                       "%1).")
            .arg(ConnectionSettings{}.port),
        QStringLiteral("HOST[,PORT]"));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Read the server, database, user and password (INI, group [server]) and "
                       "the alert rules (groups [alerts] and [alerts:ROBOT]) from FILE instead "
                       "of $XDG_CONFIG_HOME/tallyvane/tallyvane.conf."),
        QStringLiteral("FILE"));
    const QCommandLineOption sqlite(
        QStringLiteral("sqlite"),
        QStringLiteral("Use the embedded database FILE instead of a server."),
        QStringLiteral("FILE"));
    parser.addOption(server);
    parser.addOption(config);
    parser.addOption(sqlite);
    // Qt's options are single-dash words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addQtOptions(parser);

    if (!parser.parse(arguments))
        return failure(terminaltext::commandLineError(parser));
    if (parser.isSet(QStringLiteral("help-all")))
        return finished(helpAllText(parser));
    if (parser.isSet(help))
        return finished(helpText(parser));
    if (parser.isSet(version))
        return finished(QStringLiteral("Tallyvane %1\n").arg(QStringLiteral(TALLYVANE_VERSION)));
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument \"%1\"")
                           .arg(terminaltext::shortened(parser.positionalArguments().first())));
    if (parser.isSet(server) && parser.isSet(sqlite))
        return failure(QStringLiteral("--server and --sqlite cannot be used together"));
    for (const QCommandLineOption* option : {&server, &config, &sqlite})
        if (parser.values(*option).size() > 1)
            return failure(QStringLiteral("an option was given more than once"));

    CommandLine result;
    if (parser.isSet(config) && parser.value(config).isEmpty())
        return failure(QStringLiteral("the --config file name is empty"));
    QString error;
    if (parser.isSet(sqlite)) {
        result.settings.kind = ConnectionSettings::Kind::Sqlite;
        result.settings.sqliteFile = parser.value(sqlite);
        if (result.settings.sqliteFile.isEmpty())
            return failure(QStringLiteral("the --sqlite file name is empty"));
        // No server setting applies to a file, but the alert rules do.
        const std::optional<SettingsFile> file =
            parser.isSet(config)
                ? readSettingsFile(parser.value(config), true, &error)
                : readSettingsFile(defaultSettingsFile(environment), false, &error);
        if (!file)
            return failure(error);
        result.alerts = file->alerts;
        return result;
    }

    const auto given = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
    };
    const std::optional<SiteSettings> site =
        readSiteSettings(given(server), given(config), environment, &error);
    if (!site)
        return failure(error);
    result.settings = site->connection;
    result.alerts = site->alerts;
    for (const QString& warning : site->warnings)
        result.standardError +=
            QStringLiteral("tallyvane: ") + terminaltext::escaped(warning) + u'\n';
    return result;
}
