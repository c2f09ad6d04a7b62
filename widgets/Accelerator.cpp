#include "Accelerator.h"

QChar acceleratorChar(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toUpper();
        ++i;  // "&&" is a literal ampersand
    }
    return {};
}

QString withoutAccelerator(const QString& caption)
{
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 >= caption.size())
                break;  // a trailing mark marks nothing and is not drawn
            ++i;
        }
        shown += caption[i];
    }
    return shown;
}
