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
        f.q->Open();
        const QFontMetrics cell(f.grid->font());
        const QFontMetrics title(f.grid->TitleFont());
        const GridLayout& l = f.grid->Layout();
        QCOMPARE(l.RowHeight(), cell.size(Qt::TextSingleLine, QStringLiteral("Wg")).height() + 2);
        // Every caption of the history grid fits on one line.
        QCOMPARE(l.TitleHeight(), titleLine(f.grid->TitleFont()) + 10 - 1);
        QCOMPARE(l.IndicatorWidth(), title.horizontalAdvance(QStringLiteral("30")) + 17);
        // Columns without a width take "0" times the field's display width plus 4.
        QCOMPARE(f.column("K00")->Width(), cell.horizontalAdvance(QLatin1Char('0')) * 6 + 4);
        QCOMPARE(f.column("K01")->Width(), cell.horizontalAdvance(QLatin1Char('0')) * 4 + 4);
        QCOMPARE(f.column("cpqh")->Width(), GridFixture::kStoredWidth);
        // Cells follow each other with one-pixel lines in between.
        QCOMPARE(l.CellRect(0, 1).topLeft(), QPoint(l.IndicatorWidth() + 1, l.TitleHeight() + 1));
        QCOMPARE(l.CellRect(1, 2).topLeft(),
                 QPoint(l.IndicatorWidth() + 1 + GridFixture::kStoredWidth + 1,
                        l.TitleHeight() + 1 + l.RowHeight() + 1));
        const int room = l.ClientSize().height() - l.TitleHeight() - 1;
        QCOMPARE(l.VisibleRowCapacity(), room / (l.RowHeight() + 1));
    }

    void titleGrowsWhenMarkerNarrowsCaption()
    {
        GridFixture f(5);
        f.q->Open();
        TDBGridColumnEh* k00 = f.column("K00");
        const QFont font = f.grid->TitleFont();
        const QFontMetrics fm(font);
        // Room for the caption with 8 pixels to spare: the marker's 16 pixels make it wrap.
        const int width = fm.horizontalAdvance(QStringLiteral("余额")) + 4 + 8;
        k00->SetWidth(width);
        const int single = f.grid->Layout().TitleHeight();
        QCOMPARE(single, titleLine(font) + 9);
        f.grid->ToggleTitleSort(k00);
        QCOMPARE(k00->Title()->SortMarker(), smUpEh);
        const int wrapped = 2 * titleLine(font); // one character a line
        QCOMPARE(f.grid->Layout().TitleHeight(), wrapped + 9);
        // Making a column narrower grows the title the same way.
        f.grid->ToggleTitleSort(k00);
        f.grid->ToggleTitleSort(k00);
        QCOMPARE(f.grid->Layout().TitleHeight(), single);
        f.column("K02")->SetWidth(fm.horizontalAdvance(QStringLiteral("操作")) - 2 + 4);
        QVERIFY(f.grid->Layout().TitleHeight() > single);
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
        f.q->Open();
        QCOMPARE(f.grid->Layout().IndicatorWidth(),
                 title.horizontalAdvance(QString::number(before)) + 17);
        FixtureDb::Result r;
        r.cpqh = QStringLiteral("20201003-0001");
        f.data.db.addResult(r);
        f.q->Close();
        // Closed, the indicator keeps its width.
        QCOMPARE(f.grid->Layout().IndicatorWidth(),
                 title.horizontalAdvance(QString::number(before)) + 17);
        f.q->Open();
        QCOMPARE(f.grid->Layout().IndicatorWidth(),
                 title.horizontalAdvance(QString::number(after)) + 17);
        QVERIFY(f.grid->Layout().IndicatorWidth() >
                title.horizontalAdvance(QString::number(before)) + 17);
    }

    void emptyResultIndicatorIsDigitZeroWide()
    {
        GridFixture f(0);
        f.q->Open();
        QCOMPARE(f.grid->Layout().IndicatorWidth(),
                 QFontMetrics(f.grid->TitleFont()).horizontalAdvance(u'0') + 17);
        QCOMPARE(f.grid->ShownRowCount(), 1);
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
        b.Reset(count, 1, 10);
        for (int m : moves)
            b.Follow(m);
        QCOMPARE(b.Top(), top);
        QCOMPARE(b.Count(), std::min(10, count));
        QCOMPARE(b.RowOf(moves.last()) >= 0, true);
    }

    void recordBufferResyncKeepsScreenRow()
    {
        GridRecordBuffer b;
        b.Reset(100, 1, 10);
        b.Follow(4); // fourth screen row
        b.Resync(100, 57);
        QCOMPARE(b.Top(), 54);
        b.Resync(100, 99); // cannot keep the row without leaving rows empty
        QCOMPARE(b.Top(), 91);
        QCOMPARE(b.RowOf(99), 8);
    }

    void featuresOfNearestRegisteredAncestor()
    {
        // Two query classes of the test's own: Own registered, Deeper below it not.
        struct Own : TADOQuery {
            using TADOQuery::TADOQuery;
            static const DataSetClass& StaticClass()
            {
                static const DataSetClass meta{&TADOQuery::StaticClass()};
                return meta;
            }
            const DataSetClass& ClassType() const override { return StaticClass(); }
        };
        struct Deeper : Own {
            using Own::Own;
            static const DataSetClass& StaticClass()
            {
                static const DataSetClass meta{&Own::StaticClass()};
                return meta;
            }
            const DataSetClass& ClassType() const override { return StaticClass(); }
        };
        TDBGridEhDataService& service = TDBGridEhDataService::instance();
        TADOQuery query(QStringLiteral("Q"));
        TCustomADODataSet plain(QStringLiteral("P"));
        Deeper deeper(QStringLiteral("D"));
        QVERIFY(
            dynamic_cast<TADOSQLDatasetFeaturesEh*>(service.GetDatasetFeaturesForDataSet(query)));
        QCOMPARE(service.GetDatasetFeaturesForDataSet(plain), nullptr);
        QCOMPARE(service.GetDatasetFeaturesForDataSet(deeper),
                 service.GetDatasetFeaturesForDataSet(query));
        auto own = std::make_shared<TADOSQLDatasetFeaturesEh>();
        service.RegisterDatasetFeaturesEh(Own::StaticClass(), own);
        QCOMPARE(service.GetDatasetFeaturesForDataSet(deeper), own.get());
        QVERIFY(service.GetDatasetFeaturesForDataSet(query) != own.get());
    }
};
TV_REGISTER_TEST(TestGridLayout);
#include "tst_layout.moc"
