#include "Statements.h"

#include "GBText.h"
#include "SqlText.h"

namespace {

ColumnDef text(const char* name, int size, const char* label = "",
               FieldAlignment align = FieldAlignment::Left)
{
    return {QString::fromUtf8(name),
            ftString,
            size,
            QString::fromUtf8(label),
            0,
            align,
            {},
            false,
            true};
}

ColumnDef integer(const char* name, const char* label = "", int displayWidth = 0)
{
    return {QString::fromUtf8(name),
            ftInteger,
            0,
            QString::fromUtf8(label),
            displayWidth,
            FieldAlignment::Right,
            {},
            false,
            true};
}

ColumnDef dateTime(const char* name, const char* label = "", const char* format = "")
{
    return {QString::fromUtf8(name),   ftDateTime, 0,
            QString::fromUtf8(label),  0,          FieldAlignment::Left,
            QString::fromUtf8(format), false,      true};
}

ColumnDef readOnly(ColumnDef c)
{
    c.readOnly = true;
    return c;
}

ColumnDef hidden(ColumnDef c)
{
    c.visible = false;
    return c;
}

ColumnDef centred(ColumnDef c)
{
    c.alignment = FieldAlignment::Center;
    return c;
}

ColumnDef width(ColumnDef c, int displayWidth)
{
    c.displayWidth = displayWidth;
    return c;
}

// A login name compares as on the server: trailing blanks and ASCII case do not count. The
// left side is the expression of the embedded schema's unique index, so the index serves.
const QString kLoginNameIs = QStringLiteral("rtrim(\"F03用户名\") collate nocase=rtrim(:username)");

QString lines(std::initializer_list<const char*> parts)
{
    QStringList out;
    for (const char* p : parts)
        out << QString::fromUtf8(p);
    return out.join(u'\n');
}

// The longest losing streak the fleet statement reads.
constexpr int kMaxStreakBets = 64;

} // namespace

bool ParamDef::canStore(const QString& value) const
{
    return gb::representable(value) && (byteLimit <= 0 || gb::byteLength(value) <= byteLimit);
}

