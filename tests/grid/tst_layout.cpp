#include "DBGridEhDataService.h"
#include "GridFixture.h"
#include "TestRegistry.h"

#include <QFontMetrics>
#include <QTest>

namespace {
int titleLine(const QFont& font)
{
    return QFontMetrics(font).height();
}
} // namespace

class TestGridLayout : public QObject {
    Q_OBJECT
private slots:
    void rowTitleAndIndicatorSizes()
    {
        GridFixture f(30);
        f.q->open();
        const QFontMetrics cell(f.grid->font());
        const QFontMetrics title(f.grid->TitleFont());
        const GridLayout& l = f.grid->Layout();
        QCOMPARE(l.rowHeight(), cell.size(Qt::TextSingleLine, QStringLiteral("Wg")).height() + 2);
        // Every caption of the history grid fits on one line.
        QCOMPARE(l.titleHeight(), titleLine(f.grid->TitleFont()) + 10 - 1);
        QCOMPARE(l.indicatorWidth(), title.horizontalAdvance(QStringLiteral("30")) + 17);
        // Columns without a width take "0" times the field's display width plus 4.
        QCOMPARE(f.column("K00")->Width(), cell.horizontalAdvance(QLatin1Char('0')) * 6 + 4);
        QCOMPARE(f.column("K01")->Width(), cell.horizontalAdvance(QLatin1Char('0')) * 4 + 4);
        QCOMPARE(f.column("cpqh")->Width(), GridFixture::kStoredWidth);
        // Cells follow each other with one-pixel lines in between.
        QCOMPARE(l.cellRect(0, 1).topLeft(), QPoint(l.indicatorWidth() + 1, l.titleHeight() + 1));
        QCOMPARE(l.cellRect(1, 2).topLeft(),
                 QPoint(l.indicatorWidth() + 1 + GridFixture::kStoredWidth + 1,
                        l.titleHeight() + 1 + l.rowHeight() + 1));
        const int room = l.clientSize().height() - l.titleHeight() - 1;
        QCOMPARE(l.visibleRowCapacity(), room / (l.rowHeight() + 1));
    }

    void titleGrowsWhenMarkerNarrowsCaption()
    {
        GridFixture f(5);
        f.q->open();
        TDBGridColumnEh* k00 = f.column("K00");
        const QFont font = f.grid->TitleFont();
        const QFontMetrics fm(font);
        // Room for the caption with 8 pixels to spare: the marker's 16 pixels make it wrap.
        const int width = fm.horizontalAdvance(QStringLiteral("余额")) + 4 + 8;
        k00->setWidth(width);
        const int single = f.grid->Layout().titleHeight();
        QCOMPARE(single, titleLine(font) + 9);
        f.grid->ToggleTitleSort(k00);
        QCOMPARE(k00->Title()->SortMarker(), smUpEh);
        const int wrapped = 2 * titleLine(font); // one character a line
        QCOMPARE(f.grid->Layout().titleHeight(), wrapped + 9);
        // Making a column narrower grows the title the same way.
        f.grid->ToggleTitleSort(k00);
        f.grid->ToggleTitleSort(k00);
        QCOMPARE(f.grid->Layout().titleHeight(), single);
        f.column("K02")->setWidth(fm.horizontalAdvance(QStringLiteral("操作")) - 2 + 4);
        QVERIFY(f.grid->Layout().titleHeight() > single);
    }

