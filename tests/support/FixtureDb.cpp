#include "FixtureDb.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

namespace {
[[noreturn]] void die(sqlite3* db, const QString& sql)
{
    std::fprintf(stderr, "fixture SQL failed: %s\n%s\n", sqlite3_errmsg(db), qPrintable(sql));
    std::abort();
}

void bind(sqlite3_stmt* st, int i, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        sqlite3_bind_null(st, i);
    else if (v.typeId() == QMetaType::QString) {
        const QByteArray u = v.toString().toUtf8();
        sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    } else
        sqlite3_bind_int64(st, i, v.toLongLong());
}
} // namespace

FixtureDb::FixtureDb() : path_(dir_.filePath(QStringLiteral("fixture.db")))
{
    if (sqlite3_open(path_.toUtf8().constData(), &db_) != SQLITE_OK)
        die(db_, path_);
    QFile schema(QStringLiteral(TALLYVANE_SOURCE_DIR "/db/sqlite/create.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        die(db_, schema.fileName());
    // Fixtures are thrown away: no waiting for the disk on every row.
    exec(QStringLiteral("PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;"));
    exec(QString::fromUtf8(schema.readAll()));
}

FixtureDb::~FixtureDb() { sqlite3_close(db_); }

void FixtureDb::exec(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK)
        die(db_, sql);
}

static void run(sqlite3* db, const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(db, u.constData(), -1, &st, nullptr) != SQLITE_OK)
        die(db, sql);
    for (int i = 0; i < values.size(); ++i)
        bind(st, i + 1, values[i]);
    if (sqlite3_step(st) != SQLITE_DONE)
        die(db, sql);
    sqlite3_finalize(st);
}

qint64 FixtureDb::addResult(const Result& r)
{
    run(db_,
        "INSERT INTO a5_z0_5yc (id, kind, cpqh, zjhm, tsbh, kjsj, opdatetimeT, ainame, K00, K01, "
        "K02, K03, K04, K05, CreateDT) VALUES (?, 1, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {r.id, r.cpqh, r.zjhm, r.kjsj, r.kjsj, r.ainame, r.k00, r.k01, r.k02, r.k03, r.k04, r.k05,
         r.kjsj});
    return sqlite3_last_insert_rowid(db_);
}

void FixtureDb::setVersion(const QVariant& ver)
{
    run(db_, "DELETE FROM a5_z0_00VER WHERE tablename = 'a5_z0_1his'", {});
    if (ver.isValid())
        run(db_, "INSERT INTO a5_z0_00VER (tablename, ver) VALUES ('a5_z0_1his', ?)", {ver});
}

void FixtureDb::addOperator(int id, const QString& login, const QString& name, const QString& password)
{
    run(db_,
        "INSERT INTO \"TA71操作用户\" (\"F01用户ID\", \"F03用户名\", \"F05姓名\", \"F07口令\") "
        "VALUES (?, ?, ?, ?)",
        {id, login, name, password});
}

QVariant FixtureDb::scalar(const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, u.constData(), -1, &st, nullptr) != SQLITE_OK)
        die(db_, sql);
    QVariant out;
    if (sqlite3_step(st) == SQLITE_ROW) {
        switch (sqlite3_column_type(st, 0)) {
        case SQLITE_INTEGER: out = qlonglong(sqlite3_column_int64(st, 0)); break;
        case SQLITE_NULL: break;
        default:
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
    }
    sqlite3_finalize(st);
    return out;
}
