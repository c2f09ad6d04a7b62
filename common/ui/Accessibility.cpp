#include "Accessibility.h"

#include <QObject>

namespace {

QHash<QString, accessibility::Maker>& makers()
{
    static QHash<QString, accessibility::Maker> table;
    return table;
}

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    const auto maker = makers().constFind(className);
    return maker == makers().cend() ? nullptr : (*maker)(object);
}

} // namespace

namespace accessibility {

void registerClass(const char* className, Maker make)
{
    if (makers().isEmpty())
        QAccessible::installFactory(factory);
    makers().insert(QString::fromLatin1(className), make);
}

EventTap eventTap = nullptr;

void setEventTap(EventTap tap)
{
    eventTap = tap;
}

bool listening()
{
    return eventTap || QAccessible::isActive();
}

void send(QAccessibleEvent& event)
{
    if (eventTap)
        eventTap(&event);
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(&event);
}

} // namespace accessibility

QAccessibleInterface* AccessiblePartCache::get(qint64 key,
                                               const std::function<QAccessibleInterface*()>& make)
{
    if (const auto id = ids_.constFind(key); id != ids_.cend())
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(*id))
            return known;
    QAccessibleInterface* made = make();
    ids_.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

void AccessiblePartCache::clear()
{
    for (const QAccessible::Id id : std::as_const(ids_))
        QAccessible::deleteAccessibleInterface(id);
    ids_.clear();
}

void ReadOnlyAccessibleText::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
}

QString ReadOnlyAccessibleText::text(int startOffset, int endOffset) const
{
    const QString all = wholeText();
    startOffset = qBound(0, startOffset, int(all.size()));
    endOffset = endOffset < 0 ? int(all.size()) : qBound(startOffset, endOffset, int(all.size()));
    return all.mid(startOffset, endOffset - startOffset);
}

QString ReadOnlyAccessibleText::attributes(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
