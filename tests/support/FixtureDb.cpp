#include "FixtureDb.h"

#include "DBErrors.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {
[[noreturn]] void die(const QString& error, const QString& sql)
{
    std::fprintf(stderr, "fixture SQL failed: %s\n%s\n", qPrintable(error), qPrintable(sql));
    std::abort();
}

void run(SqliteDatabase& db, const QString& sql, const QVariantList& values)
{
    try {
        SqliteStatement st(db, sql);
        for (int i = 0; i < values.size(); ++i)
            st.bindValue(i + 1, values[i]);
        if (st.step())
            die(db.errorText(), sql);
    } catch (const EDatabaseError& error) {
        die(error.message(), sql);
    }
}
} // namespace

FixtureDb::FixtureDb() : path_(dir_.filePath(QStringLiteral("fixture.db")))
{
    try {
        db_.open(path_, SqliteDatabase::OpenMode::Create);
    } catch (const EDatabaseError& error) {
        die(error.message(), path_);
    }
    QFile schema(QStringLiteral(TALLYVANE_SOURCE_DIR "/db/sqlite/create.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        die(db_.errorText(), schema.fileName());
    // Fixtures are thrown away: no waiting for the disk on every row.
    exec(QStringLiteral("PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;"));
    exec(QString::fromUtf8(schema.readAll()));
}

void FixtureDb::exec(const QString& sql)
{
    try {
        db_.exec(sql);
    } catch (const EDatabaseError& error) {
        die(error.message(), sql);
    }
}

qint64 FixtureDb::addResult(const Result& r)
{
    run(db_,
        "INSERT INTO a5_z0_5yc (id, kind, cpqh, zjhm, tsbh, kjsj, opdatetimeT, ainame, K00, K01, "
        "K02, K03, K04, K05, CreateDT) VALUES (?, 1, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {r.id, r.cpqh, r.zjhm, r.kjsj, r.kjsj, r.ainame, r.k00, r.k01, r.k02, r.k03, r.k04, r.k05,
         r.kjsj});
    return db_.lastInsertRowId();
}

void FixtureDb::setVersion(const QVariant& ver)
{
    run(db_, "DELETE FROM a5_z0_00VER WHERE tablename = 'a5_z0_1his'", {});
    if (ver.isValid())
        run(db_, "INSERT INTO a5_z0_00VER (tablename, ver) VALUES ('a5_z0_1his', ?)", {ver});
}

void FixtureDb::addOperator(int id, const QString& login, const QString& name,
                            const QString& password)
{
    run(db_,
        "INSERT INTO \"TA71操作用户\" (\"F01用户ID\", \"F03用户名\", \"F05姓名\", \"F07口令\") "
        "VALUES (?, ?, ?, ?)",
        {id, login, name, password});
}

QVariant FixtureDb::scalar(const QString& sql)
{
    std::optional<SqliteStatement> st;
    try {
        st.emplace(db_, sql);
    } catch (const EDatabaseError& error) {
        die(error.message(), sql);
    }
    try {
        if (!st->step())
            return {};
    } catch (const EDatabaseError&) {
        return {}; // a failing read has always counted as no row
    }
    switch (st->columnType(0)) {
    case SqliteStatement::ColumnType::Integer:
        return qlonglong(st->columnInt64(0));
    case SqliteStatement::ColumnType::Null:
        return {};
    default:
        return st->columnText(0);
    }
}
