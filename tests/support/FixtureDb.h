#pragma once
#include "SqliteDatabase.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

// A fresh embedded database in a temporary folder, made with db/sqlite/create.sql.
class FixtureDb {
public:
    FixtureDb();
    const QString& path() const { return path_; }

    // Runs statements; fails the process loudly on an error (fixtures must be right).
    void exec(const QString& sql);
    // One result row for a robot and draw; kjsj as "YYYY-MM-DD HH:MM:SS".
    struct Result {
        QString ainame = QStringLiteral("追0");
        QString cpqh = QStringLiteral("20201002-0792");
        QString zjhm = QStringLiteral("12345");
        QString kjsj = QStringLiteral("2020-10-02 13:07:00");
        QVariant k00 = 1000, k01 = 3, k02 = 1, k03 = 0;
        QString k04 = QStringLiteral("12345");
        QString k05 = QStringLiteral("理由");
        QVariant id; // automatic when invalid
    };
    qint64 addResult(const Result& r);
    void setVersion(const QVariant& ver); // invalid: removes the "a5_z0_1his" row
    void addOperator(int id, const QString& login, const QString& name, const QString& password);
    QVariant scalar(const QString& sql);

private:
    QTemporaryDir dir_;
    QString path_;
    SqliteDatabase db_;
};
