#include "Exceptions.h"

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

QString exceptionText(const std::exception& error)
{
    const auto* own = dynamic_cast<const Exception*>(&error);
    return own ? own->message() : QString::fromUtf8(error.what());
}
