#include "GridFixture.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <algorithm>

namespace {
// Centre of a column's title cell, in widget coordinates.
QPoint titleCentre(const TDBGridEh& grid, int col)
{
    return grid.Layout().cellRect(col, 0).center() + grid.clientOrigin();
}

QStringList sortedInts(QStringList values, bool descending)
{
    std::stable_sort(values.begin(), values.end(), [&](const QString& a, const QString& b) {
        return descending ? a.toInt() > b.toInt() : a.toInt() < b.toInt();
    });
    return values;
}
} // namespace

class TestGridSort : public QObject {
    Q_OBJECT
private slots:
    void threeClickCycle_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<int>("shown"); // TSortMarkerEh
        QTest::newRow("first: ascending, up") << 1 << "K00" << int(smUpEh);
        QTest::newRow("second: descending, down") << 2 << "K00 DESC" << int(smDownEh);
        QTest::newRow("third: statement order, none") << 3 << "" << int(smNoneEh);
        QTest::newRow("fourth starts again") << 4 << "K00" << int(smUpEh);
    }
    void threeClickCycle()
    {
        QFETCH(int, clicks);
        QFETCH(QString, sort);
        QFETCH(int, shown);
        GridFixture f(20);
        f.q->open();
        const QStringList statementOrder = f.values("K00");
        const int col = f.grid->columns().indexOf(f.column("K00"));
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(f.grid.get(), Qt::LeftButton, {}, titleCentre(*f.grid, col));
        QCOMPARE(f.q->Sort(), sort);
        QCOMPARE(int(f.column("K00")->Title()->SortMarker()), shown);
        QCOMPARE(f.column("K00")->Title()->SortIndex(), shown == smNoneEh ? 0 : 1);
        const QStringList expected =
            sort.isEmpty() ? statementOrder : sortedInts(statementOrder, sort.endsWith("DESC"));
        QCOMPARE(f.values("K00"), expected);
    }

    // The sorted rows from record 1 at the top, wherever the operator stood: each click of
    // the cycle makes the first record current.
    void sortShowsTheFirstRecordAtTheTop()
    {
        GridFixture f(100);
        f.q->open();
        const int col = f.grid->columns().indexOf(f.column("K00"));
        for (int click = 1; click <= 3; ++click) {
            f.q->setRecNo(60);
            QVERIFY(f.grid->recNoAtRow(1) > 1);
            QTest::mouseClick(f.grid.get(), Qt::LeftButton, {}, titleCentre(*f.grid, col));
            QCOMPARE(f.q->RecNo(), 1);
            QCOMPARE(f.grid->recNoAtRow(1), 1);
        }
    }

    void anotherTitleStartsAtAscending()
    {
        GridFixture f(20);
        f.q->open();
        f.grid->ToggleTitleSort(f.column("K00"));
        f.grid->ToggleTitleSort(f.column("K00"));
        QTest::mouseClick(f.grid.get(), Qt::LeftButton, {},
                          titleCentre(*f.grid, f.grid->columns().indexOf(f.column("K01"))));
        QCOMPARE(f.q->Sort(), QStringLiteral("K01"));
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smNoneEh);
        QCOMPARE(f.column("K01")->Title()->SortMarker(), smUpEh);
        QCOMPARE(f.grid->sortMarkedColumns(), QVector<TDBGridColumnEh*>{f.column("K01")});
    }

    void reloadKeepsMarkerAndStatementOrder()
    {
        GridFixture f(20);
        f.q->open();
        const QStringList statementOrder = f.values("cpqh");
        f.grid->ToggleTitleSort(f.column("K00"));
        QVERIFY(f.values("cpqh") != statementOrder);
        f.q->close();
        f.q->open();
        QCOMPARE(f.values("cpqh"), statementOrder);
        QCOMPARE(f.q->Sort(), QString());
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smUpEh);
        f.grid->ToggleTitleSort(f.column("K00"));
        QCOMPARE(f.q->Sort(), QStringLiteral("K00 DESC"));
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smDownEh);
    }

    void doubleClickIsTwoClicks()
    {
        GridFixture f(20);
        f.q->open();
        const QPoint p = titleCentre(*f.grid, f.grid->columns().indexOf(f.column("K00")));
        // What the platform delivers for a double-click: press, release, double-click, release.
        QTest::mousePress(f.grid.get(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(f.grid.get(), Qt::LeftButton, {}, p);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, p, f.grid->mapToGlobal(p), Qt::LeftButton,
                        Qt::LeftButton, {});
        QApplication::sendEvent(f.grid.get(), &dbl);
        QTest::mouseRelease(f.grid.get(), Qt::LeftButton, {}, p);
        QCOMPARE(f.q->Sort(), QStringLiteral("K00 DESC"));
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smDownEh);
    }

    void dragMovesColumnAndSorts()
    {
        GridFixture f(20);
        f.q->open();
        TDBGridColumnEh* zjhm = f.column("zjhm");
        const int from = f.grid->columns().indexOf(zjhm);
        const int to = f.grid->columns().indexOf(f.column("K02"));
        const QPoint start = titleCentre(*f.grid, from), end = titleCentre(*f.grid, to);
        QTest::mousePress(f.grid.get(), Qt::LeftButton, {}, start);
        QTest::mouseMove(f.grid.get(), (start + end) / 2);
        QTest::mouseMove(f.grid.get(), end);
        QTest::mouseRelease(f.grid.get(), Qt::LeftButton, {}, end);
        QCOMPARE(f.grid->columns().indexOf(zjhm), to);
        QCOMPARE(f.grid->columns().size(), 9);
        QCOMPARE(f.q->Sort(), QStringLiteral("zjhm"));
        QCOMPARE(zjhm->Title()->SortMarker(), smUpEh);
        // The move lasts through a reload.
        f.q->close();
        f.q->open();
        QCOMPARE(f.grid->columns().indexOf(zjhm), to);
    }

    void borderDragResizesWithoutSorting()
    {
        GridFixture f(20);
        f.q->open();
        const GridLayout& l = f.grid->Layout();
        const QRect cell = l.cellRect(0, 0);
        const QPoint border = QPoint(cell.right() + 1, cell.center().y()) + f.grid->clientOrigin();
        QTest::mousePress(f.grid.get(), Qt::LeftButton, {}, border);
        QTest::mouseMove(f.grid.get(), border + QPoint(30, 0));
        QTest::mouseRelease(f.grid.get(), Qt::LeftButton, {}, border + QPoint(30, 0));
        QCOMPARE(f.grid->columns()[0]->Width(), GridFixture::kStoredWidth + 30);
        QCOMPARE(f.q->Sort(), QString());
        QCOMPARE(f.grid->columns()[0]->Title()->SortMarker(), smNoneEh);
        QCOMPARE(f.grid->Layout().columnLeft(1),
                 f.grid->Layout().indicatorWidth() + 1 + GridFixture::kStoredWidth + 30 + 1);
        // A press inside a title released over its border is a click on that title.
        const QRect zjhm = f.grid->Layout().cellRect(1, 0).translated(f.grid->clientOrigin());
        QTest::mousePress(f.grid.get(), Qt::LeftButton, {}, zjhm.center());
        QTest::mouseRelease(f.grid.get(), Qt::LeftButton, {},
                            QPoint(zjhm.right(), zjhm.center().y()));
        QCOMPARE(f.q->Sort(), QStringLiteral("zjhm"));
    }

    void clicksThatDoNotSort()
    {
        GridFixture f(20);
        // Closed dataset: no marker, no sort.
        f.grid->ToggleTitleSort(f.column("K00"));
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smNoneEh);
        f.q->open();
        // Right button, corner cell and a column without a field change nothing.
        QTest::mouseClick(f.grid.get(), Qt::RightButton, {}, titleCentre(*f.grid, 3));
        QTest::mouseClick(f.grid.get(), Qt::LeftButton, {}, f.grid->clientOrigin() + QPoint(3, 3));
        TDBGridColumnEh* ghost = f.grid->addColumn(QStringLiteral("nosuchfield"));
        f.grid->ToggleTitleSort(ghost);
        QCOMPARE(f.q->Sort(), QString());
        QVERIFY(f.grid->sortMarkedColumns().isEmpty());
        QCOMPARE(f.grid->contextMenuPolicy(), Qt::PreventContextMenu);
    }

    void emptyResultTakesMarkerAndSortsNothing()
    {
        GridFixture f(0);
        f.q->open();
        f.grid->ToggleTitleSort(f.column("K00"));
        QCOMPARE(f.column("K00")->Title()->SortMarker(), smUpEh);
        QCOMPARE(f.q->RecordCount(), 0);
    }
};
TV_REGISTER_TEST(TestGridSort);
#include "tst_sort.moc"
