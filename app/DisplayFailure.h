#pragma once
#include <QList>
#include <QString>

// What Qt said while it failed to open a display, and where the display came from: enough to
// name what really failed (a plugin not installed, an X display that does not answer, a
// Wayland display) instead of guessing from the environment.
struct DisplayAttempt {
    struct Message {
        QString category;
        QString text;
    };
    QList<Message> messages; // in the order Qt gave them
    QString fatal;           // Qt's last words
    QString displayOption;   // -display's value, when given
    QString waylandDisplay;  // WAYLAND_DISPLAY
};

// One line without the program's name, e.g. `the platform plugin "bogus" is not installed
// (installed: offscreen, xcb)`.
QString displayFailureLine(const DisplayAttempt& attempt);
