#include "../login/LoginFixture.h"
#include "AppResources.h"
#include "B001About.h"
#include "ButtonGlyphs.h"
#include "ChartPainter.h"
#include "DBChart.h"
#include "JpegImage.h"
#include "KeptPictureScrollBar.h"
#include "LbButton.h"
#include "LoginGlyphs.h"
#include "PictureBox.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <functional>

namespace {

using Draw = QPixmap (*)(int);

// The ratio the windows draw their pictures for on this screen (QT_SCALE_FACTOR of the run).
int expectedRatio()
{
    return qApp->devicePixelRatio() > 1 ? 2 : 1;
}
bool integerScreen()
{
    return qApp->devicePixelRatio() == std::floor(qApp->devicePixelRatio());
}

// Mean difference of the 2x picture, each 2 x 2 block averaged, from the 1x one: small when
// both show the same shapes in the same places.
double meanDifference(const QImage& small, const QImage& big)
{
    const QImage a = small.convertToFormat(QImage::Format_ARGB32);
    const QImage b = big.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            int channels[4] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb c = b.pixel(2 * x + dx, 2 * y + dy);
                    channels[0] += qRed(c), channels[1] += qGreen(c), channels[2] += qBlue(c),
                        channels[3] += qAlpha(c);
                }
            const QRgb c = a.pixel(x, y);
            sum += (std::abs(channels[0] / 4 - qRed(c)) + std::abs(channels[1] / 4 - qGreen(c)) +
                    std::abs(channels[2] / 4 - qBlue(c)) + std::abs(channels[3] / 4 - qAlpha(c))) /
                   4.0;
        }
    return sum / (a.width() * a.height());
}

// True when every 2 x 2 block is one colour: the 1x picture enlarged, not drawn at 2x.
bool onlyBlocks(const QImage& big)
{
    for (int y = 0; y < big.height(); y += 2)
        for (int x = 0; x < big.width(); x += 2)
            if (big.pixel(x, y) != big.pixel(x + 1, y) || big.pixel(x, y) != big.pixel(x, y + 1) ||
                big.pixel(x, y) != big.pixel(x + 1, y + 1))
                return false;
    return true;
}

// Somewhere in the shot, the picture's opaque pixels exactly: drawn one to one, not scaled.
bool showsExactly(const QImage& shot, const QImage& picture)
{
    const QImage p = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage s = shot.convertToFormat(QImage::Format_RGB32);
    for (int top = 0; top + p.height() <= s.height(); ++top)
        for (int left = 0; left + p.width() <= s.width(); ++left) {
            bool same = true;
            for (int y = 0; same && y < p.height(); ++y)
                for (int x = 0; same && x < p.width(); ++x)
                    same = qAlpha(p.pixel(x, y)) != 255 ||
                           (s.pixel(left + x, top + y) & 0xFFFFFF) == (p.pixel(x, y) & 0xFFFFFF);
            if (same)
                return true;
        }
    return false;
}

} // namespace

