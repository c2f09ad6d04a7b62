#pragma once
#include <QStringList>

// The program: reads the command line, shows the splash window while the data module
// connects, and ends. Needs a QApplication; returns the process exit code.
int RunTallyvane(const QStringList& arguments);
