#pragma once
#include "WindowKeyHandlers.h"

#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;

// Moves the focus between a window's input fields with Enter and the arrow keys, as on a
// terminal form. Lives as a child of its window, one per window.
class TDosMove : public QObject {
    Q_OBJECT
public:
    // The owner must be a window without a TDosMove yet; otherwise this throws Exception.
    explicit TDosMove(QWidget* owner);
    ~TDosMove() override;

    bool Active = false;

private:
    void formKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void formKeyPress(QObject* sender, QChar& key);

    QWidget* owner_;
    QPointer<WindowKeyHandlers> keys_; // a sibling under the window; may go first
    // The handlers the window had before this component put itself in front of them.
    WindowKeyHandlers::KeyDownHandler prevKeyDown_;
    WindowKeyHandlers::KeyPressHandler prevKeyPress_;
    bool wasEdit_ = false;
};

// The controls of a window that the focus can move to (visible, enabled, tab stops), in
// tab order.
QVector<QWidget*> focusTargets(QWidget* window);
