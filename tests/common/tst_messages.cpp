#include "Application.h"
#include "Exceptions.h"
#include "GBText.h"
#include "MXT_PUB.h"
#include "RecordingPresenter.h"
#include "TestRegistry.h"
#include "Timer.h"

#include <QPushButton>
#include <QTest>
#include <memory>

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void showMsgKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("icon");
        const int warn = QMessageBox::Warning, err = QMessageBox::Critical,
                  info = QMessageBox::Information, ask = QMessageBox::Question;
        for (const char* k : {"w", "W", "!"})
            QTest::newRow(k) << k << "警告" << warn;
        for (const char* k : {"e", "E", "x", "X"})
            QTest::newRow(k) << k << "错误" << err;
        for (const char* k : {"i", "I"})
            QTest::newRow(k) << k << "信息" << info;
        for (const char* k : {"?", "q", ""})
            QTest::newRow(*k ? k : "empty") << k << "询问" << ask;
    }
    void showMsgKinds()
    {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(int, icon);
        RecordingPresenter rec;
        ShowMsg(QStringLiteral("文本"), kind);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].caption, caption);
        QCOMPARE(int(rec.boxes[0].icon), icon);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("文本"));
    }

    void productionBoxHasOneOkButton()
    {
        for (const QString& kind :
             {QStringLiteral("w"), QStringLiteral("?"), QStringLiteral("i")}) {
            std::unique_ptr<QMessageBox> box(buildMessageBox(showMsgSpec(QString(), kind)));
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            QCOMPARE(box->windowModality(), Qt::ApplicationModal);
            QVERIFY(box->text().isEmpty());
        }
    }

    void emptyTextStillMakesABox()
    {
        RecordingPresenter rec;
        ShowMsg(QString(), QStringLiteral("!"));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].caption, QStringLiteral("警告"));
    }

    void errorBoxDotRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("dot") << "Failed."
                             << "Failed.";
        QTest::newRow("blank") << "Failed "
                               << "Failed ";
        QTest::newRow("comma") << "Failed,"
                               << "Failed,";
        QTest::newRow("letter") << "Failed"
                                << "Failed.";
        QTest::newRow("chinese") << "连接失败"
                                 << "连接失败.";
        QTest::newRow("digit") << "error 10"
                               << "error 10.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void errorBoxDotRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        RecordingPresenter rec;
        application->showException(Exception(text));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, shown);
        QCOMPARE(rec.boxes[0].caption, QStringLiteral("Tallyvane"));
        QCOMPARE(rec.boxes[0].icon, QMessageBox::Critical);
    }

    void guardShowsAndSwallows()
    {
        RecordingPresenter rec;
        bool open = false;
        rec.onPresent = [&](const MessageBoxSpec&) { open = messageBoxOpen(); };
        QVERIFY(!guarded([] { throw std::runtime_error("plain"); }));
        QVERIFY(guarded([] {}));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("plain."));
        QVERIFY(open);
        QVERIFY(!messageBoxOpen());
    }

    // A box asked for while one is open waits for it (the same box twice is one), and an
    // error raised while painting appears once the paint is over.
    void oneBoxAtATime()
    {
        RecordingPresenter rec;
        int depth = 0, deepest = 0;
        rec.onPresent = [&](const MessageBoxSpec& box) {
            deepest = std::max(deepest, ++depth);
            if (box.text == u"first") {
                ShowMsg("second", "i");
                ShowMsg("second", "i");
                ShowMsg("first", "i");
            }
            --depth;
        };
        ShowMsg("first", "i");
        QCOMPARE(deepest, 1);
        QCOMPARE(rec.boxes.size(), 2);
        QCOMPARE(rec.boxes[1].text, QStringLiteral("second"));
    }
    void paintErrorShownAfterThePaint()
    {
        struct Failing : QWidget {
            void paintEvent(QPaintEvent*) override
            {
                guardedLater([] { throw Exception("paint failed"); });
            }
        } widget;
        widget.resize(20, 20);
        RecordingPresenter rec;
        widget.grab();
        QVERIFY(rec.boxes.isEmpty());
        QTRY_COMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("paint failed."));
    }

    void gbText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("representable");
        QTest::newRow("ascii") << "demo" << 4 << true;
        QTest::newRow("chinese") << "追0" << 3 << true;
        QTest::newRow("advice") << "押【12345】/注<3>" << 17 << true;
        QTest::newRow("emoji") << QString::fromUtf8("a😀") << 5 << false;
        QTest::newRow("empty") << "" << 0 << true;
    }
    void gbText()
    {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QFETCH(bool, representable);
        QCOMPARE(gb::byteLength(text), bytes);
        QCOMPARE(gb::representable(text), representable);
    }

    void trimmingKeepsIdeographicSpace()
    {
        QCOMPARE(gb::trimmed(QStringLiteral(" \t demo \r\n")), QStringLiteral("demo"));
        QCOMPARE(gb::trimmed(QStringLiteral("\u3000pw\u3000 ")), QStringLiteral("\u3000pw\u3000"));
        QCOMPARE(gb::trimmed(QStringLiteral("   ")), QString());
    }

    void gbOrder()
    {
        // Code-page order, not code-point order: 啊 (B0A1) sorts before 追 (D7B7) and after "z".
        const auto order = [](const char* a, const char* b) {
            return compareBytes(gb::sortKey(QString::fromUtf8(a)),
                                gb::sortKey(QString::fromUtf8(b)));
        };
        QVERIFY(order("啊", "追") < 0);
        QVERIFY(order("z", "啊") < 0);
        QVERIFY(order("追", "追0") < 0);
    }

    void timerArmsOnlyWithAllThree()
    {
        TTimer t;
        QVERIFY(!t.armed()); // no handler
        int ticks = 0;
        t.setOnTimer([&](TTimer* sender) {
            QCOMPARE(sender, &t);
            ++ticks;
        });
        QVERIFY(t.armed());
        t.setInterval(0);
        QVERIFY(!t.armed());
        t.setInterval(10);
        t.setEnabled(false);
        QVERIFY(!t.armed());
        t.setEnabled(true);
        QVERIFY(t.armed());
        QTRY_VERIFY(ticks >= 2);
    }

    void timerHandlerErrorKeepsTicking()
    {
        RecordingPresenter rec;
        TTimer t;
        int ticks = 0;
        t.setInterval(5);
        t.setOnTimer([&](TTimer*) {
            if (++ticks == 1)
                throw Exception(QStringLiteral("tick failed"));
        });
        QTRY_VERIFY(ticks >= 3);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, QStringLiteral("tick failed."));
        QVERIFY(t.armed());
    }
};
TV_REGISTER_TEST(TestMessages);

#include "tst_messages.moc"
