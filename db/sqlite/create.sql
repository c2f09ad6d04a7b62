-- The embedded database: the same tables and columns as the server's KvtCP.
-- Date-times are text 'YYYY-MM-DD HH:MM:SS' in local time.
CREATE TABLE IF NOT EXISTS a5_z0_5yc (
    id          INTEGER PRIMARY KEY,
    kind        INTEGER,
    cpqh        TEXT,
    zjhm        TEXT,
    tsbh        INTEGER,
    kjsj        TEXT,
    opdatetimeT TEXT,
    ainame      TEXT,
    K00         INTEGER,
    K01         INTEGER,
    K02         INTEGER,
    K03         INTEGER,
    K04         TEXT,
    K05         TEXT,
    CreateDT    TEXT
);
CREATE INDEX IF NOT EXISTS ix_5yc_ainame_cpqh ON a5_z0_5yc (ainame, cpqh);
CREATE INDEX IF NOT EXISTS ix_5yc_cpqh ON a5_z0_5yc (cpqh);
CREATE INDEX IF NOT EXISTS ix_5yc_ainame_k00 ON a5_z0_5yc (ainame, K00);

CREATE TABLE IF NOT EXISTS a5_z0_00VER (
    tablename TEXT PRIMARY KEY,
    ver       INTEGER
);

CREATE TABLE IF NOT EXISTS "TA71操作用户" (
    "F01用户ID" INTEGER PRIMARY KEY,
    "F03用户名" TEXT UNIQUE,
    "F05姓名"   TEXT,
    "F07口令"   TEXT
);
