#include "MXT_PUB.h"

MessageBoxSpec showMsgSpec(const QString& text, const QString& kind)
{
    // "!" is no letter, so folding leaves it as it is.
    const QString k = kind.left(1).toUpper();
    if (k == u"W" || k == u"!")
        return {QStringLiteral("警告"), text, QMessageBox::Warning};
    if (k == u"E" || k == u"X")
        return {QStringLiteral("错误"), text, QMessageBox::Critical};
    if (k == u"I")
        return {QStringLiteral("信息"), text, QMessageBox::Information};
    return {QStringLiteral("询问"), text, QMessageBox::Question};
}

void ShowMsg(const QString& text, const QString& kind)
{
    presentMessage(showMsgSpec(text, kind));
}

void RefreshKeepPos(KeepPosQuery& query)
{
    KeepPosition position(query);
    query.close();
    query.open();
    position.restore();
}
