#pragma once
#include "AlertRules.h"

#include <QMap>
#include <QString>
#include <optional>

// The site's settings file, INI text in UTF-8 with one group:
//
//   # a comment (";" starts one too)
//   [server]
//   host = db.example.com
//   port = 1433
//   database = KvtCP
//   user = monitor
//   password = secret
//   encryption = require
//   ca_file = /etc/ssl/site/sql-ca.pem
//   certificate_host = db.example.com
//
//   [alerts]
//   balance_floor = 500
//   losing_streak = 10
//   robot_quiet_minutes = 10
//   writer_quiet_minutes = off
//   outage_seconds = 60
//   [alerts:追3]
//   balance_floor = off
//
// A per-robot group ("[alerts:" and the robot's name) may give the three robot rules, which
// then replace the [alerts] ones for that robot. A rule's value is "off" or its threshold;
// a rule left out keeps its default (AlertRules::defaults).
// Every key may be left out. Blanks around a key and its value are dropped; everything after
// the first "=" is the value, "=", "#" and ";" included. Another group, an unknown key, a key
// given twice or a line that is none of these is an error: a mistyped key must not quietly
// leave the built-in account in place.
struct SettingsFile {
    QMap<QString, QString> server; // the [server] group's keys and values
    AlertRules alerts = AlertRules::defaults();
};

// The file at `path`; a file that does not exist reads as empty unless `mustExist`. None on
// an error, with one line naming the file (and the line) in `error`; no value is quoted in it.
std::optional<SettingsFile> readSettingsFile(const QString& path, bool mustExist, QString* error);

// A whole file as UTF-8 text; none with a reason naming the file in `error`. Only a regular
// file of at most 64 KiB is read: a device or a named pipe is refused at once.
std::optional<QString> readUtf8File(const QString& path, QString* error);

// A file name as messages show it: escaped, and shortened when very long.
QString shownPath(const QString& path);
