#pragma once
#include "AlertBook.h"

#include <QDBusConnection>
#include <QObject>

// Desktop notifications through the freedesktop notification service on a D-Bus. Calls never
// wait: a notification that fails is reported once on standard error.
class AlertNotifier : public QObject {
    Q_OBJECT
public:
    static const QString kService;

    explicit AlertNotifier(const QDBusConnection& bus, QObject* parent = nullptr);
    // Whether the bus is there and the service runs or can be started on it.
    bool available() const { return available_; }
    // The one line for standard error when it is not.
    static QString unavailableLine();

    void notify(const AlertNotice& notice);

private:
    QDBusConnection bus_;
    bool available_ = false;
    bool failureTold_ = false;
};
