#include "AccessibleWidgets.h"

#include "Accelerator.h"
#include "LbButton.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "Shell.h"

#include <QKeySequence>
#include <QPointer>

namespace {

// The action runs once the caller is answered: a handler may open a modal box.
template <class Widget, class Body> void later(Widget* widget, Body body)
{
    QMetaObject::invokeMethod(
        widget, [widget, body] { guarded([&] { body(widget); }); }, Qt::QueuedConnection);
}

// One tab of the page control.
class AccessibleTab : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleTab(TRzPageControl* control, int index) : control_(control), index_(index) {}

    bool isValid() const override { return control_ && index_ < control_->pageCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(control_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return captionText(control_->page(index_)->Caption());
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const TabRowLayout layout = control_->tabLayout();
        const QRect r = index_ == control_->activePageIndex() ? layout.activeTabRect(index_)
                                                              : layout.tabRect(index_);
        return QRect(control_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = index_ == control_->activePageIndex();
        s.invisible = !control_->isVisible();
        s.disabled = !control_->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction() && isValid())
            later(control_.data(), [index = index_](TRzPageControl* control) {
                control->setActivePageIndex(index);
            });
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int index() const { return index_; }

private:
    QPointer<TRzPageControl> control_;
    int index_;
};

QAccessibleInterface* makeLabel(QObject* object)
{
    return new AccessibleDBLabel(static_cast<TRzDBLabel*>(object));
}
QAccessibleInterface* makeButton(QObject* object)
{
    return new AccessibleLbButton(static_cast<TLbButton*>(object));
}
QAccessibleInterface* makePageControl(QObject* object)
{
    return new AccessiblePageControl(static_cast<TRzPageControl*>(object));
}

} // namespace

// ---------------------------------------------------------------------------------------------

AccessibleDBLabel::AccessibleDBLabel(TRzDBLabel* label)
    : QAccessibleWidget(label, QAccessible::StaticText)
{
}

QString AccessibleDBLabel::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return wholeText();
    const QString own = QAccessibleWidget::text(t);
    // Without a caption tied to it the label reads its value, as a plain label does.
    if (t == QAccessible::Name && own.isEmpty())
        return wholeText();
    return own;
}

QString AccessibleDBLabel::wholeText() const
{
    return captionText(static_cast<const TRzDBLabel*>(object())->Caption());
}

void* AccessibleDBLabel::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

// ---------------------------------------------------------------------------------------------

AccessibleLbButton::AccessibleLbButton(TLbButton* button)
    : QAccessibleWidget(button, QAccessible::Button)
{
}

TLbButton* AccessibleLbButton::button() const
{
    return static_cast<TLbButton*>(object());
}

QString AccessibleLbButton::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && button()->accessibleName().isEmpty())
        return captionText(button()->Caption());
    if (t == QAccessible::Accelerator) {
        const QChar key = acceleratorChar(button()->Caption());
        return key.isNull() ? QString()
                            : QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key.unicode())))
                                  .toString(QKeySequence::NativeText);
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleLbButton::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = button()->down();
    return s;
}

QStringList AccessibleLbButton::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (button()->isEnabled())
        names.prepend(pressAction());
    return names;
}

void AccessibleLbButton::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        later(button(), [](TLbButton* b) { b->click(); });
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList AccessibleLbButton::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction())
        return QAccessibleWidget::keyBindingsForAction(actionName);
    const QString key = text(QAccessible::Accelerator);
    return key.isEmpty() ? QStringList() : QStringList(key);
}

// ---------------------------------------------------------------------------------------------

AccessiblePageControl::AccessiblePageControl(TRzPageControl* control)
    : QAccessibleWidget(control, QAccessible::PageTabList)
{
}

TRzPageControl* AccessiblePageControl::control() const
{
    return static_cast<TRzPageControl*>(object());
}

int AccessiblePageControl::childCount() const
{
    return control()->pageCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface* AccessiblePageControl::child(int index) const
{
    const int tabs = control()->pageCount();
    if (index < 0)
        return nullptr;
    if (index >= tabs)
        return QAccessibleWidget::child(index - tabs);
    return tabs_.get(index, [&] { return new AccessibleTab(control(), index); });
}

int AccessiblePageControl::indexOfChild(const QAccessibleInterface* child) const
{
    if (const auto* tab = dynamic_cast<const AccessibleTab*>(child))
        return tab->parent() == this ? tab->index() : -1;
    const int widget = QAccessibleWidget::indexOfChild(child);
    return widget < 0 ? -1 : control()->pageCount() + widget;
}

QAccessibleInterface* AccessiblePageControl::childAt(int x, int y) const
{
    const int tab = control()->tabLayout().tabAt(control()->mapFromGlobal(QPoint(x, y)));
    return tab >= 0 ? child(tab) : QAccessibleWidget::childAt(x, y);
}

void AccessiblePageControl::activeChanged(TRzPageControl* control, int before, int now)
{
    if (!accessibility::listening())
        return;
    QAccessible::State selected;
    selected.selected = true;
    for (const int tab : {before, now}) {
        if (tab < 0)
            continue;
        QAccessibleStateChangeEvent event(control, selected);
        event.setChild(tab);
        accessibility::send(event);
    }
    if (now >= 0) {
        QAccessibleEvent event(control, QAccessible::Selection);
        event.setChild(now);
        accessibility::send(event);
    }
}

namespace accessibility {
void registerHeaderWidgets()
{
    static const bool once = [] {
        registerClass("TRzDBLabel", makeLabel);
        registerClass("TLbButton", makeButton);
        registerClass("TRzPageControl", makePageControl);
        return true;
    }();
    Q_UNUSED(once);
}
} // namespace accessibility
