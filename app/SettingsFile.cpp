#include "SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

namespace {
const QString kServerGroup = QStringLiteral("[server]");
const QStringList kServerKeys = {QStringLiteral("host"), QStringLiteral("port"),
                                 QStringLiteral("database"), QStringLiteral("user"),
                                 QStringLiteral("password")};
} // namespace

std::optional<QString> readUtf8File(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(file.readAll());
    if (decoder.hasError()) {
        *error = QStringLiteral("%1 is not UTF-8 text").arg(path);
        return std::nullopt;
    }
    return text;
}

std::optional<SettingsFile> readSettingsFile(const QString& path, bool mustExist, QString* error)
{
    SettingsFile settings;
    if (!QFileInfo::exists(path)) {
        if (mustExist)
            *error = QStringLiteral("%1: no such settings file").arg(path);
        return mustExist ? std::nullopt : std::optional(settings);
    }
    const std::optional<QString> text = readUtf8File(path, error);
    if (!text)
        return std::nullopt;
    bool inServer = false;
    int number = 0;
    for (QString line : text->split(u'\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const auto fail = [&](const QString& reason) {
            *error = QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(reason);
            return std::nullopt;
        };
        if (line.startsWith(u'[')) {
            if (line != kServerGroup)
                return fail(QStringLiteral("unknown group %1 (the only one is %2)")
                                .arg(line, kServerGroup));
            inServer = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            return fail(QStringLiteral("not a group, a key = value line or a comment"));
        const QString key = line.left(eq).trimmed();
        if (!kServerKeys.contains(key))
            return fail(QStringLiteral("unknown key \"%1\" (known: %2)")
                            .arg(key, kServerKeys.join(QStringLiteral(", "))));
        if (!inServer)
            return fail(QStringLiteral("%1 is outside the %2 group").arg(key, kServerGroup));
        if (settings.server.contains(key))
            return fail(QStringLiteral("%1 is given twice").arg(key));
        settings.server.insert(key, line.mid(eq + 1).trimmed());
    }
    return settings;
}
