#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace {
const char* const kNames[] = {"good", "wrong", "expired", "stranger"};

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}
} // namespace

TestCertificates::TestCertificates()
{
    made_ = dir_.isValid() &&
            makeAuthority(QStringLiteral("ca"), QStringLiteral("/CN=Tallyvane Test CA")) &&
            makeAuthority(QStringLiteral("other-ca"), QStringLiteral("/CN=Another CA")) &&
            makeServer(QStringLiteral("good"), QStringLiteral("ca"), QStringLiteral("localhost"),
                       false) &&
            makeServer(QStringLiteral("wrong"), QStringLiteral("ca"),
                       QStringLiteral("wrong.example"), false) &&
            makeServer(QStringLiteral("expired"), QStringLiteral("ca"), QStringLiteral("localhost"),
                       true) &&
            makeServer(QStringLiteral("stranger"), QStringLiteral("other-ca"),
                       QStringLiteral("localhost"), false);
}

QString TestCertificates::authorityFile() const
{
    return path(QStringLiteral("ca.pem"));
}

QString TestCertificates::certificateFile(Server server) const
{
    return path(QString::fromLatin1(kNames[int(server)]) + QStringLiteral(".pem"));
}

QString TestCertificates::keyFile(Server server) const
{
    return path(QString::fromLatin1(kNames[int(server)]) + QStringLiteral(".key"));
}

bool TestCertificates::openssl(const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        error_ = QStringLiteral("openssl %1: %2 %3")
                     .arg(arguments.join(u' '), process.errorString(),
                          QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

bool TestCertificates::makeAuthority(const QString& name, const QString& subject)
{
    // P-256 keys: made in milliseconds, where RSA keys take a good part of a second.
    return openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", name + ".key", "-out", name + ".pem", "-days", "2",
                    "-subj", subject});
}

bool TestCertificates::makeServer(const QString& name, const QString& authority,
                                  const QString& host, bool expired)
{
    const QString ext = name + QStringLiteral(".ext");
    QByteArray names = "subjectAltName=DNS:" + host.toLatin1();
    if (host == QLatin1String("localhost"))
        names += ",IP:127.0.0.1";
    if (!writeFile(path(ext), names + "\n") ||
        !openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                  "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + host}))
        return false;
    if (!expired)
        return openssl({"x509", "-req", "-in", name + ".csr", "-CA", authority + ".pem", "-CAkey",
                        authority + ".key", "-CAcreateserial", "-out", name + ".pem", "-days", "2",
                        "-extfile", ext});
    // Only the ca command sets dates in the past.
    const QByteArray config = "[ca]\ndefault_ca = tv\n[tv]\ndatabase = index.txt\n"
                              "new_certs_dir = .\nserial = serial\ndefault_md = sha256\n"
                              "policy = any\n[any]\ncommonName = supplied\n";
    return writeFile(path(QStringLiteral("ca.cnf")), config) &&
           writeFile(path(QStringLiteral("index.txt")), "") &&
           writeFile(path(QStringLiteral("serial")), "01\n") &&
           openssl({"ca", "-batch", "-config", "ca.cnf", "-in", name + ".csr", "-out",
                    name + ".pem", "-startdate", "20200101000000Z", "-enddate", "20200102000000Z",
                    "-keyfile", authority + ".key", "-cert", authority + ".pem", "-notext",
                    "-extfile", ext});
}
