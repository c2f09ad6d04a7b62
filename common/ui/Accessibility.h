#pragma once
#include <QAccessible>
#include <QAccessibleInterface>
#include <QHash>
#include <QString>
#include <functional>

class QObject;

// The custom-painted widgets describe themselves to assistive technology through interfaces of
// their own; one factory, installed with the first class registered, hands them out.
namespace accessibility {

using Maker = QAccessibleInterface* (*)(QObject* object);
// The interface objects of the class named (its meta-object's name, so derived classes that
// do not register their own get it too) are to get. Call it from the class's constructor.
void registerClass(const char* className, Maker make);

// Sends the event only while something listens: building the interface costs otherwise.
void send(QAccessibleEvent& event);
// Whether anything listens: the platform's bridge, or the tap.
bool listening();
// Also hands every event sent to `tap` (nullptr: none). A platform without a bridge (the
// offscreen one) drops events, so tests listen here.
using EventTap = void (*)(QAccessibleEvent* event);
void setEventTap(EventTap tap);

} // namespace accessibility

// The interfaces of the parts of a widget that are no widgets themselves (tabs, cells):
// made when first asked for, kept by Qt's registry until the widget's contents change.
class AccessiblePartCache {
public:
    AccessiblePartCache() = default;
    AccessiblePartCache(const AccessiblePartCache&) = delete;
    AccessiblePartCache& operator=(const AccessiblePartCache&) = delete;
    ~AccessiblePartCache() { clear(); }

    QAccessibleInterface* get(qint64 key, const std::function<QAccessibleInterface*()>& make);
    void clear();

private:
    QHash<qint64, QAccessible::Id> ids_;
};

// A read-only text for the text interface: no caret, no selection, no attributes.
class ReadOnlyAccessibleText : public QAccessibleTextInterface {
public:
    virtual QString wholeText() const = 0;

    void selection(int, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override { return int(wholeText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
};
