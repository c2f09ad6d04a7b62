#pragma once
#include <QByteArray>
#include <QIcon>

// What the program carries inside itself.
// The splash banner for a screen of the given pixel ratio: above 1, the banner drawn at twice
// the pixels (to be shown at half its size).
QByteArray builtInBannerJpeg(qreal devicePixelRatio = 1);
inline constexpr int kBannerHighScale = 2;
// The program's icon at every size its desktop icon is installed in, 16 to 256 pixels.
QIcon builtInIcon();
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
