#include "TerminalText.h"
#include "TestRegistry.h"

#include <QTest>

class TestTerminalText : public QObject {
    Q_OBJECT
private slots:
    void shortened_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("shown");
        const QString ellipsis(QChar(0x2026));
        QTest::newRow("plain") << "host" << 60 << "host";
        QTest::newRow("NUL, escape, CR, tab, bell")
            << QStringLiteral("a%1b\x1b[2Jc\rd\te\x07").arg(QChar(0)) << 60
            << "a\\0b\\e[2Jc\\rd\\te\\x07";
        QTest::newRow("line break") << "a\nb" << 60 << "a\\nb";
        QTest::newRow("exactly the length") << "abcde" << 5 << "abcde";
        QTest::newRow("one too long") << "abcdef" << 5 << "abcd" + ellipsis;
        QTest::newRow("escape not cut in half") << "abc\ndef" << 5 << "abc" + ellipsis;
        QTest::newRow("escape at the very end fits") << "abc\n" << 5 << "abc\\n";
        QTest::newRow("surrogate pair kept whole")
            << QStringLiteral("ab\U0001F600cd") << 4 << "ab" + ellipsis;
        QTest::newRow("Chinese kept") << "报警记录" << 60 << "报警记录";
        QTest::newRow("no limit") << QString(100, u'x') << -1 << QString(100, u'x');
    }
    void shortened()
    {
        QFETCH(QString, text);
        QFETCH(int, maxLength);
        QFETCH(QString, shown);
        QCOMPARE(terminaltext::shortened(text, maxLength), shown);
    }

    // A value of megabytes is cut without escaping all of it first.
    void hugeValueIsCutCheaply()
    {
        const QString huge(2 * 1024 * 1024, QChar(0x1b));
        QElapsedTimer timer;
        timer.start();
        const QString shown = terminaltext::shortened(huge);
        QVERIFY(shown.size() <= terminaltext::kShortValue);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(timer.elapsed() < 100);
    }
};

TV_REGISTER_TEST(TestTerminalText);
#include "tst_terminaltext.moc"
