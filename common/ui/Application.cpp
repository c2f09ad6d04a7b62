#include "Application.h"

#include "Exceptions.h"
#include "Fonts.h"
#include "MXT_PUB.h"

#include <QGuiApplication>

namespace {

Application theApplication;

// Code below the windows (the data module, the timer, the guard) reaches the operator
// through this.
class WindowShell : public Shell {
public:
    WindowShell() { installShell(this); }
    void showMessage(const QString& text, const QString& kind) override { ShowMsg(text, kind); }
    void showError(const std::exception& error) override { theApplication.showException(error); }
    void showErrorLater(const std::exception& error) override
    {
        presentMessageLater(theApplication.errorBoxSpec(exceptionText(error)));
    }
    void requestTerminate() override { theApplication.terminate(); }
};

WindowShell windowShell;

} // namespace

Application* application = &theApplication;

void Application::initialize()
{
    terminated_ = false;
    registerFontSubstitutions();
}

void Application::setTitle(const QString& title)
{
    title_ = title;
    setDesktopName(title);
}

void setDesktopName(const QString& name)
{
    // Not Qt's display name: Qt would append that to every window caption (X11 and Wayland).
    // The application name is the class of the windows (WM_CLASS), by which desktops match
    // them to the desktop entry and name them; the desktop file name is the Wayland app id.
    QCoreApplication::setApplicationName(name);
    QGuiApplication::setDesktopFileName(name.toLower());
}

QString errorBoxText(const QString& errorText)
{
    if (!errorText.isEmpty() && errorText.back() > QLatin1Char('.'))
        return errorText + QLatin1Char('.');
    return errorText;
}

MessageBoxSpec Application::errorBoxSpec(const QString& errorText) const
{
    return {title_.isEmpty() ? QStringLiteral("Tallyvane") : title_, errorBoxText(errorText),
            QMessageBox::Critical};
}

void Application::showException(const std::exception& error)
{
    presentMessage(errorBoxSpec(exceptionText(error)));
}