namespace statements {

const StatementDef& header()
{
    static const StatementDef s{
        QStringLiteral("Qhead"),
        {{QStringLiteral("ainame"), 32, QStringLiteral("追0")}},
        {text("cpqh", 32), readOnly(text("cz", 51, "", FieldAlignment::Center)),
         readOnly(centred(integer("xqkj"))), readOnly(integer("ver")),
         text("zjhm", 5, "", FieldAlignment::Center)},
        lines(
            {"select zjhm,cpqh,cz=(case when xqkj>0 then cz else '取数据...' end),xqkj,ver from (",
             "SELECT TOP 1 zjhm,cpqh,cz=(case [K02] when 1 then "
             "'押【'+[K04]+'】/注<'+convert(varchar(8),k01)+'>' else '过' "
             "end),DATEDIFF(SS,GETDATE(),[kjsj])+55-datepart(ss,[kjsj]) as xqkj,",
             "(select ver from dbo.a5_z0_00VER where tablename='a5_z0_1his') as ver",
             "FROM [KvtCP].[dbo].[a5_z0_5yc]", "where ainame=:ainame", "order by cpqh desc",
             ") as u"}),
        // Seconds as DATEDIFF counts them: whole-second boundaries between now and the draw.
        lines({"select zjhm,cpqh,(case when xqkj>0 then cz else '取数据...' end) as cz,xqkj,ver "
               "from (",
               "SELECT zjhm,cpqh,(case K02 when 1 then '押【'||K04||'】/注<'||(case when "
               "length(cast(K01 as text))>8 then '*' else cast(K01 as text) end)||'>' else '过' "
               "end) as cz,",
               "(cast(strftime('%s',kjsj) as integer)-cast(strftime('%s','now','localtime') as "
               "integer))+55-cast(strftime('%S',kjsj) as integer) as xqkj,",
               "(select ver from a5_z0_00VER where tablename='a5_z0_1his') as ver",
               "FROM a5_z0_5yc", "where ainame=:ainame", "order by cpqh desc limit 1", ") as u"}),
        QStringLiteral("cpqh"),
    };
    return s;
}

const StatementDef& robotHistory()
{
    static const StatementDef s{
        QStringLiteral("Qai"),
        {{QStringLiteral("ainame"), 32, QStringLiteral("追0")}},
        {readOnly(hidden(integer("id"))), hidden(integer("kind")), text("cpqh", 32, "彩票期数"),
         text("zjhm", 5, "奖号"), hidden(integer("tsbh")),
         dateTime("kjsj", "开奖时间", "yy-mm-dd hh:mm"), hidden(dateTime("opdatetimeT")),
         hidden(text("ainame", 32, "AI机器人")), integer("K00", "余额", 6), integer("K01", "注", 4),
         integer("K02", "操作"), integer("K03", "输赢", 6),
         text("K04", 32, "推荐号", FieldAlignment::Center), text("K05", 128, "理由"),
         hidden(dateTime("CreateDT"))},
        lines({"SELECT top 360 *   FROM [dbo].[a5_z0_5yc]", "where ainame=:ainame",
               "order by cpqh desc"}),
        lines(
            {"SELECT *   FROM a5_z0_5yc", "where ainame=:ainame", "order by cpqh desc limit 360"}),
        QStringLiteral("id"),
    };
    return s;
}

const StatementDef& robotComparison()
{
    static const StatementDef s{
        QStringLiteral("Qais"),
        {{QStringLiteral("cpqh"), 32, QStringLiteral("20201002-0792")}},
        {text("ainame", 32, "AI机器人"), integer("K00", "余额"), integer("K01", "注", 6),
         integer("k02", "操作", 4), integer("k03", "输赢", 6),
         text("k04", 32, "推荐号", FieldAlignment::Center),
         readOnly(integer("c3max", "最高峰", 10)), readOnly(integer("c4min", "最低谷", 10)),
         width(text("k05", 128, "说明"), 58)},
        lines({"SELECT a.ainame,a.K00,a.K01,a.k02,a.k03,a.k04,a.k05,",
               "(select MAX(b.k00) from [dbo].[a5_z0_5yc] b where b.ainame=a.ainame) as c3max,",
               "(select min(b.k00) from [dbo].[a5_z0_5yc] b where b.ainame=a.ainame) as c4min",
               "FROM [KvtCP].[dbo].[a5_z0_5yc] a", "where a.cpqh=:cpqh", "order by a.k00 desc"}),
        lines({"SELECT a.ainame,a.K00,a.K01,a.k02,a.k03,a.k04,a.k05,",
               "(select MAX(b.k00) from a5_z0_5yc b where b.ainame=a.ainame) as c3max,",
               "(select min(b.k00) from a5_z0_5yc b where b.ainame=a.ainame) as c4min",
               "FROM a5_z0_5yc a", "where a.cpqh=:cpqh", "order by a.k00 desc"}),
        // One row per robot of a draw.
        QStringLiteral("ainame"),
    };
    return s;
}

StatementDef robotList(const QString& draw)
{
    // The draw number comes from the database; doubling its quotes keeps it a literal.
    const QString literal = quotedLiteral(draw);
    return StatementDef{
        QStringLiteral("Q"),
        {},
        {text("ainame", 32, "AI机器人")},
        QStringLiteral("SELECT [ainame]  FROM [KvtCP].[dbo].[a5_z0_5yc]  where cpqh=") + literal +
            QStringLiteral("  order by id"),
        QStringLiteral("SELECT ainame  FROM a5_z0_5yc  where cpqh=") + literal +
            QStringLiteral("  order by id"),
        QStringLiteral("ainame"),
    };
}

const StatementDef& operatorLookup()
{
    static const StatementDef s{
        QStringLiteral("Q"),
        {{QStringLiteral("username"), 20, {}}},
        {integer("F01用户ID"), text("F03用户名", 20), text("F05姓名", 20), text("F07口令", 20)},
        QStringLiteral("select * from dbo.TA71操作用户 where F03用户名=:username"),
        QStringLiteral("select * from \"TA71操作用户\" where ") + kLoginNameIs,
        QStringLiteral("F01用户ID"),
    };
    return s;
}

const StatementDef& passwordChange()
{
    static const StatementDef s{
        QStringLiteral("Qcpw"),
        {{QStringLiteral("pw"), 20, {}}, {QStringLiteral("username"), 20, {}}},
        {},
        lines({"update TA71操作用户", "set F07口令=:pw", "where F03用户名=:username"}),
        lines({"update \"TA71操作用户\"", "set \"F07口令\"=:pw", "where "}) + kLoginNameIs,
        {},
    };
    return s;
}

StatementDef fleetState(int streakBets)
{
    // Robot by robot from the last name down: each step is one backward seek in the (ainame,
    // cpqh) index to the next robot's newest row (a DISTINCT would read the whole index), and
    // the row itself. A robot whose latest bet was won has no losing streak, so only the
    // others walk back over their latest bets, in the same index, which holds K02 and K03 for
    // it (an index made before without them serves too, with a row read per entry).
    const QString bets = QString::number(std::max(0, streakBets));
    const QString tsqlOutcomes =
        streakBets > 0
            ? QStringLiteral("(case when r.K02=1 and r.K03>=0 then 'W' else (select case when "
                             "o.K03<0 then 'L' else 'W' end from (select top (") +
                  bets +
                  QStringLiteral(") cpqh,K03 from [KvtCP].[dbo].[a5_z0_5yc] where "
                                 "ainame=r.ainame and K02=1 order by cpqh desc) o order by "
                                 "o.cpqh desc for xml path('')) end) as outcomes")
            : QStringLiteral("'' as outcomes");
    const QString sqliteOutcomes =
        streakBets > 0
            ? QStringLiteral("(case when r.K02=1 and r.K03>=0 then 'W' else (select "
                             "group_concat(case when o.K03<0 then 'L' else 'W' end,'') from "
                             "(select K03 from a5_z0_5yc where ainame=r.ainame and K02=1 order by "
                             "cpqh desc limit ") +
                  bets + QStringLiteral(") o) end) as outcomes")
            : QStringLiteral("'' as outcomes");
    return StatementDef{
        QStringLiteral("Qfleet"),
        {},
        {text("ainame", 32), dateTime("kjsj"), integer("K00"), text("outcomes", kMaxStreakBets)},
        lines({"with r as (",
               "select n.id,n.ainame,n.kjsj,n.K00,n.K02,n.K03 from [KvtCP].[dbo].[a5_z0_5yc] n "
               "where n.id=(select top 1 b.id from [KvtCP].[dbo].[a5_z0_5yc] b where "
               "b.ainame=(select max(ainame) from [KvtCP].[dbo].[a5_z0_5yc]) order by b.cpqh "
               "desc)",
               "union all",
               "select n.id,n.ainame,n.kjsj,n.K00,n.K02,n.K03 from (select "
               "b.id,b.ainame,b.kjsj,b.K00,b.K02,b.K03,row_number() over (order by b.ainame "
               "desc,b.cpqh desc) as rn",
               "from [KvtCP].[dbo].[a5_z0_5yc] b join r on b.ainame<r.ainame) n where n.rn=1",
               ")"}) +
            QStringLiteral("\nselect r.ainame,r.kjsj,r.K00,") + tsqlOutcomes +
            QStringLiteral(" from r\noption (maxrecursion 0)"),
        lines({"with recursive r(id,ainame,kjsj,K00,K02,K03) as (",
               "select id,ainame,kjsj,K00,K02,K03 from a5_z0_5yc where id=(select b.id from "
               "a5_z0_5yc b where b.ainame is not null order by b.ainame desc,b.cpqh desc limit "
               "1)",
               "union all",
               "select n.id,n.ainame,n.kjsj,n.K00,n.K02,n.K03 from r join a5_z0_5yc n on "
               "n.id=(select b.id from a5_z0_5yc b where b.ainame<r.ainame order by b.ainame "
               "desc,b.cpqh desc limit 1)",
               ")"}) +
            QStringLiteral("\nselect r.ainame,r.kjsj,r.K00,") + sqliteOutcomes +
            QStringLiteral(" from r"),
        QStringLiteral("ainame"),
    };
}

const StatementDef& fleetTrend()
{
    // The latest draws are found by a skip scan down the cpqh index (one backward seek per
    // draw, where a DISTINCT would read every robot's row of each), then each robot of the
    // newest draw is one range seek in the (ainame, cpqh) index between the oldest and the
    // newest of them. The sort at the end is of the result only.
    const QString draws = QString::number(kFleetTrendDraws);
    static const StatementDef s{
        QStringLiteral("Qfleetai"),
        {},
        {text("cpqh", 32), text("ainame", 32), integer("K00")},
        lines({"with d as (", "select max(cpqh) as cpqh,1 as n from [KvtCP].[dbo].[a5_z0_5yc]",
               "union all",
               "select n.cpqh,n.n from (select b.cpqh,d.n+1 as n,row_number() over (order by "
               "b.cpqh desc) as rn",
               "from [KvtCP].[dbo].[a5_z0_5yc] b join d on b.cpqh<d.cpqh and d.n<"}) +
            draws +
            lines({") n where n.rn=1", ")",
                   "select a.cpqh,a.ainame,a.K00 from (select min(cpqh) as oldest,max(cpqh) as "
                   "newest from d) w",
                   "join [KvtCP].[dbo].[a5_z0_5yc] r on r.cpqh=w.newest",
                   "join [KvtCP].[dbo].[a5_z0_5yc] a on a.ainame=r.ainame and a.cpqh between "
                   "w.oldest and w.newest",
                   "order by r.id,a.cpqh", "option (maxrecursion 0)"})
                .prepend(u'\n'),
        lines({"with recursive d(cpqh,n) as (", "select max(cpqh),1 from a5_z0_5yc", "union all",
               "select (select max(b.cpqh) from a5_z0_5yc b where b.cpqh<d.cpqh),d.n+1 from d "
               "where d.cpqh is not null and d.n<"}) +
            draws +
            lines({"", "),", "w(oldest,newest) as (select min(cpqh),max(cpqh) from d)",
                   "select a.cpqh,a.ainame,a.K00 from w", "join a5_z0_5yc r on r.cpqh=w.newest",
                   "join a5_z0_5yc a on a.ainame=r.ainame and a.cpqh between w.oldest and "
                   "w.newest",
                   "order by r.id,a.cpqh"}),
        {},
    };
    return s;
}

QString inDatabase(const QString& tsql, const QString& database)
{
    static const QString builtIn = QStringLiteral("[KvtCP].");
    if (database == u"KvtCP" || !tsql.contains(builtIn))
        return tsql;
    QString quoted = database;
    quoted.replace(u']', QStringLiteral("]]"));
    return QString(tsql).replace(builtIn, u'[' + quoted + QStringLiteral("]."));
}

} // namespace statements
