#include "FreshnessLine.h"

#include <QFontMetrics>

namespace {

constexpr int kPadding = 2; // above and below the text, inside the frame

QString timeText(const QDateTime& at, const QDate& today)
{
    return at.toString(at.date() == today ? QStringLiteral("hh:mm:ss")
                                          : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

QString freshnessText(const Freshness& f, const QDate& today)
{
    const QString gap = QStringLiteral("　　");
    QString text = QStringLiteral("数据来源：") + f.source + gap;
    text += f.lastGood.isValid() ? QStringLiteral("最近刷新：") + timeText(f.lastGood, today)
                                 : QStringLiteral("尚未刷新");
    if (f.outage) {
        text += gap + timeText(f.outageSince, today) +
                (f.reconnecting ? QStringLiteral(" 起连接中断，正在重新连接……")
                                : QStringLiteral(" 起刷新失败"));
    }
    return text;
}

FreshnessLine::FreshnessLine(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("FreshnessLine"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setIndent(4);
    setTextFormat(Qt::PlainText);
}

void FreshnessLine::Show(const Freshness& freshness)
{
    const QString text = freshnessText(freshness, QDate::currentDate());
    if (text != this->text())
        setText(text);
}

int FreshnessLine::LineHeight() const
{
    return QFontMetrics(font()).height() + 2 * (kPadding + frameWidth());
}
