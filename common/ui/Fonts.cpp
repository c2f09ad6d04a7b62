#include "Fonts.h"

void registerFontSubstitutions()
{
    // Left alone, fontconfig maps all three Chinese names to one font.
    const struct {
        const char* windowsName;
        const char* installed;
    } map[] = {
        {"宋体", "AR PL UMing CN"},          {"SimSun", "AR PL UMing CN"},
        {"微软雅黑", "WenQuanYi Micro Hei"}, {"Microsoft YaHei", "WenQuanYi Micro Hei"},
        {"黑体", "WenQuanYi Zen Hei"},       {"SimHei", "WenQuanYi Zen Hei"},
        {"Arial", "Liberation Sans"},
    };
    for (const auto& entry : map)
        QFont::insertSubstitution(QString::fromUtf8(entry.windowsName),
                                  QString::fromUtf8(entry.installed));
}

QFont pixelFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
