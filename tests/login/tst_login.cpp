#include "Application.h"
#include "BevelPanel.h"
#include "Colors.h"
#include "DosMove.h"
#include "Fonts.h"
#include "GlyphButton.h"
#include "LoginFixture.h"
#include "MXT_PUB.h"
#include "TestRegistry.h"
#include "data.h"
#include "login.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

QStringList texts(const Tfmlogin& d)
{
    return {d.ComboBox1->currentText(), d.Edit1->text(), d.Edit2->text(), d.Edit4->text()};
}

MessageBoxSpec box(const QString& text, const char* kind)
{
    return showMsgSpec(text, QString::fromLatin1(kind));
}

} // namespace

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("changeMode");
        QTest::addColumn<QString>("newPw");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("kind");
        const QString empty = QStringLiteral("请输入用户名和口令！");
        const QString unknown = QStringLiteral("没有这个用户名存在，您不能使用本系统！");
        const QString wrong = QStringLiteral("口令不正确，不能登录！");
        const QString differ = QStringLiteral("两次密码要一致，才能修改口令!");
        const QString unstorable =
            QStringLiteral("新口令最长20个字节（一个汉字占2个），且只能使用国标字符，请重新输入！");
        QTest::newRow("empty name") << ""
                                    << "secret" << false << ""
                                    << "" << empty << "!";
        QTest::newRow("name of blanks") << " \t  "
                                        << "secret" << false << ""
                                        << "" << empty << "!";
        QTest::newRow("unknown name") << "li"
                                      << "secret" << false << ""
                                      << "" << unknown << "e";
        QTest::newRow("ideographic blank is no blank") << "zhang\u3000"
                                                       << "secret" << false << ""
                                                       << "" << unknown << "e";
        QTest::newRow("quote in name") << "zh'ang"
                                       << "secret" << false << ""
                                       << "" << unknown << "e";
        QTest::newRow("name too long") << QString(21, QLatin1Char('z')) << "secret" << false << ""
                                       << "" << unknown << "e";
        QTest::newRow("name outside code page") << "zhang\U0001F600"
                                                << "secret" << false << ""
                                                << "" << unknown << "e";
        QTest::newRow("wrong password") << "zhang"
                                        << "secreT" << false << ""
                                        << "" << wrong << "e";
        QTest::newRow("empty password") << "zhang"
                                        << "" << false << ""
                                        << "" << wrong << "e";
        QTest::newRow("password with ideographic blank") << "zhang"
                                                         << "secret\u3000" << false << ""
                                                         << "" << wrong << "e";
        QTest::newRow("change: wrong old password") << "zhang"
                                                    << "nope" << true << "new"
                                                    << "new" << wrong << "e";
        QTest::newRow("change: passwords differ") << "zhang"
                                                  << "secret" << true << "new1"
                                                  << "new2" << differ << "!";
        QTest::newRow("change: one empty") << "zhang"
                                           << "secret" << true << "new"
                                           << "" << differ << "!";
        QTest::newRow("change: 21 bytes")
            << "zhang"
            << "secret" << true << QString(21, u'x') << QString(21, u'x') << unstorable << "!";
        QTest::newRow("change: 11 Chinese characters")
            << "zhang"
            << "secret" << true << QString(11, u'口') << QString(11, u'口') << unstorable << "!";
        QTest::newRow("change: outside the code page") << "zhang"
                                                       << "secret" << true << "neu\U0001F600"
                                                       << "neu\U0001F600" << unstorable << "!";
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, changeMode);
        QFETCH(QString, newPw);
        QFETCH(QString, again);
        QFETCH(QString, message);
        QFETCH(QString, kind);
        LoginFixture f;
        f.type(name, password);
        if (changeMode)
            f.typeNew(newPw, again);
        const QStringList before = texts(*f.dlg);
        f.dlg->bbOk->click();
        QCOMPARE(f.boxes.boxes, QVector<MessageBoxSpec>{showMsgSpec(message, kind)});
        QVERIFY(f.dlg->isVisible());
        QVERIFY(!f.dlg->LoginOK);
        QCOMPARE(texts(*f.dlg), before);
        QVERIFY(f.dmUntouched());
        QCOMPARE(f.storedPassword().toString(), QStringLiteral("secret"));
        QVERIFY(!f.dlg->Q->Active());
        QCOMPARE(DM->ConSG->openQueries(), 0);
    }

    // The operator may correct the fields and try again in the same dialog.
    void retryAfterRefusal()
    {
        LoginFixture f;
        f.type(QStringLiteral("zhang"), QStringLiteral("wrong"));
        f.dlg->bbOk->click();
        f.dlg->Edit1->setText(QStringLiteral("secret"));
        f.dlg->bbOk->click();
        QCOMPARE(f.boxes.boxes.size(), 1);
        QVERIFY(f.dlg->LoginOK);
    }

    void passwordTrimming_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("blanks around typed") << "secret"
                                             << "  secret \t" << true;
        QTest::newRow("ideographic blank kept, matches") << "secret\u3000"
                                                         << "secret\u3000 " << true;
        QTest::newRow("ideographic blank kept, differs") << "secret"
                                                         << "\u3000secret" << false;
        QTest::newRow("stored blanks never match") << " secret"
                                                   << " secret" << false;
        QTest::newRow("case matters") << "Secret"
                                      << "secret" << false;
        QTest::newRow("empty stored, empty typed") << ""
                                                   << "  " << true;
    }
    void passwordTrimming()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        LoginFixture f(stored);
        f.type(QStringLiteral("zhang"), typed);
        f.dlg->bbOk->click();
        QCOMPARE(f.dlg->LoginOK, accepted);
        QCOMPARE(f.boxes.boxes.size(), accepted ? 0 : 1);
    }

    void successCopiesOperator()
    {
        LoginFixture f;
        f.type(QStringLiteral("  zhang "), QStringLiteral("secret"));
        f.dlg->bbOk->click();
        QVERIFY(f.boxes.boxes.isEmpty());
        QVERIFY(f.dlg->LoginOK);
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(DM->UserID, 7);
        QCOMPARE(DM->UserName, QStringLiteral("张三"));
        QCOMPARE(DM->LoginName, QStringLiteral("zhang"));
        QCOMPARE(DM->ConSG->openQueries(), 0);
    }

    void changePassword_data()
    {
        QTest::addColumn<QString>("newPw");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("stored");
        QTest::newRow("new password") << "neu"
                                      << "neu"
                                      << "neu";
        QTest::newRow("20 bytes") << QString(20, u'x') << QString(20, u'x') << QString(20, u'x');
        QTest::newRow("10 Chinese characters")
            << QString(10, u'口') << QString(10, u'口') << QString(10, u'口');
        QTest::newRow("trimmed alike") << " neu"
                                       << "neu  "
                                       << "neu";
        QTest::newRow("empty twice") << ""
                                     << ""
                                     << "";
        QTest::newRow("blanks twice") << "  "
                                      << " "
                                      << "";
    }
    void changePassword()
    {
        QFETCH(QString, newPw);
        QFETCH(QString, again);
        QFETCH(QString, stored);
        LoginFixture f;
        f.type(QStringLiteral("zhang "), QStringLiteral("secret"));
        f.typeNew(newPw, again);
        f.dlg->bbOk->click();
        QCOMPARE(f.boxes.boxes,
                 QVector<MessageBoxSpec>{
                     box(QStringLiteral("密码修改成功,请下次使用新口令登录系统!"), "!")});
        QCOMPARE(f.db.scalar(QStringLiteral("select typeof(\"F07口令\") from \"TA71操作用户\""))
                     .toString(),
                 QStringLiteral("text"));
        QCOMPARE(f.storedPassword().toString(), stored);
        QVERIFY(!f.dlg->isVisible());
        QVERIFY(!f.dlg->LoginOK);
        QVERIFY(f.dmUntouched());
        QCOMPARE(DM->ConSG->openQueries(), 0);
    }

    void databaseErrors_data()
    {
        QTest::addColumn<bool>("changeMode");
        QTest::addColumn<QString>("newPw");
        QTest::addColumn<QString>("breakIt");
        QTest::newRow("lookup fails") << false << ""
                                      << "drop table \"TA71操作用户\"";
        QTest::newRow("change fails")
            << true << "neu"
            << "create trigger no_change before update on "
               "\"TA71操作用户\" begin select raise(abort, 'locked'); end";
    }
    void databaseErrors()
    {
        QFETCH(bool, changeMode);
        QFETCH(QString, newPw);
        QFETCH(QString, breakIt);
        LoginFixture f;
        if (!breakIt.isEmpty())
            f.db.exec(breakIt);
        f.type(QStringLiteral("zhang"), QStringLiteral("secret"));
        if (changeMode)
            f.typeNew(newPw, newPw);
        const QStringList before = texts(*f.dlg);
        f.dlg->bbOk->click();
        QCOMPARE(f.boxes.boxes.size(), 1);
        QCOMPARE(f.boxes.boxes[0].caption, QStringLiteral("Tallyvane"));
        QCOMPARE(f.boxes.boxes[0].icon, QMessageBox::Critical);
        QVERIFY(!f.boxes.boxes[0].text.isEmpty());
        QVERIFY(f.dlg->isVisible());
        QVERIFY(!f.dlg->LoginOK);
        QCOMPARE(texts(*f.dlg), before);
        QVERIFY(f.dmUntouched());
        if (changeMode)
            QCOMPARE(f.storedPassword().toString(), QStringLiteral("secret"));
        QCOMPARE(DM->ConSG->openQueries(), 0);
    }

    void cancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel button") << "button";
        QTest::newRow("Esc in name") << "esc";
        QTest::newRow("Esc in change mode") << "esc-change";
        QTest::newRow("close button") << "close";
    }
    void cancel()
    {
        QFETCH(QString, how);
        LoginFixture f;
        QVERIFY(activate(f.dlg.get()));
        f.type(QStringLiteral("zhang"), QStringLiteral("secret"));
        if (how == "button") {
            f.dlg->bbCancel->click();
        } else if (how.startsWith("esc")) {
            if (how == "esc-change") {
                f.dlg->bbChangPw->click();
                f.dlg->Edit2->setFocus();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            f.dlg->close();
        }
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QVERIFY(!f.dlg->LoginOK);
        QVERIFY(f.boxes.boxes.isEmpty());
        QVERIFY(f.dmUntouched());
    }

    void showModal()
    {
        LoginFixture f;
        f.dlg->hide();
        f.dlg->LoginOK = true;
        bool clearedOnShow = false;
        QWidget* focused = nullptr;
        QTimer::singleShot(0, f.dlg.get(), [&] {
            clearedOnShow = !f.dlg->LoginOK;
            focused = f.dlg->focusWidget();
            f.dlg->bbCancel->click();
        });
        QCOMPARE(f.dlg->showModal(), int(QDialog::Rejected));
        QVERIFY(clearedOnShow);
        QCOMPARE(focused, f.dlg->ComboBox1);
        QVERIFY(!f.dlg->LoginOK);
    }

    void showModalAfterConnectionFailure()
    {
        LoginFixture f;
        f.dlg->hide();
        f.dlg->LoginOK = true;
        application->terminate();
        const int result = f.dlg->showModal();
        application->initialize();
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!f.dlg->LoginOK);
        QVERIFY(!f.dlg->isVisible());
    }

    void changeMode()
    {
        LoginFixture f;
        QVERIFY(!f.dlg->changeMode());
        for (QWidget* w :
             {static_cast<QWidget*>(f.dlg->Label4), static_cast<QWidget*>(f.dlg->Edit2),
              static_cast<QWidget*>(f.dlg->Label1), static_cast<QWidget*>(f.dlg->Edit4)})
            QVERIFY(!w->isVisible());
        f.dlg->bbChangPw->click();
        QVERIFY(f.dlg->changeMode());
        QVERIFY(!f.dlg->bbChangPw->isEnabled());
        for (QWidget* w :
             {static_cast<QWidget*>(f.dlg->Label4), static_cast<QWidget*>(f.dlg->Edit2),
              static_cast<QWidget*>(f.dlg->Label1), static_cast<QWidget*>(f.dlg->Edit4)})
            QVERIFY(w->isVisible());
    }

    // What a Linux input method asks the focused field: it may serve each of the four, with
    // no restriction to Latin input, so the operator can open it again by hand.
    void inputMethodStaysAvailable()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        d.bbChangPw->click();
        QVERIFY(activate(&d));
        for (QWidget* field : {static_cast<QWidget*>(d.ComboBox1), static_cast<QWidget*>(d.Edit1),
                               static_cast<QWidget*>(d.Edit2), static_cast<QWidget*>(d.Edit4)}) {
            field->setFocus();
            QObject* focus = QGuiApplication::focusObject();
            QVERIFY(focus);
            QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
            QCoreApplication::sendEvent(focus, &query);
            QVERIFY2(query.value(Qt::ImEnabled).toBool(), qPrintable(field->objectName()));
            const auto hints = Qt::InputMethodHints(query.value(Qt::ImHints).toInt());
            QVERIFY2(!(hints & Qt::ImhLatinOnly), qPrintable(field->objectName()));
            QInputMethodEvent typed;
            typed.setCommitString(QStringLiteral("口令"));
            QCoreApplication::sendEvent(focus, &typed);
        }
        QCOMPARE(texts(d), QStringList(4, QStringLiteral("口令")));
        QVERIFY(!QGuiApplication::inputMethod()->isVisible());
    }

    // Enter and the arrows in the dialog itself: name → password, back, hidden fields skipped.
    void keyboardNavigation()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QVERIFY(activate(&d));
        QCOMPARE(QApplication::focusWidget(), d.ComboBox1);
        QTest::keyClick(d.ComboBox1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.Edit1);
        QTest::keyClick(d.Edit1, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), d.ComboBox1);
        QTest::keyClick(d.ComboBox1, Qt::Key_Down);
        QTest::keyClick(d.Edit1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.bbOk);
        QTest::keyClick(d.ComboBox1, Qt::Key_Up);
        QVERIFY(f.boxes.boxes.isEmpty()); // nothing was pressed on the way
        QVERIFY(d.isVisible());
        // Enter on a focused button presses it.
        d.bbChangPw->setFocus();
        QTest::keyClick(d.bbChangPw, Qt::Key_Return);
        QVERIFY(d.changeMode());
        d.Edit1->setFocus();
        QTest::keyClick(d.Edit1, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), d.Edit2);
    }

    void removingDosMoveRestoresHandlers()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QVERIFY(activate(&d));
        delete d.dosMove1;
        QTest::keyClick(d.ComboBox1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.ComboBox1);
    }
};

TV_REGISTER_TEST(TestLogin);
#include "tst_login.moc"
