#include "DosMove.h"
#include "Exceptions.h"
#include "GlyphButton.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

// A window of four fields and a button, in creation order = tab order.
struct Form {
    QWidget window;
    QLineEdit* a = new QLineEdit(&window);
    QComboBox* b = new QComboBox(&window);
    QLineEdit* c = new QLineEdit(&window);
    QLineEdit* d = new QLineEdit(&window);
    GlyphButton* button = new GlyphButton(QStringLiteral("OK"), &window);

    Form()
    {
        b->setEditable(true);
        b->setInsertPolicy(QComboBox::NoInsert);
        int y = 0;
        for (QWidget* w : fields()) {
            w->setGeometry(0, y, 120, 22);
            y += 26;
        }
        window.resize(140, y);
    }
    QList<QWidget*> fields() const { return {a, b, c, d, button}; }
    bool show()
    {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    QWidget* widget(const QString& name) const
    {
        static const QStringList names{"a", "b", "c", "d", "button"};
        return fields().value(names.indexOf(name));
    }
};

void press(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

} // namespace

class TestDosMove : public QObject {
    Q_OBJECT
private slots:
    void moves_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<QString>("to");
        QTest::newRow("enter in edit goes on") << "a" << int(Qt::Key_Return) << ""
                                               << ""
                                               << "b";
        QTest::newRow("keypad enter goes on") << "a" << int(Qt::Key_Enter) << ""
                                              << ""
                                              << "b";
        QTest::newRow("enter in combo goes on") << "b" << int(Qt::Key_Return) << ""
                                                << ""
                                                << "c";
        QTest::newRow("down goes on") << "c" << int(Qt::Key_Down) << ""
                                      << ""
                                      << "d";
        QTest::newRow("up goes back") << "c" << int(Qt::Key_Up) << ""
                                      << ""
                                      << "b";
        QTest::newRow("down wraps to first") << "button" << int(Qt::Key_Down) << ""
                                             << ""
                                             << "a";
        QTest::newRow("up wraps to last") << "a" << int(Qt::Key_Up) << ""
                                          << ""
                                          << "button";
        QTest::newRow("hidden skipped") << "b" << int(Qt::Key_Return) << "c"
                                        << ""
                                        << "d";
        QTest::newRow("disabled skipped") << "d" << int(Qt::Key_Up) << ""
                                          << "c"
                                          << "b";
        QTest::newRow("enter on button stays") << "button" << int(Qt::Key_Return) << ""
                                               << ""
                                               << "button";
        QTest::newRow("other keys stay") << "a" << int(Qt::Key_X) << ""
                                         << ""
                                         << "a";
    }
    void moves()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, hidden);
        QFETCH(QString, disabled);
        QFETCH(QString, to);
        Form form;
        auto* move = new TDosMove(&form.window);
        move->Active = true;
        if (!hidden.isEmpty())
            form.widget(hidden)->hide();
        if (!disabled.isEmpty())
            form.widget(disabled)->setEnabled(false);
        QVERIFY(form.show());
        form.widget(from)->setFocus();
        QCOMPARE(QApplication::focusWidget(), form.widget(from));
        press(key);
        QCOMPARE(QApplication::focusWidget(), form.widget(to));
    }

    void enterCharacter_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("reachesField");
        QTest::newRow("edit swallows") << true << "a" << false;
        QTest::newRow("combo is no edit") << true << "b" << true;
        QTest::newRow("inactive alters nothing") << false << "a" << true;
    }
    void enterCharacter()
    {
        QFETCH(bool, active);
        QFETCH(QString, field);
        QFETCH(bool, reachesField);
        Form form;
        auto* move = new TDosMove(&form.window);
        move->Active = active;
        QVERIFY(form.show());
        QWidget* w = form.widget(field);
        auto* edit = qobject_cast<QLineEdit*>(w) ? qobject_cast<QLineEdit*>(w) : form.b->lineEdit();
        QSignalSpy returns(edit, &QLineEdit::returnPressed);
        w->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(returns.count(), reachesField ? 1 : 0);
        QCOMPARE(QApplication::focusWidget(),
                 active ? form.fields()[form.fields().indexOf(w) + 1] : w);
    }

    void enterOnButtonPressesIt()
    {
        Form form;
        auto* move = new TDosMove(&form.window);
        move->Active = true;
        QVERIFY(form.show());
        QSignalSpy clicks(form.button, &QPushButton::clicked);
        form.a->setFocus();
        press(Qt::Key_Return); // leaves an edit: its character must not be swallowed later
        form.button->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(QApplication::focusWidget(), form.button);
    }

    void previousHandlersRun_data()
    {
        QTest::addColumn<bool>("active");
        QTest::newRow("active") << true;
        QTest::newRow("inactive") << false;
    }
    void previousHandlersRun()
    {
        QFETCH(bool, active);
        Form form;
        WindowKeyHandlers& keys = WindowKeyHandlers::of(&form.window);
        QList<int> downs;
        QString chars;
        keys.onKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) { downs << key; };
        keys.onKeyPress = [&](QObject*, QChar& ch) { chars += ch.isNull() ? QChar('0') : ch; };
        auto* move = new TDosMove(&form.window);
        move->Active = active;
        QVERIFY(keys.keyPreview);
        QVERIFY(form.show());
        form.a->setFocus();
        press(Qt::Key_Return);
        press(Qt::Key_Down);
        QCOMPARE(downs, (QList<int>{Qt::Key_Return, Qt::Key_Down}));
        // The previous key-press handler sees what the component left of the character.
        QCOMPARE(chars, active ? QStringLiteral("0") : QStringLiteral("\r"));
        QCOMPARE(QApplication::focusWidget(), active ? static_cast<QWidget*>(form.c) : form.a);
    }

    void onePerWindow()
    {
        Form form;
        new TDosMove(&form.window);
        try {
            TDosMove second(&form.window);
            QFAIL("a second TDosMove was created");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), QStringLiteral("TDosMove can have only one instance per form"));
        }
        QCOMPARE(form.window.findChildren<TDosMove*>().size(), 1);
        // Another window may have its own.
        Form other;
        new TDosMove(&other.window);
    }

    void ownerMustBeWindow()
    {
        Form form;
        QVERIFY_THROWS_EXCEPTION(Exception, TDosMove(form.a));
        QVERIFY_THROWS_EXCEPTION(Exception, TDosMove(nullptr));
    }

    void keysOfOtherWindowsUntouched()
    {
        Form form;
        auto* move = new TDosMove(&form.window);
        move->Active = true;
        Form other;
        QVERIFY(other.show());
        other.a->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), other.a);
    }
};

TV_REGISTER_TEST(TestDosMove);
#include "tst_dosmove.moc"
