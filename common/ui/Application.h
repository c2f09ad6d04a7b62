#pragma once
#include "MessagePresenter.h"
#include "Shell.h"

#include <QString>
#include <exception>

// The application object: its title, the terminate request and the default error box that
// reports every error no handler caught.
class Application {
public:
    // Clears the terminate request and installs the font substitutions; run once per start.
    void initialize();

    const QString& Title() const { return title_; }
    // Also becomes the desktop name (setDesktopName).
    void setTitle(const QString& title);

    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_; }

    // The default error box for an error that reached the guard.
    void showException(const std::exception& error);
    MessageBoxSpec errorBoxSpec(const QString& errorText) const;

private:
    QString title_;
    bool terminated_ = false;
};

extern Application* application;

// The name task bars and the desktop entry show for the program's windows. The first window
// fixes the window class, so it must be set before the first window appears.
void setDesktopName(const QString& name);

// The error's text, with "." appended only when its last character sorts after ".".
QString errorBoxText(const QString& errorText);
