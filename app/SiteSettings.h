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
//   TALLYVANE_ENCRYPTION     off, request (the built-in value) or require
//   TALLYVANE_CA_FILE        PEM certificates of the authorities the server's must come from
//   TALLYVANE_CERTIFICATE_HOST  the host name the server's certificate must carry
// An empty variable counts as unset. --server and TALLYVANE_SERVER name the whole server: a
// port left out there is the built-in one, never the file's.
// The settings file's keys are encryption, ca_file and certificate_host. What the SQL Server
// driver cannot honour is an error, never ignored: a CA file or certificate host without
// encryption, and a certificate host other than the host (FreeTDS checks the name it
// connects to).
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
