#include "ButtonGlyphs.h"
#include "Colors.h"
#include "Exceptions.h"
#include "Fonts.h"
#include "LbButton.h"
#include "RecordingPresenter.h"
#include "TestRegistry.h"

#include <QDialog>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QTest>

namespace {

struct ButtonSpec {
    QString caption;
    TButtonLayout layout;
    QSize size;
    TColor color, light, shadow;
    QPixmap glyph;
};

ButtonSpec searchSpec()
{
    return {QStringLiteral("查询(&Q)"),
            blGlyphTop,
            {100, 53},
            clSilver,
            clWhite,
            0x808080,
            searchGlyph()};
}
ButtonSpec closeSpec()
{
    return {QStringLiteral("退出(&X)"),
            blGlyphLeft,
            {130, 60},
            15519380,
            16574164,
            clBlack,
            closeGlyph()};
}

void configure(TLbButton& b, const ButtonSpec& look, bool antialias = true)
{
    b.SetCaption(look.caption);
    b.SetLayout(look.layout);
    b.resize(look.size);
    b.SetColor(look.color);
    b.SetLightColor(look.light);
    b.SetShadowColor(look.shadow);
    b.SetGlyph(look.glyph, 2);
    QFont font = pixelFont(kSongTi, 19);
    if (!antialias)
        font.setStyleStrategy(QFont::NoAntialias); // exact colours for pixel checks
    b.setFont(font);
}

// A window holding a header panel with the two buttons, counting their clicks.
struct Header {
    QWidget window;
    QWidget* panel = new QWidget(&window);
    QLineEdit* edit = new QLineEdit(panel);
    TLbButton* search = new TLbButton(panel);
    TLbButton* close = new TLbButton(panel);
    int searchClicks = 0, closeClicks = 0;
    QObject* sender = nullptr;

    explicit Header(bool antialias = true)
    {
        window.resize(400, 80);
        panel->setGeometry(0, 0, 400, 72);
        edit->setGeometry(0, 0, 100, 30);
        configure(*search, searchSpec(), antialias);
        search->move(120, 11);
        search->SetModalResult(4);
        configure(*close, closeSpec(), antialias);
        close->move(260, 6);
        search->SetOnClick([this](QObject* s) {
            ++searchClicks;
            sender = s;
        });
        close->SetOnClick([this](QObject*) { ++closeClicks; });
    }
    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb rgb(TColor c)
{
    return toQColor(c).rgb();
}

// The first pixel of a picture that is not the transparent colour.
QPoint firstOpaque(const QImage& strip, int picture)
{
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            if (strip.pixel(picture * 18 + x, y) != kGlyphTransparent.rgb())
                return {x, y};
    return {-1, -1};
}

QRect inkOf(const QImage& image, const QRect& area, QRgb ink)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && image.pixel(x, y) == ink)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestWidgetsButton : public QObject {
    Q_OBJECT
private slots:
    void gradientBands_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("end");
        QTest::addColumn<QColor>("from");
        QTest::addColumn<QColor>("to");
        QTest::addColumn<int>("row");
        QTest::addColumn<QColor>("expected");
        const QColor black(0, 0, 0), ramp(31, 62, 93), white(255, 255, 255), silver(192, 192, 192);
        QTest::newRow("first band") << 0 << 62 << black << ramp << 0 << black;
        QTest::newRow("band 0 is two rows") << 0 << 62 << black << ramp << 1 << black;
        QTest::newRow("band 1") << 0 << 62 << black << ramp << 2 << QColor(1, 2, 3);
        // Band 31 starts on the end row and is cut away: the end colour is never drawn.
        QTest::newRow("last row is band 30")
            << 0 << 62 << black << ramp << 61 << QColor(30, 60, 90);
        // Falling values truncate towards zero: 255 - 63/31 is 253, not 252.
        QTest::newRow("falling channel truncates")
            << 0 << 31 << white << silver << 1 << QColor(253, 253, 253);
        // Rows 2..12 of a 53-pixel button: bands overlap and the last one painted wins.
        QTest::newRow("short span first row")
            << 2 << 13 << white << silver << 0 << QColor(251, 251, 251);
        QTest::newRow("short span last row")
            << 2 << 13 << white << silver << 10 << QColor(195, 195, 195);
    }
    void gradientBands()
    {
        QFETCH(int, top);
        QFETCH(int, end);
        QFETCH(QColor, from);
        QFETCH(QColor, to);
        QFETCH(int, row);
        QFETCH(QColor, expected);
        const QVector<QColor> rows = gradientRows(top, end, from, to);
        QCOMPARE(rows.size(), end - top);
        QCOMPARE(rows.at(row), expected);
        QVERIFY(gradientRows(5, 5, from, to).isEmpty());
    }

