#include "RzPageControl.h"
#include "TestRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

// A page control with three pages, the first holding an editor. The monitor window's own
// pages, and the keys that turn them, are tested on the window.
struct PagesWindow {
    QWidget window;
    TRzPageControl* pc = new TRzPageControl(&window);
    QLineEdit* first;

    PagesWindow()
    {
        window.resize(600, 400);
        pc->setGeometry(0, 72, 600, 328);
        first = new QLineEdit(pc->AddPage(QStringLiteral("甲页")));
        new QLabel(QStringLiteral("乙"), pc->AddPage(QStringLiteral("乙页")));
        new QLineEdit(pc->AddPage(QStringLiteral("丙页")));
    }
};

} // namespace

class TestWidgetsPages : public QObject {
    Q_OBJECT
private slots:
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
