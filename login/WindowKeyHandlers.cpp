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

WindowKeyHandlers* WindowKeyHandlers::find(const QWidget* window)
{
    return window ? window->findChild<WindowKeyHandlers*>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

WindowKeyHandlers& WindowKeyHandlers::of(QWidget* window)
{
    if (WindowKeyHandlers* existing = find(window))
        return *existing;
    return *new WindowKeyHandlers(window);
}

bool WindowKeyHandlers::preview(QObject* sender, int key, Qt::KeyboardModifiers shift,
                                const QString& text)
{
    if (!keyPreview)
        return false;
    if (onKeyDown)
        onKeyDown(sender, key, shift);
    bool swallow = key == 0;
    if (text.size() == 1 && onKeyPress) {
        QChar ch = text.front();
        onKeyPress(sender, ch);
        swallow |= ch.isNull();
    }
    return swallow;
}

bool WindowKeyHandlers::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !keyPreview)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    // A key that a control ignores travels on to its parents; only its first delivery, to
    // the focused control itself, is previewed.
    if (!target || target->window() != window_ || target != QApplication::focusWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    bool swallow = false;
    guardedLater([&] { swallow = preview(target, key->key(), key->modifiers(), key->text()); });
    return swallow;
}