    void modernFace_data()
    {
        QTest::addColumn<bool>("pressed");
        QTest::newRow("normal") << false;
        QTest::newRow("pressed") << true;
    }
    void modernFace()
    {
        QFETCH(bool, pressed);
        Header h;
        h.window.show();
        TLbButton& b = *h.search;
        if (pressed)
            QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(50, 26));
        QCOMPARE(b.Down(), pressed);
        const QImage image = grabbed(b);
        const int w = 100, hgt = 53, d = pressed ? 1 : 0;
        const QColor face = toQColor(clSilver), light = toQColor(clWhite);
        const QRgb shadow = rgb(0x808080);
        const QRgb frame = pressed ? shadow : face.rgb();

        const int split = hgt / 4 + d;
        const QVector<QColor> upper = gradientRows(2, split, light, face);
        const QVector<QColor> lower = gradientRows(split, hgt - 1, face, light);
        for (int x : {2, 3, w - 3}) {
            for (int y = 2; y < split; ++y)
                QCOMPARE(QColor(image.pixel(x, y)), upper[y - 2]);
            for (int y = split; y < hgt - 2; ++y)
                QCOMPARE(QColor(image.pixel(x, y)), lower[y - split]);
        }
        for (int y = 2; y < hgt - 2; ++y) {
            QCOMPARE(image.pixel(1, y), frame);
            QCOMPARE(image.pixel(w - 2, y), frame);
            QCOMPARE(image.pixel(0, y), shadow);
            QCOMPARE(image.pixel(w - 1, y), shadow);
        }
        for (int x = 2; x < w - 2; ++x) {
            QCOMPARE(image.pixel(x, 1), frame);
            QCOMPARE(image.pixel(x, hgt - 2), frame);
            QCOMPARE(image.pixel(x, 0), shadow);
            QCOMPARE(image.pixel(x, hgt - 1), shadow);
        }
        // The rounded corners: cut diagonally, the corner pixel itself left alone.
        QCOMPARE(image.pixel(1, 1), shadow);
        QCOMPARE(image.pixel(w - 2, hgt - 2), shadow);
        QVERIFY(image.pixel(0, 0) != shadow);
        QVERIFY(image.pixel(w - 1, hgt - 1) != shadow);
    }

    void placement_data()
    {
        QTest::addColumn<bool>("top");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("search") << true << false << true;
        QTest::newRow("search pressed") << true << true << true;
        QTest::newRow("search disabled") << true << false << false;
        QTest::newRow("close") << false << false << true;
        QTest::newRow("close pressed") << false << true << true;
        QTest::newRow("close disabled") << false << false << false;
    }
    // Picture and text where the layout puts them, measured with the button's font; the
    // disabled button shows the second picture and grey text.
    void placement()
    {
        QFETCH(bool, top);
        QFETCH(bool, pressed);
        QFETCH(bool, enabled);
        Header h(false);
        h.window.show();
        TLbButton& b = top ? *h.search : *h.close;
        const ButtonSpec look = top ? searchSpec() : closeSpec();
        b.setEnabled(enabled);
        if (pressed)
            QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        const QImage image = grabbed(b);

        const QFontMetrics metrics(b.font());
        const QString text = top ? look.caption + ' ' : ' ' + look.caption;
        const int tw = metrics.horizontalAdvance(text), th = metrics.height(), gw = 18, gh = 18;
        const int W = look.size.width(), H = look.size.height(), d = pressed ? 1 : 0;
        QPoint glyphAt, textAt;
        if (top) {
            const int t = (H - th - gh) / 2;
            glyphAt = QPoint((W - gw) / 2 + d, t + d);
            textAt = QPoint((W - tw) / 2 + d, t + gh + d);
        } else {
            const int left = (W - tw - gw) / 2;
            glyphAt = QPoint(left + d, (H - gh) / 2 + d);
            textAt = QPoint(left + gw + d, (H - th) / 2 + d);
        }

        const QImage strip = look.glyph.toImage().convertToFormat(QImage::Format_RGB32);
        const int picture = enabled ? 0 : 1;
        const QPoint opaque = firstOpaque(strip, picture);
        QCOMPARE(image.pixel(glyphAt + opaque), strip.pixel(opaque + QPoint(18 * picture, 0)));
        QCOMPARE(image.pixel(glyphAt + opaque - QPoint(1, 0)) == kGlyphTransparent.rgb(), false);
        // The olive corner is see-through: the face shows there.
        QVERIFY(image.pixel(glyphAt + QPoint(0, 17)) != kGlyphTransparent.rgb());

        const QRect textRect(textAt, QSize(tw, th));
        const QRgb ink =
            enabled ? b.palette().color(QPalette::WindowText).rgb() : qRgb(128, 128, 128);
        // Everywhere inside the frames but the picture's side: its pixels may share the ink.
        QRect area = image.rect().adjusted(2, 2, -2, -2);
        if (top)
            area.setTop(glyphAt.y() + gh);
        else
            area.setLeft(glyphAt.x() + gw);
        const QRect drawn = inkOf(image, area, ink);
        QVERIFY(!drawn.isEmpty());
        QVERIFY2(textRect.contains(drawn),
                 qPrintable(QStringLiteral("text ink outside its place")));
        if (!enabled)
            QCOMPARE(inkOf(image, textRect, b.palette().color(QPalette::WindowText).rgb()),
                     QRect());
    }

    // Focus adds the dotted rectangle from (4, 4) to (W - 4, H - 4), every other pixel
    // inverted; hovering changes nothing.
    void focusRectangle()
    {
        Header h;
        QVERIFY(h.showActive());
        h.edit->setFocus();
        TLbButton& b = *h.close;
        const QImage plain = grabbed(b);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&b, &enter);
        QVERIFY(b.Hot());
        QCOMPARE(grabbed(b), plain);

        b.setFocus();
        QVERIFY(b.hasFocus());
        const QImage focused = grabbed(b);
        const QRect outline(QPoint(4, 4), QPoint(130 - 5, 60 - 5));
        int differences = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 130; ++x) {
                const bool onOutline =
                    outline.contains(x, y) && !outline.adjusted(1, 1, -1, -1).contains(x, y);
                const bool dotted = onOutline && (x + y) % 2 == 0;
                const QRgb expected = dotted ? (plain.pixel(x, y) ^ 0x00FFFFFF) : plain.pixel(x, y);
                if (focused.pixel(x, y) != expected && differences++ < 5)
                    qWarning() << "pixel" << x << y;
            }
        }
        QCOMPARE(differences, 0);

        h.close->setEnabled(false);
        QCOMPARE(h.close->PaintSpec().focus, false);
    }

    void mouse_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("clicks");
        const QPoint inside(50, 26), outside(150, 26);
        QTest::newRow("left") << Qt::LeftButton << inside << inside << 1;
        QTest::newRow("right") << Qt::RightButton << inside << inside << 1;
        QTest::newRow("middle") << Qt::MiddleButton << inside << inside << 1;
        QTest::newRow("released outside") << Qt::LeftButton << outside << outside << 0;
        QTest::newRow("right released outside") << Qt::RightButton << outside << outside << 0;
        QTest::newRow("moved off and back") << Qt::LeftButton << outside << inside << 1;
        QTest::newRow("released just past the edge")
            << Qt::LeftButton << inside << QPoint(100, 26) << 0;
    }
    void mouse()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, moveTo);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, clicks);
        Header h;
        QVERIFY(h.showActive());
        TLbButton& b = *h.search;
        QTest::mousePress(&b, button, {}, QPoint(50, 26));
        QVERIFY(b.Pressed());
        QVERIFY(b.hasFocus());
        QCOMPARE(h.searchClicks, 0);
        QTest::mouseMove(&b, moveTo);
        QTest::mouseRelease(&b, button, {}, releaseAt);
        QCOMPARE(h.searchClicks, clicks);
        QVERIFY(!b.Pressed());
        if (clicks)
            QCOMPARE(h.sender, &b);
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("clicks");
        QTest::newRow("space") << int(Qt::Key_Space) << 1;
        QTest::newRow("return") << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0;
        QTest::newRow("letter") << int(Qt::Key_Q) << 0;
    }
    // Pressed on key down, clicked on key up.
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, clicks);
        Header h;
        QVERIFY(h.showActive());
        h.search->setFocus();
        QTest::keyPress(h.search, Qt::Key(key));
        QCOMPARE(h.search->Pressed(), clicks == 1);
        QCOMPARE(h.searchClicks, 0);
        QTest::keyRelease(h.search, Qt::Key(key));
        QCOMPARE(h.searchClicks, clicks);
        QVERIFY(!h.search->Pressed());
    }

    void keyPressAbandonedWithFocus()
    {
        Header h;
        QVERIFY(h.showActive());
        h.search->setFocus();
        QTest::keyPress(h.search, Qt::Key_Space);
        h.edit->setFocus();
        QTest::keyRelease(h.search, Qt::Key_Space);
        QCOMPARE(h.searchClicks, 0);
    }

    void accelerator_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("searchClicks");
        QTest::addColumn<int>("closeClicks");
        QTest::newRow("Alt+Q") << int(Qt::Key_Q) << "" << 1 << 0;
        QTest::newRow("Alt+X") << int(Qt::Key_X) << "" << 0 << 1;
        QTest::newRow("Alt+Q disabled") << int(Qt::Key_Q) << "disable" << 0 << 0;
        QTest::newRow("Alt+Q hidden") << int(Qt::Key_Q) << "hide" << 0 << 0;
        QTest::newRow("Alt+Q panel hidden") << int(Qt::Key_Q) << "hide panel" << 0 << 0;
        QTest::newRow("Alt+S") << int(Qt::Key_S) << "" << 0 << 0;
    }
    void accelerator()
    {
        QFETCH(int, key);
        QFETCH(QString, change);
        QFETCH(int, searchClicks);
        QFETCH(int, closeClicks);
        Header h;
        QVERIFY(h.showActive());
        h.edit->setFocus();
        if (change == "disable")
            h.search->setEnabled(false);
        else if (change == "hide")
            h.search->hide();
        else if (change == "hide panel")
            h.panel->hide();
        QTest::keyClick(h.window.focusWidget() ? h.window.focusWidget() : &h.window, Qt::Key(key),
                        Qt::AltModifier);
        QCOMPARE(h.searchClicks, searchClicks);
        QCOMPARE(h.closeClicks, closeClicks);
        if (searchClicks)
            QCOMPARE(h.sender, h.search);
    }

    void clickInCode()
    {
        Header h; // not shown yet: a click in code still runs
        h.search->Click();
        QCOMPARE(h.searchClicks, 1);
        h.search->setEnabled(false);
        h.search->Click();
        h.search->setEnabled(true);
        h.search->hide();
        h.search->Click();
        QCOMPARE(h.searchClicks, 1);
    }

    void modalResult_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<int>("dialogResult");
        QTest::newRow("main window keeps 4") << "window" << 4 << true << 0;
        QTest::newRow("modeless dialog keeps 4") << "dialog" << 4 << true << 0;
        QTest::newRow("modal dialog takes 4") << "modal" << 4 << false << 4;
        QTest::newRow("modal dialog, no result") << "modal" << 0 << true << 0;
    }
    void modalResult()
    {
        QFETCH(QString, owner);
        QFETCH(int, result);
        QFETCH(bool, staysOpen);
        QFETCH(int, dialogResult);
        std::unique_ptr<QWidget> window(owner == "window" ? new QWidget : new QDialog);
        auto* dialog = qobject_cast<QDialog*>(window.get());
        if (owner == "modal")
            dialog->setModal(true);
        auto* panel = new QWidget(window.get());
        auto* b = new TLbButton(panel);
        configure(*b, searchSpec());
        b->SetModalResult(result);
        int clicks = 0;
        b->SetOnClick([&](QObject*) { ++clicks; });
        window->show();
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks, 1);
        QCOMPARE(window->isVisible(), staysOpen);
        if (dialog)
            QCOMPARE(dialog->result(), dialogResult);
    }

    // A failing handler ends in the error box when Qt delivered the click, reaches the
    // caller when code clicked, and writes no modal result either way.
    void failingHandler()
    {
        RecordingPresenter presenter;
        QDialog dialog;
        dialog.setModal(true);
        auto* b = new TLbButton(&dialog);
        configure(*b, searchSpec());
        b->SetModalResult(4);
        b->SetOnClick([](QObject*) { throw Exception(QStringLiteral("查询失败")); });
        dialog.show();
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].text, QStringLiteral("查询失败."));
        QVERIFY(dialog.isVisible());
        QVERIFY_THROWS_EXCEPTION(Exception, b->Click());
        QVERIFY(dialog.isVisible());
        QCOMPARE(presenter.boxes.size(), 1);
    }
};

TV_REGISTER_TEST(TestWidgetsButton);
#include "tst_button.moc"
