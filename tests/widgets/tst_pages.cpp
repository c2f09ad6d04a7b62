#include "Fonts.h"
#include "RzPageControl.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

// A window like the monitor's: a header with a focusable editor above the page control.
// The middle page holds nothing that takes the focus.
struct PagesWindow {
    QWidget window;
    QLineEdit* header = new QLineEdit(&window);
    TRzPageControl* pc = new TRzPageControl(&window);
    QLineEdit* first;
    QLineEdit* last;

    PagesWindow()
    {
        window.setFont(pixelFont(kSongTi, 19));
        window.resize(600, 400);
        header->setGeometry(5, 5, 150, 30);
        pc->setGeometry(0, 72, 600, 328);
        first = new QLineEdit(pc->AddPage(QStringLiteral("实时状态盘")));
        new QLabel(QStringLiteral("对比"), pc->AddPage(QStringLiteral("机器人对比")));
        last = new QLineEdit(pc->AddPage(QStringLiteral("追号大势")));
    }
    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

class TestWidgetsPages : public QObject {
    Q_OBJECT
private slots:
    void ctrlTab_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected");
        const int ctrl = Qt::ControlModifier, ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("next") << "page" << 0 << int(Qt::Key_Tab) << ctrl << 1;
        QTest::newRow("last wraps to first") << "page" << 2 << int(Qt::Key_Tab) << ctrl << 0;
        QTest::newRow("previous") << "page" << 2 << int(Qt::Key_Backtab) << ctrlShift << 1;
        QTest::newRow("first wraps to last")
            << "page" << 0 << int(Qt::Key_Backtab) << ctrlShift << 2;
        QTest::newRow("previous as shift+tab") << "page" << 2 << int(Qt::Key_Tab) << ctrlShift << 1;
        QTest::newRow("from the header") << "header" << 2 << int(Qt::Key_Tab) << ctrl << 2;
        QTest::newRow("back from the header")
            << "header" << 0 << int(Qt::Key_Backtab) << ctrlShift << 0;
    }
    void ctrlTab()
    {
        QFETCH(QString, focus);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        PagesWindow w;
        QVERIFY(w.showActive());
        w.pc->SetActivePageIndex(start);
        QWidget* target =
            focus == "header" ? static_cast<QWidget*>(w.header) : (start == 0 ? w.first : w.last);
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.pc->ActivePageIndex(), expected);
        // The focus follows into the page in front, so the keys go on working there.
        if (focus == "page")
            QVERIFY(w.pc->Page(expected)->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == w.pc->Page(expected));
        else
            QCOMPARE(QApplication::focusWidget(), w.header);
    }

    // Round the pages and back, through the page that holds nothing focusable.
    void ctrlTabGoesAllTheWayRound()
    {
        PagesWindow w;
        QVERIFY(w.showActive());
        w.pc->SetActivePageIndex(0);
        w.first->setFocus();
        for (int expected : {1, 2, 0, 1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(w.pc->ActivePageIndex(), expected);
        }
    }

    void activePageIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("last") << 2 << 2;
        QTest::newRow("below") << -1 << -1;
        QTest::newRow("one past") << 3 << -1;
        QTest::newRow("far past") << 99 << -1;
    }
    void activePageIndex()
    {
        QFETCH(int, index);
        QFETCH(int, expected);
        PagesWindow w;
        w.window.show();
        w.first->setText(QStringLiteral("追0"));
        w.pc->SetActivePageIndex(1);
        w.pc->SetActivePageIndex(index);
        QCOMPARE(w.pc->ActivePageIndex(), expected);
        for (int i = 0; i < w.pc->PageCount(); ++i)
            QCOMPARE(w.pc->Page(i)->isVisible(), i == expected);
        w.pc->SetActivePageIndex(0);
        QCOMPARE(w.first->text(), QStringLiteral("追0"));
        QCOMPARE(w.pc->Page(0)->geometry(), w.pc->PageRect());
    }

    void tabRow()
    {
        PagesWindow w;
        w.window.show();
        const TabRowLayout layout = w.pc->TabLayout();
        QCOMPARE(layout.Count(), 3);
        QCOMPARE(w.pc->FixedDimension(), 25);
        QVERIFY(w.pc->PageRect().top() >= 25);
        for (int i = 0; i < layout.Count(); ++i) {
            const QRect tab = layout.TabRect(i);
            const QFontMetrics metrics(w.pc->font());
            QVERIFY(tab.width() > metrics.horizontalAdvance(w.pc->Page(i)->Caption()));
            QCOMPARE(layout.TabAt(QPoint(tab.center().x(), 24)), i);
            QCOMPARE(layout.TabAt(QPoint(tab.center().x(), 25)), -1);
            if (i > 0)
                QCOMPARE(tab.left(), layout.TabRect(i - 1).right() + 1);
        }

        const QPoint onLast = layout.TabRect(2).center();
        QTest::mouseClick(w.pc, Qt::LeftButton, {}, onLast);
        QCOMPARE(w.pc->ActivePageIndex(), 2);
        QTest::mouseClick(w.pc, Qt::LeftButton, {}, QPoint(layout.TabRect(2).right() + 20, 10));
        QCOMPARE(w.pc->ActivePageIndex(), 2);

        w.pc->resize(500, 300);
        QCOMPARE(w.pc->Page(2)->geometry(), w.pc->PageRect());
        QCOMPARE(w.pc->Page(0)->geometry(), w.pc->PageRect());
    }
};

TV_REGISTER_TEST(TestWidgetsPages);
#include "tst_pages.moc"
