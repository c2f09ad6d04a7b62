#pragma once
#include "Connection.h"

#include <QString>

// FreeTDS takes the certificate checks (the authorities to trust, the host name) only from its
// configuration file, never from the ODBC text: a connection that checks certificates names a
// section of a configuration of the process's own, a file in a private temporary directory
// that FREETDSCONF points to. It holds the server and the TLS settings, never the account.
// Every other connection names its server in the ODBC text and reads no configuration at all.

// Whether the connection checks the server's certificate: it requires encryption, or names
// the authorities to trust.
bool freeTdsChecksCertificate(const ConnectionSettings& settings);

// The section's name and its text, a pure function of the settings.
QString freeTdsSectionName(const ConnectionSettings& settings);
QString freeTdsSection(const ConnectionSettings& settings);

// Why FreeTDS's configuration cannot carry a value ("" when it can): it ends a value at ";" or
// "#", turns a run of blanks into one and reads lines of at most 255 bytes.
QString freeTdsValueProblem(const QString& value);

// Puts the connection's section into the private configuration (nothing to do when it checks
// no certificate). Called on the thread that starts the connection, before any driver runs:
// the first call sets FREETDSCONF. False with a reason when the file cannot be written.
bool installFreeTdsConfig(const ConnectionSettings& settings, QString* error);

// A driver whose every connect fails with `error`.
std::unique_ptr<Driver> makeFailingDriver(const QString& error);
