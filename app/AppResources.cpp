#include "AppResources.h"

#include <QFile>

// Outside any namespace, as the resource initialiser must be; the resources live in a
// static library, so nothing registers them by itself.
static void initTallyvaneResources()
{
    Q_INIT_RESOURCE(tallyvane);
}

QByteArray builtInBannerJpeg(qreal devicePixelRatio)
{
    initTallyvaneResources();
    QFile file(devicePixelRatio > 1 ? QStringLiteral(":/tallyvane/banner@2x.jpg")
                                    : QStringLiteral(":/tallyvane/banner.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QIcon builtInIcon()
{
    initTallyvaneResources();
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(QStringLiteral(":/tallyvane/tallyvane-%1.png").arg(size), QSize(size, size));
    return icon;
}
