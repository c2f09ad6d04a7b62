#include "A00Main.h"
#include "Application.h"
#include "B001About.h"
#include "FixtureDb.h"
#include "GlyphButton.h"
#include "LbButton.h"
#include "LoopbackPort.h"
#include "Program.h"
#include "RecordingPresenter.h"
#include "ScopeGuard.h"
#include "TestRegistry.h"
#include "data.h"
#include "login.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

namespace {

const QString kConnectFailed = QStringLiteral(
    "对不起，无法连接大数据，请检查您的网络是否正常。如任然无法连接，请与服务商联系。");

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            shown << widget;
    return shown;
}

// Every top-level window that was shown during a run.
class ShownWindows : public QObject {
public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    int splashes = 0;
    int others = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow())
                ++(dynamic_cast<TfrmB001About*>(widget) ? splashes : others);
        }
        return false;
    }
};

// Drives the login dialog once it is shown, and the monitor window once it is.
class StartupDriver : public QObject {
public:
    StartupDriver() { qApp->installEventFilter(this); }
    ~StartupDriver() override { qApp->removeEventFilter(this); }
    std::function<void(Tfmlogin&)> onLogin;
    std::function<void(TfrmA00Main&)> onMonitor;
    int loginShown = 0;
    int monitorShown = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* login = dynamic_cast<Tfmlogin*>(object)) {
            ++loginShown;
            QTimer::singleShot(0, login, [this, login] { onLogin(*login); });
        } else if (auto* window = dynamic_cast<TfrmA00Main*>(object)) {
            ++monitorShown;
            QTimer::singleShot(0, window, [this, window] { onMonitor(*window); });
        }
        return false;
    }
};

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    // The runs here name their server or file; the machine's own site settings stay out.
    void initTestCase()
    {
        QVERIFY(noSettings_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(noSettings_.path()));
        for (const char* name : {"TALLYVANE_SERVER", "TALLYVANE_DATABASE", "TALLYVANE_USER",
                                 "TALLYVANE_PASSWORD_FILE"})
            qunsetenv(name);
    }
    void init() { application->setTitle(QString()); }
    void cleanup() { application->setTitle(QStringLiteral("Tallyvane")); }

    void connectionFailureShowsOneBoxAndEnds_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("cause"); // on standard error, after the source
        QTest::newRow("missing SQLite file")
            << QStringList{"--sqlite", "/nonexistent.db"} << "nonexistent.db: ";
        // A 0-byte file opens as an empty database, which has none of the client's tables.
        const QString empty = noSettings_.filePath(QStringLiteral("empty.db"));
        QFile(empty).open(QIODevice::WriteOnly);
        QTest::newRow("empty SQLite file") << QStringList{"--sqlite", empty} << "empty.db: ";
        // Goes through the SQL Server (FreeTDS) driver; the port refuses at once.
        const QString closed = QStringLiteral("127.0.0.1,%1").arg(closedLoopbackPort());
        QTest::newRow("closed server port")
            << QStringList{"--server", closed}
            << closed + ": Unable to connect: Adaptive Server is unavailable or does not exist";
        // Encryption required of a server that offers none.
        QTest::newRow("closed server port, encryption required")
            << QStringList{"--server", closed, "TALLYVANE_ENCRYPTION=require"}
            << closed + ": Unable to connect: Adaptive Server is unavailable";
    }
    void connectionFailureShowsOneBoxAndEnds()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, cause);
        // "NAME=value" arguments are the environment's.
        QStringList variables;
        for (const QString& arg : QStringList(args))
            if (arg.contains(u'=')) {
                args.removeOne(arg);
                variables << arg.section(u'=', 0, 0);
                qputenv(qPrintable(variables.last()), arg.section(u'=', 1).toUtf8());
            }
        const ScopeGuard unset([&] {
            for (const QString& name : variables)
                qunsetenv(qPrintable(name));
        });
        // One line for the administrator; the password never in it.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^cannot connect to .*") +
                                                QRegularExpression::escape(cause)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("HbnTr4417")));
        RecordingPresenter presenter;
        ShownWindows shown;
        QString titleDuringBox;
        int windowsDuringBox = 0;
        int splashesDuringBox = 0;
        presenter.onPresent = [&](const MessageBoxSpec&) {
            titleDuringBox = application->Title();
            for (QWidget* window : visibleWindows()) {
                ++windowsDuringBox;
                splashesDuringBox += dynamic_cast<TfrmB001About*>(window) ? 1 : 0;
            }
        };

        // The start failed: no success for a script or a service manager either.
        QCOMPARE(runTallyvane(QStringList{"tallyvane"} + args), 1);

        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].caption, QStringLiteral("信息"));
        QCOMPARE(presenter.boxes[0].text, kConnectFailed);
        QCOMPARE(presenter.boxes[0].icon, QMessageBox::Information);
        // The title is set before the connection is tried; behind the box only the splash.
        QCOMPARE(titleDuringBox, QStringLiteral("Tallyvane"));
        QCOMPARE(windowsDuringBox, 1);
        QCOMPARE(splashesDuringBox, 1);
        QCOMPARE(shown.splashes, 1);
        QCOMPARE(shown.others, 0);
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY(application->terminated());
        QCOMPARE(DM, nullptr);
        QVERIFY(!QFile::exists(QStringLiteral("/nonexistent.db")));
    }

    void startUpThroughTheLogin_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("monitorShown");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QString>("storedPassword");
        QTest::newRow("cancel with Esc") << "esc" << false << 0 << "demo";
        QTest::newRow("cancel button") << "cancel" << false << 0 << "demo";
        QTest::newRow("login") << "login" << true << 0 << "demo";
        QTest::newRow("password change") << "change" << false << 1 << "neu";
    }
    void startUpThroughTheLogin()
    {
        QFETCH(QString, action);
        QFETCH(bool, monitorShown);
        QFETCH(int, boxes);
        QFETCH(QString, storedPassword);
        FixtureDb db;
        db.addOperator(7, "demo", "演示", "demo");
        FixtureDb::Result r;
        db.addResult(r);
        db.setVersion(1);
        RecordingPresenter presenter;
        StartupDriver driver;
        QString operatorSeen;
        driver.onLogin = [&](Tfmlogin& login) {
            if (action == u"esc") {
                QTest::keyClick(&login, Qt::Key_Escape);
                return;
            }
            if (action == u"cancel") {
                login.bbCancel->click();
                return;
            }
            if (action == u"change")
                login.bbChangPwClick();
            login.ComboBox1->setEditText(" demo ");
            login.Edit1->setText("demo");
            login.Edit2->setText("neu");
            login.Edit4->setText("neu");
            login.bbOkClick();
        };
        driver.onMonitor = [&](TfrmA00Main& window) {
            operatorSeen =
                QStringLiteral("%1 %2 %3").arg(DM->UserID).arg(DM->UserName, DM->LoginName);
            window.bbClose->click();
        };
        QCOMPARE(runTallyvane({"tallyvane", "--sqlite", db.path()}), 0);
        QCOMPARE(driver.loginShown, 1);
        QCOMPARE(driver.monitorShown, monitorShown ? 1 : 0);
        QCOMPARE(presenter.boxes.size(), boxes);
        if (boxes)
            QCOMPARE(presenter.boxes[0].text,
                     QStringLiteral("密码修改成功,请下次使用新口令登录系统!"));
        if (monitorShown)
            QCOMPARE(operatorSeen, QStringLiteral("7 演示 demo"));
        QCOMPARE(db.scalar("select \"F07口令\" from \"TA71操作用户\"").toString(), storedPassword);
        QVERIFY(visibleWindows().isEmpty());
        QCOMPARE(DM, nullptr);
        QCOMPARE(application->Title(), QStringLiteral("Tallyvane"));
        QCOMPARE(application->terminated(), !monitorShown);
    }

    // Task bars and the desktop entry know the windows by the window class, which the first
    // window (the splash) fixes; the captions stay as they are.
    void desktopsNameTheWindowsTallyvane()
    {
        QString nameAtSplash;
        QStringList captions;
        StartupDriver driver;
        FixtureDb db;
        db.addOperator(7, "demo", "演示", "demo");
        db.addResult({});
        RecordingPresenter presenter;
        struct SplashWatch : QObject {
            QString* name;
            bool eventFilter(QObject* o, QEvent* e) override
            {
                if (e->type() == QEvent::Show && dynamic_cast<TfrmB001About*>(o))
                    *name = QCoreApplication::applicationName();
                return false;
            }
        } watch;
        watch.name = &nameAtSplash;
        qApp->installEventFilter(&watch);
        driver.onLogin = [&](Tfmlogin& login) {
            captions << login.windowTitle();
            login.ComboBox1->setEditText("demo");
            login.Edit1->setText("demo");
            login.bbOkClick();
        };
        driver.onMonitor = [&](TfrmA00Main& window) {
            captions << window.windowTitle() << window.windowHandle()->title();
            window.bbClose->click();
        };
        QCOMPARE(runTallyvane({"tallyvane", "--sqlite", db.path()}), 0);
        qApp->removeEventFilter(&watch);
        QCOMPARE(nameAtSplash, QStringLiteral("Tallyvane"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("tallyvane"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Tallyvane"));
        QCOMPARE(captions, (QStringList{"login-用户登录", "A00Main-主界面", "A00Main-主界面"}));
        QFile entry(QStringLiteral(TALLYVANE_SOURCE_DIR "/app/tallyvane.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = entry.readAll().split('\n');
        QVERIFY(lines.contains("Name=Tallyvane"));
        QVERIFY(lines.contains("StartupWMClass=Tallyvane"));
    }

    void badCommandLineOpensNoWindow()
    {
        RecordingPresenter presenter;
        ShownWindows shown;
        QCOMPARE(runTallyvane({"tallyvane", "--server", "h,0"}), 2);
        QCOMPARE(presenter.boxes.size(), 0);
        QCOMPARE(shown.splashes + shown.others, 0);
        QCOMPARE(application->Title(), QString());
    }

    // No display at all: the command line still works, and the program says what is missing.
    void executableWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("variables"); // NAME=value; no display variable else
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the start of standard output
        QTest::addColumn<QString>("error");  // in the one line on standard error
        const QStringList none;
        QTest::newRow("--help") << QStringList{"--help"} << none << 0
                                << "Usage: tallyvane [options]"
                                << "";
        QTest::newRow("--version") << QStringList{"--version"} << none << 0 << "Tallyvane 0."
                                   << "";
        QTest::newRow("bad argument")
            << QStringList{"--server", "h;x"} << none << 2 << ""
            << "tallyvane: --server: the server host must be a host name, an IPv4 address or an "
               "IPv6 address in brackets, not \"h;x\"";
        QTest::newRow("no DISPLAY")
            << QStringList{"--sqlite", "x.db"} << none << 1 << ""
            << "tallyvane: no display (DISPLAY is not set): run it in a desktop session, or with "
               "xvfb-run";
        QTest::newRow("display that does not answer")
            << QStringList{} << QStringList{"DISPLAY=:9437"} << 1 << ""
            << "tallyvane: cannot open the display :9437";
        QTest::newRow("-display that does not answer")
            << QStringList{"-display", ":9438"} << none << 1 << ""
            << "tallyvane: cannot open the display :9438 given by -display";
        QTest::newRow("platform plugin not installed")
            << QStringList{"-platform", "bogus"} << QStringList{"DISPLAY=:9437"} << 1 << ""
            << "tallyvane: the platform plugin \"bogus\" is not installed (installed: ";
        // With the Wayland plugin installed, its library complains on its own line about a
        // session without a runtime directory, which a desktop session always has.
        QTest::newRow("only a Wayland display")
            << QStringList{}
            << QStringList{"WAYLAND_DISPLAY=wayland-9", "XDG_RUNTIME_DIR=" + noSettings_.path()}
            << 1 << ""
            << "the Wayland display \"wayland-9\"";
    }
    void executableWithoutADisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, variables);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);
        const QString program = QStringLiteral(TALLYVANE_BINARY_DIR "/app/tallyvane");
        if (!QFile::exists(program))
            QSKIP("the tallyvane executable is not built");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, args);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        QVERIFY2(output.isEmpty() ? out.isEmpty() : out.startsWith(output), qPrintable(out));
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        if (error.isEmpty()) {
            QCOMPARE(err, QString());
        } else {
            QVERIFY2(err.startsWith(QStringLiteral("tallyvane: ")) && err.contains(error) &&
                         err.count(u'\n') == 1 && err.endsWith(u'\n'),
                     qPrintable(err));
        }
    }

    void executableReportsBadInputOnOneLine()
    {
        const QString program = QStringLiteral(TALLYVANE_BINARY_DIR "/app/tallyvane");
        if (!QFile::exists(program))
            QSKIP("the tallyvane executable is not built");
        QProcess process;
        process.start(program, {"--server", "h,0", "-platform", "offscreen"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        const QList<QByteArray> lines = process.readAllStandardError().split('\n');
        QVERIFY(lines.contains(
            "tallyvane: --server: the server port must be a number from 1 to 65535, not \"0\""));
    }

private:
    QTemporaryDir noSettings_;
};

TV_REGISTER_TEST(TestProgram);
#include "tst_program.moc"
