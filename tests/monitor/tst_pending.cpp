#include "Application.h"
#include "DBGridEh.h"
#include "DelayedDriver.h"
#include "RzDBLabel.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cstdio>

namespace {

// The window on a database whose every statement takes as long as the test says: robot 追0
// with draws 1 to 3, balances 1300, 1100 and 1200, so that a sort by balance reorders them.
struct SlowWindow : WindowFixture {
    std::shared_ptr<std::atomic<int>> delayMs = std::make_shared<std::atomic<int>>(0);

    SlowWindow() : WindowFixture(Rows::Own)
    {
        const int balances[] = {1300, 1100, 1200};
        for (int draw = 1; draw <= 3; ++draw)
            addDraw(draw, balances[draw - 1]);
        db.setVersion(1);
        connect([path = db.path(), d = delayMs] {
            return std::make_unique<DelayedDriver>(makeSqliteDriver(path), d);
        });
    }
    void addDraw(int draw, int balance)
    {
        FixtureDb::Result r;
        r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
        r.k00 = balance;
        db.addResult(r);
    }
    // Shown, active, loaded by the first tick and one tick further, so that the next is odd.
    bool showLoaded() { return showActive() && tick() && tick(); }
    TDBGridEh& history() const { return *window->DBGridEh1; }
    QStringList order() const
    {
        QStringList draws;
        TADOQuery& q = *window->Qai;
        for (int i = 1; i <= q.RecordCount(); ++i) {
            TCustomADODataSet::ActiveRecordScope scope(q, i);
            draws << q.fieldByName(QStringLiteral("cpqh"))->asString().right(1);
        }
        return draws;
    }
    QString current() const
    {
        return window->Qai->fieldByName(QStringLiteral("cpqh"))->asString().right(1);
    }
    int balanceColumn() const
    {
        for (int c = 0; c < history().columns().size(); ++c)
            if (history().columns()[c]->FieldName() == u"K00")
                return c;
        return -1;
    }
};

} // namespace

