#include "DisplayFailure.h"
#include "TestRegistry.h"

#include <QTest>

namespace {

const QString kFatal = QStringLiteral(
    "This application failed to start because no Qt platform plugin could be initialized. "
    "Reinstalling the application may fix this problem.\n\nAvailable platform plugins are: "
    "minimal, offscreen, xcb.\n");
const QString kPlugin = QStringLiteral("qt.qpa.plugin");
const QString kXcb = QStringLiteral("qt.qpa.xcb");

QString notFound(const char* name)
{
    return QStringLiteral("Could not find the Qt platform plugin \"%1\" in \"\"").arg(name);
}
QString notLoaded(const char* name)
{
    return QStringLiteral("Could not load the Qt platform plugin \"%1\" in \"\" even though it "
                          "was found.")
        .arg(name);
}

} // namespace

Q_DECLARE_METATYPE(QList<DisplayAttempt::Message>)

// Qt's words while it fails, as Qt 6 gives them, and the line the operator reads.
class TestDisplayFailure : public QObject {
    Q_OBJECT
private slots:
    void namesWhatFailed_data()
    {
        QTest::addColumn<QList<DisplayAttempt::Message>>("messages");
        QTest::addColumn<QString>("displayOption");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<QString>("line");
        using Messages = QList<DisplayAttempt::Message>;
        const Messages noX{{kXcb, "could not connect to display "}, {kPlugin, notLoaded("xcb")}};
        QTest::newRow("DISPLAY unset")
            << noX << ""
            << ""
            << "no display (DISPLAY is not set): run it in a desktop session, or with xvfb-run";
        QTest::newRow("DISPLAY does not answer")
            << Messages{{kXcb, "could not connect to display :77"}, {kPlugin, notLoaded("xcb")}}
            << ""
            << ""
            << "cannot open the display :77";
        QTest::newRow("-display does not answer")
            << Messages{{kXcb, "could not connect to display :78"}, {kPlugin, notLoaded("xcb")}}
            << ":78"
            << ""
            << "cannot open the display :78 given by -display";
        QTest::newRow("plugin not installed")
            << Messages{{kPlugin, notFound("bogus")}} << ""
            << ""
            << "the platform plugin \"bogus\" is not installed (installed: minimal, offscreen, "
               "xcb)";
        QTest::newRow("only a Wayland display, no Wayland plugin")
            << Messages{{kPlugin, notFound("wayland")}} + noX << ""
            << "wayland-9"
            << "the platform plugin \"wayland\" for the Wayland display \"wayland-9\" is not "
               "installed; no display (DISPLAY is not set)";
        QTest::newRow("Wayland display does not answer")
            << Messages{{"qt.qpa.wayland", "Failed to create wl_display (No such file)"},
                        {kPlugin, notLoaded("wayland")}}
            << ""
            << ""
            << "cannot connect to the Wayland display \"wayland-0\"";
        QTest::newRow("X plugin fails otherwise") << Messages{{kPlugin, notLoaded("xcb")}} << ""
                                                  << ""
                                                  << "the platform plugin \"xcb\" could not start";
        QTest::newRow("nothing recognised")
            << Messages{} << ""
            << ""
            << "cannot open a display: This application failed to start because no Qt platform "
               "plugin could be initialized. Reinstalling the application may fix this problem.";
    }
    void namesWhatFailed()
    {
        QFETCH(QList<DisplayAttempt::Message>, messages);
        QFETCH(QString, displayOption);
        QFETCH(QString, waylandDisplay);
        QFETCH(QString, line);
        QCOMPARE(displayFailureLine({messages, kFatal, displayOption, waylandDisplay}), line);
    }
};

TV_REGISTER_TEST(TestDisplayFailure);
#include "tst_displayfailure.moc"
