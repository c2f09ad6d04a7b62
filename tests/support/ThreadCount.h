#pragma once
#include <QDir>

// The threads of this process that are running now (the kernel's list: a thread that has
// returned is gone from it, joined or not).
inline int runningThreads()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}
