#include "Application.h"

#include "Exceptions.h"
#include "Fonts.h"

#include <QGuiApplication>
#include <stdexcept>

namespace {
TApplication theApplication;
}

TApplication* Application = &theApplication;

void TApplication::Initialize()
{
    terminated_ = false;
    registerFontSubstitutions();
}

void TApplication::SetTitle(const QString& title)
{
    title_ = title;
    // Not the display name: Qt would append that to every window caption on X11.
    QCoreApplication::setApplicationName(title);
    QGuiApplication::setDesktopFileName(title.toLower());
}

QString errorBoxText(const QString& errorText)
{
    if (!errorText.isEmpty() && errorText.back() > QLatin1Char('.'))
        return errorText + QLatin1Char('.');
    return errorText;
}

MessageBoxSpec TApplication::ErrorBoxSpec(const QString& errorText) const
{
    return {title_.isEmpty() ? QStringLiteral("Tallyvane") : title_, errorBoxText(errorText),
            QMessageBox::Critical};
}

QString exceptionText(const std::exception& error)
{
    const auto* own = dynamic_cast<const Exception*>(&error);
    return own ? own->Message() : QString::fromUtf8(error.what());
}

void TApplication::ShowException(const std::exception& error) { presentMessage(ErrorBoxSpec(exceptionText(error))); }
