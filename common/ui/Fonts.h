#pragma once
#include <QFont>
#include <QString>

// Maps the Windows font names the windows ask for onto the installed Chinese and Latin fonts.
void registerFontSubstitutions();

// A font of the given family sized in pixels, as the windows specify their fonts.
QFont pixelFont(const QString& family, int pixelSize, bool bold = false);

// Font families the windows use.
inline const QString kSongTi = QStringLiteral("宋体");
inline const QString kYaHei = QStringLiteral("微软雅黑");
inline const QString kHeiTi = QStringLiteral("黑体");
inline const QString kArial = QStringLiteral("Arial");
