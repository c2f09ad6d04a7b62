#pragma once
#include "A00Main.h"
#include "FixtureDb.h"
#include "ScopedDataModule.h"
#include "Timer.h"
#include "WindowWork.h"

#include <QApplication>
#include <QTest>
#include <memory>
#include <optional>

// The monitor window as the program builds it, for executables that link the monitor library:
// a fresh database, the data module installed as DM while the fixture lives, and the window.
struct WindowFixture {
    // Labelled: robot 追0 with three draws in which every column of the latest result shows a
    // text of its own (balances 900, 1500 and 1234, so that its highest and lowest differ from
    // the balance), and the window made at once. Own: the test writes the rows and makes the
    // window when they are there.
    enum class Rows { Labelled, Own };

    FixtureDb db;
    std::unique_ptr<TDM> dm;
    std::optional<ScopedDataModule> installed;
    std::unique_ptr<TfrmA00Main> window;

    explicit WindowFixture(Rows rows = Rows::Labelled)
    {
        if (rows == Rows::Own)
            return;
        const int balances[] = {900, 1500, 1234};
        for (int draw = 1; draw <= 3; ++draw) {
            FixtureDb::Result r;
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
            r.kjsj = QStringLiteral("2020-10-02 13:0%1:00").arg(draw);
            r.zjhm = QStringLiteral("54321");
            r.k00 = balances[draw - 1];
            r.k01 = 5;
            r.k03 = -7;
            r.k04 = QStringLiteral("67890");
            db.addResult(r);
        }
        db.setVersion(1);
        settled(make());
    }
    // The data module on the fixture's database, or on drivers the test brings (a TDS
    // server's, one that answers late). make() takes the fixture's database when the test has
    // not connected.
    TDM& connect(DirectConnection::DriverFactory drivers = {})
    {
        dm = drivers ? std::make_unique<TDM>(std::make_unique<DirectConnection>(std::move(drivers)))
                     : std::make_unique<TDM>(
                           ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, db.path()});
        installed.emplace(dm.get());
        return *dm;
    }
    TfrmA00Main& make()
    {
        if (!dm)
            connect();
        window = std::make_unique<TfrmA00Main>();
        return *window;
    }
    // Shown, its first work applied, with ticks driven by hand.
    TfrmA00Main& show()
    {
        if (!window)
            make();
        window->Timer1->setEnabled(false);
        window->show();
        settled(*window);
        return *window;
    }
    bool showActive()
    {
        show();
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get()) && settled(*window);
    }
    // One tick as the handler runs it; the first loads the grids and the chart when the
    // counter is above 0.
    bool tick() { return tickApplied(*window); }
    // A tick as the timer delivers it: guarded, one box per outage.
    bool timerTick()
    {
        window->Timer1->OnTimer()(window->Timer1);
        return settled(*window);
    }
};
