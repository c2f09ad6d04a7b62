#pragma once
#include "AlertRules.h"
#include "Connection.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <optional>

// The SQL Server and account a site gives, each value from the first source that has one:
// the command line (--server), the environment, the settings file (SettingsFile.h), the
// built-in values. The environment:
//   TALLYVANE_SERVER         HOST[,PORT], as --server takes it
//   TALLYVANE_DATABASE       the database
//   TALLYVANE_USER           the login
//   TALLYVANE_PASSWORD_FILE  a file holding the password (one line break at its end is not
//                            part of it): a password in the environment is too easily seen
// An empty variable counts as unset. --server and TALLYVANE_SERVER name the whole server: a
// port left out there is the built-in one, never the file's.
struct SiteSettings {
    ConnectionSettings connection;
    AlertRules alerts = AlertRules::defaults(); // from the settings file only
    QStringList warnings;                       // one line each, without the program's name
};

// `serverOption` is --server's value and `configFile` --config's, when given. Every value
// found is checked, used or not; on the first bad one: none, with one line naming its source
// in `error`. No error or warning ever holds the password.
std::optional<SiteSettings> readSiteSettings(const std::optional<QString>& serverOption,
                                             const std::optional<QString>& configFile,
                                             const QProcessEnvironment& environment,
                                             QString* error);

// $XDG_CONFIG_HOME/tallyvane/tallyvane.conf, or under ~/.config when that is unset (or not
// absolute); empty without a home either.
QString defaultSettingsFile(const QProcessEnvironment& environment);
