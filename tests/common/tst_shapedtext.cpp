#include "Fonts.h"
#include "ShapedText.h"
#include "TestRegistry.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>

namespace {

constexpr int kLeft = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
constexpr int kCentre = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
constexpr int kRight = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
constexpr int kLabel = kCentre | Qt::TextExpandTabs | Qt::TextShowMnemonic;

// One text drawn into an image the way a widget paints: translated, inside a clip, and cut to
// `clip` when it is valid.
struct Scene {
    QString text;
    int flags;
    QRect rect;
    QFont font;
    QRect clip = QRect();
    qreal ratio = 1; // device pixels per pixel
};

const QColor kBackground(225, 245, 255);

template <class Draw>
QImage rendered(const Scene& s, Draw&& draw,
                QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    QImage image(QSize(300, 40) * s.ratio, format);
    image.setDevicePixelRatio(s.ratio);
    image.fill(kBackground);
    QPainter p(&image);
    p.setLayoutDirection(Qt::LeftToRight); // as on a widget
    p.translate(1, 1);
    p.setClipRect(QRect(2, 0, 290, 36), Qt::IntersectClip);
    p.setFont(s.font);
    p.setPen(QColor(128, 128, 128));
    draw(p, s);
    return image;
}

QImage byPainter(const Scene& s)
{
    return rendered(s, [](QPainter& p, const Scene& sc) {
        if (sc.clip.isValid())
            p.setClipRect(sc.clip, Qt::IntersectClip);
        p.drawText(sc.rect, sc.flags, sc.text);
    });
}
// Texts long enough to be shaped in part, with the column's width to show them in.
QString longText(const char* unit, int bytes)
{
    const QString u = QString::fromUtf8(unit);
    QString t;
    while (t.toUtf8().size() < bytes)
        t += u;
    return t;
}

} // namespace

