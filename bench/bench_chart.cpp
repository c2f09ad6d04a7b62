// Times the chart's rebuild from 360 rows arriving in descending id order, one full paint, and
// one mouse move of a zoom drag and of a pan on the chart shown at about its maximised size
// (at the scale QT_SCALE_FACTOR gives); then the same for the fleet's chart.
#include "BenchSupport.h"
#include "DBChart.h"
#include "DataFixture.h"
#include "FleetChart.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
template <class Body> double medianMicroseconds(int runs, Body&& body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(bench::timed(body));
    return bench::median(ms) * 1000;
}
// The median of one mouse move's work, the repaint it asks for included, over a drag of
// `moves` steps from `from` with the button held.
double dragStep(QWidget& w, Qt::MouseButton button, QPoint from, QPoint step, int moves)
{
    QTest::mousePress(&w, button, {}, from);
    QCoreApplication::processEvents();
    std::vector<double> ms;
    QPoint at = from;
    for (int i = 0; i < moves; ++i) {
        at += step;
        ms.push_back(bench::timed([&] {
            QTest::mouseMove(&w, at);
            QCoreApplication::processEvents();
        }));
    }
    QTest::mouseRelease(&w, button, {}, at);
    QCoreApplication::processEvents();
    return bench::median(ms) * 1000;
}

// The same in the thread's processor time: on a shared machine the wall clock also counts the
// other processes' turns.
template <class Body> double medianCpuMicroseconds(int runs, Body&& body)
{
    std::vector<double> us;
    for (int i = 0; i < runs; ++i) {
        timespec from{}, to{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &from);
        body();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &to);
        us.push_back((to.tv_sec - from.tv_sec) * 1e6 + (to.tv_nsec - from.tv_nsec) / 1e3);
    }
    return bench::median(us);
}
} // namespace

