#include "ButtonGlyphs.h"
#include "DBChart.h"
#include "DBGridEh.h"
#include "FleetChart.h"
#include "FreshnessLine.h"
#include "LbButton.h"
#include "ResolvedFonts.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {

// The window's client area: the header along the top, the page control below it.
constexpr QSize kClient(960, 617);
constexpr int kHeader = 72;

QWidget* member(TfrmA00Main& w, const QString& name)
{
    const QHash<QString, QWidget*> controls{{"Panel1", w.panel1},
                                            {"Label1", w.Label1},
                                            {"Label2", w.Label2},
                                            {"Label3", w.Label3},
                                            {"Label4", w.Label4},
                                            {"st1", w.st1},
                                            {"RzDBLabel1", w.RzDBLabel1},
                                            {"RzDBLabel2", w.RzDBLabel2},
                                            {"cbb1", w.cbb1},
                                            {"bbSear", w.bbSear},
                                            {"bbClose", w.bbClose},
                                            {"pc1", w.pc1},
                                            {"ts11", w.ts11},
                                            {"ts12", w.ts12},
                                            {"ts13", w.ts13},
                                            {"Panel2", w.panel2},
                                            {"DBGridEh1", w.DBGridEh1},
                                            {"DBGridEh3", w.DBGridEh3},
                                            {"DBChart1", w.DBChart1},
                                            {"alertsPage", w.alertsPage},
                                            {"alertsGrid", w.alertsGrid},
                                            {"fleetPage", w.fleetPage},
                                            {"fleetChart", w.fleetChart}};
    return controls.value(name);
}

template <typename T> T* member(TfrmA00Main& w, const QString& name)
{
    return qobject_cast<T*>(member(w, name));
}

void compareFont(const QFont& font, const QString& family, int pixels)
{
    QCOMPARE(QFontInfo(font).family(), family);
    QCOMPARE(QFontInfo(font).pixelSize(), pixels);
}

} // namespace

