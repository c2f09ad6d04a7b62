#pragma once
#include "FixtureDb.h"
#include "GlyphButton.h"
#include "RecordingPresenter.h"
#include "ScopedDataModule.h"
#include "login.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <optional>

// A fresh database with one operator, the data module on it, and the dialog shown.
struct LoginFixture {
    FixtureDb db;
    RecordingPresenter boxes;
    std::unique_ptr<TDM> dm;
    std::optional<ScopedDataModule> installed;
    std::unique_ptr<Tfmlogin> dlg;

    explicit LoginFixture(const QString& storedPassword = QStringLiteral("secret"))
    {
        db.addOperator(7, QStringLiteral("zhang"), QStringLiteral("张三"), storedPassword);
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::Sqlite;
        settings.sqliteFile = db.path();
        dm = std::make_unique<TDM>(settings);
        installed.emplace(dm.get());
        dlg = std::make_unique<Tfmlogin>();
        dlg->show();
    }
    void type(const QString& name, const QString& password)
    {
        dlg->ComboBox1->setEditText(name);
        dlg->Edit1->setText(password);
    }
    void typeNew(const QString& pw, const QString& again)
    {
        dlg->bbChangPw->click();
        dlg->Edit2->setText(pw);
        dlg->Edit4->setText(again);
    }
    QVariant storedPassword()
    {
        return db.scalar(
            QStringLiteral("select \"F07口令\" from \"TA71操作用户\" where \"F01用户ID\" = 7"));
    }
    bool dmUntouched() const
    {
        return DM->UserID == 0 && DM->UserName.isEmpty() && DM->LoginName.isEmpty();
    }
};

inline bool activate(QWidget* w)
{
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}
