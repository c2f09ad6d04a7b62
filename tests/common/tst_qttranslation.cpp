#include "MXT_PUB.h"
#include "MessagePresenter.h"
#include "QtTranslation.h"
#include "TestRegistry.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace {
// Translated means Chinese: an English text left over has no Han character.
bool chinese(const QString& text)
{
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return text.contains(han);
}
} // namespace

class TestQtTranslation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(installQtTranslation(), "qt6-translations-l10n is missing (scripts/setup)");
        QVERIFY(installQtTranslation()); // a second call keeps the one translator
    }

    void messageBoxButtonIsChinese()
    {
        for (const QString& kind : {QStringLiteral("w"), QStringLiteral("e")}) {
            std::unique_ptr<QMessageBox> box(buildMessageBox(showMsgSpec(QString(), kind)));
            QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        }
    }

    // The menu Qt gives the login fields and the robot selector.
    void editMenuIsChinese()
    {
        QLineEdit edit;
        edit.setText(QStringLiteral("demo"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        int texts = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            ++texts;
            QVERIFY2(chinese(action->text()), qPrintable(action->text()));
        }
        QVERIFY(texts >= 6);
    }
};

TV_REGISTER_TEST(TestQtTranslation);
#include "tst_qttranslation.moc"
