#include "DisplayStart.h"

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

QString noDisplayLine()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return QStringLiteral("tallyvane: cannot open the display of platform \"%1\"")
            .arg(QString::fromLocal8Bit(platform));
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("tallyvane: no display (DISPLAY is not set): run it in a desktop "
                              "session, or with xvfb-run");
    return QStringLiteral("tallyvane: cannot open the display %1")
        .arg(QString::fromLocal8Bit(display));
}

// While the application object connects to the display: Qt's own lines are held back, and
// shown only when it succeeds; its fatal error becomes our one line.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", noDisplayLine().toLocal8Bit().constData());
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