// The pictures the program draws itself, on a screen of 1, 1.5 or 2 pixels per point (CTest
// runs this class at each: "app.TestHighDensity", "….scale2", "….scale1_5").
class TestHighDensity : public QObject {
    Q_OBJECT
private slots:
    void glyphsDrawnAtTwiceThePixels_data()
    {
        QTest::addColumn<void*>("draw");
        QTest::addColumn<double>("tolerance"); // mean difference, of 255
        QTest::newRow("search") << reinterpret_cast<void*>(&searchGlyph) << 24.0;
        QTest::newRow("close") << reinterpret_cast<void*>(&closeGlyph) << 24.0;
        QTest::newRow("ok") << reinterpret_cast<void*>(&loginglyphs::okGlyph) << 12.0;
        QTest::newRow("cancel") << reinterpret_cast<void*>(&loginglyphs::cancelGlyph) << 12.0;
        QTest::newRow("change") << reinterpret_cast<void*>(&loginglyphs::changePwGlyph) << 12.0;
        QTest::newRow("operator") << reinterpret_cast<void*>(&loginglyphs::topPicture) << 12.0;
    }
    void glyphsDrawnAtTwiceThePixels()
    {
        QFETCH(void*, draw);
        QFETCH(double, tolerance);
        const auto picture = reinterpret_cast<Draw>(draw);
        const QPixmap one = picture(1), two = picture(2);
        QCOMPARE(one.devicePixelRatio(), 1.0);
        QCOMPARE(two.devicePixelRatio(), 2.0);
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.deviceIndependentSize(), QSizeF(one.size()));
        QVERIFY2(!onlyBlocks(two.toImage()), "the 1x picture enlarged");
        const double difference = meanDifference(one.toImage(), two.toImage());
        QVERIFY2(difference <= tolerance, qPrintable(QString::number(difference)));
    }

    // The header buttons of the real window, as painted: the strip made for the screen, its
    // pixels copied one to one where the screen's ratio is whole.
    void headerButtonsShowTheirGlyphs()
    {
        WindowFixture f;
        for (TLbButton* button : {f.window->bbSear, f.window->bbClose}) {
            const QPixmap& strip = button->Glyph();
            QCOMPARE(strip.devicePixelRatio(), qreal(expectedRatio()));
            QCOMPARE(strip.deviceIndependentSize().toSize(), QSize(36, 18));
            if (!integerScreen())
                continue;
            const int ratio = expectedRatio();
            const QImage normal = button->Glyph().toImage().copy(0, 0, 18 * ratio, 18 * ratio);
            QVERIFY2(showsExactly(button->grab().toImage(), normal),
                     qPrintable(button->objectName()));
        }
    }

    void loginPicturesMadeForTheScreen()
    {
        LoginFixture f;
        const qreal ratio = expectedRatio();
        QCOMPARE(f.dlg->image1->pixmap().devicePixelRatio(), ratio);
        QCOMPARE(f.dlg->image1->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        for (GlyphButton* b : {f.dlg->bbOk, f.dlg->bbCancel, f.dlg->bbChangPw}) {
            QCOMPARE(b->Glyph().devicePixelRatio(), ratio);
            const QSize strip = b->Glyph().deviceIndependentSize().toSize();
            QCOMPARE(b->iconSize(), QSize(strip.width() / 2, strip.height()));
        }
    }

    void splashShowsTheBannerForTheScreen()
    {
        TfrmB001About splash;
        QCOMPARE(splash.image1->geometry(), QRect(0, 0, 394, 208));
        if (!integerScreen())
            return;
        const QImage banner =
            decodeJpeg(builtInBannerJpeg(expectedRatio())).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(banner.size(), QSize(394, 208) * expectedRatio());
        QImage shot = splash.grab().toImage().copy(QRect(QPoint(0, 0), banner.size()));
        shot.setDevicePixelRatio(1);
        QCOMPARE(shot.convertToFormat(QImage::Format_RGB32), banner);
    }

    // The window icon in every size from 16 to 256, each drawn for its size.
    void iconAtEverySize()
    {
        const QIcon icon = builtInIcon();
        QList<QSize> sizes;
        for (const int size : kIconSizes) {
            sizes << QSize(size, size);
            QCOMPARE(icon.pixmap(QSize(size, size), 1.0).size(), QSize(size, size));
        }
        QCOMPARE(icon.availableSizes(), sizes);
    }

    // The dotted grid lines of the chart: dots and gaps of one length each along the line.
    void chartDotsStayRegular()
    {
        WindowFixture f;
        f.show();
        QVERIFY(f.tick());
        TDBChart& chart = *f.window->DBChart1;
        chart.resize(900, 500);
        const QImage shot = chart.grab().toImage();
        const ChartLayout& layout = chart.Layout();
        QVERIFY(!layout.labels.isEmpty());
        const qreal ratio = qApp->devicePixelRatio();
        const QRgb grey = toQColor(clGray).rgb();
        const int left = qCeil((layout.plot.left() + layout.depth + 4) * ratio);
        const int right = qFloor((layout.plot.right() + layout.depth - 4) * ratio);
        int checked = 0;
        for (const ChartAxisLabel& label : layout.labels) {
            // The lines on the back wall's top and bottom edges are covered by the edges.
            if (std::abs(label.position - layout.plot.top()) <= 1 ||
                std::abs(label.position - layout.plot.bottom()) <= 1)
                continue;
            ++checked;
            // The device row of the line: the one with most grey near it.
            const int around = qRound((label.position - layout.depth) * ratio);
            int row = -1, most = 0;
            for (int y = around - 2; y <= around + 2; ++y) {
                int count = 0;
                for (int x = left; x <= right; ++x)
                    count += shot.pixel(x, y) == grey;
                if (count > most)
                    most = count, row = y;
            }
            QVERIFY2(most > 0, qPrintable(label.text));
            // Runs of dot and gap along the longest stretch that only the line and the wall
            // share (the series may cross it); the first and last runs may be cut.
            int firstGap = left;
            while (firstGap < right && shot.pixel(firstGap, row) == grey)
                ++firstGap;
            const QRgb wall = shot.pixel(firstGap, row);
            QVector<std::pair<bool, int>> runs, longest;
            for (int x = left; x <= right + 1; ++x) {
                const QRgb c = x <= right ? shot.pixel(x, row) : 0;
                if (c != grey && c != wall) {
                    if (runs.size() > longest.size())
                        longest = runs;
                    runs.clear();
                    continue;
                }
                if (runs.isEmpty() || runs.back().first != (c == grey))
                    runs.push_back({c == grey, 0});
                ++runs.back().second;
            }
            runs = longest;
            QVERIFY2(runs.size() > 10, qPrintable(label.text));
            QSet<int> dots, gaps;
            for (int i = 1; i + 1 < runs.size(); ++i)
                (runs[i].first ? dots : gaps).insert(runs[i].second);
            QVERIFY2(dots.size() == 1 && gaps.size() == 1,
                     qPrintable(QStringLiteral("%1: dots %2, gaps %3")
                                    .arg(label.text)
                                    .arg(dots.size())
                                    .arg(gaps.size())));
        }
        QVERIFY(checked >= 10);
    }

    // A grid's scroll bar copies the picture of its last paint. Through every change it must
    // show on screen what Qt's own bar shows in the same place of a window (low enough for a
    // gradient to round differently there than at the top), copy what it made at the first
    // paint, and keep no picture where the scale is fractional.
    void scrollBarPictureShowsWhatQtPaints()
    {
        QWidget plainWindow, keptWindow;
        QScrollBar plain(Qt::Vertical, &plainWindow);
        KeptPictureScrollBar kept(Qt::Vertical, &keptWindow);
        // Away from the pointer, and within what the test screen grabs of a window at twice the
        // scale: as many device pixels as the window has points.
        const QRect place(20, 120, 240, 240);
        for (QScrollBar* bar : {&plain, static_cast<QScrollBar*>(&kept)}) {
            bar->setGeometry(place.x(), place.y(), 16, 200);
            // Side by side: on X a window's pixels under another are the other's.
            bar->window()->setGeometry(bar == &plain ? 0 : 650, 0, 600, 800);
            bar->window()->show();
            QVERIFY(QTest::qWaitForWindowExposed(bar->window()));
            QVERIFY(!bar->underMouse());
        }
        const auto onScreen = [&](QWidget& window) {
            window.repaint();
            const qreal ratio = window.devicePixelRatioF();
            const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
            const QRect area(place.topLeft() * ratio, place.size() * ratio);
            return shot.rect().contains(area) ? shot.copy(area) : QImage();
        };
        const auto hover = [](QScrollBar& bar, QEvent::Type type, QPointF at) {
            bar.setAttribute(Qt::WA_UnderMouse, type != QEvent::HoverLeave);
            QHoverEvent event(type, at, bar.mapToGlobal(at), QPointF(-1, -1));
            QCoreApplication::sendEvent(&bar, &event);
        };
        const auto moveWhileHidden = [](QScrollBar& bar, int value) {
            bar.hide();
            bar.setValue(value);
            if (auto* kept = qobject_cast<KeptPictureScrollBar*>(&bar))
                kept->preparePicture();
            bar.show();
        };
        struct Step {
            const char* name;
            std::function<void(QScrollBar&)> change;
            bool prepared = false; // the picture made before the bar is shown again
        };
        const std::vector<Step> steps = {
            {"shown",
             [](QScrollBar& bar) {
                 bar.setRange(0, 359);
                 bar.setPageStep(20);
             }},
            {"fewer rows", [](QScrollBar& bar) { bar.setRange(0, 40); }},
            {"moved", [](QScrollBar& bar) { bar.setValue(20); }},
            {"at the end", [](QScrollBar& bar) { bar.setValue(40); }},
            {"longer", [](QScrollBar& bar) { bar.resize(16, 230); }},
            {"disabled", [](QScrollBar& bar) { bar.setEnabled(false); }},
            {"enabled", [](QScrollBar& bar) { bar.setEnabled(true); }},
            {"hovered", [&](QScrollBar& bar) { hover(bar, QEvent::HoverEnter, QPointF(8, 220)); }},
            {"hovered elsewhere",
             [&](QScrollBar& bar) { hover(bar, QEvent::HoverMove, QPointF(8, 8)); }},
            {"left", [&](QScrollBar& bar) { hover(bar, QEvent::HoverLeave, QPointF(-1, -1)); }},
            {"horizontal",
             [](QScrollBar& bar) {
                 bar.setOrientation(Qt::Horizontal);
                 bar.resize(240, 16);
             }},
            {"another palette",
             [](QScrollBar& bar) {
                 QPalette palette = bar.palette();
                 palette.setColor(QPalette::Button, Qt::darkCyan);
                 bar.setPalette(palette);
             }},
            {"moved while hidden", [&](QScrollBar& bar) { moveWhileHidden(bar, 10); }, true},
            {"translucent, moved while hidden",
             [&](QScrollBar& bar) {
                 QPalette palette = bar.palette();
                 palette.setColor(QPalette::Button, QColor(0, 0, 255, 128));
                 bar.setPalette(palette);
                 moveWhileHidden(bar, 30);
             }},
        };
        for (const Step& step : steps) {
            step.change(plain);
            step.change(kept);
            const int before = kept.picturesMade();
            const QImage expected = onScreen(plainWindow);
            QVERIFY(!expected.isNull());
            QVERIFY2(onScreen(keptWindow) == expected, step.name);
            const int made = kept.picturesMade();
            QVERIFY2(onScreen(keptWindow) == expected, step.name);
            QCOMPARE(kept.picturesMade(), made);
            QCOMPARE(kept.hasPicture(), integerScreen());
            if (step.prepared && integerScreen())
                QCOMPARE(made, before);
        }
    }
};

TV_REGISTER_TEST(TestHighDensity);
#include "tst_highdensity.moc"
