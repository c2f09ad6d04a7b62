#pragma once
#include <QString>
#include <exception>
#include <stdexcept>
#include <utility>

// What the code below the windows asks of the application shell: show a message, report an
// error that no handler caught, end the program. The windows' shell installs itself; without
// it (the feed, a tool) messages and errors go to standard error.
class Shell {
public:
    virtual ~Shell() = default;
    // The one message routine: the kind letter picks icon and caption.
    virtual void showMessage(const QString& text, const QString& kind) = 0;
    // The default error box.
    virtual void showError(const std::exception& error) = 0;
    // The same once the handler running now has returned.
    virtual void showErrorLater(const std::exception& error) { showError(error); }
    virtual void requestTerminate() = 0;
};

Shell& shell();
// nullptr restores the standard-error shell.
void installShell(Shell* installed);

// Runs the body; an error it raises goes to `report` (a member of the shell).
template <class Body>
bool guardWith(Body&& body, void (Shell::*report)(const std::exception&)) noexcept
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& error) {
        (shell().*report)(error);
    } catch (...) {
        (shell().*report)(std::runtime_error("Unknown error"));
    }
    return false;
}

// The one guard: every entry point Qt calls runs its body here, so no exception crosses a
// Qt frame. Returns false when the body failed (the error has been shown).
template <class Body> bool guarded(Body&& body) noexcept
{
    return guardWith(std::forward<Body>(body), &Shell::showError);
}

// The guard for handlers inside which no box may open (painting, mouse moves, event
// filters): an error is shown once the handler has returned.
template <class Body> bool guardedLater(Body&& body) noexcept
{
    return guardWith(std::forward<Body>(body), &Shell::showErrorLater);
}
