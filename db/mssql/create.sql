-- KvtCP on a test SQL Server: the database, its three tables and the indexes the client's
-- statements lean on. Safe to run again: nothing that exists is touched.
-- The file is UTF-8 (the operator table has Chinese names); run it with
--   sqlcmd -S host,27999 -U sa -f 65001 -i db/mssql/create.sql
-- Text columns are varchar in a Chinese_PRC collation, so their bytes are GB text and their
-- lengths count bytes (a Chinese character 2, an ASCII one 1), as the client expects.

IF DB_ID(N'KvtCP') IS NULL
    CREATE DATABASE KvtCP COLLATE Chinese_PRC_CI_AS;
GO

USE KvtCP;
GO

-- One row per robot and draw.
IF OBJECT_ID(N'dbo.a5_z0_5yc', N'U') IS NULL
CREATE TABLE dbo.a5_z0_5yc (
    id          int IDENTITY(1, 1) NOT NULL CONSTRAINT pk_a5_z0_5yc PRIMARY KEY,
    kind        int NULL,
    cpqh        varchar(32) COLLATE Chinese_PRC_CI_AS NULL,
    zjhm        char(5) COLLATE Chinese_PRC_CI_AS NULL,
    tsbh        int NULL,
    kjsj        datetime NULL,
    opdatetimeT datetime NULL,
    ainame      varchar(32) COLLATE Chinese_PRC_CI_AS NULL,
    K00         int NULL,
    K01         int NULL,
    K02         int NULL,
    K03         int NULL,
    K04         varchar(32) COLLATE Chinese_PRC_CI_AS NULL,
    K05         varchar(128) COLLATE Chinese_PRC_CI_AS NULL,
    CreateDT    datetime NULL CONSTRAINT df_a5_z0_5yc_CreateDT DEFAULT (GETDATE())
);
GO

-- Header, history and the fleet's state: a robot's latest draws. K02 and K03 are included so
-- that the losing streak's walk over a robot's latest bets needs no key lookups. An index made
-- before without them is left as it is: the statements are the same, that walk only slower.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_5yc_ainame_cpqh'
               AND object_id = OBJECT_ID(N'dbo.a5_z0_5yc'))
    CREATE INDEX ix_5yc_ainame_cpqh ON dbo.a5_z0_5yc (ainame, cpqh) INCLUDE (K02, K03);
-- Comparison and robot list: every robot of one draw.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_5yc_cpqh'
               AND object_id = OBJECT_ID(N'dbo.a5_z0_5yc'))
    CREATE INDEX ix_5yc_cpqh ON dbo.a5_z0_5yc (cpqh);
-- Comparison: a robot's highest and lowest balance.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_5yc_ainame_k00'
               AND object_id = OBJECT_ID(N'dbo.a5_z0_5yc'))
    CREATE INDEX ix_5yc_ainame_k00 ON dbo.a5_z0_5yc (ainame, K00);
GO

-- Version counters; the client watches the row 'a5_z0_1his'.
IF OBJECT_ID(N'dbo.a5_z0_00VER', N'U') IS NULL
CREATE TABLE dbo.a5_z0_00VER (
    tablename varchar(32) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT pk_a5_z0_00VER PRIMARY KEY,
    ver       int NULL
);
GO

-- Without this row the client never reloads its grids.
IF NOT EXISTS (SELECT 1 FROM dbo.a5_z0_00VER WHERE tablename = 'a5_z0_1his')
    INSERT INTO dbo.a5_z0_00VER (tablename, ver) VALUES ('a5_z0_1his', 0);
GO

-- Operators; passwords are plain text, as the client compares them.
IF OBJECT_ID(N'dbo.TA71操作用户', N'U') IS NULL
CREATE TABLE dbo.[TA71操作用户] (
    [F01用户ID] int NOT NULL CONSTRAINT pk_TA71 PRIMARY KEY,
    [F03用户名] varchar(20) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT uq_TA71_F03 UNIQUE,
    [F05姓名]   varchar(20) COLLATE Chinese_PRC_CI_AS NULL,
    [F07口令]   varchar(20) COLLATE Chinese_PRC_CI_AS NULL
);
GO
