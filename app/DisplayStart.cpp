#include "DisplayStart.h"

#include "DisplayFailure.h"
#include "TerminalText.h"

#include <QByteArray>
#include <QVector>
#include <cstdio>
#include <cstdlib>

namespace {

struct HeldMessage {
    QtMsgType type;
    QString text;
    QByteArray file, function, category;
    int line;
};

QVector<HeldMessage>* heldMessages = nullptr;

QString displayOption; // -display's value, for the failure line

QString displayOptionOf(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "-display") == 0 || qstrcmp(argv[i], "--display") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}

QString failureLine(const QString& fatal)
{
    DisplayAttempt attempt;
    for (const HeldMessage& m : *heldMessages)
        attempt.messages.push_back({QString::fromLatin1(m.category), m.text});
    attempt.fatal = fatal;
    attempt.displayOption = displayOption;
    attempt.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    return QStringLiteral("tallyvane: ") + terminaltext::escaped(displayFailureLine(attempt));
}

// While the application object connects to the display: Qt's own lines are held back, and
// shown only when it succeeds; its fatal error becomes our one line.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", failureLine(text).toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(kNoDisplay);
    }
    heldMessages->push_back(
        {type, text, context.file, context.function, context.category, context.line});
}

} // namespace

std::unique_ptr<QApplication> startApplicationOrExit(int& argc, char** argv)
{
    QVector<HeldMessage> held;
    heldMessages = &held;
    displayOption = displayOptionOf(argc, argv);
    const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    heldMessages = nullptr;
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(m.file.constData(), m.line, m.function.constData(),
                                         m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
    return app;
}
