#include "SettingsFile.h"

#include "FileKind.h"
#include "ScopeGuard.h"
#include "TerminalText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings or password file is a few lines; anything near this is some other file.
constexpr qsizetype kMaxSettingsBytes = 64 * 1024;

const QString kServerGroup = QStringLiteral("[server]");
const QStringList kServerKeys = {QStringLiteral("host"), QStringLiteral("port"),
                                 QStringLiteral("database"), QStringLiteral("user"),
                                 QStringLiteral("password")};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString shownPath(const QString& path)
{
    return terminaltext::shortened(path, 200);
}

std::optional<QString> readUtf8File(const QString& path, QString* error)
{
    const QString shown = shownPath(path);
    // Not blocking: a named pipe without a writer would otherwise hold the start for ever.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot read %1: %2").arg(shown, systemError(errno));
        return std::nullopt;
    }
    const ScopeGuard closeFile([fd] { ::close(fd); });
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        *error = QStringLiteral("cannot read %1: %2").arg(shown, systemError(errno));
        return std::nullopt;
    }
    // A device such as /dev/zero never ends: only a regular file is read, and only a small one.
    if (!S_ISREG(status.st_mode)) {
        *error = QStringLiteral("cannot read %1: it is %2, not a regular file")
                     .arg(shown, fileKind(status.st_mode));
        return std::nullopt;
    }
    QByteArray bytes;
    for (char buffer[4096];;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QStringLiteral("cannot read %1: %2").arg(shown, systemError(errno));
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > kMaxSettingsBytes) {
            *error = QStringLiteral("%1 is larger than %2 KiB: not a settings file")
                         .arg(shown)
                         .arg(kMaxSettingsBytes / 1024);
            return std::nullopt;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        *error = QStringLiteral("%1 is not UTF-8 text").arg(shown);
        return std::nullopt;
    }
    return text;
}

std::optional<SettingsFile> readSettingsFile(const QString& path, bool mustExist, QString* error)
{
    SettingsFile settings;
    const QString shown = shownPath(path);
    if (!QFileInfo::exists(path)) {
        if (mustExist)
            *error = QStringLiteral("%1: no such settings file").arg(shown);
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
            *error = QStringLiteral("%1:%2: %3").arg(shown).arg(number).arg(reason);
            return std::nullopt;
        };
        if (line.startsWith(u'[')) {
            if (line != kServerGroup)
                return fail(QStringLiteral("unknown group %1 (the only one is %2)")
                                .arg(terminaltext::shortened(line), kServerGroup));
            inServer = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            return fail(QStringLiteral("not a group, a key = value line or a comment"));
        const QString key = line.left(eq).trimmed();
        if (!kServerKeys.contains(key))
            return fail(
                QStringLiteral("unknown key \"%1\" (known: %2)")
                    .arg(terminaltext::shortened(key), kServerKeys.join(QStringLiteral(", "))));
        if (!inServer)
            return fail(QStringLiteral("%1 is outside the %2 group").arg(key, kServerGroup));
        if (settings.server.contains(key))
            return fail(QStringLiteral("%1 is given twice").arg(key));
        settings.server.insert(key, line.mid(eq + 1).trimmed());
    }
    return settings;
}
