#include "DBErrors.h"
#include "Driver.h"
#include "SqliteDatabase.h"
#include "TestRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

qint64 count(SqliteDatabase& db)
{
    SqliteStatement st(db, QStringLiteral("SELECT count(*) FROM t"));
    st.step();
    return st.columnInt64(0);
}

} // namespace

class TestSqlite : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void transactionRollsBackUnlessCommitted()
    {
        SqliteDatabase db(file("tx.db"), SqliteDatabase::OpenMode::Create);
        db.exec(QStringLiteral("CREATE TABLE t (x)"));
        {
            SqliteTransaction t(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
        }
        QCOMPARE(count(db), 0);
        {
            SqliteTransaction t(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
            t.commit();
        }
        QCOMPARE(count(db), 1);
    }

    // A read left open at a commit keeps the write-ahead log from ever being reset.
    void commitRefusesAnOpenRead()
    {
        SqliteDatabase db(file("open-read.db"), SqliteDatabase::OpenMode::Create);
        db.exec(QStringLiteral("PRAGMA journal_mode=WAL; CREATE TABLE t (x); "
                               "INSERT INTO t VALUES (1), (2)"));
        SqliteStatement read(db, QStringLiteral("SELECT x FROM t"));
        {
            SqliteTransaction t(db);
            QVERIFY(read.step());
            db.exec(QStringLiteral("INSERT INTO t VALUES (3)"));
            try {
                t.commit();
                QFAIL("committed");
            } catch (const EDatabaseError& error) {
                QVERIFY2(error.message().contains(QStringLiteral("SELECT x FROM t")),
                         qPrintable(error.message()));
            }
        }
        read.reset();
        QCOMPARE(count(db), 2);
        {
            SqliteTransaction t(db);
            QVERIFY(read.step() && read.step() && !read.step()); // finished
            db.exec(QStringLiteral("INSERT INTO t VALUES (3)"));
            t.commit();
        }
        QCOMPARE(count(db), 3);
    }

    void valuesRoundTripAndResetClearsThem()
    {
        SqliteDatabase db(file("values.db"), SqliteDatabase::OpenMode::Create);
        SqliteStatement st(db, QStringLiteral("SELECT ?1, typeof(?1)"));
        const struct {
            QVariant in, out;
            const char* type;
        } rows[] = {
            {QVariant(), QVariant(), "null"},
            {QStringLiteral("追0"), QStringLiteral("追0"), "text"},
            {2.5, 2.5, "real"},
            {7, qlonglong(7), "integer"},
            {true, qlonglong(1), "integer"},
        };
        for (const auto& row : rows) {
            st.reset();
            st.bindValue(1, row.in);
            QVERIFY(st.step());
            QCOMPARE(st.columnValue(0), row.out);
            QCOMPARE(st.columnText(1), QString::fromLatin1(row.type));
        }
        st.reset();
        QVERIFY(st.step());
        QVERIFY(st.isNull(0));
    }

    // The driver keeps its statements prepared between runs; each run must still be a run of
    // its own: fresh parameters, the table as it is now, a failed run leaving nothing behind,
    // and no read left open that would keep a writer's log from its checkpoint.
    void preparedStatementsRunAfresh()
    {
        const QString path = file("prepared.db");
        {
            SqliteDatabase db(path, SqliteDatabase::OpenMode::Create);
            db.exec(QStringLiteral(
                "CREATE TABLE a5_z0_5yc (cpqh TEXT); CREATE TABLE a5_z0_00VER (ver); CREATE "
                "TABLE \"TA71操作用户\" (x); INSERT INTO a5_z0_5yc VALUES ('a'), ('b')"));
        }
        const auto driver = makeSqliteDriver(path);
        driver->connect();
        const QString select =
            QStringLiteral("SELECT * FROM a5_z0_5yc WHERE cpqh = ? OR ? IS NULL");
        const auto rows = [&](const QStringList& params) {
            return driver->query(select, params).rows.size();
        };
        QCOMPARE(rows({"a", "x"}), 1);
        QCOMPARE(rows({"a"}), 2); // the second marker unbound: NULL, not the last run's "x"
        SqliteDatabase other(path, SqliteDatabase::OpenMode::ReadWrite);
        other.exec(QStringLiteral("ALTER TABLE a5_z0_5yc ADD COLUMN kjsj TEXT"));
        QCOMPARE(driver->query(select, {"b", "x"}).columns.size(), 2);
        // Nothing of the driver's holds a read: a writer checkpoints the whole log.
        other.exec(
            QStringLiteral("PRAGMA journal_mode=WAL; INSERT INTO a5_z0_5yc (cpqh) VALUES ('c')"));
        {
            SqliteStatement checkpoint(other, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            QVERIFY(checkpoint.step());
            QCOMPARE(checkpoint.columnInt64(0), 0); // not busy
        }
        other.exec(QStringLiteral("DROP TABLE a5_z0_5yc"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, rows({"a", "x"}));
        other.exec(QStringLiteral("CREATE TABLE a5_z0_5yc (cpqh TEXT); INSERT INTO a5_z0_5yc "
                                  "VALUES ('a')"));
        QCOMPARE(rows({"a", "x"}), 1);
    }

    void driverConnectsToExistingDatabasesOnly()
    {
        QFile text(file("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a database, but long enough to have a header\n");
        text.close();
        QFile(file("empty.db")).open(QIODevice::WriteOnly); // 0 bytes: an empty database
        {
            SqliteDatabase other(file("other.db"), SqliteDatabase::OpenMode::Create);
            other.exec(QStringLiteral("CREATE TABLE a5_z0_5yc (id INTEGER); CREATE TABLE "
                                      "a5_z0_00VER (tablename TEXT, ver INTEGER)"));
        }
        const struct {
            QString path, message;
        } rows[] = {
            {file("missing.db"),
             QStringLiteral("unable to open database file: ") + file("missing.db")},
            {text.fileName(), QStringLiteral("file is not a database")},
            {file("empty.db"),
             QStringLiteral("not a Tallyvane database (no table a5_z0_5yc): ") + file("empty.db")},
            {file("other.db"),
             QStringLiteral("not a Tallyvane database (no table TA71操作用户): ") +
                 file("other.db")},
        };
        for (const auto& row : rows) {
            const auto driver = makeSqliteDriver(row.path);
            try {
                driver->connect();
                QFAIL(qPrintable(row.path));
            } catch (const EConnectionError& error) {
                QCOMPARE(error.message(), row.message);
            }
            QVERIFY(!driver->connected());
        }
        QVERIFY(!QFile::exists(file("missing.db")));
        QVERIFY_THROWS_EXCEPTION(
            EDatabaseError,
            SqliteDatabase(file("missing.db"), SqliteDatabase::OpenMode::ReadWrite));
        QVERIFY(!QFile::exists(file("missing.db")));
    }
};
TV_REGISTER_TEST(TestSqlite);

#include "tst_sqlite.moc"