// The fleet's chart, maximised on a 1920 × 1080 desktop, eleven robots over 360 draws: a full
// repaint, and the steps of a zoom drag (the band moves) and of a pan (the axes move). At
// QT_SCALE_FACTOR=2 the image has the widget's two device pixels per pixel.
bool fleet()
{
    QVector<FleetTrendRow> rows;
    for (int k = 0; k < bench::robots().size(); ++k)
        for (int d = 1; d <= 360; ++d)
            rows.push_back({QStringLiteral("20201002-%1").arg(d, 4, 10, QLatin1Char('0')),
                            bench::robots()[k],
                            10000 + 400 * std::sin(d / (20.0 + k)) + 150 * k + (d % 7) * 15});
    FleetChart chart;
    chart.resize(1918, 930);
    chart.setTrend(FleetTrend::fromRows(rows));
    const qreal ratio = chart.devicePixelRatioF();
    QImage image(chart.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    const auto paint = [&] {
        QPainter p(&image);
        p.setLayoutDirection(Qt::LeftToRight); // as the widget's own painter on screen has it
        chart.render(&p);
    };
    const auto move = [&](Qt::MouseButtons buttons, QPoint at) {
        QMouseEvent e(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, buttons, {});
        QApplication::sendEvent(&chart, &e);
    };
    const auto press = [&](Qt::MouseButton button, QPoint at, QEvent::Type type) {
        QMouseEvent e(type, at, chart.mapToGlobal(at), button,
                      type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton,
                      {});
        QApplication::sendEvent(&chart, &e);
    };
    // A full repaint: laid out again (as after maximising) and drawn.
    int resizes = 0;
    const auto relaidPaint = [&] {
        chart.resize(1918, 930 + (++resizes % 2));
        paint();
    };
    const double full = medianMicroseconds(200, relaidPaint);
    const double fullCpu = medianCpuMicroseconds(200, relaidPaint);
    chart.resize(1918, 930);
    paint();
    const double copied = medianCpuMicroseconds(200, paint);
    const QPoint start = chart.Layout().chart.plot.topLeft() + QPoint(200, 100);
    press(Qt::LeftButton, start, QEvent::MouseButtonPress);
    int step = 0;
    // A zoom drag's step repaints what the widget asks for: the band's old and new outline.
    const double zoomStep = medianCpuMicroseconds(200, [&] {
        const QRegion before = chart.bandRegion();
        move(Qt::LeftButton, start + QPoint(300 + step % 200, 200 + step % 150));
        ++step;
        QPainter p(&image);
        p.setLayoutDirection(Qt::LeftToRight);
        chart.render(&p, QPoint(0, 0), before | chart.bandRegion());
    });
    press(Qt::LeftButton, start, QEvent::MouseButtonRelease); // in place: no zoom, no pick
    press(Qt::RightButton, start, QEvent::MouseButtonPress);
    const double panStep = medianCpuMicroseconds(200, [&] {
        move(Qt::RightButton, start + QPoint(step % 2 ? 3 : -3, step % 2 ? 2 : -2));
        ++step;
        paint();
    });
    press(Qt::RightButton, start, QEvent::MouseButtonRelease);
    image.save(QStringLiteral("/tmp/bench_fleetchart.png"));
    std::printf("fleet chart %dx%d at %.0fx, 11 robots x 360 draws:\n", chart.width(),
                chart.height(), ratio);
    std::printf("  full paint:                           %.0f us wall, %.0f us processor (medians "
                "of 200)\n",
                full, fullCpu);
    std::printf("  repaint, nothing changed:             %.0f us processor\n", copied);
    std::printf("  zoom drag step (band moves, paint):   %.0f us processor\n", zoomStep);
    std::printf("  pan drag step (axes move, paint):     %.0f us processor\n", panStep);
    return chart.zoomState().fixed() && chart.trend().lines().size() == 11;
}

int main(int argc, char** argv)
{
    bench::BenchApplication app(argc, argv);

    DataFixture f;
    for (int i = 1; i <= 360; ++i) {
        FixtureDb::Result r;
        r.id = i;
        r.k00 = 10000 + int(300 * std::sin(i / 25.0)) + (i % 7) * 15;
        r.cpqh = QStringLiteral("20201002-%1").arg(i, 4, 10, QLatin1Char('0'));
        f.db.addResult(r);
    }
    auto qai = f.query(statements::robotHistory());
    auto chart = std::make_unique<TDBChart>();
    chart->resize(960, 520);
    TLineSeries* s = chart->addSeries();
    s->setDataSource(qai.get());
    s->XValues().setValueSource(QStringLiteral("id"));
    s->YValues().setValueSource(QStringLiteral("K00"));
    chart->loaded();
    qai->open();
    if (s->count() != 360 || s->xValue(0) != 1)
        return 1;

    const double rebuild = medianMicroseconds(200, [&] { chart->ReloadFromDataSet(qai.get()); });
    const double reopen = medianMicroseconds(50, [&] {
        qai->close();
        qai->open();
    });
    QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);
    const double paint = medianMicroseconds(100, [&] {
        QPainter p(&image);
        p.setLayoutDirection(Qt::LeftToRight); // as the widget's own painter on screen has it
        chart->render(&p);
    });
    image.save(QStringLiteral("/tmp/bench_chart.png"));

    chart->resize(1540, 700);
    chart->show();
    if (!QTest::qWaitForWindowExposed(chart.get()))
        return 1;
    QCoreApplication::processEvents();
    const QRect plot = chart->Layout().plot;
    // Down and right zooms in on release: the band is drawn while the button is held.
    const double zoomStep =
        dragStep(*chart, Qt::LeftButton, plot.topLeft() + QPoint(20, 20), QPoint(3, 1), 200);
    chart->undoZoom();
    const double panStep = dragStep(*chart, Qt::RightButton, plot.center(), QPoint(-1, 1), 100);
    std::printf("rebuild from 360 rows (descending id): %.0f us (median of 200)\n", rebuild);
    std::printf("close and reopen Qai with the rebuild:  %.0f us (median of 50)\n", reopen);
    std::printf("full paint 960x520:                     %.0f us (median of 100)\n", paint);
    std::printf("zoom drag, one move, 1540x700 at %.1fx:  %.0f us (median of 200)\n",
                chart->devicePixelRatioF(), zoomStep);
    std::printf("pan, one move, 1540x700 at %.1fx:        %.0f us (median of 100)\n",
                chart->devicePixelRatioF(), panStep);
    chart.reset();
    return fleet() ? 0 : 1;
}
