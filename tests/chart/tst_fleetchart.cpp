#include "Accessibility.h"
#include "FleetChart.h"
#include "FleetChartLayout.h"
#include "FleetTrend.h"
#include "Fonts.h"
#include "SeriesColours.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace {

const QStringList kFleet{"追0", "追1", "追2", "追3", "追4",     "追5",
                         "追6", "追7", "追8", "追9", "全局最热"};

QString draw(int n)
{
    return QStringLiteral("20201002-%1").arg(n, 4, 10, QLatin1Char('0'));
}

// Robot k's balance at draw d: apart from the others' by 1000 per robot, so lines never cross.
QVector<FleetTrendRow> fleetRows(const QStringList& robots, int draws)
{
    QVector<FleetTrendRow> rows;
    for (int k = 0; k < robots.size(); ++k)
        for (int d = 1; d <= draws; ++d)
            rows.push_back({draw(d), robots[k], 1000.0 * k + 10 * d});
    return rows;
}

// "追0: 1 2 - 4" (a null balance) and "追0: 1 _ 3" (no row): balances at draws 1, 2, 3, …
QVector<FleetTrendRow> rowsFrom(const QStringList& table)
{
    QVector<FleetTrendRow> rows;
    for (const QString& line : table) {
        const QString robot = line.section(u':', 0, 0);
        const QStringList values = line.section(u':', 1).split(u' ', Qt::SkipEmptyParts);
        for (int d = 0; d < values.size(); ++d) {
            if (values[d] == u"_")
                continue;
            rows.push_back(
                {draw(d + 1), robot,
                 values[d] == u"-" ? std::nullopt : std::optional(values[d].toDouble())});
        }
    }
    return rows;
}

// A line's points read back: "10 20 - 40", "-" for a gap.
QString pointsText(const TLineSeries& s)
{
    QStringList out;
    for (int i = 0; i < s.count(); ++i)
        out << (s.isNull(i) ? QStringLiteral("-") : QString::number(s.yValue(i)));
    return out.join(u' ');
}

QImage rendered(FleetChart& chart)
{
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    chart.render(&p);
    return image;
}

} // namespace

class TestFleetChart : public QObject {
    Q_OBJECT
private slots:
    // The hash is ours, not qHash (seeded per run): these slots hold in every run.
    void colourSlotsAreStable()
    {
        QCOMPARE(seriescolours::preferredSlot(QStringLiteral("追0")),
                 seriescolours::preferredSlot(QStringLiteral("追0")));
        QStringList preferred;
        for (const QString& name : kFleet)
            preferred << QString::number(seriescolours::preferredSlot(name));
        QCOMPARE(preferred.join(u' '), QStringLiteral("9 10 11 0 1 2 3 4 5 6 10"));
    }

