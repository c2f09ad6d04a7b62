#pragma once
#include "Driver.h"
#include "FieldTypes.h"

#include <QString>
#include <QVector>

// A bound parameter: its name, its limit in bytes of GB2312 text (0: none), and the stored
// value.
struct ParamDef {
    QString name;
    int byteLimit = 0;
    QString initial;

    // False for a value the server's column could never hold: too long, or outside its code
    // page (the server would keep "?" in its place).
    bool canStore(const QString& value) const;
};

// A column the client declares for a result; opening fails when the result lacks it.
struct ColumnDef {
    QString name;
    FieldType type = ftString;
    int size = 0;
    QString label;
    int displayWidth = 0; // 0: derived from the type and size
    FieldAlignment alignment = FieldAlignment::Left;
    QString displayFormat;
    bool readOnly = false;
    bool visible = true;
};

// One statement with its two texts side by side.
struct StatementDef {
    QString queryName;
    QVector<ParamDef> params;
    QVector<ColumnDef> columns;
    QString tsql;
    QString sqlite;
    // A declared column whose value names a row of the result (bookmarks use it); empty
    // when the statement has none.
    QString key;

    const QString& Text(SqlDialect dialect) const
    {
        return dialect == SqlDialect::TSql ? tsql : sqlite;
    }
};

namespace statements {

const StatementDef& header();                // S1, Qhead
const StatementDef& robotHistory();          // S2, Qai
const StatementDef& robotComparison();       // S3, Qais
StatementDef robotList(const QString& draw); // S4, Q of the monitor window
const StatementDef& operatorLookup();        // S5, Q of the login dialog
const StatementDef& passwordChange();        // S6, Qcpw
// Every robot's latest draw for the alert rules, Qfleet: its balance and draw time and the
// outcomes of its latest `streakBets` bets (none when 0), newest first, "L" for a loss.
StatementDef fleetState(int streakBets);
// The balance of every robot of the latest draw over the latest `kFleetTrendDraws` draws, for
// the fleet's chart, Qfleetai: (cpqh, ainame, K00), robot by robot in the order of the latest
// draw's rows, each robot's draws ascending.
const StatementDef& fleetTrend();
constexpr int kFleetTrendDraws = 360;

// The server's texts name the built-in database; a site's own database takes its place.
QString inDatabase(const QString& tsql, const QString& database);

} // namespace statements
