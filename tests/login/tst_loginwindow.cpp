#include "BevelPanel.h"
#include "Colors.h"
#include "DosMove.h"
#include "GlyphButton.h"
#include "LoginFixture.h"
#include "ResolvedFonts.h"
#include "TestRegistry.h"

#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace {

const QColor kYellow(255, 255, 0);

QColor base(const QWidget* field)
{
    return field->palette().color(QPalette::Base);
}

// A pixel inside a field's text area, right of any text it holds, on an image of the dialog.
QColor shownColour(const QImage& dialog, const QWidget* field)
{
    const QWidget* text = field;
    if (auto* combo = qobject_cast<const QComboBox*>(field))
        text = combo->lineEdit();
    return dialog.pixelColor(
        text->mapTo(field->window(), QPoint(text->width() - 6, text->height() / 2)));
}

} // namespace

// The dialog as the program builds it, row by row against its layout table.
class TestLoginWindow : public QObject {
    Q_OBJECT
private slots:
    void dialog()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QCOMPARE(d.windowTitle(), QStringLiteral("login-用户登录"));
        QCOMPARE(d.size(), QSize(380, 208));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        const QPoint offset = d.geometry().center() - d.screen()->availableGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, "centred on the screen");
        QVERIFY(!(d.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(QFontInfo(d.font()).family(), kSongTiFont);
        QCOMPARE(QFontInfo(d.font()).pixelSize(), 14);
    }

    void controls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("geometry"); // no size: a label as large as its text
        QTest::addColumn<QString>("family"); // as resolved; empty: no text of its own
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        const QString song = kSongTiFont;
        QTest::newRow("top panel") << "Panel1" << QRect(0, 0, 380, 50) << "" << 0 << "" << true;
        QTest::newRow("picture") << "Image1" << QRect(10, 8, 32, 32) << "" << 0 << "" << true;
        QTest::newRow("prompt") << "Label5" << QRect(46, 16, 0, 0) << kHeiTiFont << 20
                                << "请输入用户名和口令：" << true;
        QTest::newRow("Label3") << "Label3" << QRect(18, 62, 0, 0) << song << 14 << "用户名"
                                << true;
        QTest::newRow("ComboBox1")
            << "ComboBox1" << QRect(76, 56, 273, 24) << song << 16 << "" << true;
        QTest::newRow("Label2") << "Label2" << QRect(19, 100, 0, 0) << song << 14 << "口  令"
                                << true;
        QTest::newRow("Edit1") << "Edit1" << QRect(76, 94, 273, 24) << song << 16 << "" << true;
        QTest::newRow("Label4") << "Label4" << QRect(18, 126, 0, 0) << song << 14 << "新口令"
                                << false;
        QTest::newRow("Edit2") << "Edit2" << QRect(76, 122, 105, 20) << song << 12 << "" << false;
        QTest::newRow("Label1") << "Label1" << QRect(198, 126, 0, 0) << song << 14 << "重口令"
                                << false;
        QTest::newRow("Edit4") << "Edit4" << QRect(245, 122, 104, 22) << song << 14 << "" << false;
        QTest::newRow("bottom panel")
            << "Panel2" << QRect(0, 160, 380, 48) << "" << 0 << "" << true;
        QTest::newRow("bbOk") << "bbOk" << QRect(26, 11, 100, 32) << song << 14 << "确定(&O)"
                              << true;
        QTest::newRow("bbCancel") << "bbCancel" << QRect(143, 11, 100, 32) << song << 14
                                  << "取消(ESC)" << true;
        QTest::newRow("bbChangPw")
            << "bbChangPw" << QRect(266, 11, 100, 32) << song << 14 << "修改口令" << true;
    }
    void controls()
    {
        QFETCH(QString, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        LoginFixture f;
        auto* w = f.dlg->findChild<QWidget*>(control);
        QVERIFY(w);
        QCOMPARE(w->pos(), geometry.topLeft());
        auto* label = qobject_cast<QLabel*>(w);
        if (!geometry.size().isEmpty())
            QCOMPARE(w->size(), geometry.size());
        else
            QCOMPARE(label->size(), QFontMetrics(label->font()).size(0, label->text()));
        if (!family.isEmpty()) {
            QCOMPARE(QFontInfo(w->font()).family(), family);
            QCOMPARE(QFontInfo(w->font()).pixelSize(), pixels);
        }
        if (label)
            QCOMPARE(label->text(), text);
        else if (auto* button = qobject_cast<GlyphButton*>(w))
            QCOMPARE(button->text(), text);
        QCOMPARE(w->isVisible(), visible);
    }

    void fields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("password");
        QTest::newRow("ComboBox1") << "ComboBox1" << false;
        QTest::newRow("Edit1") << "Edit1" << true;
        QTest::newRow("Edit2") << "Edit2" << true;
        QTest::newRow("Edit4") << "Edit4" << true;
    }
    // Passwords show "*"; the name field holds no list. Each field is yellow while it has the focus
    // and turns back when it loses it.
    void fields()
    {
        QFETCH(QString, field);
        QFETCH(bool, password);
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        auto* w = d.findChild<QWidget*>(field);
        if (password) {
            auto* edit = qobject_cast<QLineEdit*>(w);
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
            QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit),
                     int('*'));
        } else {
            QCOMPARE(d.ComboBox1->count(), 0);
            QVERIFY(d.ComboBox1->isEditable());
        }

        QVERIFY(activate(&d));
        d.bbChangPw->click();
        w->setFocus();
        const QList<QWidget*> all{d.ComboBox1, d.Edit1, d.Edit2, d.Edit4};
        QImage shown = d.grab().toImage();
        for (QWidget* other : all) {
            const QColor expected = other == w ? kYellow : systemColor(SystemColor::Window);
            QCOMPARE(base(other), expected);
            QCOMPARE(shownColour(shown, other), expected);
        }
        d.bbOk->setFocus();
        shown = d.grab().toImage();
        QCOMPARE(base(w), systemColor(SystemColor::Window));
        QCOMPARE(shownColour(shown, w), systemColor(SystemColor::Window));
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QSize>("picture"); // one state; the strip holds normal and disabled
        QTest::newRow("bbOk") << "bbOk" << QSize(18, 18);
        QTest::newRow("bbCancel") << "bbCancel" << QSize(18, 18);
        QTest::newRow("bbChangPw") << "bbChangPw" << QSize(16, 16);
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QSize, picture);
        LoginFixture f;
        auto* b = f.dlg->findChild<GlyphButton*>(button);
        QCOMPARE(b->iconSize(), picture);
        QCOMPARE(b->Glyph().size(), QSize(2 * picture.width(), picture.height()));
        QVERIFY(!b->autoDefault());
        QVERIFY(!b->isDefault());
        QVERIFY(b->isEnabled());
    }

    void tabOrder()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QCOMPARE(focusTargets(&d),
                 (QVector<QWidget*>{d.ComboBox1, d.Edit1, d.bbOk, d.bbCancel, d.bbChangPw}));
        d.bbChangPw->click();
        QCOMPARE(focusTargets(&d),
                 (QVector<QWidget*>{d.ComboBox1, d.Edit1, d.Edit2, d.Edit4, d.bbOk, d.bbCancel}));
    }

    void panels()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        const QImage image = d.grab().toImage();
        if (qEnvironmentVariableIsSet("TV_SHOTS")) {
            image.save(qEnvironmentVariable("TV_SHOTS") + "/login-normal.png");
            d.bbChangPw->click();
            d.Edit2->setFocus();
            d.grab().save(qEnvironmentVariable("TV_SHOTS") + "/login-change.png");
        }
        // The top panel: white inside a raised inner and a lowered outer ring.
        QCOMPARE(image.pixel(5, 45), QColor(Qt::white).rgb());
        QCOMPARE(image.pixel(200, 0), systemColor(SystemColor::BtnShadow).rgb());
        QCOMPARE(image.pixel(200, 1), systemColor(SystemColor::BtnHighlight).rgb());
        QCOMPARE(image.pixel(200, 49), systemColor(SystemColor::BtnHighlight).rgb());
        QCOMPARE(image.pixel(200, 48), systemColor(SystemColor::BtnShadow).rgb());
        // The line along the bottom panel's top edge.
        QCOMPARE(image.pixel(5, 160), systemColor(SystemColor::BtnShadow).rgb());
        QCOMPARE(image.pixel(5, 161), systemColor(SystemColor::BtnHighlight).rgb());
        QCOMPARE(image.pixel(5, 170), systemColor(SystemColor::BtnFace).rgb());
        QCOMPARE(d.image1->pixmap().size(), QSize(32, 32));
        // The prompt's ink lies within its text box and is dark.
        const QRect prompt = d.label5->geometry();
        int ink = 0;
        for (int y = prompt.top(); y <= prompt.bottom(); ++y)
            for (int x = prompt.left(); x <= prompt.right(); ++x)
                ink += image.pixelColor(x, y).lightness() < 100;
        QVERIFY(ink > 50);
        for (int x = prompt.left(); x < 377; ++x)
            QVERIFY(image.pixelColor(x, prompt.top() - 2).lightness() > 100);
    }

    // Enter moves the focus as Tab would, so the button it reaches shows the focus cue: a
    // frame along its edge, in the style's focus colour.
    void enterShowsTheFocusCue()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QVERIFY(activate(&d));
        QTest::keyClick(d.ComboBox1, Qt::Key_Return);
        QTest::keyClick(d.Edit1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.bbOk);
        const QImage cued = d.bbOk->grab().toImage();
        d.setAttribute(Qt::WA_KeyboardFocusChange, false); // focused, as after a click
        const QImage plain = d.bbOk->grab().toImage();
        const QRect inside = d.bbOk->rect().adjusted(3, 3, -3, -3);
        int onEdge = 0, elsewhere = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                if (plain.pixel(x, y) != cued.pixel(x, y))
                    ++(inside.contains(x, y) ? elsewhere : onEdge);
        QCOMPARE(elsewhere, 0);
        QVERIFY2(onEdge > d.bbOk->width() + d.bbOk->height(), "a frame all round");
    }

    // Alt+O as the operator presses it, from the password field: the login runs.
    void altOLogsIn()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QVERIFY(activate(&d));
        f.type(QStringLiteral("zhang"), QStringLiteral("secret"));
        d.Edit1->setFocus();
        QTest::keyClick(d.Edit1, Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(d.LoginOK); // the mnemonic shows the button pressed for a moment first
        QVERIFY(!d.isVisible());
    }

    // A refusal's box over the dialog takes the activation, not the field's focus: the field
    // stays yellow behind the box and after it.
    void fieldKeepsItsColourUnderAMessageBox()
    {
        LoginFixture f;
        Tfmlogin& d = *f.dlg;
        QVERIFY(activate(&d));
        d.Edit1->setFocus();
        setMessagePresenter(nullptr); // the production box, modal over the dialog
        QColor behindBox, shownBehindBox;
        bool boxSeen = false;
        // Looks from inside the box's own event loop, then closes it.
        QTimer look;
        connect(&look, &QTimer::timeout, &d, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeWindow());
            if (!box)
                return;
            look.stop();
            boxSeen = true;
            behindBox = base(d.Edit1);
            shownBehindBox = shownColour(d.grab().toImage(), d.Edit1);
            box->close();
        });
        look.start(10);
        QTest::keyClick(d.Edit1, Qt::Key_O, Qt::AltModifier); // no name: refused with a box
        QTRY_VERIFY(boxSeen);
        setMessagePresenter(&f.boxes);
        QCOMPARE(behindBox, kYellow);
        QCOMPARE(shownBehindBox, kYellow);
        QVERIFY(activate(&d));
        QCOMPARE(QApplication::focusWidget(), d.Edit1);
        QCOMPARE(base(d.Edit1), kYellow);
        QCOMPARE(base(d.ComboBox1), systemColor(SystemColor::Window));
    }

    void fieldCaptions_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("caption");
        QTest::newRow("name") << "ComboBox1"
                              << "用户名";
        QTest::newRow("password") << "Edit1"
                                  << "口  令";
        QTest::newRow("new password") << "Edit2"
                                      << "新口令";
        QTest::newRow("again") << "Edit4"
                               << "重口令";
    }
    // A screen reader names each field by its caption, which it reads as the field's label.
    void fieldCaptions()
    {
        QFETCH(QString, field);
        QFETCH(QString, caption);
        LoginFixture f;
        auto* widget = f.dlg->findChild<QWidget*>(field);
        QVERIFY(widget);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(a->text(QAccessible::Name), caption);
        const auto labels = a->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].first->role(), QAccessible::StaticText);
        QCOMPARE(labels[0].first->text(QAccessible::Name), caption);
    }
};

TV_REGISTER_TEST(TestLoginWindow);
#include "tst_loginwindow.moc"
