#pragma once
#include <QApplication>
#include <memory>

inline constexpr int kNoDisplay = 1;

// The application object, or, when there is no display to show windows on, one line on
// standard error and the end of the process with kNoDisplay (Qt itself would abort with a
// page about platform plugins).
std::unique_ptr<QApplication> startApplicationOrExit(int& argc, char** argv);
