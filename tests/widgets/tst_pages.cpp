#include "RzPageControl.h"
#include "TestRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

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
        first = new QLineEdit(pc->addPage(QStringLiteral("甲页")));
        new QLabel(QStringLiteral("乙"), pc->addPage(QStringLiteral("乙页")));
        new QLineEdit(pc->addPage(QStringLiteral("丙页")));
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
        w.pc->setActivePageIndex(1);
        w.pc->setActivePageIndex(index);
        QCOMPARE(w.pc->activePageIndex(), expected);
        for (int i = 0; i < w.pc->pageCount(); ++i)
            QCOMPARE(w.pc->page(i)->isVisible(), i == expected);
        w.pc->setActivePageIndex(0);
        QCOMPARE(w.first->text(), QStringLiteral("追0"));
        QCOMPARE(w.pc->page(0)->geometry(), w.pc->pageRect());
    }

    void tabRow()
    {
        PagesWindow w;
        w.window.show();
        const TabRowLayout layout = w.pc->tabLayout();
        QCOMPARE(layout.count(), 3);
        QCOMPARE(w.pc->FixedDimension(), 25);
        QVERIFY(w.pc->pageRect().top() >= 25);
        for (int i = 0; i < layout.count(); ++i) {
            const QRect tab = layout.tabRect(i);
            const QFontMetrics metrics(w.pc->font());
            QVERIFY(tab.width() > metrics.horizontalAdvance(w.pc->page(i)->Caption()));
            QCOMPARE(layout.tabAt(QPoint(tab.center().x(), 24)), i);
            QCOMPARE(layout.tabAt(QPoint(tab.center().x(), 25)), -1);
            if (i > 0)
                QCOMPARE(tab.left(), layout.tabRect(i - 1).right() + 1);
        }

        const QPoint onLast = layout.tabRect(2).center();
        QTest::mouseClick(w.pc, Qt::LeftButton, {}, onLast);
        QCOMPARE(w.pc->activePageIndex(), 2);
        QTest::mouseClick(w.pc, Qt::LeftButton, {}, QPoint(layout.tabRect(2).right() + 20, 10));
        QCOMPARE(w.pc->activePageIndex(), 2);

        w.pc->resize(500, 300);
        QCOMPARE(w.pc->page(2)->geometry(), w.pc->pageRect());
        QCOMPARE(w.pc->page(0)->geometry(), w.pc->pageRect());
    }

    // A page in the back lays out what it holds at once, down to widgets in widgets, so that
    // they can make ready what they will show at the size they will have.
    void pageInTheBackLaidOut()
    {
        PagesWindow w;
        auto* panel = new QWidget(w.pc->page(1));
        auto* deep = new QLabel(QStringLiteral("乙"));
        (new QVBoxLayout(panel))->addWidget(deep);
        (new QVBoxLayout(w.pc->page(1)))->addWidget(panel);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QSize before = deep->size();
        w.pc->resize(500, 300);
        QVERIFY(!deep->isVisible());
        const QSize inTheBack = deep->size();
        QVERIFY(inTheBack != before);
        w.pc->setActivePageIndex(1);
        QCOMPARE(deep->size(), inTheBack);
    }
};

TV_REGISTER_TEST(TestWidgetsPages);
#include "tst_pages.moc"
