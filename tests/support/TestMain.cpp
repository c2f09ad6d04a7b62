#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QTest>
#include <cstdio>

namespace testsupport {
std::vector<std::pair<const char*, TestFactory>>& registeredTests()
{
    static std::vector<std::pair<const char*, TestFactory>> tests;
    return tests;
}
} // namespace testsupport

// Runs every registered class, or only those named with -class NAME (repeatable); other
// arguments go to Qt Test unchanged.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testsupport::prepareTestEnvironment();
    QStringList args = app.arguments();
    QStringList only;
    for (int i = 1; i + 1 < args.size();) {
        if (args[i] == "-class") {
            only << args[i + 1];
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    int failures = 0;
    for (auto& [name, factory] : testsupport::registeredTests()) {
        if (!only.isEmpty() && !only.contains(QString::fromLatin1(name)))
            continue;
        std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), args) != 0 ? 1 : 0;
    }
    std::printf("%d test classes failed\n", failures);
    return failures == 0 ? 0 : 1;
}
