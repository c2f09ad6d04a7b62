#include "AppResources.h"

#include <QFile>

// Outside any namespace, as the resource initialiser must be; the resources live in a
// static library, so nothing registers them by itself.
static void initTallyvaneResources()
{
    Q_INIT_RESOURCE(tallyvane);
}

QByteArray builtInBannerJpeg()
{
    initTallyvaneResources();
    QFile file(QStringLiteral(":/tallyvane/banner.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QIcon builtInIcon()
{
    initTallyvaneResources();
    return QIcon(QStringLiteral(":/tallyvane/tallyvane.png"));
}
