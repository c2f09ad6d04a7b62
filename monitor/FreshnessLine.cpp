#include "FreshnessLine.h"

#include "Accessibility.h"
#include "Shell.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int kPadding = 2; // above and below the text, inside the frame
constexpr int kIndent = 4;  // before the text, inside the frame

QString timeText(const QDateTime& at, const QDate& today)
{
    return at.toString(at.date() == today ? QStringLiteral("hh:mm:ss")
                                          : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

class AccessibleFreshnessLine : public QAccessibleWidget, public ReadOnlyAccessibleText {
public:
    explicit AccessibleFreshnessLine(FreshnessLine* line)
        : QAccessibleWidget(line, QAccessible::StatusBar)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name || t == QAccessible::Value ? wholeText()
                                                                 : QAccessibleWidget::text(t);
    }
    QString text(int startOffset, int endOffset) const override
    {
        return ReadOnlyAccessibleText::text(startOffset, endOffset);
    }
    QString wholeText() const override { return static_cast<FreshnessLine*>(object())->text(); }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
};

QAccessibleInterface* makeLine(QObject* object)
{
    return new AccessibleFreshnessLine(static_cast<FreshnessLine*>(object));
}

QString stateWithoutTimes(const Freshness& f)
{
    return QStringList{f.source, f.lastGood.isValid() ? QStringLiteral("1") : QString(),
                       f.outage ? f.outageSince.toString(Qt::ISODate) : QString(),
                       f.reconnecting ? QStringLiteral("1") : QString(), QString::number(f.alerts)}
        .join(QLatin1Char('\n'));
}

} // namespace

QStringList freshnessParts(const Freshness& f, const QDate& today)
{
    const QString gap = QStringLiteral("　　");
    QStringList parts{QStringLiteral("数据来源：") + f.source, gap};
    if (f.lastGood.isValid())
        parts << QStringLiteral("最近刷新：") << timeText(f.lastGood, today);
    else
        parts << QStringLiteral("尚未刷新");
    if (f.outage) {
        parts << gap << timeText(f.outageSince, today)
              << (f.reconnecting ? QStringLiteral(" 起连接中断，正在重新连接……")
                                 : QStringLiteral(" 起刷新失败"));
    }
    if (f.alerts >= 0)
        parts << gap
              << (f.alerts == 0 ? QStringLiteral("无报警")
                                : QStringLiteral("报警 %1 条").arg(f.alerts));
    return parts;
}

QString freshnessText(const Freshness& freshness, const QDate& today)
{
    return freshnessParts(freshness, today).join(QString());
}

FreshnessLine::FreshnessLine(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("FreshnessLine"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    static const bool registered = (accessibility::registerClass("FreshnessLine", makeLine), true);
    Q_UNUSED(registered);
}

void FreshnessLine::setFreshness(const Freshness& freshness)
{
    const QStringList parts = freshnessParts(freshness, QDate::currentDate());
    if (parts == parts_)
        return;
    // Joined only for a listener: the line changes every second.
    const QString before = accessibility::listening() ? text() : QString();
    // Only from the first piece that changed on: most seconds that is the time alone.
    int x = contentsRect().x() + kIndent;
    for (int i = 0; i < parts.size() && i < parts_.size() && parts[i] == parts_[i]; ++i)
        x += advance(parts[i]);
    parts_ = parts;
    const QRect inside = contentsRect();
    update(QRect(x, inside.y(), inside.right() + 1 - x, inside.height()));
    const QString state = stateWithoutTimes(freshness);
    if (state == toldState_)
        return;
    toldState_ = state;
    if (accessibility::listening()) {
        QAccessibleTextUpdateEvent changed(this, 0, before, text());
        accessibility::send(changed);
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        accessibility::send(renamed);
    }
}

int FreshnessLine::lineHeight() const
{
    return QFontMetrics(font()).height() + 2 * (kPadding + frameWidth());
}

int FreshnessLine::advance(const QString& part)
{
    // The times come new every second: keep the table small.
    if (advances_.size() > 64)
        advances_.clear();
    auto it = advances_.find(part);
    if (it == advances_.end())
        it = advances_.insert(part, QFontMetrics(font()).horizontalAdvance(part));
    return *it;
}

void FreshnessLine::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        advances_.clear();
        shaped_.clear();
    }
    QFrame::changeEvent(event);
}

void FreshnessLine::paintEvent(QPaintEvent* event)
{
    // The frame costs as much as the text: only when its edge is to be painted.
    if (!contentsRect().contains(event->rect()))
        QFrame::paintEvent(event);
    guardedLater([&] {
        const QRect inside = contentsRect();
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const int height = QFontMetrics(font()).height();
        QRect at(inside.x() + kIndent, inside.y() + (inside.height() - height) / 2, 0, height);
        for (const QString& part : parts_) {
            at.setWidth(advance(part));
            if (event->rect().intersects(at))
                shaped_.draw(painter, at, Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop, part,
                             inside);
            at.moveLeft(at.right() + 1);
            if (at.left() >= inside.right())
                break;
        }
    });
}
