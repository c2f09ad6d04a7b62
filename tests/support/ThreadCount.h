#pragma once
#include <QDir>
#include <QFile>

// The threads of this process that are running now (the kernel's list: a thread that has
// returned is gone from it, joined or not), leaving out Qt's shared pool: the raster engine
// hands large fills to it, so its threads come and go with painting, owned by no window.
inline int runningThreads()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (!name.open(QIODevice::ReadOnly) || name.readAll().trimmed() != "Thread (pooled)")
            ++count;
    }
    return count;
}