    void colours_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("the demo's eleven") << kFleet;
        QTest::newRow("reversed") << QStringList(kFleet.rbegin(), kFleet.rend());
        QTest::newRow("twelve") << (kFleet + QStringList{"a"});
    }
    // Distinct within the fleet, the same for a name whatever the order, and the name's own
    // colour when nothing before it took it.
    void colours()
    {
        QFETCH(QStringList, names);
        const QVector<QColor> colours = seriescolours::coloursFor(names);
        QCOMPARE(colours.size(), names.size());
        QSet<QRgb> seen;
        for (const QColor& c : colours)
            seen.insert(c.rgb());
        QCOMPARE(seen.size(), names.size());
        QStringList sorted = names;
        sorted.sort();
        const QVector<QColor> again = seriescolours::coloursFor(sorted);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(colours[i], again[sorted.indexOf(names[i])]);
        QCOMPARE(again[0], seriescolours::paletteColour(seriescolours::preferredSlot(sorted[0])));
    }

    void trendFromRows_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("draws");
        QTest::addColumn<QStringList>("points"); // per robot, in the rows' order
        QTest::addColumn<QStringList>("latest");
        QTest::newRow("full") << QStringList{"追1: 10 20 30", "追0: 5 6 7"}
                              << QStringList{draw(1), draw(2), draw(3)}
                              << QStringList{"10 20 30", "5 6 7"} << QStringList{"30", "7"};
        QTest::newRow("a null balance is a gap")
            << QStringList{"追0: 10 - 30"} << QStringList{draw(1), draw(2), draw(3)}
            << QStringList{"10 - 30"} << QStringList{"30"};
        QTest::newRow("a missing row is a gap at the others' draw")
            << QStringList{"追0: 10 _ 30", "追1: 1 2 3"} << QStringList{draw(1), draw(2), draw(3)}
            << QStringList{"10 - 30", "1 2 3"} << QStringList{"30", "3"};
        QTest::newRow("leading gap, null latest")
            << QStringList{"追0: _ 20 -", "追1: 1 2 3"} << QStringList{draw(1), draw(2), draw(3)}
            << QStringList{"- 20 -", "1 2 3"} << QStringList{"none", "3"};
        QTest::newRow("no rows") << QStringList{} << QStringList{} << QStringList{}
                                 << QStringList{};
    }
    void trendFromRows()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, draws);
        QFETCH(QStringList, points);
        QFETCH(QStringList, latest);
        const FleetTrend t = FleetTrend::fromRows(rowsFrom(rows));
        QCOMPARE(t.draws(), draws);
        QStringList gotPoints, gotLatest;
        for (const FleetLine& line : t.lines()) {
            gotPoints << pointsText(*line.series);
            gotLatest << (line.latest ? QString::number(*line.latest) : QStringLiteral("none"));
            for (int i = 0; i < line.series->count(); ++i)
                QCOMPARE(line.series->xValue(i), double(i));
        }
        QCOMPARE(gotPoints, points);
        QCOMPARE(gotLatest, latest);
        // A gap's point never widens the balances' range.
        if (!t.isEmpty())
            QVERIFY(t.balanceRange().minimum > 0);
    }

    void legendLayout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("the window's page") << QSize(940, 480);
        QTest::newRow("maximised") << QSize(1910, 950);
        QTest::newRow("small") << QSize(420, 300);
    }
    // One entry per robot, stacked without overlap right of the plot and inside the widget;
    // a point of an entry finds it.
    void legendLayout()
    {
        QFETCH(QSize, size);
        const FleetTrend t = FleetTrend::fromRows(fleetRows(kFleet, 360));
        const QFontMetrics font(pixelFont(kArial, 11));
        const FleetChartLayout l =
            computeFleetChartLayout(size, font, t, t.drawRange(), t.balanceRange());
        QCOMPARE(l.entries.size(), kFleet.size());
        QVERIFY(l.legend.left() > l.chart.plot.right());
        QVERIFY(QRect(QPoint(0, 0), size).contains(l.legend));
        for (int i = 0; i < l.entries.size(); ++i) {
            const LegendEntry& e = l.entries[i];
            QVERIFY(l.legend.contains(e.rect));
            QVERIFY(e.rect.contains(e.swatch) && e.rect.contains(e.nameRect) &&
                    e.rect.contains(e.balanceRect));
            QVERIFY(e.nameRect.width() >= font.horizontalAdvance(kFleet[i]));
            QVERIFY(!e.swatch.intersects(e.nameRect) && !e.nameRect.intersects(e.balanceRect));
            if (i > 0)
                QCOMPARE(e.rect.top(), l.entries[i - 1].rect.bottom() + 1);
            QCOMPARE(e.balance, formatAxisValue(1000.0 * i + 3600));
            QCOMPARE(l.legendEntryAt(e.rect.center()), i);
        }
        QCOMPARE(l.legendEntryAt(l.chart.plot.center()), -1);
        // The draw numbers sit below the axis, apart, inside the widget.
        QVERIFY(l.drawLabels.size() >= 2);
        for (int i = 0; i < l.drawLabels.size(); ++i) {
            QVERIFY(l.drawLabels[i].textRect.top() > l.chart.plot.bottom());
            QVERIFY(l.drawLabels[i].textRect.bottom() < size.height());
            if (i > 0)
                QVERIFY(l.drawLabels[i].textRect.left() >
                        l.drawLabels[i - 1].textRect.right() + fleetmetrics::kDrawLabelGap / 2);
        }
    }

    void labelledDraws_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("draws");
        QTest::addColumn<QString>("places");
        QTest::newRow("360 over 720 px, labels of 80")
            << 720 << 0.0 << 359.0 << 360 << "0 50 100 150 200 250 300 350";
        QTest::newRow("wide: every draw") << 1000 << 0.0 << 9.0 << 10 << "0 1 2 3 4 5 6 7 8 9";
        QTest::newRow("step 2") << 500 << 0.0 << 9.0 << 10 << "0 2 4 6 8";
        QTest::newRow("step 5 at 33 px a draw") << 300 << 0.0 << 9.0 << 10 << "0 5";
        QTest::newRow("zoomed: from the first multiple in range")
            << 720 << 33.5 << 60.2 << 360 << "35 40 45 50 55 60";
        QTest::newRow("one draw") << 720 << 0.0 << 0.0 << 1 << "0";
        QTest::newRow("none") << 720 << 0.0 << 0.0 << 0 << "";
        QTest::newRow("panned past the end") << 720 << 300.0 << 400.0 << 360 << "300 320 340";
    }
    void labelledDraws()
    {
        QFETCH(int, length);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(int, draws);
        QFETCH(QString, places);
        const AxisMapping x({minimum, maximum}, 10, 10 + length, false);
        QStringList got;
        for (int p : ::labelledDraws(x, draws, 80))
            got << QString::number(p);
        QCOMPARE(got.join(u' '), places);
    }

    void hit_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("place");
        // Line 0 runs flat at y 100 from x 0 to 100 (places 0, 1); line 1 from (0,200) up to
        // (100,110).
        QTest::newRow("on line 0, nearer its start") << QPoint(30, 100) << 0 << 0;
        QTest::newRow("on line 0, nearer its end") << QPoint(70, 100) << 0 << 1;
        QTest::newRow("4 px off still hits") << QPoint(50, 104) << 0 << 1;
        QTest::newRow("5 px off misses") << QPoint(20, 95) << -1 << -1;
        QTest::newRow("between them, nearer line 1") << QPoint(100, 107) << 1 << 1;
        QTest::newRow("past the end") << QPoint(108, 100) << -1 << -1;
        QTest::newRow("on line 1") << QPoint(0, 200) << 1 << 0;
    }
    void hit()
    {
        QFETCH(QPoint, at);
        QFETCH(int, line);
        QFETCH(int, place);
        const QVector<QVector<LineSegment>> lines{{{QPoint(0, 100), QPoint(100, 100)}},
                                                  {{QPoint(0, 200), QPoint(100, 110)}}};
        const AxisMapping x({0, 1}, 0, 100, false);
        QCOMPARE(::hitLine(lines, x, at), (LineHit{line, place}));
    }

    // A click on a line or on a legend entry picks that robot; a drag does not; the hover
    // text names robot, draw and balance.
    void clicksPickTheRobot()
    {
        FleetChart chart;
        chart.resize(940, 480);
        chart.setTrend(FleetTrend::fromRows(fleetRows(kFleet, 360)));
        QSignalSpy picked(&chart, &FleetChart::robotPicked);
        const FleetChartLayout& l = chart.Layout();
        const ChartTransform& t = l.chart.transform;
        const QPoint onLine3 = t.toScreen(100, 3000 + 10 * 101).toPoint();
        QCOMPARE(chart.hoverText(onLine3), QStringLiteral("追3　%1　余额 4,010").arg(draw(101)));
        QCOMPARE(chart.robotAt(onLine3), 3);
        QTest::mouseClick(&chart, Qt::LeftButton, {}, onLine3);
        QTest::mouseClick(&chart, Qt::LeftButton, {}, l.entries[10].rect.center());
        QTest::mouseClick(&chart, Qt::RightButton, {}, l.entries[2].rect.center());
        QTest::mouseClick(&chart, Qt::LeftButton, {}, l.chart.plot.topLeft() + QPoint(2, 2));
        QCOMPARE(picked.size(), 2);
        QCOMPARE(picked[0][0].toString(), QStringLiteral("追3"));
        QCOMPARE(picked[1][0].toString(), QStringLiteral("全局最热"));
        QVERIFY(!chart.zoomState().fixed());
        QCOMPARE(chart.hoverText(l.chart.plot.topLeft() + QPoint(2, 2)), QString());
    }

    // As on the trend chart: a left drag down-right zooms to the band, up-left restores, a
    // right drag pans; neither picks.
    void zoomAndPan()
    {
        FleetChart chart;
        chart.resize(940, 480);
        chart.setTrend(FleetTrend::fromRows(fleetRows(kFleet, 360)));
        QSignalSpy picked(&chart, &FleetChart::robotPicked);
        const QRect plot = chart.Layout().chart.plot;
        const QPoint a = plot.topLeft() + QPoint(100, 50), b = a + QPoint(200, 150);
        const ChartTransform before = chart.Layout().chart.transform;
        QTest::mousePress(&chart, Qt::LeftButton, {}, a);
        QTest::mouseMove(&chart, b);
        QCOMPARE(chart.mouseState(), FleetChart::MouseState::Zoom);
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, b);
        QVERIFY(chart.zoomState().fixed());
        QCOMPARE(chart.bottomRange().minimum, before.x.value(a.x()));
        QCOMPARE(chart.leftRange().maximum, before.y.value(a.y()));
        const AxisRange zoomed = chart.bottomRange();
        QTest::mousePress(&chart, Qt::RightButton, {}, b);
        QTest::mouseMove(&chart, b - QPoint(50, 0));
        QTest::mouseRelease(&chart, Qt::RightButton, {}, b - QPoint(50, 0));
        QVERIFY(chart.bottomRange().minimum > zoomed.minimum);
        QCOMPARE(chart.bottomRange().length(), zoomed.length());
        QTest::mousePress(&chart, Qt::LeftButton, {}, b);
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, a);
        QVERIFY(!chart.zoomState().fixed());
        QCOMPARE(chart.bottomRange(), (AxisRange{0, 359}));
        QCOMPARE(picked.size(), 0);
    }

    // A screen reader reads it as a chart whose description is the legend, and hears of a reload
    // that changes it once.
    void readAsAChart()
    {
        static int told = 0;
        told = 0;
        accessibility::setEventTap(
            [](QAccessibleEvent* e) { told += e->type() == QAccessible::DescriptionChanged; });
        FleetChart chart;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&chart);
        QCOMPARE(a->role(), QAccessible::Chart);
        QCOMPARE(a->text(QAccessible::Description), QStringLiteral("没有数据"));
        for (int i = 0; i < 2; ++i)
            chart.setTrend(FleetTrend::fromRows(rowsFrom({"追0: 1 2 12345", "追1: 4 5 -"})));
        QTRY_COMPARE(told, 1);
        QCOMPARE(a->text(QAccessible::Description),
                 QStringLiteral("2 个机器人，第 20201002-0001 至 20201002-0003 期，最新余额：追0 "
                                "余额 12,345，追1"));
        chart.setTrend(FleetTrend::fromRows(rowsFrom({"追0: 1 2 12345", "追1: 4 5 -"})));
        QTest::qWait(20);
        QCOMPARE(told, 1);
        accessibility::setEventTap(nullptr);
    }

    // What a zoom drag leaves on screen is the chart with the band where it is now, also after
    // a reload or a resize during the drag.
    void zoomBandLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("nothing") << "";
        QTest::newRow("a reload with another draw") << "reload";
        QTest::newRow("a resize") << "resize";
    }
    void zoomBandLeavesNothingBehind()
    {
        QFETCH(QString, meanwhile);
        FleetChart moved, straight;
        for (FleetChart* chart : {&moved, &straight}) {
            chart->resize(700, 420);
            chart->setTrend(FleetTrend::fromRows(fleetRows(kFleet, 120)));
            chart->show();
            QVERIFY(QTest::qWaitForWindowExposed(chart));
        }
        const QPoint from = moved.Layout().chart.plot.topLeft() + QPoint(40, 60);
        QTest::mousePress(&moved, Qt::LeftButton, {}, from);
        for (const QPoint by : {QPoint(300, 200), QPoint(120, 250), QPoint(200, 40)}) {
            QTest::mouseMove(&moved, from + by);
            QCoreApplication::processEvents();
        }
        for (FleetChart* chart : {&moved, &straight}) {
            if (meanwhile == "reload")
                chart->setTrend(FleetTrend::fromRows(fleetRows(kFleet, 121)));
            else if (meanwhile == "resize")
                chart->resize(640, 400);
        }
        QCoreApplication::processEvents();
        const QPoint to = from + QPoint(150, 90);
        QTest::mouseMove(&moved, to);
        QCoreApplication::processEvents();
        QTest::mousePress(&straight, Qt::LeftButton, {}, from);
        QTest::mouseMove(&straight, to);
        const QImage onScreen = moved.screen()
                                    ->grabWindow(moved.winId())
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(onScreen, straight.grab().toImage().convertToFormat(QImage::Format_RGB32));
        // And the band is there: the chart without a drag differs only within its outline.
        const QRegion band = straight.bandRegion();
        QTest::mouseRelease(&straight, Qt::LeftButton, {}, from);
        const QImage plain = straight.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRegion differs;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                if (plain.pixel(x, y) != onScreen.pixel(x, y))
                    differs += QRect(x, y, 1, 1);
        QVERIFY(!differs.isEmpty());
        QCOMPARE(differs - band, QRegion());
    }

    // The pixels that tell the chart apart: each robot's line and swatch in its colour, the
    // plot white, the hovered line wider.
    void pixels()
    {
        FleetChart chart;
        chart.resize(940, 480);
        chart.setTrend(FleetTrend::fromRows(fleetRows(kFleet, 360)));
        const FleetChartLayout& l = chart.Layout();
        const ChartTransform& t = l.chart.transform;
        QImage image = rendered(chart);
        QCOMPARE(image.pixelColor(l.chart.plot.left() + 5, l.chart.plot.top() + 3),
                 QColor(Qt::white));
        for (int k = 0; k < kFleet.size(); ++k) {
            const QColor colour = chart.trend().lines()[std::size_t(k)].colour;
            QCOMPARE(image.pixelColor(l.entries[k].swatch.center()), colour);
            const QPoint mid = t.toScreen(200, 1000.0 * k + 10 * 201).toPoint();
            QCOMPARE(image.pixelColor(mid), colour);
        }
        // Hovered, robot 5's line is wider: 2 pixels off its middle is its colour.
        const QPoint mid5 = t.toScreen(200, 5000 + 10 * 201).toPoint();
        const QPoint off = mid5 - QPoint(0, 2);
        QVERIFY(image.pixelColor(off) != chart.trend().lines()[5].colour);
        QMouseEvent move(QEvent::MouseMove, mid5, chart.mapToGlobal(mid5), Qt::NoButton, {}, {});
        QApplication::sendEvent(&chart, &move);
        QCOMPARE(chart.hoveredLine(), 5);
        image = rendered(chart);
        QCOMPARE(image.pixelColor(off), chart.trend().lines()[5].colour);
    }

    // No rows yet (the page shown before its first read, an empty table): axes, no legend,
    // no label, nothing to hit.
    void emptyChart()
    {
        FleetChart chart;
        chart.resize(600, 400);
        const QImage image = rendered(chart);
        const FleetChartLayout& l = chart.Layout();
        QVERIFY(l.entries.isEmpty() && l.drawLabels.isEmpty());
        QVERIFY(l.chart.plot.width() > 400);
        QCOMPARE(image.pixelColor(l.chart.plot.center() + QPoint(0, 7)), QColor(Qt::white));
        QCOMPARE(chart.robotAt(l.chart.plot.center()), -1);
        QCOMPARE(chart.hoverText(l.chart.plot.center()), QString());
    }
};
TV_REGISTER_TEST(TestFleetChart);

#include "tst_fleetchart.moc"
