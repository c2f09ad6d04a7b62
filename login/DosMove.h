#pragma once
#include "KeyPreview.h"

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;

// Moves the focus between a window's input fields with Enter and the arrow keys, as on a
// terminal form. Lives as a child of its window, one per window.
class TDosMove : public QObject {
    Q_OBJECT
public:
    enum TMoveOption { moEnter = 0x1, moUpDn = 0x2 };
    Q_DECLARE_FLAGS(TMoveOptions, TMoveOption)

    // The owner must be a window without a TDosMove yet; otherwise this throws Exception.
    explicit TDosMove(QWidget* owner);
    ~TDosMove() override;

    bool Active = false;
    TMoveOptions Options = TMoveOptions(moEnter | moUpDn);
    bool EditNoBeep = true;

    // The handlers the window had before this component put itself in front of them.
    const TKeyPreview::TKeyEvent& PreviousKeyDown() const { return prevKeyDown_; }
    const TKeyPreview::TKeyPressEvent& PreviousKeyPress() const { return prevKeyPress_; }

private:
    void FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void FormKeyPress(QObject* sender, QChar& key);

    QWidget* owner_;
    QPointer<TKeyPreview> keys_;  // a sibling under the window; may go first
    TKeyPreview::TKeyEvent prevKeyDown_;
    TKeyPreview::TKeyPressEvent prevKeyPress_;
    bool wasEdit_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDosMove::TMoveOptions)

// The controls of a window that the focus can move to (visible, enabled, tab stops), in
// tab order.
QVector<QWidget*> focusTargets(QWidget* window);

// The target after (or before) `from`, wrapping at both ends; nullptr when there is none.
QWidget* nextFocusTarget(QWidget* window, QWidget* from, bool forward);

// A plain single-line edit, not the edit part of a combo box.
bool isEditField(const QWidget* widget);
