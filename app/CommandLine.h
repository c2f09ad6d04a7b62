#pragma once
#include "AlertRules.h"
#include "Connection.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What the command line asks for: run with these connection settings, or print something
// and end with the given exit code without opening a window.
struct CommandLine {
    enum class Action { Run, Exit };
    Action action = Action::Run;
    ConnectionSettings settings;
    AlertRules alerts = AlertRules::defaults();
    int exitCode = 0;
    QString standardOutput; // --help, --version
    QString standardError;  // one line on bad input (exit code 2), or warnings before a run
};

inline constexpr int kBadCommandLine = 2;

// arguments[0] is the program. Without --sqlite the environment and the settings file give
// what the command line leaves out (SiteSettings.h); with it, the settings file gives only
// the alert rules.
CommandLine parseCommandLine(const QStringList& arguments, const QProcessEnvironment& environment);
