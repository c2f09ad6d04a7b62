#include "ChartAxis.h"
#include "ChartLayout.h"
#include "ChartTransform.h"
#include "ChartValueList.h"
#include "LineSegments.h"
#include "LineSeries.h"
#include "TestRegistry.h"

#include <QTest>

// The chart's value classes: label steps, placement, zoom state and the line's segments.
class TestChartAxis : public QObject {
    Q_OBJECT
private slots:
    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("-0.5") << -0.5 << 0.0;
        QTest::newRow("-1.5") << -1.5 << -2.0;
        QTest::newRow("2.4999") << 2.4999 << 2.0;
        QTest::newRow("2.5001") << 2.5001 << 3.0;
    }
    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(roundHalfEven(value), expected);
    }

    void formatsLabels_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("thousands") << 1234567.0 << "1,234,567";
        QTest::newRow("negative") << -9500.0 << "-9,500";
        QTest::newRow("three decimals") << 0.12345 << "0.123";
        QTest::newRow("trailing zeros dropped") << 2.5 << "2.5";
        QTest::newRow("rounds up") << 999.9996 << "1,000";
        QTest::newRow("tiny negative is zero") << -0.0001 << "0";
        QTest::newRow("hundreds") << 100.0 << "100";
    }
    void formatsLabels()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatAxisValue(value), text);
    }

    void labelSteps_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("labelSize");
        QTest::addColumn<double>("step");
        QTest::addColumn<QList<double>>("values");
        // most labels = round(length / (size + round(size / 10)))
        QTest::newRow("step 1") << 0.0 << 5.0 << 110 << 10 << 1.0
                                << QList<double>{5, 4, 3, 2, 1, 0};
        QTest::newRow("step 2") << 0.0 << 9.0 << 55 << 10 << 2.0 << QList<double>{8, 6, 4, 2, 0};
        QTest::newRow("step 5") << 3.0 << 23.0 << 55 << 10 << 5.0 << QList<double>{20, 15, 10, 5};
        QTest::newRow("step 50") << -120.0 << 130.0 << 55 << 10 << 50.0
                                 << QList<double>{100, 50, 0, -50, -100};
        QTest::newRow("fraction 0.2")
            << 0.0 << 0.9 << 55 << 10 << 0.2 << QList<double>{0.8, 0.6, 0.4, 0.2, 0.0};
        QTest::newRow("fraction 0.05")
            << 1.01 << 1.22 << 55 << 10 << 0.05 << QList<double>{1.2, 1.15, 1.1, 1.05};
        QTest::newRow("equal ends") << 7.0 << 7.0 << 200 << 10 << 1e-12 << QList<double>{7};
        QTest::newRow("no label size") << 0.0 << 10.0 << 200 << 0 << 10.0 << QList<double>{10, 0};
        QTest::newRow("no room") << 0.0 << 5.0 << -5 << 10 << 10.0 << QList<double>{0};
        QTest::newRow("10 000 or more: none")
            << 0.0 << 100000.0 << 1000000 << 10 << 2.0 << QList<double>{};
        QTest::newRow("just under 10 000")
            << 0.0 << 9999.0 << 1000000 << 10 << 1.0 << QList<double>();
    }
    void labelSteps()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(int, length);
        QFETCH(int, labelSize);
        QFETCH(double, step);
        QFETCH(QList<double>, values);
        const AxisLabels labels = computeAxisLabels({minimum, maximum}, length, labelSize);
        QVERIFY2(qAbs(labels.step - step) <= step * 1e-12,
                 qPrintable(QString::number(labels.step)));
        if (QByteArray(QTest::currentDataTag()) == "just under 10 000") {
            QCOMPARE(labels.values.size(), 10000);
            QCOMPARE(labels.values.first(), 9999.0);
            QCOMPARE(labels.values.last(), 0.0);
            return;
        }
        QCOMPARE(labels.values.size(), values.size());
        for (int i = 0; i < values.size(); ++i)
            QVERIFY2(qAbs(labels.values[i] - values[i]) < 1e-9,
                     qPrintable(QString::number(labels.values[i])));
    }

    void deepZoomOnLargeValuesEnds()
    {
        // The step falls below the maximum's precision: the label search must still end.
        for (double maximum : {2.5e7, 123456.789, 1e9}) {
            const AxisLabels labels = computeAxisLabels({maximum - 1e-10, maximum}, 400, 12);
            QVERIFY(labels.values.size() <= 10001);
        }
    }

    void placesValuesOnAxes()
    {
        const AxisMapping bottom({10, 20}, 100, 203, false);
        QCOMPARE(bottom.position(10), 100.0);
        QCOMPARE(bottom.position(20), 203.0);
        QCOMPARE(bottom.position(15), 152.0); // 51.5 rounds to the even 52
        const AxisMapping left({0, 4}, 50, 60, true);
        QCOMPARE(left.position(0), 60.0);
        QCOMPARE(left.position(4), 50.0);
        QCOMPARE(left.position(1), 58.0); // 2.5 rounds to 2
        QCOMPARE(left.value(55), 2.0);
        const AxisMapping flat({3, 3}, 50, 61, true);
        QCOMPARE(flat.position(-100), 55.0);
        QCOMPARE(flat.position(3), 55.0);
        QCOMPARE(flat.value(0), 3.0);
    }

    void zoomStateKeepsTheFirstSettings()
    {
        ChartZoomState z;
        QVERIFY(!z.fixed());
        QCOMPARE(z.leftRange({1, 2}), (AxisRange{1, 2}));
        z.fix({5, 6}, {7, 7});
        QVERIFY(z.fixed());
        QCOMPARE(z.bottomRange({0, 100}), (AxisRange{5, 6}));
        QCOMPARE(z.leftRange({0, 100}).maximum, 7 + 1e-10);
        z.fix({1, 2}, {3, 4}); // a pan after a zoom
        z.undo();
        QVERIFY(!z.fixed());
        QVERIFY(z.bottom().automatic);
        QCOMPARE(z.bottomRange({0, 100}), (AxisRange{0, 100}));
    }

    void valueListCachesUntilChanged()
    {
        ChartValueList list;
        QCOMPARE(list.minValue(), 0.0);
        list.insert(0, 5);
        list.insert(0, -3);
        list.insert(2, 10);
        QCOMPARE(list.minValue(), -3.0);
        QCOMPARE(list.maxValue(), 10.0);
        list.insert(1, -20);
        QCOMPARE(list.minValue(), -20.0);
    }

    void insertsByX_data()
    {
        QTest::addColumn<QList<double>>("xs");
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<QList<double>>("ysInOrder");
        // y is the arrival number, so the final Y order shows where each point went
        QTest::newRow("ascending")
            << QList<double>{1, 2, 3} << QList<int>{0, 1, 2} << QList<double>{0, 1, 2};
        QTest::newRow("descending")
            << QList<double>{3, 2, 1} << QList<int>{0, 0, 0} << QList<double>{2, 1, 0};
        QTest::newRow("equal keep arrival")
            << QList<double>{5, 5, 5} << QList<int>{0, 1, 2} << QList<double>{0, 1, 2};
        QTest::newRow("equal among others")
            << QList<double>{4, 2, 4, 3, 2} << QList<int>{0, 0, 2, 1, 1}
            << QList<double>{1, 4, 3, 0, 2};
        // A NaN is never less than the last point: it and all after it go to the end.
        QTest::newRow("not a number")
            << QList<double>{2, qQNaN(), 1} << QList<int>{0, 1, 2} << QList<double>{0, 1, 2};
    }
    void insertsByX()
    {
        QFETCH(QList<double>, xs);
        QFETCH(QList<int>, indexes);
        QFETCH(QList<double>, ysInOrder);
        TLineSeries s;
        for (int i = 0; i < xs.size(); ++i)
            QCOMPARE(s.InsertPointByX(xs[i], i, clDefault), indexes[i]);
        QList<double> ys;
        for (int i = 0; i < s.count(); ++i) {
            ys << s.yValue(i);
            if (i > 0 && !qIsNaN(s.xValue(i - 1)) && !qIsNaN(s.xValue(i)))
                QVERIFY(s.xValue(i - 1) <= s.xValue(i));
        }
        QCOMPARE(ys, ysInOrder);

        // In one pass, onto nothing or onto the first points: the same places.
        for (int first = 0; first <= 1; ++first) {
            TLineSeries batch;
            std::vector<TLineSeries::Point> rest;
            for (int i = 0; i < xs.size(); ++i) {
                if (i < first)
                    batch.InsertPointByX(xs[i], i, clDefault);
                else
                    rest.push_back({xs[i], double(i), i % 2 ? clNone : clDefault});
            }
            batch.insertPointsByX(rest);
            QCOMPARE(batch.count(), s.count());
            for (int i = 0; i < s.count(); ++i) {
                QCOMPARE(batch.yValue(i), s.yValue(i));
                QCOMPARE(batch.isNull(i), int(s.yValue(i)) % 2 == 1 && int(s.yValue(i)) >= first);
            }
        }
    }

    void segmentsLeaveGapsAtNullPoints()
    {
        TLineSeries s;
        const double ys[] = {10, 20, 0, 30, 40};
        for (int i = 0; i < 5; ++i)
            s.InsertPointByX(i, ys[i], i == 2 ? clNone : clDefault);
        ChartTransform t{AxisMapping({0, 4}, 0, 400, false), AxisMapping({0, 40}, 0, 400, true)};
        const QVector<LineSegment> segs = lineSegments(s, t);
        QCOMPARE(segs.size(), 2);
        QCOMPARE(segs[0].from, QPoint(0, 300));
        QCOMPARE(segs[0].to, QPoint(100, 200));
        QCOMPARE(segs[1].from, QPoint(300, 100));
        QCOMPARE(segs[1].to, QPoint(400, 0));
    }

    void steepSegmentsAreDarker_data()
    {
        QTest::addColumn<double>("y1");
        QTest::addColumn<bool>("steep");
        // run is 100 pixels; rise in pixels equals y1 here
        QTest::newRow("falling") << -50.0 << false;
        QTest::newRow("gentle") << 50.0 << false;
        QTest::newRow("exactly 45") << 100.0 << false;
        QTest::newRow("steep") << 150.0 << true;
    }
    void steepSegmentsAreDarker()
    {
        QFETCH(double, y1);
        QFETCH(bool, steep);
        TLineSeries s;
        s.InsertPointByX(0, 0, clDefault);
        s.InsertPointByX(1, y1, clDefault);
        ChartTransform t{AxisMapping({0, 1}, 0, 100, false),
                         AxisMapping({-200, 200}, 0, 400, true)};
        const QVector<LineSegment> segs = lineSegments(s, t);
        QCOMPARE(segs.size(), 1);
        QCOMPARE(segs[0].steep, steep);
        QCOMPARE(segs[0].fill, steep ? BgrColor(191) : clRed);
        QCOMPARE(darker3D(0x204080), BgrColor(0x000040));
    }

    void verticalSegmentBetweenEqualX()
    {
        TLineSeries s;
        s.InsertPointByX(1, 0, clDefault);
        s.InsertPointByX(2, 5, clDefault);
        s.InsertPointByX(2, 10, clDefault);
        s.InsertPointByX(2, 10, clDefault); // same place: nothing drawn
        ChartTransform t{AxisMapping({1, 2}, 0, 100, false), AxisMapping({0, 10}, 0, 100, true)};
        const QVector<LineSegment> segs = lineSegments(s, t);
        QCOMPARE(segs.size(), 2);
        QCOMPARE(segs[1].from, QPoint(100, 50));
        QCOMPARE(segs[1].to, QPoint(100, 0));
        QVERIFY(segs[1].steep);
    }

    void zoomedLineEntersAtTheLeftEdge()
    {
        TLineSeries s;
        s.InsertPointByX(0, 0, clDefault);
        s.InsertPointByX(10, 100, clDefault);
        s.InsertPointByX(20, 0, clDefault);
        s.InsertPointByX(30, 50, clDefault);
        // x from 5 to 15: point 1 is the first visible, point 2 the one the line leaves by
        ChartTransform t{AxisMapping({5, 15}, 0, 100, false), AxisMapping({0, 100}, 0, 100, true)};
        const VisibleRange r = visiblePoints(s, t.x.range());
        QCOMPARE(r.first, 1);
        QCOMPARE(r.last, 2);
        const QVector<LineSegment> segs = lineSegments(s, t);
        QCOMPARE(segs.size(), 2);
        QCOMPARE(segs[0].from, QPoint(0, 50)); // halfway between 0 and 100
        QCOMPARE(segs[0].to, QPoint(50, 0));
        QCOMPARE(segs[1].to, QPoint(150, 100));
    }

    void farPointsAreSkipped()
    {
        TLineSeries s;
        s.InsertPointByX(0, 0, clDefault);
        s.InsertPointByX(1, 1e9, clDefault);
        s.InsertPointByX(2, 0, clDefault);
        s.InsertPointByX(3, 1, clDefault);
        ChartTransform t{AxisMapping({0, 3}, 0, 300, false), AxisMapping({0, 1}, 0, 100, true)};
        const QVector<LineSegment> segs = lineSegments(s, t);
        QCOMPARE(segs.size(), 1);
        QCOMPARE(segs[0].from, QPoint(200, 100));
    }

    void onePointDrawsNoLine()
    {
        TLineSeries s;
        s.InsertPointByX(0, 0, clDefault);
        ChartTransform t{AxisMapping({0, 0}, 0, 300, false), AxisMapping({0, 0}, 0, 100, true)};
        QVERIFY(lineSegments(s, t).isEmpty());
    }
};

TV_REGISTER_TEST(TestChartAxis);
#include "tst_axis.moc"
