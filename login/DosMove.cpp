#include "DosMove.h"

#include "Exceptions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace {

QWidget* checkedOwner(QWidget* owner)
{
    if (!owner || !owner->isWindow())
        throw Exception(QStringLiteral("TDosMove's owner must be a form"));
    if (owner->findChild<TDosMove*>(QString(), Qt::FindDirectChildrenOnly))
        throw Exception(QStringLiteral("TDosMove can have only one instance per form"));
    return owner;
}

bool takesFocus(const QWidget* w, const QWidget* window)
{
    return w->window() == window && !w->focusProxy() && (w->focusPolicy() & Qt::TabFocus) &&
           w->isEnabled() && w->isVisibleTo(window);
}

} // namespace

QVector<QWidget*> focusTargets(QWidget* window)
{
    QVector<QWidget*> targets;
    if (!window)
        return targets;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (takesFocus(w, window))
            targets << w;
    return targets;
}

namespace {

// The target after (or before) `from`, wrapping at both ends; nullptr when there is none.
QWidget* nextFocusTarget(QWidget* window, QWidget* from, bool forward)
{
    const QVector<QWidget*> targets = focusTargets(window);
    if (targets.isEmpty())
        return nullptr;
    const qsizetype at = targets.indexOf(from);
    if (at < 0)
        return forward ? targets.front() : targets.back();
    const qsizetype n = targets.size();
    return targets[(at + (forward ? 1 : n - 1)) % n];
}

// A plain single-line edit, not the edit part of a combo box.
bool isEditField(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) &&
           !qobject_cast<const QComboBox*>(widget->parentWidget());
}

} // namespace

TDosMove::TDosMove(QWidget* owner)
    : QObject(checkedOwner(owner)), owner_(owner), keys_(&WindowKeyHandlers::of(owner))
{
    setObjectName(QStringLiteral("DosMove"));
    keys_->keyPreview = true;
    prevKeyDown_ = std::move(keys_->onKeyDown);
    prevKeyPress_ = std::move(keys_->onKeyPress);
    keys_->onKeyDown = [this](QObject* sender, int& key, Qt::KeyboardModifiers shift) {
        formKeyDown(sender, key, shift);
    };
    keys_->onKeyPress = [this](QObject* sender, QChar& key) { formKeyPress(sender, key); };
}

TDosMove::~TDosMove()
{
    // Give the window its own handlers back.
    if (keys_) {
        keys_->onKeyDown = std::move(prevKeyDown_);
        keys_->onKeyPress = std::move(prevKeyPress_);
    }
}

void TDosMove::formKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    QWidget* focused = QApplication::focusWidget();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // A focused button takes Enter for itself and is pressed by it; nothing moves.
    const bool buttonEnter = enter && qobject_cast<QAbstractButton*>(focused);
    wasEdit_ = false;
    if (Active && !buttonEnter) {
        wasEdit_ = isEditField(focused);
        const bool forward = enter || key == Qt::Key_Down;
        if (forward || key == Qt::Key_Up)
            if (QWidget* next = nextFocusTarget(owner_, focused, forward)) {
                // Moved by a key, as by Tab: the control it reaches shows its focus cue.
                owner_->setAttribute(Qt::WA_KeyboardFocusChange);
                next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            }
    }
    if (prevKeyDown_)
        prevKeyDown_(sender, key, shift);
}

void TDosMove::formKeyPress(QObject* sender, QChar& key)
{
    // An edit field would beep at it.
    if (Active && wasEdit_ && key == QLatin1Char('\r'))
        key = QChar();
    if (prevKeyPress_)
        prevKeyPress_(sender, key);
}
