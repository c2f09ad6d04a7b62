#include "TlsProbe.h"

#include "ScopeGuard.h"

#include <QByteArray>

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr unsigned char kPrelogin = 0x12;
constexpr unsigned char kEncryptOn = 1, kEncryptNotSupported = 2;

// A connected socket with send and receive timeouts, or -1.
int connectTo(const ConnectionSettings& settings, int timeoutMs)
{
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(settings.host.toUtf8().constData(),
                    QByteArray::number(settings.port).constData(), &hints, &found) != 0)
        return -1;
    const ScopeGuard freeFound([found] { freeaddrinfo(found); });
    const timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0)
            return fd;
        ::close(fd);
    }
    return -1;
}

bool sendAll(int fd, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool receiveAll(int fd, char* into, size_t size)
{
    for (size_t got = 0; got < size;) {
        const ssize_t n = ::recv(fd, into + got, size - got, 0);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

QByteArray packet(const QByteArray& payload)
{
    const int length = int(payload.size()) + 8;
    QByteArray out;
    out += char(kPrelogin);
    out += char(1); // the message ends here
    out += char(length >> 8);
    out += char(length & 0xFF);
    out += QByteArray(4, '\0');
    return out + payload;
}

// One packet's payload; empty on a closed or silent link.
QByteArray receivePacket(int fd)
{
    char header[8];
    if (!receiveAll(fd, header, sizeof header))
        return {};
    const int length = (uchar(header[2]) << 8) | uchar(header[3]);
    if (length <= 8)
        return {};
    QByteArray payload(length - 8, '\0');
    return receiveAll(fd, payload.data(), size_t(payload.size())) ? payload : QByteArray();
}

// The server's encryption answer, or -1.
int preloginEncryption(int fd)
{
    // Version 0.0 and "encryption on": enough for a server to answer what it offers.
    const QByteArray options = QByteArray::fromHex("00000b0006"
                                                   "0100110001"
                                                   "ff"
                                                   "000000000000"
                                                   "01");
    if (!sendAll(fd, packet(options)))
        return -1;
    const QByteArray reply = receivePacket(fd);
    for (qsizetype pos = 0; pos + 5 <= reply.size() && uchar(reply[pos]) != 0xFF; pos += 5) {
        const int offset = (uchar(reply[pos + 1]) << 8) | uchar(reply[pos + 2]);
        if (reply[pos] == 1 && offset < reply.size())
            return uchar(reply[offset]);
    }
    return -1;
}

// The handshake's records travel in pre-login packets, as the driver sends them.
struct Transport {
    int fd;
    QByteArray pending; // received and not yet taken
};

ssize_t push(gnutls_transport_ptr_t p, const void* data, size_t size)
{
    auto* t = static_cast<Transport*>(p);
    return sendAll(t->fd, packet(QByteArray(static_cast<const char*>(data), qsizetype(size))))
               ? ssize_t(size)
               : -1;
}

ssize_t pull(gnutls_transport_ptr_t p, void* data, size_t size)
{
    auto* t = static_cast<Transport*>(p);
    if (t->pending.isEmpty())
        t->pending = receivePacket(t->fd);
    if (t->pending.isEmpty())
        return 0;
    const size_t n = std::min(size, size_t(t->pending.size()));
    std::memcpy(data, t->pending.constData(), n);
    t->pending.remove(0, qsizetype(n));
    return ssize_t(n);
}

QString certificateProblem(gnutls_session_t session, const QString& host)
{
    unsigned status = 0;
    if (gnutls_certificate_verify_peers2(session, &status) != GNUTLS_E_SUCCESS)
        return QStringLiteral("the server's certificate could not be checked");
    if (status & GNUTLS_CERT_EXPIRED)
        return QStringLiteral("the server's certificate has expired");
    if (status & GNUTLS_CERT_NOT_ACTIVATED)
        return QStringLiteral("the server's certificate is not valid yet");
    if (status & GNUTLS_CERT_SIGNER_NOT_FOUND)
        return QStringLiteral("the server's certificate is not from a trusted authority");
    if (status & GNUTLS_CERT_INVALID)
        return QStringLiteral("the server's certificate is not trusted");
    unsigned count = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(session, &count);
    gnutls_x509_crt_t certificate = nullptr;
    if (!chain || count == 0 || gnutls_x509_crt_init(&certificate) != GNUTLS_E_SUCCESS)
        return {};
    const ScopeGuard freeCertificate([certificate] { gnutls_x509_crt_deinit(certificate); });
    if (gnutls_x509_crt_import(certificate, &chain[0], GNUTLS_X509_FMT_DER) == GNUTLS_E_SUCCESS &&
        !gnutls_x509_crt_check_hostname(certificate, host.toUtf8().constData()))
        return QStringLiteral("the server's certificate is for another host name than %1")
            .arg(host);
    return {};
}

} // namespace

QString probeTlsRefusal(const ConnectionSettings& settings, int timeoutMs)
{
    const int fd = connectTo(settings, timeoutMs);
    if (fd < 0)
        return {};
    const ScopeGuard closeSocket([fd] { ::close(fd); });
    const int encryption = preloginEncryption(fd);
    if (encryption == kEncryptNotSupported)
        return QStringLiteral("the server offers no TLS");
    if (encryption < 0 || encryption > 3)
        return {};
    gnutls_certificate_credentials_t credentials = nullptr;
    if (gnutls_certificate_allocate_credentials(&credentials) != GNUTLS_E_SUCCESS)
        return {};
    const ScopeGuard freeCredentials(
        [credentials] { gnutls_certificate_free_credentials(credentials); });
    if (settings.caFile.isEmpty())
        gnutls_certificate_set_x509_system_trust(credentials);
    else if (gnutls_certificate_set_x509_trust_file(
                 credentials, settings.caFile.toLocal8Bit().constData(), GNUTLS_X509_FMT_PEM) <= 0)
        return QStringLiteral("the CA file holds no certificate the TLS library can use");
    gnutls_session_t session = nullptr;
    if (gnutls_init(&session, GNUTLS_CLIENT) != GNUTLS_E_SUCCESS)
        return {};
    const ScopeGuard freeSession([session] { gnutls_deinit(session); });
    gnutls_set_default_priority(session);
    gnutls_credentials_set(session, GNUTLS_CRD_CERTIFICATE, credentials);
    Transport transport{fd, {}};
    gnutls_transport_set_ptr(session, &transport);
    gnutls_transport_set_push_function(session, push);
    gnutls_transport_set_pull_function(session, pull);
    int rc = 0;
    do
        rc = gnutls_handshake(session);
    while (rc < 0 && !gnutls_error_is_fatal(rc));
    if (rc < 0)
        return QStringLiteral("the TLS handshake failed: %1")
            .arg(QString::fromUtf8(gnutls_strerror(rc)));
    return certificateProblem(
        session, settings.certificateHost.isEmpty() ? settings.host : settings.certificateHost);
}
