#include "SettingsFile.h"

#include "FileKind.h"
#include "ScopeGuard.h"
#include "TerminalText.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings or password file is a few lines; anything near this is some other file.
constexpr qsizetype kMaxSettingsBytes = 64 * 1024;

const QString kServerGroup = QStringLiteral("[server]");
const QStringList kServerKeys = {QStringLiteral("host"),     QStringLiteral("port"),
                                 QStringLiteral("database"), QStringLiteral("user"),
                                 QStringLiteral("password"), QStringLiteral("encryption"),
                                 QStringLiteral("ca_file"),  QStringLiteral("certificate_host")};

const QString kAlertsGroup = QStringLiteral("[alerts]");
const QString kRobotAlertsPrefix = QStringLiteral("[alerts:");

// The group a line names; none with a reason when it is no group the file may have.
struct Group {
    enum class Kind { Server, Alerts, RobotAlerts } kind;
    QString robot;
};
std::optional<Group> groupOf(const QString& line, QString* reason)
{
    if (line == kServerGroup)
        return Group{Group::Kind::Server, {}};
    if (line == kAlertsGroup)
        return Group{Group::Kind::Alerts, {}};
    if (line.startsWith(kRobotAlertsPrefix) && line.endsWith(u']')) {
        const QString robot = line.mid(kRobotAlertsPrefix.size()).chopped(1).trimmed();
        if (!robot.isEmpty())
            return Group{Group::Kind::RobotAlerts, robot};
        *reason = QStringLiteral("a robot's alerts group names no robot");
        return std::nullopt;
    }
    *reason =
        QStringLiteral("unknown group %1 (known: %2, %3, %4NAME])")
            .arg(terminaltext::shortened(line), kServerGroup, kAlertsGroup, kRobotAlertsPrefix);
    return std::nullopt;
}

// Sets an alert rule from a line of an alerts group; a reason when it cannot.
QString setAlertRule(AlertRules& rules, const Group& group, const QString& key,
                     const QString& value, QSet<QString>& given)
{
    const std::optional<AlertRule> rule = alertRuleFromKey(key);
    QStringList known;
    for (int i = 0; i < kAlertRuleCount; ++i)
        if (group.kind == Group::Kind::Alerts || isRobotRule(AlertRule(i)))
            known << alertRuleKey(AlertRule(i));
    if (!rule)
        return QStringLiteral("unknown key \"%1\" (known: %2)")
            .arg(terminaltext::shortened(key), known.join(QStringLiteral(", ")));
    if (!known.contains(key))
        return QStringLiteral("%1 applies to the whole fleet: give it in %2")
            .arg(key, kAlertsGroup);
    const QString where = group.robot + u'\n' + key;
    if (given.contains(where))
        return QStringLiteral("%1 is given twice").arg(key);
    given.insert(where);
    AlertRules::Limit limit;
    if (value != QLatin1String("off")) {
        QString reason;
        limit = alertLimitFromText(*rule, value, &reason);
        if (!limit)
            return reason;
    }
    if (group.kind == Group::Kind::Alerts)
        rules.fleet[int(*rule)] = limit;
    else
        rules.robots[group.robot].insert(*rule, limit);
    return {};
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
        *error = QStringLiteral("cannot read %1: %2").arg(shown, terminaltext::systemError(errno));
        return std::nullopt;
    }
    const ScopeGuard closeFile([fd] { ::close(fd); });
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        *error = QStringLiteral("cannot read %1: %2").arg(shown, terminaltext::systemError(errno));
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
            *error =
                QStringLiteral("cannot read %1: %2").arg(shown, terminaltext::systemError(errno));
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
    std::optional<Group> group;
    QSet<QString> alertKeys;
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
            QString reason;
            group = groupOf(line, &reason);
            if (!group)
                return fail(reason);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            return fail(QStringLiteral("not a group, a key = value line or a comment"));
        const QString key = line.left(eq).trimmed();
        if (group && group->kind != Group::Kind::Server) {
            const QString problem =
                setAlertRule(settings.alerts, *group, key, line.mid(eq + 1).trimmed(), alertKeys);
            if (!problem.isEmpty())
                return fail(problem);
            continue;
        }
        if (!kServerKeys.contains(key))
            return fail(
                QStringLiteral("unknown key \"%1\" (known: %2)")
                    .arg(terminaltext::shortened(key), kServerKeys.join(QStringLiteral(", "))));
        if (!group)
            return fail(QStringLiteral("%1 is outside the %2 group").arg(key, kServerGroup));
        if (settings.server.contains(key))
            return fail(QStringLiteral("%1 is given twice").arg(key));
        settings.server.insert(key, line.mid(eq + 1).trimmed());
    }
    return settings;
}