// Input made while the window's work is in flight applies to the result that lands, as it
// did when the handlers held the input back until they returned.
class TestInputWhilePending : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    // A reload after a counter rise, each statement taking 250 ms (the header, the header
    // again keeping its row, the history, the comparison: 1 s), with input at a moment of it.
    // Draws: 4 is new, balances 1000 (4), 1200 (3), 1100 (2), 1300 (1).
    void inputDuringAReload_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("atMs"); // after the tick; -1: just before it
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("marked");
        QTest::newRow("title 余额 clicked during the header") << "title" << 100 << "4231"
                                                              << "4" << true;
        QTest::newRow("title 余额 clicked during the history") << "title" << 600 << "4231"
                                                               << "4" << true;
        QTest::newRow("title 余额 clicked during the comparison") << "title" << 850 << "4231"
                                                                  << "4" << true;
        QTest::newRow("title 余额 clicked before the tick: the reload drops the sort")
            << "title" << -1 << "4321"
            << "4" << true;
        QTest::newRow("row of draw 2 clicked during the header") << "row" << 100 << "4321"
                                                                 << "2" << false;
        QTest::newRow("row 2 clicked during the comparison (draw 3 by then)")
            << "row" << 850 << "4321"
            << "3" << false;
        QTest::newRow("Down during the header") << "down" << 100 << "4321"
                                                << "3" << false;
        QTest::newRow("End during the history") << "end" << 600 << "4321"
                                                << "1" << false;
        QTest::newRow("a wheel notch towards the user during the history")
            << "wheel" << 600 << "4321"
            << "3" << false;
    }
    void inputDuringAReload()
    {
        QFETCH(QString, input);
        QFETCH(int, atMs);
        QFETCH(QString, order);
        QFETCH(QString, current);
        QFETCH(bool, marked);
        SlowWindow f;
        QVERIFY(f.showLoaded());
        TDBGridEh& grid = f.history();
        const QPoint title =
            grid.Layout().cellRect(f.balanceColumn(), 0).center() + grid.clientOrigin();
        const QPoint row2 = grid.Layout().cellRect(0, 2).center() + grid.clientOrigin();
        bool whilePending = atMs < 0;
        const auto act = [&] {
            whilePending = whilePending != f.window->workInFlight();
            if (input == u"title") {
                QTest::mouseClick(&grid, Qt::LeftButton, {}, title);
            } else if (input == u"row") {
                QTest::mouseClick(&grid, Qt::LeftButton, {}, row2);
            } else if (input == u"down") {
                QTest::keyClick(&grid, Qt::Key_Down);
            } else if (input == u"end") {
                QTest::keyClick(&grid, Qt::Key_End);
            } else {
                QWheelEvent wheel(row2, grid.mapToGlobal(row2), {}, {0, -120}, Qt::NoButton, {},
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(&grid, &wheel);
            }
        };
        grid.setFocus();
        if (atMs < 0)
            act();
        f.delayMs->store(250);
        f.addDraw(4, 1000);
        f.db.setVersion(2);
        if (atMs >= 0)
            QTimer::singleShot(atMs, f.window.get(), act);
        f.window->Timer1Timer(f.window->Timer1);
        QVERIFY(settled(*f.window));
        QVERIFY(whilePending);
        const QString marker =
            grid.columns()[f.balanceColumn()]->Title()->SortMarker() == smUpEh ? "up" : "none";
        std::printf("input while a reload is pending: %s: rows %s, current draw %s, marker %s\n",
                    QTest::currentDataTag(), qPrintable(f.order().join(u' ')),
                    qPrintable(f.current()), qPrintable(marker));
        QCOMPARE(f.order().join(QString()), order);
        QCOMPARE(f.current(), current);
        QCOMPARE(marker, QString::fromLatin1(marked ? "up" : "none"));
    }

    // A robot name typed in full is searched as typed; the focus leaving the selector, or
    // Return, leaves the text as it was and searches nothing more.
    void finishingAnEditSearchesNoMore_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("Return") << int(Qt::Key_Return);
    }
    void finishingAnEditSearchesNoMore()
    {
        QFETCH(int, key);
        SlowWindow f;
        FixtureDb::Result other;
        other.ainame = QStringLiteral("追1");
        other.cpqh = QStringLiteral("20201002-0003");
        f.db.addResult(other);
        QVERIFY(f.showLoaded());
        QCOMPARE(f.window->cbb1->findText(QStringLiteral("追1")), 1);
        f.window->cbb1->setFocus();
        f.window->cbb1->lineEdit()->selectAll();
        for (const QChar c : QStringLiteral("追1")) {
            QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(f.window->cbb1, &typed);
        }
        QVERIFY(settled(*f.window));
        QCOMPARE(f.window->Qai->RecordCount(), 1);
        QSignalSpy work(f.window.get(), &TfrmA00Main::workApplied);
        QTest::keyClick(f.window->cbb1, Qt::Key(key));
        QVERIFY(settled(*f.window));
        QTest::qWait(20);
        QCOMPARE(work.count(), 0);
        QCOMPARE(f.window->cbb1->currentText(), QStringLiteral("追1"));
    }

    // The window goes on screen with the header filled, however long the show handler's
    // statements take.
    void firstPaintShowsTheHeader()
    {
        struct FirstPaint : QObject {
            QString caption;
            bool painted = false;
            bool eventFilter(QObject* object, QEvent* event) override
            {
                if (event->type() == QEvent::Paint && !painted) {
                    painted = true;
                    caption = static_cast<TRzDBLabel*>(object)->Caption();
                }
                return false;
            }
        };
        for (int start = 0; start < 3; ++start) {
            SlowWindow f;
            f.delayMs->store(60);
            f.make();
            FirstPaint first;
            f.window->RzDBLabel2->installEventFilter(&first);
            f.window->show();
            QTRY_VERIFY(first.painted);
            QCOMPARE(first.caption, QStringLiteral("12345"));
        }
    }
};
TV_REGISTER_TEST(TestInputWhilePending);

#include "tst_pending.moc"
