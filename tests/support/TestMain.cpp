#include "Exceptions.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace testsupport {
std::vector<std::pair<const char*, TestFactory>>& registeredTests()
{
    static std::vector<std::pair<const char*, TestFactory>> tests;
    return tests;
}
} // namespace testsupport

namespace {

// What a class's run came to, read from the TAP log Qt Test wrote beside its own output.
struct ClassOutcome {
    int ran = 0; // test functions (each data row) that passed or failed
    int skipped = 0;
};

ClassOutcome readTapLog(const QString& path)
{
    ClassOutcome outcome;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return outcome;
    static const QRegularExpression line(QStringLiteral("^(not )?ok \\d+ - (\\w+)\\("));
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue;
        const bool skip = text.contains(QLatin1String(" # SKIP"));
        const QString function = m.captured(2);
        if (skip)
            ++outcome.skipped;
        else if (function != QLatin1String("initTestCase") &&
                 function != QLatin1String("cleanupTestCase"))
            ++outcome.ran;
    }
    return outcome;
}

enum class Verdict { Passed, Failed, Skipped };

// One class through Qt Test. A class fails when a function fails, when an exception ends it
// or when it runs no test function at all; one that only skipped (its server is absent)
// counts as skipped.
Verdict runClass(const char* name, const testsupport::TestFactory& factory, QStringList args,
                 const QString& tapPath)
{
    if (!args.contains(QLatin1String("-o")))
        args << QStringLiteral("-o") << QStringLiteral("-,txt");
    args << QStringLiteral("-o") << tapPath + QStringLiteral(",tap");
    QFile::remove(tapPath);
    std::unique_ptr<QObject> test = factory();
    int failures = 0;
    try {
        failures = QTest::qExec(test.get(), args);
    } catch (const std::exception& error) {
        std::printf("FAIL!  : %s ended in an exception: %s\n", name,
                    qPrintable(exceptionText(error)));
        return Verdict::Failed;
    } catch (...) {
        std::printf("FAIL!  : %s ended in an exception\n", name);
        return Verdict::Failed;
    }
    if (failures != 0)
        return Verdict::Failed;
    const ClassOutcome outcome = readTapLog(tapPath);
    if (outcome.ran > 0)
        return Verdict::Passed;
    if (outcome.skipped > 0)
        return Verdict::Skipped;
    std::printf("FAIL!  : %s ran no test function\n", name);
    return Verdict::Failed;
}

// Compares the registered classes with the list the build found in the sources.
int checkRegistered(const QStringList& listed)
{
    QStringList registered;
    for (const auto& entry : testsupport::registeredTests())
        registered << QString::fromLatin1(entry.first);
    registered.sort();
    QStringList expected = listed;
    expected.sort();
    if (registered == expected)
        return 0;
    std::printf("FAIL!  : registered %s, the build runs %s\n", qPrintable(registered.join(u' ')),
                qPrintable(expected.join(u' ')));
    return 1;
}

} // namespace

// Runs the selected classes (all, or those named with -class NAME, repeatable): one alone in
// this process, several each in a process of its own, since Qt Test carries state from one
// class to the next (after a skip in one class's initTestCase every later class runs
// nothing). Other arguments go to Qt Test unchanged; -registered A,B,… only checks the list.
// Exit code 0 when all passed, 1 when one failed or a name matches no class, kSkipped when
// every class skipped.
int main(int argc, char** argv)
{
    constexpr int kSkipped = 77;
    // The long runs' outages last minutes; Qt Test's watchdog would end a function at five.
    if (qEnvironmentVariableIsSet("TALLYVANE_LONG_RUNS") &&
        !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "3600000");
    QApplication app(argc, argv);
    testsupport::prepareTestEnvironment();
    QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "-registered")
        return checkRegistered(args[2].split(u','));
    QStringList only;
    for (int i = 1; i + 1 < args.size();) {
        if (args[i] == "-class") {
            only << args[i + 1];
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    QStringList selected;
    for (const auto& entry : testsupport::registeredTests()) {
        const QString name = QString::fromLatin1(entry.first);
        if (only.isEmpty() || only.contains(name))
            selected << name;
    }
    for (const QString& name : only)
        if (!selected.contains(name)) {
            std::printf("FAIL!  : no test class %s\n", qPrintable(name));
            return 1;
        }

    if (selected.size() == 1) {
        const auto& registered = testsupport::registeredTests();
        const auto entry = std::find_if(registered.begin(), registered.end(), [&](const auto& e) {
            return selected.front() == QLatin1String(e.first);
        });
        const QTemporaryDir logs;
        switch (runClass(entry->first, entry->second, args,
                         logs.filePath(QStringLiteral("class.tap")))) {
        case Verdict::Passed:
            return 0;
        case Verdict::Skipped:
            return kSkipped;
        case Verdict::Failed:
            return 1;
        }
    }

    int failed = 0, skipped = 0;
    for (const QString& name : selected) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    args.mid(1) << QStringLiteral("-class") << name);
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit ||
            (child.exitCode() != 0 && child.exitCode() != kSkipped)) {
            std::printf("FAIL!  : %s failed\n", qPrintable(name));
            ++failed;
        } else if (child.exitCode() == kSkipped) {
            ++skipped;
        }
    }
    std::printf("%d of %lld test classes failed, %d skipped\n", failed,
                static_cast<long long>(selected.size()), skipped);
    std::fflush(stdout);
    if (failed > 0 || selected.isEmpty())
        return 1;
    return skipped == selected.size() ? kSkipped : 0;
}
