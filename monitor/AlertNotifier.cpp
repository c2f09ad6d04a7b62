#include "AlertNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <cstdio>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;
constexpr int kServerDecidesTimeout = -1;

} // namespace

const QString AlertNotifier::kService = QStringLiteral("org.freedesktop.Notifications");

AlertNotifier::AlertNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus)
{
    if (!bus_.isConnected() || !bus_.interface())
        return;
    // A service is often started by the bus on its first call, so "can be started" counts.
    QDBusConnectionInterface* busInterface = bus_.interface();
    available_ = busInterface->isServiceRegistered(kService).value() ||
                 busInterface->activatableServiceNames().value().contains(kService);
}

QString AlertNotifier::unavailableLine()
{
    return QStringLiteral("tallyvane: no desktop notification service (%1) on the session bus: "
                          "alerts show on the page 报警记录 and in the status line only")
        .arg(kService);
}

void AlertNotifier::notify(const AlertNotice& notice)
{
    if (!available_)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(notice.critical ? kCritical : kNormal));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tallyvane"));
    call << QStringLiteral("Tallyvane") << uint(0) << QStringLiteral("tallyvane") << notice.summary
         << notice.body << QStringList() << hints << kServerDecidesTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!w->isError() || failureTold_)
            return;
        failureTold_ = true;
        std::fprintf(stderr, "tallyvane: a desktop notification failed: %s\n",
                     qPrintable(w->error().message()));
    });
}
