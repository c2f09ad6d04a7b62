#include "SelectorEdit.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

void SelectorEdit::focusOutEvent(QFocusEvent* event)
{
    const QScopedValueRollback finishing(finishing_, true);
    QLineEdit::focusOutEvent(event);
}

void SelectorEdit::keyPressEvent(QKeyEvent* event)
{
    const bool finishes = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QScopedValueRollback finishing(finishing_, finishing_ || finishes);
    QLineEdit::keyPressEvent(event);
}
