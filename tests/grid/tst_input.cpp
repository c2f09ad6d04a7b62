#include "GridFixture.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
void wheel(QWidget* w, int delta)
{
    const QPointF pos = w->rect().center();
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
} // namespace

class TestGridInput : public QObject {
    Q_OBJECT
private slots:
    void wheelNotchesMoveCurrentRecord_data()
    {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<int>("recNo");
        QTest::newRow("one notch towards the user") << QList<int>{-120} << 2;
        QTest::newRow("towards, then away") << QList<int>{-120, -120, 120} << 2;
        QTest::newRow("away on the first record") << QList<int>{120} << 1;
        QTest::newRow("half notches add up") << QList<int>{-60, -60} << 2;
        QTest::newRow("three notches at once") << QList<int>{-360} << 4;
    }
    void wheelNotchesMoveCurrentRecord()
    {
        QFETCH(QList<int>, deltas);
        QFETCH(int, recNo);
        GridFixture f(30);
        f.q->open();
        for (int d : deltas)
            wheel(f.grid.get(), d);
        QCOMPARE(f.q->RecNo(), recNo);
    }

    void keysMoveCurrentRecord_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>(
            "expected"); // a number, or "top"/"bottom"/"page" relative to the view
        QTest::newRow("down") << 5 << int(Qt::Key_Down) << 0 << "6";
        QTest::newRow("up") << 5 << int(Qt::Key_Up) << 0 << "4";
        QTest::newRow("up on the first") << 1 << int(Qt::Key_Up) << 0 << "1";
        QTest::newRow("page down") << 1 << int(Qt::Key_PageDown) << 0 << "page";
        QTest::newRow("home") << 40 << int(Qt::Key_Home) << 0 << "1";
        QTest::newRow("ctrl end") << 3 << int(Qt::Key_End) << int(Qt::ControlModifier) << "100";
        QTest::newRow("end") << 3 << int(Qt::Key_End) << 0 << "100";
        QTest::newRow("ctrl up: first visible")
            << 40 << int(Qt::Key_Up) << int(Qt::ControlModifier) << "top";
        QTest::newRow("ctrl page up: first visible")
            << 40 << int(Qt::Key_PageUp) << int(Qt::ControlModifier) << "top";
        QTest::newRow("ctrl down: last visible")
            << 3 << int(Qt::Key_Down) << int(Qt::ControlModifier) << "bottom";
        QTest::newRow("ctrl page down: last visible")
            << 3 << int(Qt::Key_PageDown) << int(Qt::ControlModifier) << "bottom";
        QTest::newRow("F2 edits nothing") << 5 << int(Qt::Key_F2) << 0 << "5";
        QTest::newRow("delete") << 5 << int(Qt::Key_Delete) << 0 << "5";
        QTest::newRow("ctrl delete") << 5 << int(Qt::Key_Delete) << int(Qt::ControlModifier) << "5";
        QTest::newRow("insert") << 5 << int(Qt::Key_Insert) << 0 << "5";
        QTest::newRow("ctrl c") << 5 << int(Qt::Key_C) << int(Qt::ControlModifier) << "5";
        QTest::newRow("ctrl f") << 5 << int(Qt::Key_F) << int(Qt::ControlModifier) << "5";
    }
    void keysMoveCurrentRecord()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expected);
        GridFixture f(100);
        f.q->open();
        f.q->setRecNo(start);
        const int top = f.grid->recordBuffer().top();
        const int rows = f.grid->Layout().visibleRowCapacity();
        QTest::keyClick(f.grid.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        int want = expected.toInt();
        if (expected == "top")
            want = top;
        else if (expected == "bottom")
            want = top + rows - 1;
        else if (expected == "page")
            want = start + rows;
        QCOMPARE(f.q->RecNo(), want);
        QCOMPARE(f.q->RecordCount(), 100);
    }

    void leftRightScrollByColumns()
    {
        GridFixture f(30, QSize(400, 300));
        f.q->open();
        f.q->setRecNo(7);
        QCOMPARE(f.grid->leftCol(), 0);
        QTest::keyClick(f.grid.get(), Qt::Key_Right);
        QCOMPARE(f.grid->leftCol(), 1);
        QTest::keyClick(f.grid.get(), Qt::Key_Right);
        QCOMPARE(f.grid->leftCol(), 2);
        QTest::keyClick(f.grid.get(), Qt::Key_Left);
        QCOMPARE(f.grid->leftCol(), 1);
        QCOMPARE(f.q->RecNo(), 7);
        QTest::keyClick(f.grid.get(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(f.grid->selectedIndex(), 8);
        QCOMPARE(f.grid->leftCol(), f.grid->Layout().maxLeftCol());
        QTest::keyClick(f.grid.get(), Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(f.grid->selectedIndex(), 0);
        QCOMPARE(f.grid->leftCol(), 0);
        QCOMPARE(f.q->RecNo(), 7);
        // A last column wider than the view is brought as far into view as it goes.
        f.grid->columns().last()->setWidth(2000);
        QTest::keyClick(f.grid.get(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(f.grid->leftCol(), 8);
    }

    void pressOnDataCellMakesItsRecordCurrent()
    {
        GridFixture f(30);
        f.q->open();
        f.q->setRecNo(20); // scrolled: the view no longer starts at record 1
        const int top = f.grid->recordBuffer().top();
        QVERIFY(top > 1);
        const QPoint p = f.grid->Layout().cellRect(3, 4).center() + f.grid->clientOrigin();
        QTest::mouseClick(f.grid.get(), Qt::LeftButton, {}, p);
        QCOMPARE(f.q->RecNo(), top + 3);
        QCOMPARE(f.grid->selectedIndex(), 3);
        QCOMPARE(f.grid->recordBuffer().top(), top);
        QCOMPARE(f.q->Sort(), QString());
        // Below the last row nothing happens.
        GridFixture few(3);
        few.q->open();
        QTest::mouseClick(few.grid.get(), Qt::LeftButton, {}, QPoint(200, few.grid->height() - 10));
        QCOMPARE(few.q->RecNo(), 1);
    }

    void scrollBarFollowsAndMovesRecord()
    {
        GridFixture f(100);
        f.q->open();
        QScrollBar* bar = nullptr;
        for (QScrollBar* b : f.grid->findChildren<QScrollBar*>())
            if (b->orientation() == Qt::Vertical)
                bar = b;
        QVERIFY(bar && !bar->isHidden());
        QCOMPARE(bar->maximum(), 99);
        f.q->setRecNo(40);
        QCOMPARE(bar->value(), 39);
        bar->setValue(69);
        QCOMPARE(f.q->RecNo(), 70);
        QVERIFY(f.grid->recordBuffer().rowOf(70) >= 0);
        GridFixture few(3, QSize(3000, 400)); // room for every row and column
        few.q->open();
        for (QScrollBar* b : few.grid->findChildren<QScrollBar*>())
            QVERIFY(b->isHidden());
    }

    void tabLeavesTheGrid()
    {
        GridFixture f(10);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* before = new QLineEdit(&window);
        TDBGridEh* grid = f.grid.release();
        grid->setParent(&window);
        auto* after = new QLineEdit(&window);
        layout->addWidget(before);
        layout->addWidget(grid);
        layout->addWidget(after);
        f.grid.reset(grid);
        f.q->open();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
        QVERIFY(grid->hasFocus());
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(after->hasFocus());
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(before->hasFocus());
        QCOMPARE(f.q->RecNo(), 1);
        f.grid.release(); // the window owns it now
        delete grid;
    }
};
TV_REGISTER_TEST(TestGridInput);
#include "tst_input.moc"
