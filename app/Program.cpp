#include "Program.h"

#include "A00Main.h"
#include "AppResources.h"
#include "Application.h"
#include "B001About.h"
#include "CommandLine.h"
#include "DisplayStart.h"
#include "Exceptions.h"
#include "Fonts.h"
#include "GBText.h"
#include "InputSeat.h"
#include "QtTranslation.h"
#include "data.h"
#include "login.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

void write(std::FILE* stream, const QString& text)
{
    if (text.isEmpty())
        return;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Help, version or bad input: printed, and the exit code; none when the program is to run
// (after its warnings).
std::optional<int> finishedEarly(const CommandLine& commandLine)
{
    write(stdout, commandLine.standardOutput);
    write(stderr, commandLine.standardError);
    if (commandLine.action != CommandLine::Action::Exit)
        return std::nullopt;
    return commandLine.exitCode;
}

CommandLine readCommandLine(const QStringList& arguments)
{
    return parseCommandLine(arguments, QProcessEnvironment::systemEnvironment());
}

} // namespace

int tallyvaneMain(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = readCommandLine(arguments);
    if (const std::optional<int> code = finishedEarly(commandLine))
        return *code;
    routeWaylandMessagesThroughQt();
    chooseInputMethodWithoutSeat();
    const std::unique_ptr<QApplication> app = startApplicationOrExit(argc, argv);
    return runTallyvane(commandLine);
}

int runTallyvane(const QStringList& arguments)
{
    const CommandLine commandLine = readCommandLine(arguments);
    if (const std::optional<int> code = finishedEarly(commandLine))
        return *code;
    return runTallyvane(commandLine);
}

int runTallyvane(const CommandLine& commandLine)
{
    // An error here gets the default error box rather than an abort (the data module reports
    // its own connection failure).
    bool connectFailed = false;
    const bool started = guarded([&] {
        // Without the code page's converter every lookup would fail: stop before the splash.
        if (const QString missing = gb::missingConverters(); !missing.isEmpty())
            throw Exception(missing);

        // The splash caption asks for a Windows font name, so the substitutions must be in
        // place before its first paint, which comes ahead of Initialize.
        registerFontSubstitutions();
        // Qt's own buttons and menus speak the user interface's language; without the
        // translations (a package dependency) they stay English, which is no reason to stop.
        installQtTranslation();
        QApplication::setWindowIcon(builtInIcon());
        // Before the splash, the first window: task bars name the windows "Tallyvane".
        setDesktopName(QStringLiteral("Tallyvane"));

        auto splash = std::make_unique<TfrmB001About>();
        splash->showAndPaint();

        application->initialize();
        // The window system's pending messages, the splash's paint among them.
        QGuiApplication::sync();
        QCoreApplication::processEvents();

        application->setTitle(QStringLiteral("Tallyvane"));

        DM = new TDM(commandLine.settings);

        splash.reset();

        // After a failed connection the dialog closes at once, as cancelled.
        bool loggedIn = false;
        {
            Tfmlogin login(nullptr);
            login.showModal();
            loggedIn = login.LoginOK;
        }
        if (loggedIn) {
            // The main window: closing it ends the loop and the program.
            auto mainWindow = std::make_unique<TfrmA00Main>();
            mainWindow->setAlertRules(commandLine.alerts, QDBusConnection::sessionBus());
            mainWindow->show();
            QApplication::exec();
        } else {
            application->terminate();
        }
        connectFailed = DM->connectFailed();
        delete DM;
        DM = nullptr;
    });
    if (!started) {
        delete DM;
        DM = nullptr;
        return 1;
    }
    // A start that never reached the server is no success, though the operator's box is all
    // it shows.
    return connectFailed ? 1 : 0;
}
