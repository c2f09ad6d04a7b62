#include "Application.h"
#include "B001About.h"
#include "FixtureDb.h"
#include "Program.h"
#include "RecordingPresenter.h"
#include "TestRegistry.h"
#include "data.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kConnectFailed = QStringLiteral(
    "对不起，无法连接大数据，请检查您的网络是否正常。如任然无法连接，请与服务商联系。");

// A loopback port nobody listens on: bound by the system's choice, then released.
int closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

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

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void init() { Application->SetTitle(QString()); }
    void cleanup() { Application->SetTitle(QStringLiteral("Tallyvane")); }

    void connectionFailureShowsOneBoxAndEnds_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing SQLite file") << QStringList{"--sqlite", "/nonexistent.db"};
        // Goes through the SQL Server (FreeTDS) driver; the port refuses at once.
        QTest::newRow("closed server port")
            << QStringList{"--server", QStringLiteral("127.0.0.1,%1").arg(closedLoopbackPort())};
    }
    void connectionFailureShowsOneBoxAndEnds()
    {
        QFETCH(QStringList, args);
        RecordingPresenter presenter;
        ShownWindows shown;
        QString titleDuringBox;
        int windowsDuringBox = 0;
        int splashesDuringBox = 0;
        presenter.onPresent = [&](const MessageBoxSpec&) {
            titleDuringBox = Application->Title();
            for (QWidget* window : visibleWindows()) {
                ++windowsDuringBox;
                splashesDuringBox += dynamic_cast<TfrmB001About*>(window) ? 1 : 0;
            }
        };

        QCOMPARE(RunTallyvane(QStringList{"tallyvane"} + args), 0);

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
        QVERIFY(Application->Terminated());
        QCOMPARE(DM, nullptr);
        QVERIFY(!QFile::exists(QStringLiteral("/nonexistent.db")));
    }

    void successfulConnectionEndsQuietly()
    {
        FixtureDb db;
        RecordingPresenter presenter;
        ShownWindows shown;
        QCOMPARE(RunTallyvane({"tallyvane", "--sqlite", db.path()}), 0);
        QCOMPARE(presenter.boxes.size(), 0);
        QCOMPARE(shown.splashes, 1);
        QCOMPARE(shown.others, 0);
        QVERIFY(visibleWindows().isEmpty());
        QCOMPARE(DM, nullptr);
        QCOMPARE(Application->Title(), QStringLiteral("Tallyvane"));
    }

    void badCommandLineOpensNoWindow()
    {
        RecordingPresenter presenter;
        ShownWindows shown;
        QCOMPARE(RunTallyvane({"tallyvane", "--server", "h,0"}), 2);
        QCOMPARE(presenter.boxes.size(), 0);
        QCOMPARE(shown.splashes + shown.others, 0);
        QCOMPARE(Application->Title(), QString());
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
        QVERIFY(lines.contains("tallyvane: --server: the server port must be a number from 1 to 65535, not \"0\""));
    }
};

TV_REGISTER_TEST(TestProgram);
#include "tst_program.moc"
