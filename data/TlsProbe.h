#pragma once
#include "Connection.h"

#include <QString>

// Why a connection that checks the server's certificate was refused before its login, which
// FreeTDS reports only as "connection failed": a pre-login of its own and a TLS handshake
// carried in it, checked as the driver checks, then the connection is dropped. No login is
// sent. Returns the cause in a few words, or empty when it finds none.
QString probeTlsRefusal(const ConnectionSettings& settings, int timeoutMs);
