#pragma once
#include <QString>

// The installed families the windows' font names resolve to, as QFontInfo reports them.
inline const QString kSongTiFont = QStringLiteral("AR PL UMing CN");     // 宋体
inline const QString kYaHeiFont = QStringLiteral("WenQuanYi Micro Hei"); // 微软雅黑
inline const QString kHeiTiFont = QStringLiteral("WenQuanYi Zen Hei");   // 黑体
