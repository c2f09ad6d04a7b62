#include "GridFixture.h"
#include "TestRegistry.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

namespace {
const QString kTitles =
    QStringLiteral("彩票期数\t奖号\t开奖时间\t余额\t注\t操作\t输赢\t推荐号\t理由\n");
// The two records of GridFixture(2), in the statement's order.
const QString kRec1 =
    QStringLiteral("20201002-0002\t07919\t20-10-02 13:07\t1037\t1\t1\t0\t12345\t理由\n");
const QString kRec2 =
    QStringLiteral("20201002-0001\t00000\t20-10-02 13:07\t1000\t0\t1\t0\t12345\t理由\n");
const QString kUntouched = QStringLiteral("untouched");

QString copied(TDBGridEh* grid, Qt::KeyboardModifiers modifiers, Qt::Key key = Qt::Key_C)
{
    QGuiApplication::clipboard()->setText(kUntouched);
    QTest::keyClick(grid, key, modifiers);
    return QGuiApplication::clipboard()->text();
}
} // namespace

class TestGridCopy : public QObject {
    Q_OBJECT
private slots:
    void keysCopyTitlesAndRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, c = Qt::Key_C;
        QTest::newRow("ctrl c: the current row") << 2 << true << c << ctrl << kTitles + kRec2;
        QTest::newRow("ctrl shift c: every row")
            << 2 << true << c << ctrl + shift << kTitles + kRec1 + kRec2;
        QTest::newRow("keypad ctrl c")
            << 2 << true << c << ctrl + int(Qt::KeypadModifier) << kTitles + kRec2;
        QTest::newRow("empty result: titles alone") << 0 << true << c << ctrl << kTitles;
        QTest::newRow("empty result, all: titles alone")
            << 0 << true << c << ctrl + shift << kTitles;
        QTest::newRow("closed: nothing") << 2 << false << c << ctrl << kUntouched;
        QTest::newRow("closed, all: nothing") << 2 << false << c << ctrl + shift << kUntouched;
        QTest::newRow("ctrl alt c") << 2 << true << c << ctrl + int(Qt::AltModifier) << kUntouched;
        QTest::newRow("c alone") << 2 << true << c << 0 << kUntouched;
        QTest::newRow("shift c") << 2 << true << c << shift << kUntouched;
        QTest::newRow("ctrl insert") << 2 << true << int(Qt::Key_Insert) << ctrl << kUntouched;
        QTest::newRow("ctrl x") << 2 << true << int(Qt::Key_X) << ctrl << kUntouched;
        QTest::newRow("ctrl v") << 2 << true << int(Qt::Key_V) << ctrl << kUntouched;
        // The platform's copy copies on the C key alone.
        for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Copy)) {
            const QKeyCombination k = keys[0];
            QTest::addRow("platform copy %s", qPrintable(keys.toString()))
                << 2 << true << int(k.key()) << int(k.keyboardModifiers())
                << (k.key() == Qt::Key_C ? kTitles + kRec2 : kUntouched);
        }
    }
    void keysCopyTitlesAndRows()
    {
        QFETCH(int, rows);
        QFETCH(bool, open);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expected);
        GridFixture f(rows);
        if (open) {
            f.q->open();
            f.q->setRecNo(std::min(2, rows));
        }
        QCOMPARE(copied(f.grid.get(), Qt::KeyboardModifiers(modifiers), Qt::Key(key)), expected);
        if (open)
            QCOMPARE(f.q->RecNo(), rows ? 2 : -1); // copying moves nothing
    }

    // The grid's column order after a move and the rows' order after a title-click sort.
    void copyFollowsColumnAndSortOrder()
    {
        GridFixture f(2);
        f.q->open();
        f.grid->moveColumn(8, 0); // 理由 first
        f.grid->moveColumn(4, 1); // then 余额
        f.grid->ToggleTitleSort(f.column("K00"));
        f.q->setRecNo(1);
        const QString titles =
            QStringLiteral("理由\t余额\t彩票期数\t奖号\t开奖时间\t注\t操作\t输赢\t推荐号\n");
        const QString low =
            QStringLiteral("理由\t1000\t20201002-0001\t00000\t20-10-02 13:07\t0\t1\t0\t12345\n");
        const QString high =
            QStringLiteral("理由\t1037\t20201002-0002\t07919\t20-10-02 13:07\t1\t1\t0\t12345\n");
        QCOMPARE(copied(f.grid.get(), Qt::ControlModifier | Qt::ShiftModifier),
                 titles + low + high);
        QCOMPARE(copied(f.grid.get(), Qt::ControlModifier), titles + low);
        f.grid->ToggleTitleSort(f.column("K00"));
        QCOMPARE(copied(f.grid.get(), Qt::ControlModifier | Qt::ShiftModifier),
                 titles + high + low);
    }

    // A cell that would split the line or open a quoted cell is quoted, quotes doubled;
    // any other text goes as it is.
    void cellTextsStayOneCell_data()
    {
        QTest::addColumn<QString>("k05");
        QTest::addColumn<QString>("cell");
        QTest::newRow("plain") << QStringLiteral("追号 5") << QStringLiteral("追号 5");
        QTest::newRow("blanks kept") << QStringLiteral("  x  ") << QStringLiteral("  x  ");
        QTest::newRow("empty") << QString("") << QString("");
        QTest::newRow("quote inside") << QStringLiteral("说\"买\"") << QStringLiteral("说\"买\"");
        QTest::newRow("leading quote")
            << QStringLiteral("\"买\"吧") << QStringLiteral("\"\"\"买\"\"吧\"");
        QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("\"a\tb\"");
        QTest::newRow("line feed")
            << QStringLiteral("第一行\n第二行") << QStringLiteral("\"第一行\n第二行\"");
        QTest::newRow("carriage return")
            << QStringLiteral("a\r\nb") << QStringLiteral("\"a\r\nb\"");
        QTest::newRow("quote and line feed")
            << QStringLiteral("a\"\nb") << QStringLiteral("\"a\"\"\nb\"");
    }
    void cellTextsStayOneCell()
    {
        QFETCH(QString, k05);
        QFETCH(QString, cell);
        GridFixture f(0);
        FixtureDb::Result r;
        r.k05 = k05;
        f.data.db.addResult(r);
        f.q->open();
        QCOMPARE(
            copied(f.grid.get(), Qt::ControlModifier),
            kTitles +
                QStringLiteral("20201002-0792\t12345\t20-10-02 13:07\t1000\t3\t1\t0\t12345\t") +
                cell + QLatin1Char('\n'));
    }
};
TV_REGISTER_TEST(TestGridCopy);
#include "tst_copy.moc"
