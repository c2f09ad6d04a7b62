#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the splash window's parts go, apart from any painting.
struct SplashLayout {
    static constexpr QSize kClientSize{395, 236};
    static constexpr int kCaptionHeight = 27;

    QRect panel;   // fills the client area
    QRect picture; // top-left, as large as the picture (empty without one)
    QRect caption; // docked to the bottom

    static SplashLayout compute(QSize client, QSize pictureSize);
    // Top-left corner that centres a window of this size on the screen.
    static QPoint centredOn(const QRect& screen, QSize window);
};
