#include "A00Main.h"
#include "ADODataSet.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QFile>
#include <QTest>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer's allocator holds freed memory back on purpose, and runs slower: there a
// shorter day runs for its races and errors, and memory is not measured.
constexpr bool kMeasured = false;
constexpr int kDraws = 400;
#else
constexpr bool kMeasured = true;
constexpr int kDraws = 1440; // a day, one draw a minute
#endif
constexpr int kRobots = 11;
constexpr int kTicksPerDraw = 3;

// Resident memory, from the kernel's own count.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

// A day in fast motion: the window through 1,440 draws of eleven robots, each a counter rise
// and so a reload, with ticks between; its memory must level off, not grow with the draws.
class TestDaySoak : public QObject {
    Q_OBJECT
private slots:
    void memoryLevelsOffOverADay()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        const QDateTime day(QDate(2026, 12, 8), QTime(0, 0));
        const auto addDraw = [&](int draw) {
            const QDateTime at = day.addSecs(60LL * draw);
            FixtureDb::Result r;
            r.cpqh = at.toString(QStringLiteral("yyyyMMdd-")) +
                     QStringLiteral("%1").arg(draw + 1, 4, 10, QLatin1Char('0'));
            r.kjsj = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            r.zjhm = QStringLiteral("%1").arg(draw * 7919 % 100000, 5, 10, QLatin1Char('0'));
            f.db.exec(QStringLiteral("BEGIN"));
            for (int k = 0; k < kRobots; ++k) {
                r.ainame = k < 10 ? QStringLiteral("追%1").arg(k) : QStringLiteral("全局最热");
                r.k00 = 10000 + (draw * (k + 3)) % 997 - 500;
                r.k05 = QStringLiteral("上期个位%1，偏移0取五码，基础1注").arg(draw % 10);
                f.db.addResult(r);
            }
            f.db.exec(QStringLiteral("COMMIT"));
            f.db.setVersion(draw + 1);
        };
        addDraw(0);
        f.showActive();
        QVERIFY(f.tick());

        QList<qint64> hourly{residentBytes()};
        for (int draw = 1; draw < kDraws; ++draw) {
            addDraw(draw);
            for (int t = 0; t < kTicksPerDraw; ++t)
                QVERIFY2(f.tick(), qPrintable(QString::number(draw)));
            if (draw % 60 == 59)
                hourly << residentBytes();
        }
        QStringList figures;
        for (const qint64 bytes : hourly)
            figures << QString::number(bytes / 1024);
        qInfo("resident kB at the start and after each hour: %s", qPrintable(figures.join(u' ')));
        QCOMPARE(f.window->Qai->RecordCount(), 360); // the window kept up to the last draw
        QCOMPARE(f.window->Qais->RecordCount(), kRobots);
        if (!kMeasured)
            return;

        const qint64 mb = 1024 * 1024;
        QVERIFY2(hourly.last() - hourly.first() <= 10 * mb, qPrintable(figures.join(u' ')));
        // Flat over the last third of the day: a leak of a few hundred bytes a reload shows.
        const qint64 lastThird =
            hourly.last() - hourly[hourly.size() - 1 - (hourly.size() - 1) / 3];
        QVERIFY2(lastThird <= mb / 2, qPrintable(figures.join(u' ')));
    }
};

TV_REGISTER_TEST(TestDaySoak);
#include "tst_soak.moc"
