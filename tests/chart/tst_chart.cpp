#include "ChartPainter.h"
#include "Colors.h"
#include "DBChart.h"
#include "DBChartDataSource.h"
#include "DBErrors.h"
#include "DataFixture.h"
#include "LineSegments.h"
#include "ShapedText.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <stdexcept>

namespace {
// The monitor window's configuration: Series1 on Qai, x from "id", y from "K00".
struct ChartRig {
    DataFixture f;
    std::unique_ptr<TADOQuery> qai = f.query(statements::robotHistory());
    std::unique_ptr<TDBChart> chart = std::make_unique<TDBChart>();
    TLineSeries* series = nullptr;
    int nextDraw = 1;

    explicit ChartRig(const QString& ySource = QStringLiteral("K00"),
                      const QString& xSource = QStringLiteral("id"))
    {
        chart->resize(600, 400);
        series = chart->addSeries();
        series->setDataSource(qai.get());
        series->XValues().setValueSource(xSource);
        series->YValues().setValueSource(ySource);
        chart->loaded();
    }
    ~ChartRig() { chart.reset(); }

    // Rows arrive newest draw first, so each added row comes before the ones added earlier.
    void add(QVariant id, QVariant k00, QVariant k01 = 3, const QString& k04 = QStringLiteral("1"))
    {
        FixtureDb::Result r;
        r.id = id;
        r.k00 = k00;
        r.k01 = k01;
        r.k04 = k04;
        r.cpqh = QStringLiteral("20201002-%1").arg(nextDraw++, 4, 10, QLatin1Char('0'));
        f.db.addResult(r);
    }
    void reopen()
    {
        qai->close();
        qai->open();
    }
    QList<double> xs() const
    {
        QList<double> out;
        for (int i = 0; i < series->count(); ++i)
            out << series->xValue(i);
        return out;
    }
    QList<double> ys() const
    {
        QList<double> out;
        for (int i = 0; i < series->count(); ++i)
            out << series->yValue(i);
        return out;
    }
    QImage image() const { return chart->grab().toImage(); }
    int midHeight() const
    {
        return chart->Layout().transform.y.start() + chart->Layout().transform.y.length() / 2;
    }
};

bool hasDarkPixel(const QImage& img, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qMax(qRed(img.pixel(x, y)), qMax(qGreen(img.pixel(x, y)), qBlue(img.pixel(x, y)))) <
                100)
                return true;
    return false;
}

QColor ribbonInside(const QImage& img, const LineSegment& s, int depth)
{
    const QPoint mid = (s.from + s.to) / 2 + QPoint(depth / 2, -depth / 2);
    return img.pixelColor(mid);
}

// A grid whose repaint after the chart's walk fails when asked to.
struct FailingLink : CountingLink {
    bool fail = false;
    void dataSetChanged() override
    {
        CountingLink::dataSetChanged();
        if (fail)
            throw std::runtime_error("repaint");
    }
};

void drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to)
{
    QTest::mousePress(w, button, {}, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, button, {}, to);
}
} // namespace

