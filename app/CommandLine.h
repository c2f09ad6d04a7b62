#pragma once
#include "Connection.h"

#include <QString>
#include <QStringList>

// What the command line asks for: run with these connection settings, or print something
// and end with the given exit code without opening a window.
struct CommandLine {
    enum class Action { Run, Exit };
    Action action = Action::Run;
    ConnectionSettings settings;
    int exitCode = 0;
    QString standardOutput; // --help, --version
    QString standardError;  // one line on bad input (exit code 2)
};

inline constexpr int kBadCommandLine = 2;
inline constexpr int kDefaultServerPort = 27999;

// arguments[0] is the program; serverFromEnvironment is TALLYVANE_SERVER (empty when unset),
// used when neither --server nor --sqlite is given.
CommandLine parseCommandLine(const QStringList& arguments, const QString& serverFromEnvironment);
