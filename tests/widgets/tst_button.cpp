#include "Colors.h"
#include "Exceptions.h"
#include "LbButton.h"
#include "RecordingPresenter.h"
#include "TestRegistry.h"

#include <QAccessible>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

namespace {

// A window holding a panel with an editor and two buttons, counting their clicks. The
// buttons carry plain settings of their own; the monitor window's are tested on the window.
struct Header {
    QWidget window;
    QWidget* panel = new QWidget(&window);
    QLineEdit* edit = new QLineEdit(panel);
    TLbButton* search = new TLbButton(panel);
    TLbButton* close = new TLbButton(panel);
    int searchClicks = 0, closeClicks = 0;
    QObject* sender = nullptr;

    Header()
    {
        window.resize(400, 80);
        panel->setGeometry(0, 0, 400, 72);
        edit->setGeometry(0, 0, 100, 30);
        search->setGeometry(120, 11, 100, 53);
        search->setCaption(QStringLiteral("找(&F)"));
        close->setGeometry(260, 6, 130, 60);
        close->setCaption(QStringLiteral("关(&C)"));
        search->setOnClick([this](QObject* s) {
            ++searchClicks;
            sender = s;
        });
        close->setOnClick([this](QObject*) { ++closeClicks; });
    }
    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

class TestWidgetsButton : public QObject {
    Q_OBJECT
private slots:
    void gradientBands_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("end");
        QTest::addColumn<QColor>("from");
        QTest::addColumn<QColor>("to");
        QTest::addColumn<int>("row");
        QTest::addColumn<QColor>("expected");
        const QColor black(0, 0, 0), ramp(31, 62, 93), white(255, 255, 255), silver(192, 192, 192);
        QTest::newRow("first band") << 0 << 62 << black << ramp << 0 << black;
        QTest::newRow("band 0 is two rows") << 0 << 62 << black << ramp << 1 << black;
        QTest::newRow("band 1") << 0 << 62 << black << ramp << 2 << QColor(1, 2, 3);
        // Band 31 starts on the end row and is cut away: the end colour is never drawn.
        QTest::newRow("last row is band 30")
            << 0 << 62 << black << ramp << 61 << QColor(30, 60, 90);
        // Falling values truncate towards zero: 255 - 63/31 is 253, not 252.
        QTest::newRow("falling channel truncates")
            << 0 << 31 << white << silver << 1 << QColor(253, 253, 253);
        // Rows 2..12 of a 53-pixel button: bands overlap and the last one painted wins.
        QTest::newRow("short span first row")
            << 2 << 13 << white << silver << 0 << QColor(251, 251, 251);
        QTest::newRow("short span last row")
            << 2 << 13 << white << silver << 10 << QColor(195, 195, 195);
    }
    void gradientBands()
    {
        QFETCH(int, top);
        QFETCH(int, end);
        QFETCH(QColor, from);
        QFETCH(QColor, to);
        QFETCH(int, row);
        QFETCH(QColor, expected);
        const QVector<QColor> rows = gradientRows(top, end, from, to);
        QCOMPARE(rows.size(), end - top);
        QCOMPARE(rows.at(row), expected);
        QVERIFY(gradientRows(5, 5, from, to).isEmpty());
    }

