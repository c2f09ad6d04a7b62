#pragma once
#include "A00Main.h"
#include "FixtureDb.h"
#include "FreshnessLine.h"
#include "Timer.h"
#include "WindowWork.h"
#include "data.h"

#include <QApplication>
#include <QTest>
#include <memory>

// The monitor window as the program builds it, on a database where every column of the
// latest result shows a text of its own: robot 追0 with three draws, balances 900, 1500 and
// 1234 (the latest), so that its highest and lowest differ from the balance.
struct WindowFixture {
    FixtureDb db;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TfrmA00Main> window;

    WindowFixture()
    {
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
        dm = std::make_unique<TDM>(
            ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, db.path()});
        DM = dm.get();
        window = std::make_unique<TfrmA00Main>();
        settled(*window);
    }
    ~WindowFixture()
    {
        window.reset();
        DM = nullptr;
    }

    // Shown and active, with ticks driven by hand.
    bool showActive()
    {
        window->Timer1->setEnabled(false);
        window->show();
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get()) && settled(*window);
    }
    // The first tick: the counter is above 0, so the grids and the chart load.
    bool load() { return tickApplied(*window); }
};
