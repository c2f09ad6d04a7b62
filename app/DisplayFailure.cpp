#include "DisplayFailure.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString kNoXDisplay = QStringLiteral("no display (DISPLAY is not set)");

QString waylandDisplayOf(const DisplayAttempt& attempt)
{
    return attempt.waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : attempt.waylandDisplay;
}

QString installedPlugins(const QString& fatal)
{
    static const QRegularExpression available(
        QStringLiteral("Available platform plugins are: ([^\n]*?)\\.?\\s*$"),
        QRegularExpression::MultilineOption);
    return available.match(fatal).captured(1).trimmed();
}

} // namespace

QString displayFailureLine(const DisplayAttempt& attempt)
{
    static const QRegularExpression notFound(
        QStringLiteral("^Could not find the Qt platform plugin \"([^\"]*)\""));
    static const QRegularExpression notLoaded(QStringLiteral(
        "^Could not load the Qt platform plugin \"([^\"]*)\".*even though it was found"));
    static const QRegularExpression noXConnection(
        QStringLiteral("^could not connect to display ?(.*)$"));

    QStringList parts;
    QStringList explained; // plugins whose failure a part already names
    for (const DisplayAttempt::Message& m : attempt.messages) {
        if (const auto found = notFound.match(m.text); found.hasMatch()) {
            const QString name = found.captured(1);
            explained << name;
            if (name == QStringLiteral("wayland")) {
                parts << QStringLiteral("the platform plugin \"wayland\" for the Wayland display "
                                        "\"%1\" is not installed")
                             .arg(waylandDisplayOf(attempt));
                continue;
            }
            const QString installed = installedPlugins(attempt.fatal);
            parts << QStringLiteral("the platform plugin \"%1\" is not installed").arg(name) +
                         (installed.isEmpty() ? QString()
                                              : QStringLiteral(" (installed: %1)").arg(installed));
        } else if (const auto x = noXConnection.match(m.text);
                   m.category == QStringLiteral("qt.qpa.xcb") && x.hasMatch()) {
            explained << QStringLiteral("xcb");
            const QString display = x.captured(1).trimmed();
            if (display.isEmpty())
                parts << kNoXDisplay;
            else if (!attempt.displayOption.isEmpty())
                parts
                    << QStringLiteral("cannot open the display %1 given by -display").arg(display);
            else
                parts << QStringLiteral("cannot open the display %1").arg(display);
        } else if (const auto loaded = notLoaded.match(m.text); loaded.hasMatch()) {
            const QString name = loaded.captured(1);
            if (explained.contains(name))
                continue;
            explained << name;
            parts << (name == QStringLiteral("wayland")
                          ? QStringLiteral("cannot connect to the Wayland display \"%1\"")
                                .arg(waylandDisplayOf(attempt))
                          : QStringLiteral("the platform plugin \"%1\" could not start").arg(name));
        }
    }
    if (parts == QStringList{kNoXDisplay})
        return kNoXDisplay + QStringLiteral(": run it in a desktop session, or with xvfb-run");
    if (parts.isEmpty())
        return QStringLiteral("cannot open a display: ") +
               attempt.fatal.section(u'\n', 0, 0).trimmed();
    return parts.join(QStringLiteral("; "));
}
