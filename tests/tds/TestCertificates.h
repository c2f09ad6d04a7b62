#pragma once
#include <QString>
#include <QTemporaryDir>

// Certificates for the TLS tests, made by the openssl tool in a temporary directory when a test
// starts (no key is ever kept): a test authority, and server certificates with their keys.
class TestCertificates {
public:
    enum class Server {
        Good,          // for localhost and 127.0.0.1, from the test authority
        WrongHost,     // for another host, from the test authority
        Expired,       // for localhost, from the test authority, valid only in 2020
        OtherAuthority // for localhost, from an authority the client is not told of
    };

    TestCertificates();
    bool made() const { return made_; }
    QString error() const { return error_; }

    QString authorityFile() const; // the test authority's certificate (PEM)
    QString certificateFile(Server server) const;
    QString keyFile(Server server) const;

private:
    bool openssl(const QStringList& arguments);
    bool makeAuthority(const QString& name, const QString& subject);
    bool makeServer(const QString& name, const QString& authority, const QString& host,
                    bool expired);
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    bool made_ = false;
    QString error_;
};
