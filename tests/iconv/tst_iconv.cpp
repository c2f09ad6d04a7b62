// Runs only with tests/iconv/iconv_probe.c preloaded (see tests/CMakeLists.txt).
#include "Application.h"
#include "DataFixture.h"
#include "Exceptions.h"
#include "GBText.h"
#include "Program.h"
#include "RecordingPresenter.h"
#include "TestRegistry.h"
#include "data.h"

#include <QApplication>
#include <QTest>

#include <dlfcn.h>

namespace {
const int* probeCount()
{
    return static_cast<const int*>(dlsym(RTLD_DEFAULT, "tallyvane_probe_iconv_opens"));
}
} // namespace

// Opening a converter costs far more than a short conversion: a sort must not open one per
// row.
class TestConvertersOpenedOnce : public QObject {
    Q_OBJECT
private slots:
    void sortAndChecksOpenNothingMore()
    {
        const int* opens = probeCount();
        QVERIFY2(opens, "run with iconv_probe preloaded");
        QCOMPARE(gb::missingConverters(), QString());
        DataFixture f;
        FixtureDb::Result r;
        for (int i = 0; i < 360; ++i) {
            r.cpqh = QStringLiteral("20201002-%1").arg(i, 4, 10, QLatin1Char('0'));
            r.k05 = QStringLiteral("理由%1").arg((i * 7919) % 360);
            f.db.addResult(r);
        }
        auto q = f.query(statements::robotHistory());
        q->open();
        const int before = *opens;
        q->setSort(QStringLiteral("K05"));
        q->setSort(QStringLiteral("ainame DESC"));
        for (int i = 0; i < 100; ++i)
            QVERIFY(gb::representable(QStringLiteral("追%1").arg(i)) &&
                    gb::byteLength(QStringLiteral("追%1").arg(i)) > 2);
        q->close();
        q->open();
        QCOMPARE(*opens, before);
    }
};

// A C library without the code page's converter: the program stops at start-up with the
// reason, instead of reading every lookup as "no such user".
class TestMissingCodePage : public QObject {
    Q_OBJECT
private slots:
    void startUpStopsWithTheReason()
    {
        QVERIFY2(qEnvironmentVariable("TALLYVANE_PROBE_REFUSE") == u"CP936",
                 "run with iconv_probe preloaded, refusing CP936");
        const QString reason = gb::missingConverterText("CP936");
        QCOMPARE(gb::missingConverters(), reason);
        QVERIFY_THROWS_EXCEPTION(Exception, gb::representable(QStringLiteral("demo")));
        QVERIFY_THROWS_EXCEPTION(Exception, gb::byteLength(QStringLiteral("demo")));

        FixtureDb db;
        db.addOperator(1, QStringLiteral("demo"), QStringLiteral("演示"), QStringLiteral("demo"));
        RecordingPresenter presenter;
        QCOMPARE(runTallyvane({"tallyvane", "--sqlite", db.path()}), 1);
        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].caption, QStringLiteral("Tallyvane"));
        QCOMPARE(presenter.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(presenter.boxes[0].text, reason + u'.');
        QCOMPARE(DM, nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
    }
};

TV_REGISTER_TEST(TestConvertersOpenedOnce);
TV_REGISTER_TEST(TestMissingCodePage);
#include "tst_iconv.moc"