class TestChart : public QObject {
    Q_OBJECT
private slots:
    void emptyChartShowsOneZeroLabelAtMidHeight_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("no rows") << false;
        QTest::newRow("closed after rows") << true;
    }
    void emptyChartShowsOneZeroLabelAtMidHeight()
    {
        QFETCH(bool, closed);
        ChartRig rig;
        if (closed) {
            rig.add(1, 500);
            rig.add(2, 700);
        }
        rig.qai->open();
        if (closed) {
            QCOMPARE(rig.series->count(), 2);
            rig.qai->close();
        }
        QCOMPARE(rig.series->count(), 0);
        const ChartLayout& l = rig.chart->Layout();
        QCOMPARE(l.labels.size(), 1);
        QCOMPARE(l.labels[0].text, QStringLiteral("0"));
        QCOMPARE(l.labels[0].position, rig.midHeight());

        const QImage img = rig.image();
        QVERIFY(hasDarkPixel(img, l.labels[0].textRect));
        const QPoint leftWall(l.plot.left() + l.depth / 2, l.plot.center().y());
        QCOMPARE(img.pixelColor(leftWall), QColor(255, 255, 128));
        QCOMPARE(img.pixelColor(l.plot.center().x(), l.plot.bottom() - l.depth / 2),
                 QColor(Qt::white));
        QCOMPARE(img.pixelColor(l.plot.left() - 1, l.plot.center().y()), QColor(Qt::black));
        QCOMPARE(img.pixelColor(l.plot.center().x(), l.plot.bottom() + 1), QColor(Qt::black));
        QVERIFY(lineSegments(*rig.series, l.transform).isEmpty());
    }

    // A balance no integer holds (SQLite keeps such a REAL) is its row's error, not a point
    // the axes cannot place.
    void balanceBeyondAnyIntegerIsAnError_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1e308") << "1e308"
                               << "1e+308";
        QTest::newRow("-Inf") << "-9e999"
                              << "-inf";
    }
    void balanceBeyondAnyIntegerIsAnError()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        ChartRig rig;
        for (int id = 1; id <= 3; ++id)
            rig.add(id, id * 100);
        rig.f.db.exec("update a5_z0_5yc set K00=" + stored + " where id=2");
        try {
            rig.qai->open();
            QFAIL("no error");
        } catch (const EDatabaseError& error) {
            QCOMPARE(error.message(), "'" + shown + "' is not a valid integer value");
        }
        rig.image();
    }

    void oneRowCollapsesBothAxes()
    {
        ChartRig rig;
        rig.add(42, 1234);
        rig.qai->open();
        QCOMPARE(rig.chart->bottomRange(), (AxisRange{42, 42}));
        QCOMPARE(rig.chart->leftRange(), (AxisRange{1234, 1234}));
        const ChartLayout& l = rig.chart->Layout();
        QCOMPARE(l.labels.size(), 1);
        QCOMPARE(l.labels[0].text, QStringLiteral("1,234"));
        QCOMPARE(l.labels[0].position, rig.midHeight());
        QVERIFY(lineSegments(*rig.series, l.transform).isEmpty());
    }

    void equalBalancesDrawAFlatLineAtMidHeight()
    {
        ChartRig rig;
        for (int id = 1; id <= 3; ++id)
            rig.add(id, 500);
        rig.qai->open();
        const ChartLayout& l = rig.chart->Layout();
        QCOMPARE(l.labels.size(), 1);
        QCOMPARE(l.labels[0].text, QStringLiteral("500"));
        const QVector<LineSegment> segs = lineSegments(*rig.series, l.transform);
        QCOMPARE(segs.size(), 2);
        for (const LineSegment& s : segs) {
            QCOMPARE(s.from.y(), rig.midHeight());
            QCOMPARE(s.to.y(), rig.midHeight());
        }
        QCOMPARE(segs[0].from.x(), l.transform.x.start());
        QCOMPARE(segs[1].to.x(), l.transform.x.end());
        QCOMPARE(ribbonInside(rig.image(), segs[0], l.depth), QColor(255, 0, 0));
    }

    void nullBalanceStretchesRangeAndLeavesAGap()
    {
        ChartRig rig;
        rig.add(1, 100);
        rig.add(2, 150);
        rig.add(3, QVariant());
        rig.add(4, 200);
        rig.add(5, 180);
        rig.qai->open();
        QCOMPARE(rig.xs(), (QList<double>{1, 2, 3, 4, 5}));
        QVERIFY(rig.series->isNull(2));
        QVERIFY(!rig.series->isNull(1));
        QCOMPARE(rig.chart->leftRange(), (AxisRange{0, 200}));
        const ChartLayout& l = rig.chart->Layout();
        const QVector<LineSegment> segs = lineSegments(*rig.series, l.transform);
        QCOMPARE(segs.size(), 2);
        const QPointF p1 = l.transform.toScreen(2, 150), p3 = l.transform.toScreen(4, 200);
        QCOMPARE(segs[0].to, p1.toPoint());
        QCOMPARE(segs[1].from, p3.toPoint());
        // Nothing red between the point before the gap and the one after it.
        const QImage img = rig.image();
        const QPointF nullPoint = l.transform.toScreen(3, 0);
        for (int y = l.plot.top(); y <= l.plot.bottom(); ++y)
            QVERIFY(img.pixelColor(int(nullPoint.x()), y) != QColor(255, 0, 0));
    }

    void equalXKeepArrivalOrder()
    {
        // The embedded schema makes ids unique, so the stake column stands in for equal ids.
        ChartRig rig(QStringLiteral("K00"), QStringLiteral("K01"));
        rig.add(1, 10, 5);
        rig.add(2, 20, 7);
        rig.add(3, 30, 5);
        rig.add(4, 40, 5);
        rig.qai->open(); // arrive as 40, 30, 20, 10
        QCOMPARE(rig.xs(), (QList<double>{5, 5, 5, 7}));
        QCOMPARE(rig.ys(), (QList<double>{40, 30, 10, 20}));
        const QVector<LineSegment> segs = lineSegments(*rig.series, rig.chart->Layout().transform);
        QCOMPARE(segs[0].from.x(), segs[0].to.x());
    }

    void descendingIdsAreDrawnAscending()
    {
        ChartRig rig;
        for (int id = 1; id <= 6; ++id)
            rig.add(id * 10, id * 100);
        rig.qai->open();
        QCOMPARE(rig.qai->fieldByName("id")->asInteger(), 60);
        QCOMPARE(rig.xs(), (QList<double>{10, 20, 30, 40, 50, 60}));
        QCOMPARE(rig.ys(), (QList<double>{100, 200, 300, 400, 500, 600}));
        QCOMPARE(rig.chart->bottomRange(), (AxisRange{10, 60}));
    }

    void gridRowMovesLeaveTheChartAlone()
    {
        ChartRig rig;
        for (int id = 1; id <= 5; ++id)
            rig.add(id, id * 10);
        TDataSource dsai;
        dsai.setDataSet(rig.qai.get());
        CountingLink grid;
        grid.setDataSource(&dsai);
        rig.qai->open();
        QCOMPARE(rig.qai->RecNo(), 1);
        QCOMPARE(grid.scrolled, 0); // the walk was not followed
        QCOMPARE(rig.chart->dataSourceCount(), 1);
        // A point nobody loaded: a rebuild would drop it.
        rig.chart->InsertPointByX(rig.series, 99, 0, clDefault);
        rig.qai->setRecNo(4);
        rig.qai->Next();
        rig.qai->First();
        QCOMPARE(rig.series->count(), 6);

        rig.qai->setRecNo(3);
        rig.chart->ReloadFromDataSet(rig.qai.get());
        QCOMPARE(rig.series->count(), 5);
        QCOMPARE(rig.qai->RecNo(), 3);
        QVERIFY(!rig.qai->controlsDisabled());
        QVERIFY(!rig.chart->updating());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        grid.setDataSource(nullptr);
    }

    void listenerRules()
    {
        ChartRig rig;
        rig.add(1, 10);
        rig.add(2, 20);
        TDBChartDataSource listener(rig.chart.get(), rig.qai.get());
        QVERIFY(!listener.wasActive());
        rig.qai->open();
        QVERIFY(listener.wasActive());
        auto marked = [&] { return rig.series->count() == 3; };
        auto mark = [&] { rig.chart->InsertPointByX(rig.series, 99, 0, clDefault); };
        mark();
        listener.dataSetStateChanged(rig.qai.get(),
                                     DataSetState::Browse); // already active: nothing
        QVERIFY(marked());
        rig.qai->close();
        QVERIFY(!listener.wasActive());
        QCOMPARE(rig.series->count(), 0);
    }

    void rebuildsWhileItsPageIsHidden()
    {
        ChartRig rig;
        rig.add(1, 300);
        rig.add(2, 100);
        QTabWidget pages;
        pages.addTab(new QWidget, QStringLiteral("第一"));
        TDBChart* chart = rig.chart.release();
        pages.addTab(chart, QStringLiteral("追号大势"));
        pages.resize(640, 480);
        pages.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pages));
        QVERIFY(!chart->isVisible());
        rig.qai->open();
        QCOMPARE(rig.series->count(), 2);
        pages.setCurrentIndex(1);
        QVERIFY(chart->isVisible());
        const QImage img = chart->grab().toImage();
        const ChartLayout l = chart->Layout();
        QCOMPARE(img.size(), chart->size());
        const QVector<LineSegment> segs = lineSegments(*rig.series, l.transform);
        QCOMPARE(segs.size(), 1);
        QCOMPARE(ribbonInside(img, segs[0], l.depth), QColor(255, 0, 0));
        rig.chart.reset(chart);
        pages.removeTab(1);
        chart->setParent(nullptr);
    }

    void steepSegmentIsDarker()
    {
        ChartRig rig;
        rig.add(1, 0);
        rig.add(2, 1000);
        rig.add(3, 900);
        rig.qai->open();
        const ChartLayout& l = rig.chart->Layout();
        const QVector<LineSegment> segs = lineSegments(*rig.series, l.transform);
        QCOMPARE(segs.size(), 2);
        QVERIFY(segs[0].steep);
        QVERIFY(!segs[1].steep);
        const QImage img = rig.image();
        QCOMPARE(ribbonInside(img, segs[0], l.depth), QColor(191, 0, 0));
        QCOMPARE(ribbonInside(img, segs[1], l.depth), QColor(255, 0, 0));
    }

    void zoomSurvivesReloadUntilUndone()
    {
        ChartRig rig;
        for (int id = 1; id <= 10; ++id)
            rig.add(id, id * 100);
        rig.qai->open();
        rig.chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.chart.get()));
        const ChartLayout before = rig.chart->Layout();
        const QPoint from = before.plot.topLeft() + QPoint(40, 200), to = from + QPoint(180, 130);
        QTest::mousePress(rig.chart.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(rig.chart.get(), to);
        QCOMPARE(rig.chart->mouseState(), TDBChart::MouseState::Zoom);
        QCOMPARE(rig.chart->zoomRect(), QRect(from, to));
        const QImage band = rig.chart->grab().toImage();
        QVERIFY(hasDarkPixel(band, QRect(from.x(), (from.y() + to.y()) / 2, 1, 3))); // dotted edge
        QTest::mouseRelease(rig.chart.get(), Qt::LeftButton, {}, to);
        QCOMPARE(rig.chart->mouseState(), TDBChart::MouseState::None);
        QVERIFY(rig.chart->zoomState().fixed());
        const AxisRange bottom = rig.chart->bottomRange(), left = rig.chart->leftRange();
        QCOMPARE(bottom.minimum, before.transform.x.value(from.x()));
        QCOMPARE(bottom.maximum, before.transform.x.value(to.x()));
        QCOMPARE(left.maximum, before.transform.y.value(from.y()));
        QCOMPARE(left.minimum, before.transform.y.value(to.y()));

        rig.add(11, 5000); // a timer reload with a new row
        rig.reopen();
        QCOMPARE(rig.series->count(), 11);
        QCOMPARE(rig.chart->bottomRange(), bottom);
        QCOMPARE(rig.chart->leftRange(), left);

        drag(rig.chart.get(), Qt::LeftButton, to, from);
        QVERIFY(!rig.chart->zoomState().fixed());
        QCOMPARE(rig.chart->bottomRange(), (AxisRange{1, 11}));
        QCOMPARE(rig.chart->leftRange(), (AxisRange{100, 5000}));
    }

    // The grid's dotted lines, copied from one drawn line, are the pixels each line drawn
    // alone would be, at every scale.
    void gridLinesAsDrawn_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
        QTest::newRow("1.5x") << 1.5;
        QTest::newRow("3x") << 3.0;
    }
    void gridLinesAsDrawn()
    {
        QFETCH(qreal, ratio);
        ChartRig rig;
        for (int id = 1; id <= 10; ++id)
            rig.add(id, id * 137);
        rig.qai->open();
        const ChartLayout& l = rig.chart->Layout();
        QVERIFY(l.labels.size() > 3);
        auto blank = [&] {
            QImage image(rig.chart->size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::white);
            return image;
        };
        QImage painted = blank(), drawn = blank();
        {
            QPainter p(&painted);
            ShapedTextCache texts;
            ChartPainter(p, l).paintLeftAxis(QFont(), texts);
            QPainter d(&drawn);
            d.setPen(ChartPainter::dottedPen(toQColor(clGray), ratio));
            for (const ChartAxisLabel& label : l.labels)
                d.drawLine(l.plot.left() + l.depth, label.position - l.depth,
                           l.plot.right() + l.depth, label.position - l.depth);
        }
        // Right of the axis and its ticks only the grid is painted.
        const QRect grid = QRect(QPoint(l.plot.left() + 1, 0),
                                 QPoint(rig.chart->width() - 1, rig.chart->height() - 1));
        const QRect device(grid.topLeft() * ratio, grid.size() * ratio);
        QCOMPARE(painted.copy(device), drawn.copy(device));
    }

    // What is on screen after a zoom band moved about is what a chart shows that was dragged
    // straight to the band's last place, whatever happened under the band meanwhile.
    void zoomBandLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("nothing") << "";
        QTest::newRow("a reload with a new row") << "reload";
        QTest::newRow("a resize") << "resize";
    }
    void zoomBandLeavesNothingBehind()
    {
        QFETCH(QString, meanwhile);
        ChartRig moved, straight;
        for (ChartRig* rig : {&moved, &straight}) {
            for (int id = 1; id <= 10; ++id)
                rig->add(id, id * 100);
            rig->qai->open();
            rig->chart->show();
            QVERIFY(QTest::qWaitForWindowExposed(rig->chart.get()));
        }
        const QPoint from = moved.chart->Layout().plot.topLeft() + QPoint(40, 60);
        QTest::mousePress(moved.chart.get(), Qt::LeftButton, {}, from);
        for (const QPoint by : {QPoint(300, 200), QPoint(120, 250), QPoint(200, 40)}) {
            QTest::mouseMove(moved.chart.get(), from + by);
            QCoreApplication::processEvents();
        }
        if (meanwhile == "reload") {
            for (ChartRig* rig : {&moved, &straight}) {
                rig->add(11, 5000);
                rig->reopen();
            }
        } else if (meanwhile == "resize") {
            moved.chart->resize(640, 420);
            straight.chart->resize(640, 420);
        }
        QCoreApplication::processEvents();
        const QPoint to = from + QPoint(150, 90);
        QTest::mouseMove(moved.chart.get(), to);
        QCoreApplication::processEvents();
        QTest::mousePress(straight.chart.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(straight.chart.get(), to);
        const QImage onScreen = moved.chart->screen()
                                    ->grabWindow(moved.chart->winId())
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(onScreen, straight.chart->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void smallOrOtherDragsChangeNothingOrUndo_data()
    {
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<bool>("zoomed");
        QTest::newRow("16 by 16") << QPoint(16, 16) << false;
        QTest::newRow("17 by 16") << QPoint(17, 16) << false;
        QTest::newRow("16 by 17") << QPoint(16, 17) << false;
        QTest::newRow("17 by 17") << QPoint(17, 17) << true;
        QTest::newRow("right-up") << QPoint(40, -40) << false;
        QTest::newRow("left-down") << QPoint(-40, 40) << false;
    }
    void smallOrOtherDragsChangeNothingOrUndo()
    {
        QFETCH(QPoint, move);
        QFETCH(bool, zoomed);
        ChartRig rig;
        for (int id = 1; id <= 4; ++id)
            rig.add(id, id * 7);
        rig.qai->open();
        rig.chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.chart.get()));
        const QPoint from = rig.chart->Layout().plot.center();
        drag(rig.chart.get(), Qt::LeftButton, from, from + move);
        QCOMPARE(rig.chart->zoomState().fixed(), zoomed);
    }

    void rightDragPansUntilItLeavesThePlot()
    {
        ChartRig rig;
        for (int id = 1; id <= 5; ++id)
            rig.add(id, id * 10);
        rig.qai->open();
        rig.chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.chart.get()));
        const ChartLayout l = rig.chart->Layout();
        const QPoint from = l.plot.center();
        QTest::mousePress(rig.chart.get(), Qt::RightButton, {}, from);
        QCOMPARE(rig.chart->mouseState(), TDBChart::MouseState::Pan);
        QTest::mouseMove(rig.chart.get(), from + QPoint(-50, 20));
        QVERIFY(rig.chart->zoomState().fixed());
        const double dx = l.transform.x.value(from.x()) - l.transform.x.value(from.x() - 50);
        const double dy = l.transform.y.value(from.y()) - l.transform.y.value(from.y() + 20);
        QCOMPARE(rig.chart->bottomRange(), (AxisRange{1 + dx, 5 + dx}));
        QCOMPARE(rig.chart->leftRange(), (AxisRange{10 + dy, 50 + dy}));
        QTest::mouseMove(rig.chart.get(), QPoint(1, 1));
        QCOMPARE(rig.chart->mouseState(), TDBChart::MouseState::None);
        QTest::mouseRelease(rig.chart.get(), Qt::RightButton, {}, QPoint(1, 1));
        rig.chart->undoZoom();
        QCOMPARE(rig.chart->bottomRange(), (AxisRange{1, 5}));
    }

    void failedRebuildKeepsPointsRestoresRowAndPassesTheError()
    {
        ChartRig rig(QStringLiteral("K04"));
        rig.add(1, 0, 3, QStringLiteral("abc"));
        rig.add(2, 0, 3, QStringLiteral("20"));
        rig.add(3, 0, 3, QStringLiteral("30"));
        TDataSource dsai;
        dsai.setDataSet(rig.qai.get());
        CountingLink grid;
        grid.setDataSource(&dsai);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, rig.qai->open());
        QCOMPARE(rig.xs(), (QList<double>{2, 3}));
        QVERIFY(rig.qai->Active());
        QCOMPARE(rig.qai->RecNo(), 1);
        QVERIFY(!rig.qai->controlsDisabled());
        QVERIFY(!rig.chart->updating());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(grid.scrolled, 0);
        grid.setDataSource(nullptr);
    }

    // However a rebuild fails, the points read go in, the row and the controls come back and
    // the chart is idle again; the last error raised is the one passed on.
    void failedRebuildCleansUpOnEveryPath_data()
    {
        QTest::addColumn<bool>("badRow");
        QTest::addColumn<bool>("repaintFails");
        QTest::addColumn<QString>("error");
        QTest::newRow("walk") << true << false << "walk";
        QTest::newRow("controls") << false << true << "repaint";
        QTest::newRow("walk, then controls") << true << true << "repaint";
    }
    void failedRebuildCleansUpOnEveryPath()
    {
        QFETCH(bool, badRow);
        QFETCH(bool, repaintFails);
        QFETCH(QString, error);
        ChartRig rig(QStringLiteral("K04"));
        rig.add(1, 0, 3, badRow ? QStringLiteral("abc") : QStringLiteral("10"));
        rig.add(2, 0, 3, QStringLiteral("20"));
        rig.add(3, 0, 3, QStringLiteral("30"));
        TDataSource dsai;
        dsai.setDataSet(rig.qai.get());
        FailingLink grid;
        grid.setDataSource(&dsai);
        try {
            rig.qai->open();
        } catch (const EDatabaseError&) {
        }
        rig.qai->setRecNo(2);
        grid.fail = repaintFails;
        QString raised;
        try {
            rig.chart->ReloadFromDataSet(rig.qai.get());
        } catch (const EDatabaseError&) {
            raised = QStringLiteral("walk");
        } catch (const std::runtime_error&) {
            raised = QStringLiteral("repaint");
        }
        QCOMPARE(raised, error);
        QCOMPARE(rig.xs(), (badRow ? QList<double>{2, 3} : QList<double>{1, 2, 3}));
        QCOMPARE(rig.qai->RecNo(), 2);
        QVERIFY(!rig.qai->controlsDisabled());
        QVERIFY(!rig.chart->updating());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        grid.setDataSource(nullptr);
    }

    void removedDataSetIsForgotten()
    {
        auto rig = std::make_unique<ChartRig>();
        rig->add(1, 10);
        rig->add(2, 20);
        rig->qai->open();
        rig->chart->dataSetRemoved(rig->qai.get());
        QCOMPARE(rig->chart->dataSourceCount(), 0);
        QVERIFY(rig->series->DataSource() == nullptr);
        rig->qai->close();
        QCOMPARE(rig->series->count(), 2);
        rig->qai.reset();         // the chart outlives its dataset without touching it again
        rig->chart->resize(5, 5); // no room at all still lays out and paints
        QCOMPARE(rig->chart->grab().size(), QSize(5, 5));
    }
};

TV_REGISTER_TEST(TestChart);
#include "tst_chart.moc"
