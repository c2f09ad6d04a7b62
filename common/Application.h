#pragma once
#include "MessagePresenter.h"

#include <QString>
#include <exception>
#include <stdexcept>
#include <utility>

// The application object: its title, the terminate request and the default error box that
// reports every error no handler caught.
class TApplication {
public:
    // Clears the terminate request and installs the font substitutions; run once per start.
    void Initialize();

    const QString& Title() const { return title_; }
    // Also becomes the application name, the window class and the desktop entry name.
    void SetTitle(const QString& title);

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // The default error box for an error that reached the guard.
    void ShowException(const std::exception& error);
    MessageBoxSpec ErrorBoxSpec(const QString& errorText) const;

private:
    QString title_;
    bool terminated_ = false;
};

extern TApplication* Application;

// The text an error carries for the operator.
QString exceptionText(const std::exception& error);

// The error's text, with "." appended only when its last character sorts after ".".
QString errorBoxText(const QString& errorText);

// The one guard: every entry point Qt calls runs its body here, so no exception crosses a
// Qt frame. Returns false when the body failed (the error has been shown).
template <class Body>
bool Guarded(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& error) {
        Application->ShowException(error);
    } catch (...) {
        Application->ShowException(std::runtime_error("Unknown error"));
    }
    return false;
}