// The window as the program builds it, row by row against its tables.
class TestMonitorWindow : public QObject {
    Q_OBJECT
private slots:
    void window()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("A00Main-主界面"));
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(308, 141));
        QCOMPARE(w.size(), kClient);
        QVERIFY(w.minimumSize() != w.maximumSize()); // sizeable
        compareFont(w.font(), kSongTiFont, 19);
    }

    void header_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("geometry"); // no size: a caption as large as its text
        QTest::addColumn<QString>("family"); // as resolved; empty: nothing of its own to show
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("content"); // text, field, caption or list
        const QString yaHei = kYaHeiFont;
        QTest::newRow("header") << "Panel1" << QRect(0, 0, kClient.width(), kHeader) << "" << 0
                                << "";
        QTest::newRow("Label2") << "Label2" << QRect(7, 4, 0, 0) << yaHei << 19 << "AI提示";
        QTest::newRow("RzDBLabel1") << "RzDBLabel1" << QRect(7, 35, 172, 32) << yaHei << 19 << "cz";
        QTest::newRow("Label1") << "Label1" << QRect(184, 4, 0, 0) << yaHei << 19 << "离下期开奖";
        QTest::newRow("st1") << "st1" << QRect(184, 35, 92, 32) << yaHei << 19 << "xqkj";
        QTest::newRow("Label3") << "Label3" << QRect(296, 4, 0, 0) << yaHei << 19 << "本期号码";
        QTest::newRow("RzDBLabel2")
            << "RzDBLabel2" << QRect(296, 35, 92, 32) << yaHei << 19 << "zjhm";
        QTest::newRow("Label4") << "Label4" << QRect(477, 4, 0, 0) << yaHei << 19 << "AI机器人";
        QTest::newRow("cbb1") << "cbb1" << QRect(477, 32, 145, 33) << yaHei << 19
                              << "追0,追1,追2,追3,追4,追5,追6,追7,追8,追9,全局最热";
        QTest::newRow("bbSear") << "bbSear" << QRect(629, 11, 100, 53) << kSongTiFont << 19
                                << "查询(&Q)";
        // Docked to the right, inside the panel's edge and 5-pixel border.
        QTest::newRow("bbClose") << "bbClose" << QRect(kClient.width() - 6 - 130, 6, 130, 60)
                                 << kSongTiFont << 19 << "退出(&X)";
        // Down to the status line (checked on its own).
        QTest::newRow("pages") << "pc1"
                               << QRect(0, kHeader, kClient.width(), kClient.height() - kHeader)
                               << "" << 0 << "";
    }
    void header()
    {
        QFETCH(QString, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QString, content);
        WindowFixture f;
        QWidget* c = member(*f.window, control);
        QVERIFY(c);
        QCOMPARE(c->pos(), geometry.topLeft());
        if (c == f.window->pc1)
            geometry.setBottom(f.window->statusLine->y() - 1);
        auto* label = qobject_cast<QLabel*>(c);
        if (!geometry.size().isEmpty())
            QCOMPARE(c->size(), geometry.size());
        else
            QCOMPARE(label->size(), QFontMetrics(label->font()).size(0, label->text()));
        if (!family.isEmpty())
            compareFont(c->font(), family, pixels);
        if (label) {
            QCOMPARE(label->text(), content);
        } else if (auto* value = qobject_cast<TRzDBLabel*>(c)) {
            QCOMPARE(value->dataField(), content);
        } else if (auto* button = qobject_cast<TLbButton*>(c)) {
            QCOMPARE(button->Caption(), content);
        } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items.join(u','), content);
            QCOMPARE(combo->currentIndex(), 0);
            QVERIFY(combo->isEditable());
        }
    }

    void valueLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<uint>("colour");
        QTest::newRow("RzDBLabel1") << "RzDBLabel1"
                                    << "cz" << QSize(172, 32) << uint(clBlue);
        QTest::newRow("st1") << "st1"
                             << "xqkj" << QSize(92, 32) << uint(clRed);
        QTest::newRow("RzDBLabel2") << "RzDBLabel2"
                                    << "zjhm" << QSize(92, 32) << uint(clBlack);
    }
    // Each label shows its field of the header query, as the operator sees it.
    void valueLabels()
    {
        QFETCH(QString, label);
        QFETCH(QString, field);
        QFETCH(QSize, size);
        QFETCH(uint, colour);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        auto* l = member<TRzDBLabel>(w, label);
        QCOMPARE(l->DataSource(), w.DShead.get());
        QCOMPARE(l->dataField(), field);
        QCOMPARE(l->size(), size);
        QCOMPARE(l->fontColor(), BgrColor(colour));
        QVERIFY(w.Qhead->Active());
        QCOMPARE(l->Caption(), w.Qhead->fieldByName(field)->displayText());
        QVERIFY(!l->Caption().isEmpty());
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("layout");
        QTest::addColumn<uint>("colour");
        QTest::addColumn<uint>("light");
        QTest::addColumn<uint>("shadow");
        QTest::addColumn<int>("modalResult");
        QTest::addColumn<QPixmap>("glyph");
        QTest::newRow("bbSear") << "bbSear"
                                << "查询(&Q)" << QSize(100, 53) << int(blGlyphTop) << 12632256u
                                << 16777215u << 8421504u << 4 << searchGlyph();
        QTest::newRow("bbClose") << "bbClose"
                                 << "退出(&X)" << QSize(130, 60) << int(blGlyphLeft) << 15519380u
                                 << 16574164u << 0u << 0 << closeGlyph();
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(QSize, size);
        QFETCH(int, layout);
        QFETCH(uint, colour);
        QFETCH(uint, light);
        QFETCH(uint, shadow);
        QFETCH(int, modalResult);
        QFETCH(QPixmap, glyph);
        WindowFixture f;
        auto* b = member<TLbButton>(*f.window, button);
        QCOMPARE(b->Caption(), caption);
        QCOMPARE(b->size(), size);
        QCOMPARE(int(b->Layout()), layout);
        QCOMPARE(b->Color(), BgrColor(colour));
        QCOMPARE(b->LightColor(), BgrColor(light));
        QCOMPARE(b->ShadowColor(), BgrColor(shadow));
        QCOMPARE(b->ModalResult(), modalResult);
        QCOMPARE(b->NumGlyphs(), 2);
        QVERIFY(b->isEnabled());
        QCOMPARE(b->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        // The picture strip, with its olive drawn transparent.
        const QImage shown = b->Glyph().toImage();
        const QImage stored = glyph.toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(36, 18));
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 36; ++x)
                QCOMPARE(shown.pixelColor(x, y), stored.pixel(x, y) == kGlyphTransparent.rgb()
                                                     ? QColor(0, 0, 0, 0)
                                                     : QColor(stored.pixel(x, y)));
    }

    void pages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("content"); // fills the page
        QTest::addColumn<int>("border");      // between the page and its grid
        QTest::newRow("ts11") << 0 << "ts11"
                              << "实时状态盘"
                              << "Panel2" << 5;
        QTest::newRow("ts12") << 1 << "ts12"
                              << "机器人对比"
                              << "DBGridEh3" << 0;
        QTest::newRow("ts13") << 2 << "ts13"
                              << "追号大势"
                              << "DBChart1" << 0;
        QTest::newRow("alerts, after the three") << 3 << "alertsPage"
                                                 << "报警记录"
                                                 << "alertsGrid" << 0;
        QTest::newRow("fleet, after the alerts") << 4 << "fleetPage"
                                                 << "全体走势"
                                                 << "fleetChart" << 0;
    }
    void pages()
    {
        QFETCH(int, index);
        QFETCH(QString, page);
        QFETCH(QString, caption);
        QFETCH(QString, content);
        QFETCH(int, border);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QCOMPARE(w.pc1->pageCount(), 5);
        QCOMPARE(w.pc1->FixedDimension(), 25);
        QCOMPARE(w.pc1->activePageIndex(), 2); // as stored; showing brings the first forward
        TRzTabSheet* sheet = w.pc1->page(index);
        QCOMPARE(sheet, member(w, page));
        QCOMPARE(sheet->Caption(), caption);
        QVERIFY(f.showActive());
        w.pc1->setActivePageIndex(index);
        QWidget* filling = member(w, content);
        QCOMPARE(filling->parentWidget(), sheet);
        QCOMPARE(filling->geometry(), sheet->rect());
        if (index == 0) {
            QCOMPARE(w.DBGridEh1->parentWidget(), w.panel2);
            QCOMPARE(w.DBGridEh1->geometry(),
                     w.panel2->rect().adjusted(border, border, -border, -border));
        }
    }

    void grids_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("cellFamily");
        QTest::addColumn<int>("cellPixels");
        QTest::addColumn<QString>("titleFamily");
        QTest::addColumn<int>("titlePixels");
        QTest::newRow("DBGridEh1") << "DBGridEh1" << kYaHeiFont << 16 << kYaHeiFont << 19;
        QTest::newRow("DBGridEh3") << "DBGridEh3" << kYaHeiFont << 19 << kSongTiFont << 19;
    }
    void grids()
    {
        QFETCH(QString, grid);
        QFETCH(QString, cellFamily);
        QFETCH(int, cellPixels);
        QFETCH(QString, titleFamily);
        QFETCH(int, titlePixels);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        auto* g = member<TDBGridEh>(w, grid);
        compareFont(g->font(), cellFamily, cellPixels);
        compareFont(g->TitleFont(), titleFamily, titlePixels);
        QCOMPARE(g->DataSource(), g == w.DBGridEh1 ? w.DSai.get() : w.DSais.get());
        // The fields the grid does not list stay hidden: nine columns each.
        QCOMPARE(g->columns().size(), 9);
    }

    void columns_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("width"); // 0: from the field's display width
        QTest::addColumn<int>("chars"); // that display width, in characters
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("grey");     // text and title
        QTest::addColumn<QString>("shown"); // the latest result
        const int left = int(FieldAlignment::Left), right = int(FieldAlignment::Right),
                  centre = int(FieldAlignment::Center);
        const auto row = [](const char* grid, const char* field) -> QTestData& {
            return QTest::addRow("%s %s", grid, field) << QString::fromLatin1(grid);
        };
        row("DBGridEh1", "cpqh") << 0 << "cpqh"
                                 << "彩票期数" << 129 << 0 << left << true << "20201002-0003";
        row("DBGridEh1", "zjhm") << 1 << "zjhm"
                                 << "奖号" << 55 << 0 << left << false << "54321";
        row("DBGridEh1", "kjsj") << 2 << "kjsj"
                                 << "开奖时间" << 121 << 0 << left << true << "20-10-02 13:03";
        row("DBGridEh1", "K00") << 3 << "K00"
                                << "余额" << 0 << 6 << right << false << "1234";
        row("DBGridEh1", "K01") << 4 << "K01"
                                << "注" << 0 << 4 << right << false << "5";
        row("DBGridEh1", "K02") << 5 << "K02"
                                << "操作" << 47 << 0 << right << false << "1";
        row("DBGridEh1", "K03") << 6 << "K03"
                                << "输赢" << 0 << 6 << right << false << "-7";
        row("DBGridEh1", "K04") << 7 << "K04"
                                << "推荐号" << 79 << 0 << centre << false << "67890";
        row("DBGridEh1", "K05") << 8 << "K05"
                                << "理由" << 282 << 0 << left << true << "理由";
        row("DBGridEh3", "ainame") << 0 << "ainame"
                                   << "AI机器人" << 184 << 0 << left << false << "追0";
        row("DBGridEh3", "K00") << 1 << "K00"
                                << "余额" << 134 << 0 << right << false << "1234";
        row("DBGridEh3", "K01") << 2 << "K01"
                                << "注" << 0 << 6 << right << false << "5";
        row("DBGridEh3", "k02") << 3 << "k02"
                                << "操作" << 0 << 4 << right << false << "1";
        row("DBGridEh3", "k03") << 4 << "k03"
                                << "输赢" << 0 << 6 << right << false << "-7";
        row("DBGridEh3", "k04") << 5 << "k04"
                                << "推荐号" << 94 << 0 << centre << false << "67890";
        row("DBGridEh3", "c3max") << 6 << "c3max"
                                  << "最高峰" << 0 << 10 << right << false << "1500";
        row("DBGridEh3", "c4min") << 7 << "c4min"
                                  << "最低谷" << 0 << 10 << right << false << "900";
        row("DBGridEh3", "k05") << 8 << "k05"
                                << "说明" << 0 << 58 << left << false << "理由";
    }
    void columns()
    {
        QFETCH(QString, grid);
        QFETCH(int, index);
        QFETCH(QString, field);
        QFETCH(QString, title);
        QFETCH(int, width);
        QFETCH(int, chars);
        QFETCH(int, alignment);
        QFETCH(bool, grey);
        QFETCH(QString, shown);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        auto* g = member<TDBGridEh>(w, grid);
        TDBGridColumnEh* c = g->columns().value(index);
        QVERIFY(c);
        QCOMPARE(c->FieldName(), field);
        QCOMPARE(c->Title()->displayCaption(), title);
        if (width == 0)
            width = QFontMetrics(g->font()).horizontalAdvance(QLatin1Char('0')) * chars + 4;
        QCOMPARE(c->Width(), width);
        QCOMPARE(int(c->Alignment()), alignment);
        QCOMPARE(c->fontColor(), grey ? clGray : clBlack);
        QCOMPARE(c->Title()->fontColor(), grey ? clGray : clBlack);
        QVERIFY(f.showActive());
        QVERIFY(f.tick()); // loads
        QCOMPARE(g->describeCell(index, 1).text, shown);
    }

    // The demo feed's issue numbers, one character longer off second 0, fit the issue column
    // whole (the older ".SS" form did not).
    void fastIssueNumbersFitTheirColumn()
    {
        WindowFixture f;
        auto* g = member<TDBGridEh>(*f.window, QStringLiteral("DBGridEh1"));
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        const QRect room = g->describeCell(0, 1).textRect;
        const QFontMetrics metrics(g->font());
        for (const char c :
             QByteArray("123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx")) {
            const QString issue = QStringLiteral("20201002-0003") + QLatin1Char(c);
            QVERIFY2(metrics.horizontalAdvance(issue) <= room.width(), qPrintable(issue));
        }
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("20201002-0003.45")) > room.width());
    }

    void queries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Qhead") << "Qhead"
                               << "ainame"
                               << "追0";
        QTest::newRow("Qai") << "Qai"
                             << "ainame"
                             << "追0";
        QTest::newRow("Qais") << "Qais"
                              << "cpqh"
                              << "20201002-0792";
    }
    // Each query runs its statement through its data link, opened once while the window is
    // built with the parameter stored for it.
    void queries()
    {
        QFETCH(QString, query);
        QFETCH(QString, parameter);
        QFETCH(QString, stored);
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        const struct {
            TADOQuery* query;
            const StatementDef& statement;
            TDataSource* link;
        } queries[] = {{w.Qhead.get(), statements::header(), w.DShead.get()},
                       {w.Qai.get(), statements::robotHistory(), w.DSai.get()},
                       {w.Qais.get(), statements::robotComparison(), w.DSais.get()}};
        for (const auto& q : queries) {
            if (q.query->name() != query)
                continue;
            QCOMPARE(q.query->statement().tsql, q.statement.tsql);
            QCOMPARE(q.link->dataSet(), q.query);
            QCOMPARE(q.query->paramValue(parameter), stored);
            QVERIFY(q.query->Active());
            return;
        }
        QFAIL("no such query");
    }

    void chart()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QCOMPARE(w.Series1->DataSource(), w.Qai.get());
        QCOMPARE(w.Series1->XValues().ValueSource(), QStringLiteral("id"));
        QCOMPARE(w.Series1->YValues().ValueSource(), QStringLiteral("K00"));
        QVERIFY(f.showActive());
        QVERIFY(f.tick()); // loads
        QCOMPARE(w.Series1->count(), 3);
    }

    void timer()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QCOMPARE(w.Timer1->Interval(), 1000);
        QVERIFY(w.Timer1->Enabled());
        QVERIFY(w.Timer1->OnTimer());
        QVERIFY(w.Timer1->armed());
    }

    // First shown: the first page in front, the focus in the selector, the grids empty; Tab
    // goes on to the search button and the close button.
    void firstShown()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        QCOMPARE(w.pc1->activePageIndex(), 0);
        QCOMPARE(QApplication::focusWidget(), w.cbb1);
        QVERIFY(!w.Qai->Active());
        QVERIFY(!w.Qais->Active());
        QCOMPARE(w.Series1->count(), 0);
        QTest::keyClick(w.cbb1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.bbSear);
        QTest::keyClick(w.bbSear, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.bbClose);
    }

    // The status line along the bottom, in the window's font, below the page control; no tab
    // stop.
    void statusLine()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        const QWidget* line = w.statusLine;
        QCOMPARE(line->geometry(), QRect(0, w.pc1->geometry().bottom() + 1, kClient.width(),
                                         kClient.height() - w.pc1->geometry().bottom() - 1));
        QVERIFY(line->height() > QFontMetrics(line->font()).height());
        compareFont(line->font(), kSongTiFont, 19);
        QCOMPARE(line->focusPolicy(), Qt::NoFocus);
        QVERIFY(
            w.statusLine->text().startsWith(QStringLiteral("数据来源：fixture.db　　最近刷新：")));
        // Drawn piece by piece, it reads as the whole line drawn at once.
        const QImage shown = w.statusLine->grab().toImage();
        QImage whole = shown;
        {
            QPainter p(&whole);
            const QRect inside = w.statusLine->contentsRect();
            p.fillRect(inside, w.statusLine->palette().color(QPalette::Window));
            p.setFont(line->font());
            p.setPen(w.statusLine->palette().color(QPalette::WindowText));
            const int h = QFontMetrics(line->font()).height();
            p.setClipRect(inside);
            p.drawText(QRect(inside.x() + 4, inside.y() + (inside.height() - h) / 2, 4000, h),
                       Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop, w.statusLine->text());
        }
        QCOMPARE(shown, whole);
    }
    // Each second only what changed is painted again: what the screen then shows is the line
    // painted whole, also when a piece gets shorter or an outage part goes.
    void statusLineRepaintsWhatChanged()
    {
        WindowFixture f;
        TfrmA00Main& w = *f.window;
        QVERIFY(f.showActive());
        const QDateTime at(QDate::currentDate(), QTime(23, 59, 59));
        const Freshness steps[] = {{"fixture.db", at, true, at, true},
                                   {"fixture.db", at.addSecs(-3600 * 24), false, {}, false},
                                   {"fixture.db", at.addSecs(-1), false, {}, false}};
        for (const Freshness& step : steps) {
            w.statusLine->setFreshness(step);
            QCoreApplication::processEvents();
            const QRect line(w.statusLine->mapTo(&w, QPoint()), w.statusLine->size());
            const QImage screen =
                w.windowHandle()
                    ->screen()
                    ->grabWindow(w.winId(), line.x(), line.y(), line.width(), line.height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            QCOMPARE(screen, w.statusLine->grab().toImage().convertToFormat(QImage::Format_RGB32));
        }
    }
};

TV_REGISTER_TEST(TestMonitorWindow);
#include "tst_window.moc"
