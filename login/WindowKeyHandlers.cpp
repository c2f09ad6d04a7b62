#include "WindowKeyHandlers.h"

#include "Application.h"

#include <QApplication>
#include <QKeyEvent>

WindowKeyHandlers::WindowKeyHandlers(QWidget* window) : QObject(window), window_(window)
{
    setObjectName(QStringLiteral("KeyPreview"));
    // Keys go straight to the focused control; only the application sees them sooner.
    qApp->installEventFilter(this);
}

WindowKeyHandlers* WindowKeyHandlers::Find(const QWidget* window)
{
    return window ? window->findChild<WindowKeyHandlers*>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

WindowKeyHandlers& WindowKeyHandlers::Of(QWidget* window)
{
    if (WindowKeyHandlers* existing = Find(window))
        return *existing;
    return *new WindowKeyHandlers(window);
}

bool WindowKeyHandlers::Preview(QObject* sender, int key, Qt::KeyboardModifiers shift,
                                const QString& text)
{
    if (!KeyPreview)
        return false;
    if (OnKeyDown)
        OnKeyDown(sender, key, shift);
    bool swallow = key == 0;
    if (text.size() == 1 && OnKeyPress) {
        QChar ch = text.front();
        OnKeyPress(sender, ch);
        swallow |= ch.isNull();
    }
    return swallow;
}

bool WindowKeyHandlers::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !KeyPreview)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    // A key that a control ignores travels on to its parents; only its first delivery, to
    // the focused control itself, is previewed.
    if (!target || target->window() != window_ || target != QApplication::focusWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    bool swallow = false;
    GuardedLater([&] { swallow = Preview(target, key->key(), key->modifiers(), key->text()); });
    return swallow;
}
