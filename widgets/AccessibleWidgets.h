#pragma once
#include "Accessibility.h"

#include <QAccessibleWidget>

class TLbButton;
class TRzDBLabel;
class TRzPageControl;

// The value label reads as a label: its name is the caption tied to it (a QLabel whose buddy it
// is), its text the value shown. Its value changes every second for some fields, so it sends
// no events: a screen reader reads it when asked.
class AccessibleDBLabel : public QAccessibleWidget, public ReadOnlyAccessibleText {
public:
    explicit AccessibleDBLabel(TRzDBLabel* label);
    QString text(QAccessible::Text t) const override;
    QString text(int startOffset, int endOffset) const override
    {
        return ReadOnlyAccessibleText::text(startOffset, endOffset);
    }
    QString wholeText() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;
};

// The gradient button reads as a push button with its caption and a press action.
class AccessibleLbButton : public QAccessibleWidget {
public:
    explicit AccessibleLbButton(TLbButton* button);
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    TLbButton* button() const;
};

// The page control reads as a page tab list: its tabs first, then the pages.
class AccessiblePageControl : public QAccessibleWidget {
public:
    explicit AccessiblePageControl(TRzPageControl* control);
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // Tells a listener that the page in front changed from one tab to another.
    static void activeChanged(TRzPageControl* control, int before, int now);

private:
    TRzPageControl* control() const;
    mutable AccessiblePartCache tabs_;
};

namespace accessibility {
void registerHeaderWidgets();
} // namespace accessibility