    void indicatorWidensWithDigits_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("9 to 10") << 9 << 10;
        QTest::newRow("99 to 100") << 99 << 100;
    }
    void indicatorWidensWithDigits()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        GridFixture f(before);
        const QFontMetrics title(f.grid->TitleFont());
        f.q->open();
        QCOMPARE(f.grid->Layout().indicatorWidth(),
                 title.horizontalAdvance(QString::number(before)) + 17);
        FixtureDb::Result r;
        r.cpqh = QStringLiteral("20201003-0001");
        f.data.db.addResult(r);
        f.q->close();
        // Closed, the indicator keeps its width.
        QCOMPARE(f.grid->Layout().indicatorWidth(),
                 title.horizontalAdvance(QString::number(before)) + 17);
        f.q->open();
        QCOMPARE(f.grid->Layout().indicatorWidth(),
                 title.horizontalAdvance(QString::number(after)) + 17);
        QVERIFY(f.grid->Layout().indicatorWidth() >
                title.horizontalAdvance(QString::number(before)) + 17);
    }

    void emptyResultIndicatorIsDigitZeroWide()
    {
        GridFixture f(0);
        f.q->open();
        QCOMPARE(f.grid->Layout().indicatorWidth(),
                 QFontMetrics(f.grid->TitleFont()).horizontalAdvance(u'0') + 17);
        QCOMPARE(f.grid->shownRowCount(), 1);
    }

    void recordBufferFollowsCurrentRecord_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("moves"); // successive current records
        QTest::addColumn<int>("top");
        QTest::newRow("stays while inside") << 50 << QList<int>{1, 5, 10} << 1;
        QTest::newRow("one below the window") << 50 << QList<int>{1, 11} << 2;
        QTest::newRow("back above") << 50 << QList<int>{1, 30, 15} << 15;
        QTest::newRow("last fills the window") << 50 << QList<int>{50} << 41;
        QTest::newRow("fewer records than rows") << 4 << QList<int>{4} << 1;
    }
    void recordBufferFollowsCurrentRecord()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, moves);
        QFETCH(int, top);
        GridRecordBuffer b;
        b.reset(count, 1, 10);
        for (int m : moves)
            b.follow(m);
        QCOMPARE(b.top(), top);
        QCOMPARE(b.count(), std::min(10, count));
        QCOMPARE(b.rowOf(moves.last()) >= 0, true);
    }

    void recordBufferResyncKeepsScreenRow()
    {
        GridRecordBuffer b;
        b.reset(100, 1, 10);
        b.follow(4); // fourth screen row
        b.resync(100, 57);
        QCOMPARE(b.top(), 54);
        b.resync(100, 99); // cannot keep the row without leaving rows empty
        QCOMPARE(b.top(), 91);
        QCOMPARE(b.rowOf(99), 8);
    }

    void featuresOfNearestRegisteredAncestor()
    {
        // Two query classes of the test's own: Own registered, Deeper below it not.
        struct Own : TADOQuery {
            using TADOQuery::TADOQuery;
            static const DataSetType& staticType()
            {
                static const DataSetType meta{&TADOQuery::staticType()};
                return meta;
            }
            const DataSetType& dataSetType() const override { return staticType(); }
        };
        struct Deeper : Own {
            using Own::Own;
            static const DataSetType& staticType()
            {
                static const DataSetType meta{&Own::staticType()};
                return meta;
            }
            const DataSetType& dataSetType() const override { return staticType(); }
        };
        TDBGridEhDataService& service = TDBGridEhDataService::instance();
        TADOQuery query(QStringLiteral("Q"));
        TCustomADODataSet plain(QStringLiteral("P"));
        Deeper deeper(QStringLiteral("D"));
        QVERIFY(
            dynamic_cast<TADOSQLDatasetFeaturesEh*>(service.getDatasetFeaturesForDataSet(query)));
        QCOMPARE(service.getDatasetFeaturesForDataSet(plain), nullptr);
        QCOMPARE(service.getDatasetFeaturesForDataSet(deeper),
                 service.getDatasetFeaturesForDataSet(query));
        auto own = std::make_shared<TADOSQLDatasetFeaturesEh>();
        service.registerDatasetFeaturesEh(Own::staticType(), own);
        QCOMPARE(service.getDatasetFeaturesForDataSet(deeper), own.get());
        QVERIFY(service.getDatasetFeaturesForDataSet(query) != own.get());
    }
};
TV_REGISTER_TEST(TestGridLayout);
#include "tst_layout.moc"
