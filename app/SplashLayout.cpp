#include "SplashLayout.h"

SplashLayout SplashLayout::compute(QSize client, QSize pictureSize)
{
    SplashLayout layout;
    layout.panel = QRect(QPoint(0, 0), client);
    layout.picture = QRect(QPoint(0, 0), pictureSize.isValid() ? pictureSize : QSize(0, 0));
    const int captionHeight = qMin(kCaptionHeight, client.height());
    layout.caption = QRect(0, client.height() - captionHeight, client.width(), captionHeight);
    return layout;
}

QPoint SplashLayout::centredOn(const QRect& screen, QSize window)
{
    return {screen.left() + (screen.width() - window.width()) / 2,
            screen.top() + (screen.height() - window.height()) / 2};
}
