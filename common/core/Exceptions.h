#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// Base of every error this program raises; carries the text shown to the operator.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// The platform could not give a resource (a timer, for instance).
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// The text an error carries for the operator.
QString exceptionText(const std::exception& error);