class TestShapedText : public QObject {
    Q_OBJECT
private slots:
    // The same pixels as QPainter's own drawing, whatever the text and alignment.
    void drawsAsThePainter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        const QRect label(2, 2, 88, 28), wide(2, 2, 168, 28), cell(5, 3, 87, 10000);
        const QString han = longText("连续7期未出，追号12345，注5；", 300 * 1024);
        const QString latin = longText("odd stake doubled after a loss, ", 20000);
        const QString run = longText("押", 30000); // no blank: one script run of 10 000
        QTest::newRow("countdown") << "-1234" << kLabel << label << kYaHei << 19;
        QTest::newRow("advice") << "押【12345】/注<5>" << kLabel << wide << kYaHei << 19;
        QTest::newRow("advice too wide")
            << "押【12345】/注<12345678>" << kLabel << label << kYaHei << 19;
        QTest::newRow("number, odd rect")
            << "54321" << kCentre << QRect(3, 2, 87, 28) << kSongTi << 19;
        QTest::newRow("right") << "1000" << kRight << cell << kYaHei << 16;
        QTest::newRow("right, trailing blanks") << "AB   " << kRight << cell << kArial << 11;
        QTest::newRow("only blanks") << "   " << kLeft << cell << kYaHei << 16;
        QTest::newRow("cut by the rect")
            << "上期个位6，偏移0取五码，连错1期加倍至2注" << kLeft << cell << kYaHei << 16;
        QTest::newRow("tab expanded")
            << "A\tB\tC" << (kLeft | Qt::TextExpandTabs) << cell << kYaHei << 16;
        QTest::newRow("tab centred") << "A\tB" << kLabel << label << kYaHei << 19;
        QTest::newRow("line breaks") << "A\nB\r\nC" << kLeft << cell << kYaHei << 16;
        QTest::newRow("mnemonic") << "A&Bc" << kLabel << label << kYaHei << 19;
        QTest::newRow("ampersand, no mnemonic") << "A&B" << kCentre << label << kYaHei << 19;
        QTest::newRow("right to left inside") << "ab שלום 12 cd" << kLeft << cell << kArial << 11;
        QTest::newRow("separator")
            << QString::fromUtf8("A\u2028B") << kLeft << cell << kYaHei << 16;
        QTest::newRow("long left") << han << kLeft << QRect(5, 3, 282, 10000) << kYaHei << 16;
        QTest::newRow("long right") << han << kRight << QRect(5, 3, 282, 10000) << kYaHei << 16;
        QTest::newRow("long centred") << han << kCentre << QRect(5, 3, 79, 10000) << kYaHei << 16;
        QTest::newRow("long centred, odd")
            << han << kCentre << QRect(4, 3, 80, 10000) << kYaHei << 16;
        QTest::newRow("long latin right") << latin << kRight << cell << kArial << 11;
        QTest::newRow("long latin centred") << latin << kCentre << cell << kArial << 11;
        QTest::newRow("long run right") << run << kRight << cell << kYaHei << 16;
        QTest::newRow("long run centred") << run << kCentre << cell << kYaHei << 16;
        QTest::newRow("long, embedding")
            << QString::fromUtf8("\u202B") + han << kLeft << cell << kYaHei << 16;
        QTest::newRow("long, tabs") << QString(latin).replace(u' ', u'\t')
                                    << (kLeft | Qt::TextExpandTabs) << cell << kArial << 11;
        QTest::newRow("long, marks")
            << longText("e\u0301a\u0308", 4000) << kLeft << cell << kArial << 11;
        // Ink that just fits, or reaches out of the line's box.
        const QString draw = QStringLiteral("20201002-0360");
        const int fit = QFontMetrics(pixelFont(kYaHei, 16)).horizontalAdvance(draw);
        QTest::newRow("exact width") << draw << kLeft << QRect(5, 3, fit, 10000) << kYaHei << 16;
        QTest::newRow("exact width, right")
            << draw << kRight << QRect(5, 3, fit, 10000) << kYaHei << 16;
        QTest::newRow("accents") << "ÅÉÎ gjpq" << kLeft << cell << kArial << 11;
        QTest::newRow("stacked marks") << QString::fromUtf8("ཀྵྼཱྀ ཀྵྼཱྀ") << kLeft << cell << kYaHei << 16;
    }
    void drawsAsThePainter()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(QRect, rect);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        // Free, and cut to a grid cell's text area: the ink touches the cut at the left, where
        // the text starts, and wherever it is too wide.
        const QRect cell(rect.topLeft(), QSize(rect.width(), std::min(rect.height(), 21)));
        for (const QRect& clip : {QRect(), cell}) {
            const Scene scene{text, flags, rect, pixelFont(family, pixels), clip};
            const QImage expected = byPainter(scene);
            ShapedText one;
            ShapedTextCache many;
            // Twice each: once shaping, once reusing.
            for (int pass = 0; pass < 2; ++pass) {
                QCOMPARE(rendered(scene,
                                  [&](QPainter& p, const Scene& s) {
                                      one.draw(p, s.rect, s.flags, s.text, s.clip);
                                  }),
                         expected);
                QCOMPARE(rendered(scene,
                                  [&](QPainter& p, const Scene& s) {
                                      many.draw(p, s.rect, s.flags, s.text, s.clip);
                                  }),
                         expected);
            }
        }
    }

    // Centred upright as QPainter centres: rectangles of odd and even height, lower than the
    // line, and the charts' labels at the scales a desktop may have.
    void centresUprightAsThePainter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<qreal>("ratio");
        const int right = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
        const int centre = Qt::AlignCenter | Qt::TextSingleLine;
        const int left = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        QTest::newRow("axis label")
            << "10,400" << right << QRect(3, 4, 60, 13) << kArial << 11 << 1.0;
        QTest::newRow("axis label, 2x")
            << "10,400" << right << QRect(3, 4, 60, 13) << kArial << 11 << 2.0;
        QTest::newRow("axis label, 1.5x")
            << "-250" << right << QRect(3, 5, 60, 14) << kArial << 11 << 1.5;
        QTest::newRow("draw label")
            << "20201002-0360" << centre << QRect(2, 2, 90, 12) << kArial << 11 << 1.0;
        QTest::newRow("legend name, 2x")
            << "追10" << left << QRect(2, 6, 40, 15) << kYaHei << 11 << 2.0;
        QTest::newRow("taller, even")
            << "押【12345】" << centre << QRect(2, 1, 160, 30) << kYaHei << 19 << 1.0;
        QTest::newRow("lower than the line")
            << "ÅÉÎ gjpq" << left << QRect(4, 9, 120, 7) << kArial << 11 << 1.0;
        QTest::newRow("long, centred upright") << longText("连续7期未出，追号", 2000) << left
                                               << QRect(4, 3, 120, 25) << kYaHei << 16 << 1.0;
    }
    void centresUprightAsThePainter()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(QRect, rect);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(qreal, ratio);
        const Scene scene{text, flags, rect, pixelFont(family, pixels), QRect(), ratio};
        ShapedTextCache many;
        for (int pass = 0; pass < 2; ++pass)
            QCOMPARE(
                rendered(scene, [&](QPainter& p,
                                    const Scene& s) { many.draw(p, s.rect, s.flags, s.text); }),
                byPainter(scene));
    }

    // Drawn from pictures onto the colour under them, the same pixels as QPainter's: the first
    // time and from the picture, at another place on the same fraction of a pixel, cut by the
    // clip, at 1x and 2x, onto images with and without alpha. At 1.5x there are no pictures.
    void picturesDrawAsThePainter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("clip");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("pictures");
        const QRect cell(5, 3, 87, 10000), cut(5, 3, 87, 21);
        const QString draw = QStringLiteral("20201002-0360");
        const int vcentre = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
        const auto row = [&](const char* name, const QString& text, int flags, QRect rect,
                             QRect clip, const QString& family, int px, qreal ratio, int pictures) {
            QTest::newRow(name) << text << flags << rect << clip << family << px << ratio
                                << pictures;
        };
        row("draw", draw, kLeft, cell, cut, kYaHei, 16, 1, 1);
        row("draw, 2x", draw, kLeft, cell, cut, kYaHei, 16, 2, 1);
        row("balance right", "10,400", kRight, cell, cut, kYaHei, 16, 1, 2);
        row("balance right, 2x", "10,400", kRight, cell, cut, kYaHei, 16, 2, 2);
        row("centred at a fraction", "54321", kCentre, QRect(3, 2, 86, 28), QRect(3, 2, 86, 28),
            kSongTi, 19, 1, 2);
        row("centred upright, 2x", "-250", vcentre, QRect(3, 5, 60, 14), QRect(3, 5, 60, 14),
            kArial, 11, 2, 2);
        row("cut by the clip", "上期个位6，偏移0取五码，连错1期加倍至2注", kLeft, cell,
            QRect(5, 3, 60, 12), kYaHei, 16, 1, 1);
        row("cut by the clip, 2x", "ÅÉÎ gjpq", kLeft, cell, QRect(7, 6, 30, 8), kArial, 11, 2, 1);
        row("at 1.5x, drawn", draw, kLeft, cell, cut, kYaHei, 16, 1.5, 0);
        row("long, drawn", longText("连续7期未出，追号", 2000), kLeft, cell, cut, kYaHei, 16, 1, 0);
    }
    void picturesDrawAsThePainter()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(QRect, rect);
        QFETCH(QRect, clip);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(qreal, ratio);
        QFETCH(int, pictures);
        ShapedTextCache many;
        for (const QImage::Format format :
             {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32}) {
            // Drawn, made into a picture, copied; moved by whole pixels the text keeps its
            // fraction and its cut, and its picture; in a rectangle a pixel wider, a text on the
            // left keeps them, one on the right moves against its cut, and a centred one by
            // half a pixel: they need another.
            const std::pair<QPoint, QMargins> places[] = {{{}, {}},
                                                          {{}, {}},
                                                          {{}, {}},
                                                          {{9, 2}, {}},
                                                          {{9, 2}, {0, 0, 1, 0}},
                                                          {{9, 2}, {0, 0, 1, 0}}};
            for (const auto& [by, wider] : places) {
                const Scene scene{text,
                                  flags,
                                  rect.translated(by) + wider,
                                  pixelFont(family, pixels),
                                  clip.translated(by),
                                  ratio};
                QCOMPARE(rendered(
                             scene,
                             [&](QPainter& p, const Scene& s) {
                                 many.drawOn(p, s.rect, s.flags, s.text, s.clip, kBackground);
                             },
                             format),
                         rendered(
                             scene,
                             [](QPainter& p, const Scene& s) {
                                 p.setClipRect(s.clip, Qt::IntersectClip);
                                 p.drawText(s.rect, s.flags, s.text);
                             },
                             format));
            }
        }
        QCOMPARE(many.pictureCount(), pictures);
        // Kept while one of the latest three paints drew them.
        many.nextPaint();
        many.nextPaint();
        QCOMPARE(many.pictureCount(), pictures);
        many.nextPaint();
        QCOMPARE(many.pictureCount(), 0);
    }

    // Made ready without showing anything, then drawn: shaped once, its picture made by the
    // preparation where one is kept, and the same pixels as QPainter's.
    void preparedDrawsAsThePainter_data() { picturesDrawAsThePainter_data(); }
    void preparedDrawsAsThePainter()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(QRect, rect);
        QFETCH(QRect, clip);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(qreal, ratio);
        QFETCH(int, pictures);
        const Scene scene{text, flags, rect, pixelFont(family, pixels), clip, ratio};
        for (const QColor& background : {kBackground, QColor()}) {
            ShapedTextCache many;
            QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
            pixel.setDevicePixelRatio(ratio);
            {
                QPainter p(&pixel);
                p.setLayoutDirection(Qt::LeftToRight);
                p.translate(1, 1); // as rendered() draws
                p.setFont(scene.font);
                p.setPen(QColor(128, 128, 128));
                many.prepare(p, rect, flags, text, clip, background);
            }
            QCOMPARE(many.count(), 1);
            QCOMPARE(many.pictureCount(), background.isValid() ? std::min(pictures, 1) : 0);
            QCOMPARE(rendered(scene,
                              [&](QPainter& p, const Scene& s) {
                                  many.drawOn(p, s.rect, s.flags, s.text, s.clip, kBackground);
                              }),
                     byPainter(scene));
            QCOMPARE(many.count(), 1);
        }
    }

    // The clip is left off only when all ink lies inside it: cut one pixel off the ink's box
    // on any side and the drawing is still cut exactly as QPainter cuts it.
    void clipsWhereTheInkReachesOut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::newRow("draw") << "20201002-0360" << kLeft << kYaHei << 16;
        QTest::newRow("balance") << "1000" << kRight << kYaHei << 16;
        QTest::newRow("number") << "54321" << kCentre << kSongTi << 19;
        QTest::newRow("reasoning") << "连续7期未出，追号" << kLeft << kYaHei << 16;
        QTest::newRow("accents") << "ÅÉÎ gjpq" << kCentre << kArial << 11;
        QTest::newRow("stacked marks") << QString::fromUtf8("ཀྵྼཱྀ") << kLeft << kYaHei << 16;
    }
    void clipsWhereTheInkReachesOut()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        Scene scene{text, flags, QRect(6, 3, 270, 10000), pixelFont(family, pixels)};
        const QImage free = byPainter(scene);
        QRect ink;
        for (int y = 0; y < free.height(); ++y)
            for (int x = 0; x < free.width(); ++x)
                if (free.pixel(x, y) != free.pixel(0, 0))
                    ink |= QRect(x, y, 1, 1);
        ink.translate(-1, -1); // the scene's painter is translated by one pixel
        QVERIFY(!ink.isEmpty());
        const QMargins cuts[] = {{}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        for (const QMargins& cut : cuts) {
            scene.clip = ink - cut;
            ShapedText one;
            QCOMPARE(rendered(scene,
                              [&](QPainter& p, const Scene& s) {
                                  one.draw(p, s.rect, s.flags, s.text, s.clip);
                              }),
                     byPainter(scene));
        }
    }

    // A shaped text is reused only while what it was shaped for holds.
    void followsTextFontAndWidth()
    {
        ShapedText one;
        ShapedTextCache many;
        const QString han = longText("连续7期未出，追号", 2000);
        const Scene scenes[] = {
            {"12", kLabel, {2, 2, 88, 28}, pixelFont(kYaHei, 19)},
            {"13", kLabel, {2, 2, 88, 28}, pixelFont(kYaHei, 19)},
            {"13", kLabel, {2, 2, 88, 28}, pixelFont(kSongTi, 19)},
            {"13", kLabel, {2, 2, 88, 28}, pixelFont(kSongTi, 24)},
            {"13", kLabel, {2, 2, 168, 28}, pixelFont(kSongTi, 24)},
            {"13", kLeft, {2, 2, 168, 28}, pixelFont(kSongTi, 24)},
            {han, kRight, {2, 2, 168, 28}, pixelFont(kYaHei, 16)},
            {han, kRight, {2, 2, 60, 28}, pixelFont(kYaHei, 16)},
            {han, kCentre, {2, 2, 60, 28}, pixelFont(kYaHei, 16)},
            {"", kCentre, {2, 2, 60, 28}, pixelFont(kYaHei, 16)},
        };
        for (const Scene& scene : scenes) {
            const QImage expected = byPainter(scene);
            QCOMPARE(rendered(scene, [&](QPainter& p,
                                         const Scene& s) { one.draw(p, s.rect, s.flags, s.text); }),
                     expected);
            QCOMPARE(
                rendered(scene, [&](QPainter& p,
                                    const Scene& s) { many.draw(p, s.rect, s.flags, s.text); }),
                expected);
        }
        QVERIFY(many.count() >= 7);
        many.clear();
        QCOMPARE(many.count(), 0);
    }

    // A day of new texts does not pile up: past a few hundred, a shape that none of the latest
    // paints drew goes at the next paint; one they drew stays, in any font.
    void forgetsWhatNoRecentPaintDrew()
    {
        ShapedTextCache many;
        QImage image(200, 40, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setLayoutDirection(Qt::LeftToRight);
        // One paint of the numbers from `first`, `count` of them, in `font`.
        const auto paint = [&](std::initializer_list<std::pair<int, int>> runs, const QFont& font) {
            many.nextPaint();
            painter.setFont(font);
            for (const auto& [first, count] : runs)
                for (int i = first; i < first + count; ++i)
                    many.draw(painter, {2, 2, 190, 30}, kLeft, QString::number(i));
        };
        const QFont yaHei = pixelFont(kYaHei, 16), songTi = pixelFont(kSongTi, 16);
        paint({{0, 400}}, yaHei);
        paint({{1000, 10}}, songTi);
        paint({{2000, 10}}, yaHei);
        QCOMPARE(many.count(), 420); // no more than are kept anyway
        paint({{3000, 200}, {0, 5}}, yaHei);
        paint({{2000, 1}}, yaHei); // 620 before: the 395 and the other font's ten go
        QCOMPARE(many.count(), 215);
        paint({{0, 5}}, yaHei);
        paint({{0, 5}}, yaHei);
        paint({{0, 5}}, yaHei);
        QCOMPARE(many.count(), 215); // under the few hundred again: nothing more goes
    }
};

TV_REGISTER_TEST(TestShapedText);
#include "tst_shapedtext.moc"
