#pragma once
#include <QLineEdit>

// The robot selector's line edit. When an edit finishes (the focus leaves, Return) and the
// typed text names a listed robot, the combo box reports that entry as picked; that is no
// pick, and finishingEdit says so while it happens.
class SelectorEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    bool finishingEdit() const { return finishing_; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool finishing_ = false;
};
