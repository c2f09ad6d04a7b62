#include "AlertLog.h"

#include "FieldValues.h"
#include "MXT_PUB.h"

#include <algorithm>

namespace {

ColumnDef column(const char* name, FieldType type, int size, const char* label,
                 const char* format = "")
{
    ColumnDef c;
    c.name = QString::fromUtf8(name);
    c.type = type;
    c.size = size;
    c.label = QString::fromUtf8(label);
    c.displayFormat = QString::fromUtf8(format);
    c.readOnly = true;
    return c;
}

StatementDef logStatement()
{
    ColumnDef id = column("id", ftInteger, 0, "");
    id.visible = false;
    return StatementDef{QStringLiteral("Qalerts"),
                        {},
                        {id, column("startedAt", ftDateTime, 0, "时间", "yy-mm-dd hh:nn:ss"),
                         column("robot", ftString, 32, "AI机器人"),
                         column("rule", ftString, 32, "规则"),
                         column("value", ftString, 128, "数值"),
                         column("endedAt", ftDateTime, 0, "结束于", "yy-mm-dd hh:nn:ss")},
                        {},
                        {},
                        QStringLiteral("id")};
}

class BookDriver final : public Driver {
public:
    explicit BookDriver(const AlertBook& book) : book_(book) {}
    SqlDialect dialect() const override { return SqlDialect::SQLite; }
    void connect() override { connected_ = true; }
    void disconnect() noexcept override { connected_ = false; }
    bool connected() const override { return connected_; }
    DriverResult query(const QString&, const QStringList&) override
    {
        DriverResult result;
        result.columns = {{QStringLiteral("id"), DriverType::Integer},
                          {QStringLiteral("startedAt"), DriverType::DateTime},
                          {QStringLiteral("robot"), DriverType::Text},
                          {QStringLiteral("rule"), DriverType::Text},
                          {QStringLiteral("value"), DriverType::Text},
                          {QStringLiteral("endedAt"), DriverType::DateTime}};
        const QVector<AlertEntry>& entries = book_.entries();
        for (qsizetype i = entries.size() - 1; i >= 0; --i) {
            const AlertEntry& e = entries[i];
            result.rows.append({qlonglong(i), e.startedAt, alertRobotText(e), alertRuleName(e.rule),
                                e.value, e.endedAt.isValid() ? QVariant(e.endedAt) : QVariant()});
        }
        return result;
    }
    qint64 execute(const QString&, const QStringList&) override { return 0; }
    void interrupt() noexcept override {}

private:
    const AlertBook& book_;
    bool connected_ = false;
};

} // namespace

QVector<FleetRobot> readFleetRobots(TCustomADODataSet& fleet)
{
    QVector<FleetRobot> robots;
    const Field* name = fleet.fieldByName(QStringLiteral("ainame"));
    const Field* time = fleet.fieldByName(QStringLiteral("kjsj"));
    const Field* balance = fleet.fieldByName(QStringLiteral("K00"));
    const Field* outcomes = fleet.fieldByName(QStringLiteral("outcomes"));
    for (fleet.First(); !fleet.eof(); fleet.Next())
        robots.append({name->asString(), parseDateTime(time->asString()),
                       balance->isNull() ? std::nullopt : std::optional(balance->asLargeInt()),
                       outcomes->asString()});
    // The statement walks the robots from the last name down; alerts go out in name order.
    std::sort(robots.begin(), robots.end(),
              [](const FleetRobot& a, const FleetRobot& b) { return a.robot < b.robot; });
    return robots;
}

AlertLog::AlertLog(const AlertBook& book)
{
    connection_ = std::make_unique<DirectConnection>(
        [&book] { return std::unique_ptr<Driver>(new BookDriver(book)); });
    query_ = std::make_unique<TADOQuery>(QStringLiteral("Qalerts"), connection_.get());
    query_->setStatement(logStatement());
    source_ = std::make_unique<TDataSource>();
    source_->setDataSet(query_.get());
    query_->open();
}

void AlertLog::refresh()
{
    RefreshKeepPos(*query_);
}
