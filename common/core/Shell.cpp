#include "Shell.h"

#include "Exceptions.h"

#include <cstdio>

namespace {

class StandardErrorShell : public Shell {
public:
    void showMessage(const QString& text, const QString&) override { write(text); }
    void showError(const std::exception& error) override { write(exceptionText(error)); }
    void requestTerminate() override {}

private:
    static void write(const QString& text)
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
};

StandardErrorShell standardErrorShell;
Shell* current = nullptr;

} // namespace

Shell& shell()
{
    return current ? *current : standardErrorShell;
}

void installShell(Shell* installed)
{
    current = installed;
}
