#include "ButtonGlyphs.h"
#include "DBGridEh.h"
#include "LbButton.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>

namespace {

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
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

TLbButton* button(TfrmA00Main& w, const QString& name)
{
    return name == "bbSear" ? w.bbSear : w.bbClose;
}

} // namespace

// The header and the pages of the real window, as the operator sees and works them.
class TestMonitorHeader : public QObject {
    Q_OBJECT
private slots:
    void face_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<QColor>("face");
        QTest::addColumn<QColor>("light");
        QTest::addColumn<QColor>("shadow");
        const QColor silver(192, 192, 192), white(255, 255, 255), grey(128, 128, 128);
        const QColor blue(148, 206, 236), pale(212, 230, 252), black(0, 0, 0);
        QTest::newRow("bbSear") << "bbSear" << false << silver << white << grey;
        QTest::newRow("bbSear pressed") << "bbSear" << true << silver << white << grey;
        QTest::newRow("bbClose") << "bbClose" << false << blue << pale << black;
        QTest::newRow("bbClose pressed") << "bbClose" << true << blue << pale << black;
    }
    // The gradient from the light colour to the face and back, the inner frame (the shadow
    // colour while pressed) and the rounded outer frame.
    void face()
    {
        QFETCH(QString, button);
        QFETCH(bool, pressed);
        QFETCH(QColor, face);
        QFETCH(QColor, light);
        QFETCH(QColor, shadow);
        WindowFixture f;
        QVERIFY(f.showActive());
        TLbButton& b = *::button(*f.window, button);
        if (pressed)
            QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(50, 26));
        QCOMPARE(b.down(), pressed);
        f.window->cbb1->setFocus(); // no focus rectangle on the face
        const QImage image = grabbed(b);
        const int w = b.width(), h = b.height(), d = pressed ? 1 : 0;
        const QRgb frame = pressed ? shadow.rgb() : face.rgb();

        const int split = h / 4 + d;
        const QVector<QColor> upper = gradientRows(2, split, light, face);
        const QVector<QColor> lower = gradientRows(split, h - 1, face, light);
        for (int x : {2, 3, w - 3}) {
            for (int y = 2; y < split; ++y)
                QCOMPARE(QColor(image.pixel(x, y)), upper[y - 2]);
            for (int y = split; y < h - 2; ++y)
                QCOMPARE(QColor(image.pixel(x, y)), lower[y - split]);
        }
        for (int y = 2; y < h - 2; ++y) {
            QCOMPARE(image.pixel(1, y), frame);
            QCOMPARE(image.pixel(w - 2, y), frame);
            QCOMPARE(image.pixel(0, y), shadow.rgb());
            QCOMPARE(image.pixel(w - 1, y), shadow.rgb());
        }
        for (int x = 2; x < w - 2; ++x) {
            QCOMPARE(image.pixel(x, 1), frame);
            QCOMPARE(image.pixel(x, h - 2), frame);
            QCOMPARE(image.pixel(x, 0), shadow.rgb());
            QCOMPARE(image.pixel(x, h - 1), shadow.rgb());
        }
        // The rounded corners: cut diagonally, the corner pixel itself left alone.
        QCOMPARE(image.pixel(1, 1), shadow.rgb());
        QCOMPARE(image.pixel(w - 2, h - 2), shadow.rgb());
        QVERIFY(image.pixel(0, 0) != shadow.rgb());
        QVERIFY(image.pixel(w - 1, h - 1) != shadow.rgb());
    }

    void placement_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("bbSear") << "bbSear" << false << true;
        QTest::newRow("bbSear pressed") << "bbSear" << true << true;
        QTest::newRow("bbSear disabled") << "bbSear" << false << false;
        QTest::newRow("bbClose") << "bbClose" << false << true;
        QTest::newRow("bbClose pressed") << "bbClose" << true << true;
        QTest::newRow("bbClose disabled") << "bbClose" << false << false;
    }
    // Picture and text where the layout puts them, measured with the button's font; the
    // disabled button shows the second picture and grey text.
    void placement()
    {
        QFETCH(QString, button);
        QFETCH(bool, pressed);
        QFETCH(bool, enabled);
        WindowFixture f;
        QVERIFY(f.showActive());
        TLbButton& b = *::button(*f.window, button);
        QFont exact = b.font();
        exact.setStyleStrategy(QFont::NoAntialias); // exact colours for pixel checks
        b.setFont(exact);
        b.setEnabled(enabled);
        if (pressed)
            QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        f.window->cbb1->setFocus();
        const QImage image = grabbed(b);

        const bool top = b.Layout() == blGlyphTop;
        const QFontMetrics metrics(b.font());
        const QString text = top ? b.Caption() + ' ' : ' ' + b.Caption();
        const int tw = metrics.horizontalAdvance(text), th = metrics.height(), gw = 18, gh = 18;
        const int w = b.width(), h = b.height(), d = pressed ? 1 : 0;
        QPoint glyphAt, textAt;
        if (top) {
            const int t = (h - th - gh) / 2;
            glyphAt = QPoint((w - gw) / 2 + d, t + d);
            textAt = QPoint((w - tw) / 2 + d, t + gh + d);
        } else {
            const int left = (w - tw - gw) / 2;
            glyphAt = QPoint(left + d, (h - gh) / 2 + d);
            textAt = QPoint(left + gw + d, (h - th) / 2 + d);
        }

        const QPixmap glyph = button == "bbSear" ? searchGlyph() : closeGlyph();
        const QImage strip = glyph.toImage().convertToFormat(QImage::Format_RGB32);
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
        QVERIFY2(textRect.contains(drawn), "text ink outside its place");
        if (!enabled)
            QCOMPARE(inkOf(image, textRect, b.palette().color(QPalette::WindowText).rgb()),
                     QRect());
    }

    // Focus adds the dotted rectangle from (4, 4) to (W - 4, H - 4), every other pixel
    // inverted; hovering changes nothing.
    void focusRectangle()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        TLbButton& b = *f.window->bbClose;
        const QImage plain = grabbed(b);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&b, &enter);
        QVERIFY(b.hot());
        QCOMPARE(grabbed(b), plain);

        QTest::keyClick(f.window->cbb1, Qt::Key_Tab);
        QTest::keyClick(f.window->bbSear, Qt::Key_Tab);
        QVERIFY(b.hasFocus());
        const QImage focused = grabbed(b);
        const int w = b.width(), h = b.height();
        const QRect outline(QPoint(4, 4), QPoint(w - 5, h - 5));
        int differences = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool onOutline =
                    outline.contains(x, y) && !outline.adjusted(1, 1, -1, -1).contains(x, y);
                const bool dotted = onOutline && (x + y) % 2 == 0;
                const QRgb expected = dotted ? (plain.pixel(x, y) ^ 0x00FFFFFF) : plain.pixel(x, y);
                if (focused.pixel(x, y) != expected && differences++ < 5)
                    qWarning() << "pixel" << x << y;
            }
        }
        QCOMPARE(differences, 0);
        b.setEnabled(false);
        QCOMPARE(b.paintSpec().focus, false);
    }

    void accelerators_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("searched");
        QTest::addColumn<bool>("closed");
        QTest::newRow("Alt+Q in the selector") << "cbb1" << int(Qt::Key_Q) << true << false;
        QTest::newRow("Alt+Q in the history") << "DBGridEh1" << int(Qt::Key_Q) << true << false;
        QTest::newRow("Alt+X in the selector") << "cbb1" << int(Qt::Key_X) << false << true;
        QTest::newRow("Alt+X in the history") << "DBGridEh1" << int(Qt::Key_X) << false << true;
        QTest::newRow("Alt+S") << "DBGridEh1" << int(Qt::Key_S) << false << false;
    }
    // Alt+Q searches and leaves the window open; Alt+X closes it; pressed as the operator does.
    void accelerators()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, searched);
        QFETCH(bool, closed);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        QWidget* target = focus == "cbb1" ? static_cast<QWidget*>(w.cbb1) : w.DBGridEh1;
        target->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        QVERIFY(settled(w));
        QCOMPARE(w.Qai->Active(), searched);
        QCOMPARE(w.Qais->Active(), searched);
        QCOMPARE(w.isVisible(), !closed);
    }

    void ctrlTab_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected");
        const int tab = Qt::Key_Tab, backtab = Qt::Key_Backtab;
        const int ctrl = Qt::ControlModifier, back = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("history to comparison") << "DBGridEh1" << 0 << tab << ctrl << 1;
        QTest::newRow("comparison to chart") << "DBGridEh3" << 1 << tab << ctrl << 2;
        QTest::newRow("history back to the fleet") << "DBGridEh1" << 0 << tab << back << 4;
        QTest::newRow("alerts on to the fleet") << "alertsGrid" << 3 << tab << ctrl << 4;
        QTest::newRow("comparison back to history") << "DBGridEh3" << 1 << backtab << back << 0;
        QTest::newRow("selector: no page") << "cbb1" << 0 << tab << ctrl << 0;
        QTest::newRow("search button: no page") << "bbSear" << 1 << tab << ctrl << 1;
        QTest::newRow("close button: no page") << "bbClose" << 2 << backtab << back << 2;
    }
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages while the focus is inside them, not from
    // the header; the focus follows into the page in front.
    void ctrlTab()
    {
        QFETCH(QString, focus);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        w.pc1->setActivePageIndex(start);
        const QHash<QString, QWidget*> controls{
            {"DBGridEh1", w.DBGridEh1}, {"DBGridEh3", w.DBGridEh3}, {"alertsGrid", w.alertsGrid},
            {"cbb1", w.cbb1},           {"bbSear", w.bbSear},       {"bbClose", w.bbClose}};
        QWidget* target = controls.value(focus);
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.pc1->activePageIndex(), expected);
        QWidget* focused = QApplication::focusWidget();
        if (w.pc1->isAncestorOf(target))
            QVERIFY(w.pc1->page(expected) == focused ||
                    w.pc1->page(expected)->isAncestorOf(focused));
        else
            QCOMPARE(focused, target);
    }

    // Round the pages and back, through the charts' pages, which take no focus.
    void ctrlTabGoesAllTheWayRound()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        w.DBGridEh1->setFocus();
        for (int expected : {1, 2, 3, 4, 0, 1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(w.pc1->activePageIndex(), expected);
        }
    }
};

TV_REGISTER_TEST(TestMonitorHeader);
#include "tst_header.moc"
