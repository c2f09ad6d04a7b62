#include "AppResources.h"
#include "B001About.h"
#include "Fonts.h"
#include "JpegImage.h"
#include "PictureBox.h"
#include "TestRegistry.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

bool isOlive(QRgb c)
{
    return qRed(c) == 128 && qGreen(c) == 128 && qBlue(c) == 0;
}
bool isWhite(QRgb c)
{
    return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
}
bool isYellowish(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 160 && qBlue(c) < qRed(c) - 60;
}

// The SOF marker's height and width bytes set to 65535.
QByteArray withHugeFrame(QByteArray jpeg)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            for (int k = 5; k <= 8; ++k)
                jpeg[i + k] = char(0xFF);
            return jpeg;
        }
    }
    return {};
}

struct CaptionInk {
    int count = 0;
    QRect bounds;
};

// White pixels of the caption band, and the rectangle they occupy.
CaptionInk whiteIn(const QImage& image, const QRect& band)
{
    CaptionInk ink;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (isWhite(image.pixel(x, y))) {
                ++ink.count;
                ink.bounds |= QRect(x, y, 1, 1);
            }
    return ink;
}

} // namespace

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void layoutDocksTheCaptionAndCentres()
    {
        const SplashLayout layout = SplashLayout::compute(QSize(395, 236), QSize(394, 208));
        QCOMPARE(layout.panel, QRect(0, 0, 395, 236));
        QCOMPARE(layout.picture, QRect(0, 0, 394, 208));
        QCOMPARE(layout.caption, QRect(0, 209, 395, 27));
        QCOMPARE(SplashLayout::compute(QSize(395, 236), QSize()).picture.size(), QSize(0, 0));
        QCOMPARE(SplashLayout::centredOn(QRect(100, 50, 1280, 800), QSize(395, 236)),
                 QPoint(100 + 442, 50 + 282));
    }

    void windowIsFramelessCentredAndSized()
    {
        TfrmB001About splash;
        splash.showAndPaint();
        QCOMPARE(splash.size(), QSize(395, 236));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.windowTitle(), QStringLiteral("B001About-初始画面"));
        const QRect screen = splash.screen()->geometry();
        QCOMPARE(splash.frameGeometry().center(), screen.center());
        QCOMPARE(splash.pos(), SplashLayout::centredOn(screen, QSize(395, 236)));
        QVERIFY(splash.isVisible());
        QVERIFY(!splash.isModal());
    }

    void bannerDecodesToItsSize()
    {
        const QImage banner = decodeJpeg(builtInBannerJpeg());
        QCOMPARE(banner.size(), QSize(394, 208));
        // Yellow banner: the corners and most of its pixels.
        QVERIFY(isYellowish(banner.pixel(300, 5)));
        QVERIFY(isYellowish(banner.pixel(391, 100)));
        int yellow = 0;
        for (int y = 0; y < banner.height(); y += 4)
            for (int x = 0; x < banner.width(); x += 4)
                yellow += isYellowish(banner.pixel(x, y)) ? 1 : 0;
        QVERIFY2(yellow > (banner.width() / 4) * (banner.height() / 4) / 2, "mostly yellow");
    }

    void renderedColours()
    {
        TfrmB001About splash;
        QCOMPARE(splash.image1->geometry(), QRect(0, 0, 394, 208));
        const QImage shot = splash.grab().toImage();
        QCOMPARE(shot.size(), QSize(395, 236));
        // Olive where the banner does not reach: its right column and the caption band.
        QVERIFY(isOlive(shot.pixel(394, 0)));
        QVERIFY(isOlive(shot.pixel(394, 120)));
        QVERIFY(isOlive(shot.pixel(0, 208)));
        QVERIFY(isOlive(shot.pixel(390, 230)));
        QVERIFY(isYellowish(shot.pixel(300, 5)));
        checkCaption(shot, splash);
    }

    void undecodablePicture_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        const QByteArray banner = builtInBannerJpeg();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a this is not a jpeg at all");
        QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
        QTest::newRow("header cut short") << banner.left(120);
        QTest::newRow("huge frame") << withHugeFrame(banner);
    }
    void undecodablePicture()
    {
        QFETCH(QByteArray, jpeg);
        QVERIFY(decodeJpeg(jpeg).isNull());

        TfrmB001About splash;
        splash.loadPicture(jpeg);
        QCOMPARE(splash.image1->size(), QSize(0, 0));
        const QImage shot = splash.grab().toImage();
        QVERIFY(isOlive(shot.pixel(3, 3)));
        QVERIFY(isOlive(shot.pixel(200, 100)));
        checkCaption(shot, splash);
    }

    void truncatedScanStillGivesThePicture()
    {
        // libjpeg fills what is missing; only the size matters here, and not crashing.
        const QByteArray banner = builtInBannerJpeg();
        QCOMPARE(decodeJpeg(banner.left(banner.size() / 2)).size(), QSize(394, 208));
    }

    void greyscaleDecodesAsRgb()
    {
        QImage grey(16, 8, QImage::Format_Grayscale8);
        grey.fill(200);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!grey.save(&buffer, "JPEG"))
            QSKIP("Qt's JPEG writer is not installed");
        const QImage decoded = decodeJpeg(bytes);
        QCOMPARE(decoded.size(), QSize(16, 8));
        QVERIFY(qAbs(qRed(decoded.pixel(8, 4)) - 200) <= 2);
        QCOMPARE(qRed(decoded.pixel(8, 4)), qBlue(decoded.pixel(8, 4)));
    }

private:
    // White bold text, left-aligned from the top of the bottom band, and nothing white
    // beyond the text's advance.
    static void checkCaption(const QImage& shot, const TfrmB001About& splash)
    {
        const QRect band = splash.Layout().caption;
        QCOMPARE(band, QRect(0, 209, 395, 27));
        const QFont font = pixelFont(kYaHei, 20, true);
        QCOMPARE(splash.Label1->font(), font);
        QCOMPARE(splash.Label1->text(), QStringLiteral("正在连接数据库……"));
        const QFontMetrics metrics(font);
        const CaptionInk ink = whiteIn(shot, band);
        QVERIFY2(ink.count > 100, qPrintable(QString::number(ink.count)));
        QVERIFY(ink.bounds.left() <= metrics.horizontalAdvance(QStringLiteral("正")));
        QVERIFY(ink.bounds.right() < metrics.horizontalAdvance(splash.Label1->text()) + 2);
        QVERIFY(ink.bounds.top() < band.top() + metrics.ascent());
    }
};

TV_REGISTER_TEST(TestSplash);
#include "tst_splash.moc"
