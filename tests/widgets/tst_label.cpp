#include "ADODataSet.h"
#include "Accelerator.h"
#include "Colors.h"
#include "Connection.h"
#include "DataSource.h"
#include "FixtureDb.h"
#include "Fonts.h"
#include "RzDBLabel.h"
#include "TestRegistry.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

namespace {

// The header query on a fresh database, the way the monitor window binds its labels.
struct HeaderFixture {
    FixtureDb db;
    DirectConnection connection{settings(db.path())};
    TADOQuery Qhead{QStringLiteral("Qhead"), &connection};
    TDataSource DShead;

    HeaderFixture()
    {
        Qhead.setStatement(statements::header());
        Qhead.setParamValue(QStringLiteral("ainame"), QStringLiteral("追0"));
        DShead.setDataSet(&Qhead);
    }
    static ConnectionSettings settings(const QString& file)
    {
        ConnectionSettings s;
        s.kind = ConnectionSettings::Kind::Sqlite;
        s.sqliteFile = file;
        return s;
    }
    void reopen()
    {
        Qhead.close();
        Qhead.open();
    }
    // Shows a text through the zjhm field, the one that passes text through unchanged.
    void showNumber(const QString& text)
    {
        db.exec(QStringLiteral("DELETE FROM a5_z0_5yc"));
        FixtureDb::Result row;
        row.zjhm = text;
        db.addResult(row);
        reopen();
    }
};

struct LabelUnderTest {
    TRzDBLabel label;
    LabelUnderTest(TDataSource* source, const QString& field, BgrColor color, QSize size,
                   bool antialias = true)
    {
        label.setDataSource(source);
        label.setDataField(field);
        label.setFontColor(color);
        QFont font = pixelFont(kYaHei, 19);
        if (!antialias)
            font.setStyleStrategy(QFont::NoAntialias); // exact colours for pixel checks
        label.setFont(font);
        label.resize(size);
    }
};

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of the font colour, as a rectangle around all of them.
QRect inkOf(const QImage& image, const QRect& area, QRgb ink)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == ink)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestWidgetsLabel : public QObject {
    Q_OBJECT
private slots:
    void accelerator_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("letter");
        QTest::newRow("search") << "查询(&Q)"
                                << "Q";
        QTest::newRow("lower case") << "e&xit"
                                    << "X";
        QTest::newRow("none") << "12345"
                              << "";
        QTest::newRow("literal ampersand") << "A&&B"
                                           << "";
        QTest::newRow("literal then mark") << "A&&B&c"
                                           << "C";
        QTest::newRow("trailing mark") << "AB&"
                                       << "";
    }
    void accelerator()
    {
        QFETCH(QString, caption);
        QFETCH(QString, letter);
        const QChar found = acceleratorChar(caption);
        QCOMPARE(found.isNull() ? QString() : QString(found), letter);
    }

    void followsTheHeaderQuery()
    {
        HeaderFixture f;
        f.db.addResult({});
        LabelUnderTest advice(&f.DShead, QStringLiteral("cz"), clBlue, {172, 32});
        LabelUnderTest countdown(&f.DShead, QStringLiteral("xqkj"), clRed, {92, 32});
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32});
        QCOMPARE(countdown.label.Caption(), QString());

        f.Qhead.open();
        // The fixture's draw lies years back, so the countdown is far below zero.
        const int seconds = f.Qhead.fieldByName(QStringLiteral("xqkj"))->asInteger();
        QVERIFY(seconds < -1000);
        QCOMPARE(countdown.label.Caption(), QString::number(seconds));
        QVERIFY(QRegularExpression(QStringLiteral("^-[0-9]+$"))
                    .match(countdown.label.Caption())
                    .hasMatch());
        QCOMPARE(number.label.Caption(), QStringLiteral("12345"));
        QCOMPARE(advice.label.Caption(), QStringLiteral("取数据..."));

        f.Qhead.close();
        QCOMPARE(advice.label.Caption(), QString());
        QCOMPARE(countdown.label.Caption(), QString());
        QCOMPARE(number.label.Caption(), QString());

        // Another row arrives only by reopening: nothing else tells the labels.
        f.db.exec(QStringLiteral("UPDATE a5_z0_5yc SET zjhm = '67890'"));
        f.Qhead.open();
        QCOMPARE(number.label.Caption(), QStringLiteral("67890"));
    }

    void emptyAndNullShowNothing()
    {
        HeaderFixture f;
        LabelUnderTest countdown(&f.DShead, QStringLiteral("xqkj"), clRed, {92, 32});
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32});
        LabelUnderTest missing(&f.DShead, QStringLiteral("nosuchfield"), clBlack, {92, 32});
        f.Qhead.open(); // no row for the robot
        QCOMPARE(countdown.label.Caption(), QString());
        QCOMPARE(number.label.Caption(), QString());

        f.db.exec(
            QStringLiteral("INSERT INTO a5_z0_5yc (ainame, cpqh, zjhm, kjsj, K02) "
                           "VALUES ('追0', '20201002-0793', NULL, '2020-10-02 13:08:00', 0)"));
        f.reopen();
        QCOMPARE(number.label.Caption(), QString());
        QVERIFY(!countdown.label.Caption().isEmpty());
        QCOMPARE(missing.label.Caption(), QString());
    }

    // While the query holds its notifications back the label keeps its text; it catches up
    // once when they resume.
    void followsOnlyWhatTheSourceForwards()
    {
        HeaderFixture f;
        f.db.addResult({});
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32});
        f.Qhead.open();
        f.Qhead.disableControls();
        f.db.exec(QStringLiteral("UPDATE a5_z0_5yc SET zjhm = '67890'"));
        f.reopen();
        QCOMPARE(number.label.Caption(), QStringLiteral("12345"));
        f.Qhead.enableControls();
        QCOMPARE(number.label.Caption(), QStringLiteral("67890"));
    }

    // A label repaints when what it shows changed, and only then (the header query is closed
    // and opened again every second); and it then looks as a label made afresh.
    void repaintsWhatChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("repaints");
        QTest::addColumn<int>("kept");
        // A label keeping its pictures must show what one painting afresh shows.
        for (const int kept : {0, 2}) {
            const char* how = kept ? ", pictures kept" : "";
            QTest::addRow("same text again%s", how) << "reopen" << false << kept;
            QTest::addRow("other text%s", how) << "text" << true << kept;
            QTest::addRow("back to the first text%s", how) << "back" << true << kept;
            QTest::addRow("more texts than kept%s", how) << "many" << true << kept;
            QTest::addRow("query closed%s", how) << "close" << true << kept;
            QTest::addRow("font%s", how) << "font" << true << kept;
            QTest::addRow("width%s", how) << "width" << true << kept;
            QTest::addRow("colour%s", how) << "colour" << true << kept;
        }
    }
    void repaintsWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(bool, repaints);
        QFETCH(int, kept);
        HeaderFixture f;
        f.showNumber(QStringLiteral("12345"));
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32});
        number.label.setKeptPictures(kept);
        number.label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&number.label));
        QCoreApplication::processEvents();
        PaintCounter counter;
        number.label.installEventFilter(&counter);

        QFont font = pixelFont(kYaHei, 19);
        QSize size(92, 32);
        BgrColor colour = clBlack;
        if (change == "reopen")
            f.reopen();
        else if (change == "text")
            f.showNumber(QStringLiteral("67890"));
        else if (change == "back" || change == "many") {
            const QStringList texts = change == "back" ? QStringList{"67890", "12345"}
                                                       : QStringList{"1", "2", "3", "4", "5"};
            for (const QString& text : texts) {
                f.showNumber(text);
                QCoreApplication::processEvents();
                number.label.repaint();
                QVERIFY(number.label.keptPictureCount() <= kept);
            }
        } else if (change == "close")
            f.Qhead.close();
        else if (change == "font")
            number.label.setFont(font = pixelFont(kSongTi, 24));
        else if (change == "width")
            number.label.resize(size = QSize(60, 32));
        else if (change == "colour")
            number.label.setFontColor(colour = clRed);
        if (repaints) {
            QTRY_VERIFY(counter.paints > 0);
        } else {
            for (int i = 0; i < 3; ++i)
                QCoreApplication::processEvents();
            QCOMPARE(counter.paints, 0);
        }
        number.label.removeEventFilter(&counter);

        TRzDBLabel fresh;
        fresh.setDataSource(&f.DShead);
        fresh.setDataField(QStringLiteral("zjhm"));
        fresh.setFontColor(colour);
        fresh.setFont(font);
        fresh.resize(size);
        QCOMPARE(grabbed(number.label), grabbed(fresh));
    }

    void groove_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("role");
        const int w = 92, h = 32;
        QTest::newRow("top-left corner") << 0 << 0 << "shadow";
        QTest::newRow("shadow top right end") << w - 2 << 0 << "shadow";
        QTest::newRow("top-right corner") << w - 1 << 0 << "background";
        QTest::newRow("highlight top-left") << 1 << 1 << "highlight";
        QTest::newRow("highlight top row") << w / 2 << 1 << "highlight";
        QTest::newRow("highlight right column") << w - 1 << h / 2 << "highlight";
        QTest::newRow("shadow right column over highlight") << w - 2 << 1 << "shadow";
        QTest::newRow("shadow bottom row") << w / 2 << h - 2 << "shadow";
        QTest::newRow("highlight bottom row") << w / 2 << h - 1 << "highlight";
        QTest::newRow("bottom-right corner") << w - 1 << h - 1 << "highlight";
        QTest::newRow("bottom-left corner") << 0 << h - 1 << "background";
        QTest::newRow("shadow left column") << 0 << h / 2 << "shadow";
        QTest::newRow("content top-left") << 2 << 2 << "background";
        QTest::newRow("content bottom-right") << w - 3 << h - 3 << "background";
    }
    void groove()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, role);
        HeaderFixture f;
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32});
        const QImage image = grabbed(number.label);
        const QColor expected = role == "shadow" ? systemColor(SystemColor::BtnShadow)
                                : role == "highlight"
                                    ? systemColor(SystemColor::BtnHighlight)
                                    : number.label.palette().color(QPalette::Window);
        QCOMPARE(QColor(image.pixel(x, y)), QColor(expected.rgb()));
    }

    // Highlight one pixel right and down, shadow one left and up, the font colour on top;
    // centred on one line at the top of the content.
    void recessedText()
    {
        HeaderFixture f;
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clRed, {92, 32}, false);
        f.showNumber(QStringLiteral("12345"));
        const QImage image = grabbed(number.label);
        const QRect content(2, 2, 88, 28);

        QImage mask(number.label.size(), QImage::Format_RGB32);
        mask.fill(Qt::white);
        {
            QPainter p(&mask);
            p.setFont(number.label.font());
            p.setPen(Qt::black);
            p.drawText(content, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                       QStringLiteral("12345"));
        }
        auto inked = [&](int x, int y) {
            return mask.rect().contains(x, y) && mask.pixel(x, y) == qRgb(0, 0, 0);
        };
        const QColor font = toQColor(clRed), shadow = systemColor(SystemColor::BtnShadow),
                     highlight = systemColor(SystemColor::BtnHighlight),
                     background = number.label.palette().color(QPalette::Window);
        int wrong = 0;
        for (int y = content.top(); y <= content.bottom(); ++y) {
            for (int x = content.left(); x <= content.right(); ++x) {
                const QColor expected = inked(x, y)           ? font
                                        : inked(x + 1, y + 1) ? shadow
                                        : inked(x - 1, y - 1) ? highlight
                                                              : background;
                if (image.pixel(x, y) != expected.rgb() && wrong++ < 5)
                    qWarning() << "pixel" << x << y << QColor(image.pixel(x, y)) << "expected"
                               << expected;
            }
        }
        QCOMPARE(wrong, 0);

        const QFontMetrics metrics(number.label.font());
        const int advance = metrics.horizontalAdvance(QStringLiteral("12345"));
        const int left = content.left() + (content.width() - advance) / 2;
        const QRect ink = inkOf(image, content, toQColor(clRed).rgb());
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.left() >= left - 1 && ink.right() <= left + advance + 1, "not centred");
        QVERIFY2(ink.top() < content.top() + metrics.ascent() &&
                     ink.bottom() < content.top() + metrics.height(),
                 "not at the top");
    }

    // "&" is not drawn; the letter after it is underlined.
    void ampersandUnderlinesTheNextLetter()
    {
        HeaderFixture f;
        LabelUnderTest number(&f.DShead, QStringLiteral("zjhm"), clBlack, {92, 32}, false);
        const QRect content(2, 2, 88, 28);
        const QRgb black = qRgb(0, 0, 0);
        const QFontMetrics metrics(number.label.font());
        const int baseline = content.top() + metrics.ascent();
        const QRect belowBaseline(content.left(), baseline + 1, content.width(),
                                  content.bottom() - baseline);

        f.showNumber(QStringLiteral("AB"));
        const QRect plain = inkOf(grabbed(number.label), content, black);
        QCOMPARE(inkOf(grabbed(number.label), belowBaseline, black), QRect());

        f.showNumber(QStringLiteral("A&B"));
        QCOMPARE(number.label.Caption(), QStringLiteral("A&B"));
        const QImage marked = grabbed(number.label);
        const QRect ink = inkOf(marked, content, black);
        QVERIFY2(qAbs(ink.width() - plain.width()) <= 1, "the & took room");
        const QRect underline = inkOf(marked, belowBaseline, black);
        QVERIFY2(!underline.isEmpty(), "no underline");
        // Under the B only: it starts right of the A's middle.
        const int aMiddle = ink.left() + metrics.horizontalAdvance(QLatin1Char('A')) / 2;
        QVERIFY(underline.left() > aMiddle);

        f.showNumber(QStringLiteral("A\tB"));
        QVERIFY2(inkOf(grabbed(number.label), content, black).width() > plain.width() + 4,
                 "tab not expanded");
    }
};

TV_REGISTER_TEST(TestWidgetsLabel);
#include "tst_label.moc"
