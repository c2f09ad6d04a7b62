-- The embedded database: the same tables and columns as the server's KvtCP.
-- Date-times are text 'YYYY-MM-DD HH:MM:SS' in local time. Names and issue numbers compare
-- without trailing blanks and login names without regard to ASCII case, as the server's
-- Chinese_PRC_CI_AS collation does (each column takes the nearest built-in collation, so
-- every program reading the file sees the same comparisons and the indexes still serve).
-- Login names need both, which no built-in collation gives: the client's statements compare
-- rtrim(name) COLLATE NOCASE, and a unique index on that expression serves them and keeps
-- "demo" and "Demo " from being two operators, as the server's unique key does.
CREATE TABLE IF NOT EXISTS a5_z0_5yc (
    id          INTEGER PRIMARY KEY,
    kind        INTEGER,
    cpqh        TEXT COLLATE RTRIM,
    zjhm        TEXT,
    tsbh        INTEGER,
    kjsj        TEXT,
    opdatetimeT TEXT,
    ainame      TEXT COLLATE RTRIM,
    K00         INTEGER,
    K01         INTEGER,
    K02         INTEGER,
    K03         INTEGER,
    K04         TEXT,
    K05         TEXT,
    CreateDT    TEXT
);
-- A robot's latest draws (header, history, the fleet's state). K02 and K03 ride in the key so
-- that the losing streak's walk over a robot's latest bets reads the index alone; a database
-- made before has the index without them, and the same statements read each row instead.
CREATE INDEX IF NOT EXISTS ix_5yc_ainame_cpqh ON a5_z0_5yc (ainame, cpqh, K02, K03);
CREATE INDEX IF NOT EXISTS ix_5yc_cpqh ON a5_z0_5yc (cpqh);
CREATE INDEX IF NOT EXISTS ix_5yc_ainame_k00 ON a5_z0_5yc (ainame, K00);

CREATE TABLE IF NOT EXISTS a5_z0_00VER (
    tablename TEXT PRIMARY KEY,
    ver       INTEGER
);

CREATE TABLE IF NOT EXISTS "TA71操作用户" (
    "F01用户ID" INTEGER PRIMARY KEY,
    "F03用户名" TEXT COLLATE NOCASE UNIQUE,
    "F05姓名"   TEXT,
    "F07口令"   TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS ix_ta71_login ON "TA71操作用户" (rtrim("F03用户名") COLLATE NOCASE);
