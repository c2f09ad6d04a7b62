#include "InputSeat.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <cstdarg>
#include <wayland-client.h>

Q_LOGGING_CATEGORY(waylandClientLog, "qt.qpa.wayland")

namespace {

// A connection of our own (Qt's is not public in 6.4); the compositor lists its globals in
// one round trip. No compositor: nothing to judge.
bool compositorWithoutSeat()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener listener{
        [](void* found, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (qstrcmp(interface, wl_seat_interface.name) == 0)
                *static_cast<bool*>(found) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered && !seat;
}

} // namespace

bool chooseInputMethodWithoutSeat()
{
    if (!qEnvironmentVariableIsEmpty("QT_IM_MODULE"))
        return false;
    // Only where Qt may go to Wayland; an X session is left alone. Without a runtime folder a
    // display name cannot be reached (Qt will say so), only an absolute path.
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty() &&
        !qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QStringLiteral("wayland")))
        return false;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && !display.startsWith(u'/'))
        return false;
    if (!compositorWithoutSeat())
        return false;
    qputenv("QT_IM_MODULE", "compose");
    return true;
}

void routeWaylandMessagesThroughQt()
{
    wl_log_set_handler_client([](const char* format, va_list arguments) {
        qCWarning(waylandClientLog, "%s",
                  qPrintable(QString::vasprintf(format, arguments).trimmed()));
    });
}
