#pragma once
#include "CommandLine.h"

#include <QStringList>

// The whole process: the command line first, so that help, version and bad input need no
// display; then the application object (or one line without a display), then the program.
int tallyvaneMain(int& argc, char** argv);

// The program: shows the splash window while the data module connects, and ends. Needs a
// QApplication; returns the process exit code.
int runTallyvane(const CommandLine& commandLine);
// The same after reading `arguments` (arguments[0] is the program).
int runTallyvane(const QStringList& arguments);