    void mouse_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("clicks");
        const QPoint inside(50, 26), outside(150, 26);
        QTest::newRow("left") << Qt::LeftButton << inside << inside << 1;
        QTest::newRow("right") << Qt::RightButton << inside << inside << 1;
        QTest::newRow("middle") << Qt::MiddleButton << inside << inside << 1;
        QTest::newRow("released outside") << Qt::LeftButton << outside << outside << 0;
        QTest::newRow("right released outside") << Qt::RightButton << outside << outside << 0;
        QTest::newRow("moved off and back") << Qt::LeftButton << outside << inside << 1;
        QTest::newRow("released just past the edge")
            << Qt::LeftButton << inside << QPoint(100, 26) << 0;
    }
    void mouse()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, moveTo);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, clicks);
        Header h;
        QVERIFY(h.showActive());
        TLbButton& b = *h.search;
        QTest::mousePress(&b, button, {}, QPoint(50, 26));
        QVERIFY(b.pressed());
        QVERIFY(b.hasFocus());
        QCOMPARE(h.searchClicks, 0);
        QTest::mouseMove(&b, moveTo);
        QTest::mouseRelease(&b, button, {}, releaseAt);
        QCOMPARE(h.searchClicks, clicks);
        QVERIFY(!b.pressed());
        if (clicks)
            QCOMPARE(h.sender, &b);
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("clicks");
        QTest::newRow("space") << int(Qt::Key_Space) << 1;
        QTest::newRow("return") << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0;
        QTest::newRow("letter") << int(Qt::Key_Q) << 0;
    }
    // Pressed on key down, clicked on key up.
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, clicks);
        Header h;
        QVERIFY(h.showActive());
        h.search->setFocus();
        QTest::keyPress(h.search, Qt::Key(key));
        QCOMPARE(h.search->pressed(), clicks == 1);
        QCOMPARE(h.searchClicks, 0);
        QTest::keyRelease(h.search, Qt::Key(key));
        QCOMPARE(h.searchClicks, clicks);
        QVERIFY(!h.search->pressed());
    }

    void keyPressAbandonedWithFocus()
    {
        Header h;
        QVERIFY(h.showActive());
        h.search->setFocus();
        QTest::keyPress(h.search, Qt::Key_Space);
        h.edit->setFocus();
        QTest::keyRelease(h.search, Qt::Key_Space);
        QCOMPARE(h.searchClicks, 0);
    }

    void accelerator_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("searchClicks");
        QTest::addColumn<int>("closeClicks");
        QTest::newRow("Alt+F") << int(Qt::Key_F) << "" << 1 << 0;
        QTest::newRow("Alt+C") << int(Qt::Key_C) << "" << 0 << 1;
        QTest::newRow("Alt+F disabled") << int(Qt::Key_F) << "disable" << 0 << 0;
        QTest::newRow("Alt+F hidden") << int(Qt::Key_F) << "hide" << 0 << 0;
        QTest::newRow("Alt+F panel hidden") << int(Qt::Key_F) << "hide panel" << 0 << 0;
        QTest::newRow("Alt+S") << int(Qt::Key_S) << "" << 0 << 0;
    }
    void accelerator()
    {
        QFETCH(int, key);
        QFETCH(QString, change);
        QFETCH(int, searchClicks);
        QFETCH(int, closeClicks);
        Header h;
        QVERIFY(h.showActive());
        h.edit->setFocus();
        if (change == "disable")
            h.search->setEnabled(false);
        else if (change == "hide")
            h.search->hide();
        else if (change == "hide panel")
            h.panel->hide();
        QTest::keyClick(h.window.focusWidget() ? h.window.focusWidget() : &h.window, Qt::Key(key),
                        Qt::AltModifier);
        QCOMPARE(h.searchClicks, searchClicks);
        QCOMPARE(h.closeClicks, closeClicks);
        if (searchClicks)
            QCOMPARE(h.sender, h.search);
    }

    void clickInCode()
    {
        Header h; // not shown yet: a click in code still runs
        h.search->click();
        QCOMPARE(h.searchClicks, 1);
        h.search->setEnabled(false);
        h.search->click();
        h.search->setEnabled(true);
        h.search->hide();
        h.search->click();
        QCOMPARE(h.searchClicks, 1);
    }

    void modalResult_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<int>("dialogResult");
        QTest::newRow("main window keeps 4") << "window" << 4 << true << 0;
        QTest::newRow("modeless dialog keeps 4") << "dialog" << 4 << true << 0;
        QTest::newRow("modal dialog takes 4") << "modal" << 4 << false << 4;
        QTest::newRow("modal dialog, no result") << "modal" << 0 << true << 0;
    }
    void modalResult()
    {
        QFETCH(QString, owner);
        QFETCH(int, result);
        QFETCH(bool, staysOpen);
        QFETCH(int, dialogResult);
        std::unique_ptr<QWidget> window(owner == "window" ? new QWidget : new QDialog);
        auto* dialog = qobject_cast<QDialog*>(window.get());
        if (owner == "modal")
            dialog->setModal(true);
        auto* panel = new QWidget(window.get());
        auto* b = new TLbButton(panel);
        b->resize(100, 53);
        b->setModalResult(result);
        int clicks = 0;
        b->setOnClick([&](QObject*) { ++clicks; });
        window->show();
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks, 1);
        QCOMPARE(window->isVisible(), staysOpen);
        if (dialog)
            QCOMPARE(dialog->result(), dialogResult);
    }

    // A failing handler ends in the error box when Qt delivered the click, reaches the
    // caller when code clicked, and writes no modal result either way.
    void failingHandler()
    {
        RecordingPresenter presenter;
        QDialog dialog;
        dialog.setModal(true);
        auto* b = new TLbButton(&dialog);
        b->resize(100, 53);
        b->setModalResult(4);
        b->setOnClick([](QObject*) { throw Exception(QStringLiteral("查询失败")); });
        dialog.show();
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].text, QStringLiteral("查询失败."));
        QVERIFY(dialog.isVisible());
        QVERIFY_THROWS_EXCEPTION(Exception, b->click());
        QVERIFY(dialog.isVisible());
        QCOMPARE(presenter.boxes.size(), 1);
    }

    void accessible_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::newRow("marked") << "查询(&Q)"
                                << "查询(Q)"
                                << "Alt+Q";
        QTest::newRow("literal ampersand") << "A&&B(&x)"
                                           << "A&B(x)"
                                           << "Alt+X";
        QTest::newRow("unmarked") << "退出"
                                  << "退出"
                                  << "";
        QTest::newRow("trailing mark") << "退出&"
                                       << "退出&"
                                       << "";
    }
    // A push button named by its caption as it reads, with a press action that clicks.
    void accessible()
    {
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QFETCH(QString, key);
        QWidget window;
        auto* b = new TLbButton(&window);
        b->setCaption(caption);
        int clicks = 0;
        b->setOnClick([&](QObject*) { ++clicks; });
        window.show();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), name);
        QCOMPARE(a->text(QAccessible::Accelerator), key);
        QAccessibleActionInterface* actions = a->actionInterface();
        QCOMPARE(actions->actionNames().value(0), QAccessibleActionInterface::pressAction());
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(clicks, 1);
        b->setEnabled(false);
        QVERIFY(!actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
};

TV_REGISTER_TEST(TestWidgetsButton);
#include "tst_button.moc"
