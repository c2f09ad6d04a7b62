#include "DBGridEhStyle.h"
#include "GridFixture.h"
#include "KeptPictureScrollBar.h"
#include "TestRegistry.h"

#include <QFontMetrics>
#include <QScreen>
#include <QTest>

namespace {
const QColor kStripe(225, 245, 255);
const QColor kWhite(255, 255, 255);
const QColor kGlyphGrey(128, 128, 128);

// A point well inside a data cell away from its text: just right of the cell's left edge.
QPoint inCell(const GridLayout& l, int col, int row)
{
    const QRect r = l.cellRect(col, row);
    return QPoint(r.left() + 1, r.bottom() - 1);
}

// The palette's colour as a plain RGB value, comparable with image pixels.
QColor sys(SystemColor which)
{
    return QColor(systemColor(which).rgb());
}

bool focusGrid(TDBGridEh& grid)
{
    grid.show();
    grid.activateWindow();
    grid.setFocus();
    return QTest::qWaitForWindowActive(&grid) && grid.hasFocus();
}

// Another window active: a grid's current row then has the colour it has off screen.
struct OtherWindowActive {
    QWidget window;
    bool active;
    OtherWindowActive()
    {
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }
};

// What the grid shows on screen, painted through the window's backing store; grab() paints anew.
QImage onScreen(const TDBGridEh& grid)
{
    return grid.screen()->grabWindow(grid.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestGridPaint : public QObject {
    Q_OBJECT
private slots:
    // A cell cut by the client area's edge (the last column here) paints only inside it: the
    // border and the corner between the scroll bars keep their colours.
    void cellsStayInsideTheClientArea()
    {
        GridFixture f(60, QSize(700, 300));
        f.q->open();
        const QRect client(f.grid->clientOrigin(), f.grid->Layout().clientSize());
        const int last = f.grid->Layout().lastVisibleCol();
        QVERIFY(f.grid->Layout().cellRect(last, 1).right() + client.left() > client.right());
        // The grid alone, without the scroll bars drawn over it.
        QImage img(f.grid->size(), QImage::Format_RGB32);
        f.grid->render(&img, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        int outside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = client.right() + 1; x < img.width(); ++x)
                outside += img.pixelColor(x, y) == kStripe ? 1 : 0;
        QCOMPARE(outside, 0);
        QCOMPARE(img.pixelColor(client.right() + 1, client.top() + 40), sys(SystemColor::BtnFace));
    }

    void firstRecordIsLightBlueWhateverTheScroll()
    {
        GridFixture f(60);
        f.q->open();
        const int rows = f.grid->Layout().visibleRowCapacity();
        f.q->MoveBy(rows + 5); // scroll away
        f.q->First();
        f.q->Next(); // record 1 back at the top, not current
        QCOMPARE(f.grid->recordBuffer().top(), 1);
        QImage img = f.image();
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 0, 1)), kStripe);
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 0, 4)), kWhite);
        // Sorted, the top record is again record 1 and light blue, numbered 1.
        f.grid->ToggleTitleSort(f.column("K00"));
        f.q->setRecNo(2);
        f.q->First();
        f.q->Next();
        img = f.image();
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 4, 1)), kStripe);
        QCOMPARE(f.grid->describeCell(-1, 1).number, QStringLiteral("1"));
        QCOMPARE(f.grid->describeCell(-1, 2).number, QStringLiteral("2"));
    }

    void stripesMoveWithRecords_data()
    {
        QTest::addColumn<int>("scrolledBy");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
    }
    void stripesMoveWithRecords()
    {
        QFETCH(int, scrolledBy);
        GridFixture f(60);
        f.q->open();
        const int rows = f.grid->Layout().visibleRowCapacity();
        f.q->setRecNo(rows + scrolledBy); // the current row is the last visible one
        const int top = f.grid->recordBuffer().top();
        QCOMPARE(top, 1 + scrolledBy);
        const QImage img = f.image();
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 0, 1)), top % 2 == 0 ? kWhite : kStripe);
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 0, 2)), top % 2 == 0 ? kStripe : kWhite);
    }

    void currentRowColoursFollowFocus()
    {
        GridFixture f(10);
        f.q->open();
        f.q->setRecNo(3);
        const QPoint p = inCell(f.grid->Layout(), 2, 3);
        QVERIFY(!f.grid->hasFocus());
        QCOMPARE(f.pixel(f.image(), p), sys(SystemColor::BtnShadow));
        QCOMPARE(f.grid->describeCell(2, 3).textColor, sys(SystemColor::HighlightText));
        QVERIFY(focusGrid(*f.grid));
        QCOMPARE(f.pixel(f.image(), p), sys(SystemColor::Highlight));
        QCOMPARE(f.grid->describeCell(2, 3).textColor, sys(SystemColor::HighlightText));
        // Other rows keep their stripes and the column's colour.
        QCOMPARE(f.pixel(f.image(), inCell(f.grid->Layout(), 2, 2)), kWhite);
        QCOMPARE(f.grid->describeCell(2, 2).textColor, toQColor(clGray));
    }

    // In the cell font, also after the font changed once the numbers were painted.
    void recordNumbersInIndicator_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("row");
        QTest::newRow("cell font") << 16 << 11;
        QTest::newRow("larger font") << 30 << 5;
    }
    void recordNumbersInIndicator()
    {
        QFETCH(int, pixels);
        QFETCH(int, row);
        GridFixture f(12);
        f.q->open();
        f.image();
        f.grid->setFont(pixelFont(kYaHei, pixels));
        const QFontMetrics fm(f.grid->font());
        const GridLayout& l = f.grid->Layout();
        const GridCellPaint cell = f.grid->describeCell(-1, row);
        const QString number = QString::number(row);
        QCOMPARE(cell.number, number);
        const int width = fm.horizontalAdvance(number);
        QCOMPARE(cell.numberPos,
                 QPoint((l.indicatorWidth() - width - 11) / 2, l.rowBottom(row) - fm.height() - 2));
        // Some black of the digits inside their box.
        const QImage img = f.image();
        bool black = false;
        for (int x = cell.numberPos.x(); x < cell.numberPos.x() + width; ++x)
            for (int y = cell.numberPos.y(); y < cell.numberPos.y() + fm.height(); ++y)
                black |= f.pixel(img, QPoint(x, y)).lightness() < 60;
        QVERIFY(black);
        QVERIFY(f.grid->describeCell(-1, 2).glyph == GridGlyph::None);
        QVERIFY(f.grid->describeCell(-1, 1).glyph == GridGlyph::Arrow);
    }

    void emptyResultShowsArrowAndNoNumber()
    {
        GridFixture f(0);
        f.q->open();
        const GridLayout& l = f.grid->Layout();
        const GridCellPaint cell = f.grid->describeCell(-1, 1);
        QVERIFY(cell.glyph == GridGlyph::Arrow);
        QVERIFY(cell.number.isEmpty());
        const QRect r = l.cellRect(-1, 1);
        QCOMPARE(cell.glyphPos, QPoint(r.right() + 1 - 2 - 6, r.top() + (r.height() - 11) / 2));
        const QImage img = f.image();
        // The arrow's point (middle of its right column) and its base (left column, top).
        QCOMPARE(f.pixel(img, cell.glyphPos + QPoint(5, 5)), QColor(0, 0, 0));
        QCOMPARE(f.pixel(img, cell.glyphPos + QPoint(0, 0)), QColor(0, 0, 0));
        QCOMPARE(f.pixel(img, cell.glyphPos + QPoint(5, 0)), sys(SystemColor::BtnFace));
        // The blank row is painted in the grid colour, with no stripe.
        QCOMPARE(f.pixel(img, inCell(l, 0, 1)), sys(SystemColor::Window));
        f.q->close();
        QVERIFY(f.grid->describeCell(-1, 1).glyph == GridGlyph::None);
        QCOMPARE(f.pixel(f.image(), cell.glyphPos + QPoint(0, 0)), sys(SystemColor::BtnFace));
    }

    void sortGlyphsAtTheirOffsets_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("up");
        QTest::newRow("ascending shows up") << 1 << true;
        QTest::newRow("descending shows down") << 2 << false;
    }
    void sortGlyphsAtTheirOffsets()
    {
        QFETCH(int, clicks);
        QFETCH(bool, up);
        GridFixture f(10);
        f.q->open();
        TDBGridColumnEh* k00 = f.column("K00");
        for (int i = 0; i < clicks; ++i)
            f.grid->ToggleTitleSort(k00);
        const int col = f.grid->columns().indexOf(k00);
        const QRect content = f.grid->Layout().cellRect(col, 0).adjusted(1, 1, -1, -1);
        const QPoint origin(content.right() + 1 - 12, content.top() + (content.height() - 9) / 2);
        const GridCellPaint cell = f.grid->describeCell(col, 0);
        QVERIFY(cell.glyph == (up ? GridGlyph::SortUp : GridGlyph::SortDown));
        QCOMPARE(cell.glyphPos, origin);
        QCOMPARE(cell.textRect.width(), content.width() - 16);
        const QImage img = f.image();
        const QColor face = sys(SystemColor::BtnFace);
        if (up) {
            QCOMPARE(f.pixel(img, origin + QPoint(4, 0)), kGlyphGrey); // apex, left stroke
            QCOMPARE(f.pixel(img, origin + QPoint(0, 7)), kGlyphGrey);
            QCOMPARE(f.pixel(img, origin + QPoint(9, 7)), kWhite); // right stroke
            QCOMPARE(f.pixel(img, origin + QPoint(2, 8)), kWhite); // base
        } else {
            QCOMPARE(f.pixel(img, origin + QPoint(2, 0)), kGlyphGrey); // base
            QCOMPARE(f.pixel(img, origin + QPoint(4, 8)), kGlyphGrey); // apex, left stroke
            QCOMPARE(f.pixel(img, origin + QPoint(9, 1)), kWhite);     // right stroke
        }
        QCOMPARE(f.pixel(img, origin + QPoint(4, 4)), face); // hollow inside
        QCOMPARE(f.pixel(img, origin + QPoint(-1, 4)), face);
    }

    void narrowMarkedColumnHasNoGlyph()
    {
        GridFixture f(10);
        f.q->open();
        TDBGridColumnEh* k00 = f.column("K00");
        f.grid->ToggleTitleSort(k00);
        k00->setWidth(15);
        const int col = f.grid->columns().indexOf(k00);
        const GridCellPaint cell = f.grid->describeCell(col, 0);
        QVERIFY(cell.glyph == GridGlyph::None);
        QCOMPARE(cell.textRect.width(), 15 - 2 - 2);
        k00->setWidth(16);
        QVERIFY(f.grid->describeCell(col, 0).glyph == GridGlyph::SortUp);
    }

    void dataSetGoneWithoutNotice()
    {
        GridFixture f(10);
        f.q->open();
        f.source.setDataSet(nullptr); // the grid hears of it
        QCOMPARE(f.grid->shownRowCount(), 1);
        auto source = std::make_unique<TDataSource>();
        source->setDataSet(f.q.get());
        f.grid->setDataSource(source.get());
        QCOMPARE(f.grid->recordBuffer().count(), 10);
        source.reset(); // the grid is not told, and must not read a dead dataset
        const QImage img = f.image();
        QCOMPARE(f.pixel(img, inCell(f.grid->Layout(), 0, 1)), sys(SystemColor::Window));
        QVERIFY(f.grid->describeCell(-1, 1).number.isEmpty());
    }

    void lineColours()
    {
        GridFixture f(10);
        f.q->open();
        const GridLayout& l = f.grid->Layout();
        const QImage img = f.image();
        const int between = l.cellRect(0, 0).right() + 1; // line right of the first column
        const QColor fixed(128, 128, 128), data(192, 192, 192);
        QCOMPARE(f.pixel(img, QPoint(between, l.titleHeight() / 2)), fixed);
        QCOMPARE(f.pixel(img, QPoint(between, l.rowTop(2) + 3)), data);
        QCOMPARE(f.pixel(img, QPoint(between + 5, l.rowBottom(1))), data);
        QCOMPARE(f.pixel(img, QPoint(between + 5, l.titleHeight())), fixed);
        QCOMPARE(f.pixel(img, QPoint(l.indicatorWidth(), l.rowTop(3) + 2)), fixed);
        QCOMPARE(f.pixel(img, QPoint(3, l.rowBottom(1))), fixed);
        // Bevel: the light top edge of a title cell.
        QCOMPARE(f.pixel(img, QPoint(between + 5, 0)), sys(SystemColor::BtnHighlight));
        // Below the last row the grid colour.
        QCOMPARE(f.pixel(img, QPoint(between + 5, l.rowBottom(10) + 4)), sys(SystemColor::Window));
    }

    // On screen, texts drawn again come from pictures: after reloads that move every row onto
    // the other stripe and back, the grid still shows what drawing each text anew gives.
    void textPicturesShowWhatDrawingGives()
    {
        GridFixture shown(40), drawn(44);
        shown.q->open();
        shown.grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.grid.get()));
        const OtherWindowActive other;
        QVERIFY(other.active);
        for (int i = 40; i < 44; ++i) {
            FixtureDb::Result r;
            r.cpqh = QStringLiteral("20201002-%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            r.k00 = 1000 + (i * 37) % 101;
            r.k01 = i % 7;
            r.zjhm = QStringLiteral("%1").arg((i * 7919) % 100000, 5, 10, QLatin1Char('0'));
            shown.data.db.addResult(r);
            shown.q->close();
            shown.q->open();
            shown.grid->repaint();
        }
        drawn.q->open();
        QCOMPARE(onScreen(*shown.grid), drawn.image().convertToFormat(QImage::Format_RGB32));
    }

    // A hidden grid makes its view ready, its scroll bar's picture too: shown, it shapes nothing
    // more and shows what a grid that made nothing ready draws.
    void hiddenGridMakesItsViewReady()
    {
        GridFixture shown(40), drawn(40);
        shown.q->open();
        QCOMPARE(shown.grid->shapedTextCount(), 0);
        const auto* bar = shown.grid->findChild<KeptPictureScrollBar*>();
        shown.grid->prepareWhileHidden();
        QTRY_VERIFY(shown.grid->shapedTextCount() > 40);
        const int ready = shown.grid->shapedTextCount();
        QCOMPARE(bar->picturesMade(), 1);
        shown.grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.grid.get()));
        const OtherWindowActive other;
        QVERIFY(other.active);
        shown.grid->repaint();
        QCOMPARE(shown.grid->shapedTextCount(), ready);
        drawn.q->open();
        QCOMPARE(onScreen(*shown.grid), drawn.image().convertToFormat(QImage::Format_RGB32));
    }
};
TV_REGISTER_TEST(TestGridPaint);
#include "tst_paint.moc"
