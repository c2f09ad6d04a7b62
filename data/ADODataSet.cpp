#include "ADODataSet.h"

#include "Connection.h"
#include "DBErrors.h"
#include "DataSource.h"
#include "FieldValues.h"
#include "GBText.h"
#include "SqlText.h"

#include <QtEndian>
#include <algorithm>
#include <exception>
#include <numeric>

namespace {
const QVariant kNull;
}

const DataSetClass& TCustomADODataSet::StaticClass()
{
    static const DataSetClass meta{nullptr};
    return meta;
}

const DataSetClass& TADOQuery::StaticClass()
{
    static const DataSetClass meta{&TCustomADODataSet::StaticClass()};
    return meta;
}

TCustomADODataSet::TCustomADODataSet(QString name, TADOConnection* connection)
    : name_(std::move(name)), connection_(connection)
{
}

TCustomADODataSet::~TCustomADODataSet()
{
    // A result still coming has nobody to go to.
    if (pendingTicket_ && connection_)
        connection_->Withdraw(pendingTicket_);
    if (Active() && connection_)
        connection_->QueryClosed();
    for (DataSetListener* l : QVector<DataSetListener*>(listeners_))
        l->DataSetDestroying(this);
    for (TDataSource* source : sources_)
        source->dataSet_ = nullptr;
}

void TCustomADODataSet::SetStatement(const StatementDef& statement)
{
    if (Active())
        throw EDatabaseError(name_ +
                             QStringLiteral(": Cannot perform this operation on an open dataset"));
    statement_ = statement;
    paramValues_.clear();
    for (const ParamDef& p : statement_.params)
        paramValues_ << p.initial;
    fields_.clear();
    fieldList_.clear();
    for (int i = 0; i < statement_.columns.size(); ++i) {
        fields_.push_back(std::make_unique<TField>(this, statement_.columns[i], i));
        fieldList_ << fields_.back().get();
    }
    const TField* key = statement_.key.isEmpty() ? nullptr : FindField(statement_.key);
    keyField_ = key ? key->Index() : -1;
}

static int paramIndex(const StatementDef& s, const QString& name)
{
    for (int i = 0; i < s.params.size(); ++i)
        if (s.params[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TCustomADODataSet::ParamValue(const QString& name) const
{
    const int i = paramIndex(statement_, name);
    return i < 0 ? QString() : paramValues_[i];
}

void TCustomADODataSet::SetParamValue(const QString& name, const QString& value)
{
    const int i = paramIndex(statement_, name);
    if (i < 0)
        throw EDatabaseError(name_ + QStringLiteral(": Parameter '%1' not found").arg(name));
    paramValues_[i] = value;
}

// A value the server's column could never hold: too long, or outside its code page (the
// server would keep "?" in its place).
static bool storable(const QString& value, int byteLimit)
{
    return gb::representable(value) && (byteLimit <= 0 || gb::byteLength(value) <= byteLimit);
}

TADOConnection& TCustomADODataSet::RequireConnection() const
{
    if (!connection_)
        throw EDatabaseError(name_ + QStringLiteral(": Missing Connection or ConnectionString"));
    return *connection_;
}

int TCustomADODataSet::FirstUnstorableParam(const QVector<QString>& values) const
{
    for (int i = 0; i < statement_.params.size(); ++i)
        if (!storable(values[i], statement_.params[i].byteLimit))
            return i;
    return -1;
}

TCustomADODataSet::BoundStatement TCustomADODataSet::Bind(const TADOConnection& connection,
                                                          const QVector<QString>& values) const
{
    const SqlDialect dialect = connection.Dialect();
    QString text = statement_.Text(dialect);
    if (dialect == SqlDialect::TSql)
        text = statements::inDatabase(text, connection.Database());
    // The same text comes every second: its markers are found once.
    if (text != markedText_) {
        marked_ = markParameters(text);
        markedText_ = text;
    }
    BoundStatement bound{marked_.sql, {}};
    for (const QString& name : marked_.paramNames) {
        const int i = paramIndex(statement_, name);
        bound.values << (i < 0 ? QString() : values[i]);
    }
    return bound;
}

DriverResult TCustomADODataSet::EmptyResult() const
{
    DriverResult result;
    for (const ColumnDef& c : statement_.columns)
        result.columns.push_back({c.name, DriverType::Other});
    return result;
}

void TCustomADODataSet::Open()
{
    if (Active())
        return;
    TADOConnection& connection = RequireConnection();
    DriverResult result;
    try {
        if (FirstUnstorableParam(paramValues_) < 0) {
            const BoundStatement bound = Bind(connection, paramValues_);
            result = connection.RunQuery(bound.sql, bound.values);
        } else {
            // No stored value can equal it, so the lookup finds nothing.
            result = EmptyResult();
        }
        LoadResult(result);
    } catch (...) {
        connection.CloseIfIdle();
        throw;
    }
    Opened(connection);
}

void TCustomADODataSet::ReopenInBackground(const ParamChanges& changes, OpenDone done)
{
    TADOConnection& connection = RequireConnection();
    QVector<QString> values = paramValues_;
    for (const auto& [name, value] : changes) {
        const int i = paramIndex(statement_, name);
        if (i < 0)
            throw EDatabaseError(name_ + QStringLiteral(": Parameter '%1' not found").arg(name));
        values[i] = value;
    }
    // What the controls show stays until the result is there; then the dataset closes and
    // opens in one step, as a reopen in place would.
    const auto reopen = [this, &connection, values, done](DriverResult& result) {
        Close();
        paramValues_ = values;
        ApplyResult(connection, result, done);
    };
    if (FirstUnstorableParam(values) >= 0) {
        DriverResult empty = EmptyResult();
        reopen(empty);
        return;
    }
    const BoundStatement bound = Bind(connection, values);
    pendingTicket_ = connection.SubmitQuery(
        bound.sql, bound.values,
        [this, &connection, values, done, reopen](StatementOutcome& outcome) {
            pendingTicket_ = 0;
            if (!outcome.failed) {
                reopen(outcome.result);
                return;
            }
            Close();
            paramValues_ = values;
            connection.CloseIfIdle();
            done(std::make_exception_ptr(EDatabaseError(outcome.error, outcome.linkLost)));
        });
}

void TCustomADODataSet::ApplyResult(TADOConnection& connection, DriverResult& result,
                                    const OpenDone& done)
{
    std::exception_ptr error;
    try {
        LoadResult(result);
    } catch (...) {
        connection.CloseIfIdle();
        done(std::current_exception());
        return;
    }
    try {
        Opened(connection);
    } catch (...) {
        error = std::current_exception();
    }
    done(error);
}

void TCustomADODataSet::Opened(TADOConnection& connection)
{
    state_ = dsBrowse;
    connection.QueryOpened();
    NotifyActiveChanged();
}

void TCustomADODataSet::LoadResult(DriverResult& result)
{
    QVector<int> source(statement_.columns.size(), -1);
    for (int f = 0; f < statement_.columns.size(); ++f) {
        for (int c = 0; c < result.columns.size(); ++c)
            if (result.columns[c].name.compare(statement_.columns[f].name, Qt::CaseInsensitive) ==
                0) {
                source[f] = c;
                break;
            }
        if (source[f] < 0)
            throw EDatabaseError(QStringLiteral("%1: %2").arg(
                name_, QStringLiteral("Field '%1' not found").arg(fieldList_[f]->DisplayName())));
    }
    bool sameOrder = true;
    for (int f = 0; f < source.size(); ++f)
        sameOrder &= source[f] == f;
    rows_.clear();
    rows_.reserve(result.rows.size());
    for (QVector<QVariant>& in : result.rows) {
        // Most results carry the declared columns in their order: convert in place.
        if (sameOrder) {
            in.resize(source.size());
            for (int f = 0; f < source.size(); ++f)
                in[f] = toDeclaredType(in[f], statement_.columns[f].type);
            rows_.push_back(std::move(in));
            continue;
        }
        QVector<QVariant> row(source.size());
        for (int f = 0; f < source.size(); ++f)
            row[f] = toDeclaredType(in.value(source[f]), statement_.columns[f].type);
        rows_.push_back(std::move(row));
    }
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    cursor_ = rows_.isEmpty() ? -1 : 0;
    eof_ = rows_.isEmpty();
    sort_.clear();
}

void TCustomADODataSet::Close()
{
    if (!Active())
        return;
    state_ = dsInactive;
    rows_.clear();
    order_.clear();
    cursor_ = -1;
    eof_ = true;
    sort_.clear();
    if (connection_)
        connection_->QueryClosed();
    NotifyActiveChanged();
}

qint64 TADOQuery::ExecSQL()
{
    if (const int i = FirstUnstorableParam(ParamValues()); i >= 0) {
        const ParamDef& p = Statement().params[i];
        throw EDatabaseError(
            QStringLiteral("%1: the value of parameter '%2' cannot be stored: longer than %3 bytes "
                           "or with characters outside the Chinese code page")
                .arg(Name(), p.name)
                .arg(p.byteLimit));
    }
    TADOConnection& connection = RequireConnection();
    const BoundStatement bound = Bind(connection, ParamValues());
    struct CloseWhenIdle {
        TADOConnection& c;
        ~CloseWhenIdle() { c.CloseIfIdle(); }
    } idle{connection};
    return connection.RunCommand(bound.sql, bound.values);
}

bool TCustomADODataSet::IsEmpty() const
{
    return !Active() || rows_.isEmpty();
}

const QVariant& TCustomADODataSet::ActiveValue(int fieldIndex) const
{
    const int position = activeOverride_ >= 0 ? activeOverride_ : cursor_;
    if (!Active() || position < 0 || position >= order_.size())
        return kNull;
    const QVector<QVariant>& row = rows_[order_[position]];
    return fieldIndex < row.size() ? row[fieldIndex] : kNull;
}

void TCustomADODataSet::MoveTo(int position)
{
    if (position == cursor_ || position < 0 || position >= order_.size())
        return;
    cursor_ = position;
    NotifyScrolled();
}

void TCustomADODataSet::First()
{
    MoveTo(0);
    eof_ = rows_.isEmpty();
}

void TCustomADODataSet::Last()
{
    MoveTo(int(order_.size()) - 1);
    eof_ = true;
}

void TCustomADODataSet::Next()
{
    if (cursor_ + 1 < order_.size()) {
        MoveTo(cursor_ + 1);
    } else {
        eof_ = true;
    }
}

int TCustomADODataSet::MoveBy(int distance)
{
    if (order_.isEmpty() || distance == 0)
        return 0;
    const int target = std::clamp(cursor_ + distance, 0, int(order_.size()) - 1);
    const int moved = target - cursor_;
    MoveTo(target);
    eof_ = distance > 0 && moved < distance;
    return moved;
}

int TCustomADODataSet::RecNo() const
{
    const int position = activeOverride_ >= 0 ? activeOverride_ : cursor_;
    if (!Active() || order_.isEmpty() || position < 0)
        return -1;
    return position + 1;
}

void TCustomADODataSet::SetRecNo(int recNo)
{
    if (order_.isEmpty())
        return;
    MoveTo(std::clamp(recNo - 1, 0, int(order_.size()) - 1));
    eof_ = false;
}

int TCustomADODataSet::RecordCount() const
{
    return Active() ? int(rows_.size()) : 0;
}

TField* TCustomADODataSet::FindField(const QString& name) const
{
    for (TField* f : fieldList_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField* TCustomADODataSet::FieldByName(const QString& name) const
{
    if (TField* f = FindField(name))
        return f;
    throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name_, name));
}

// A bookmark is the row's place in the statement's order, big-endian, so that comparing the
// bytes orders bookmarks as the statement returned the rows; then, when the statement has a
// key, the row's key, so that going back finds the same row after rows came or went.
TBookmark TCustomADODataSet::GetBookmark() const
{
    if (!Active() || cursor_ < 0)
        return {};
    TBookmark b(4, '\0');
    qToBigEndian<quint32>(quint32(order_[cursor_]), b.data());
    return b + KeyBytes(order_[cursor_]);
}

QByteArray TCustomADODataSet::KeyBytes(int row) const
{
    if (keyField_ < 0)
        return {};
    const QVariant& v = rows_[row][keyField_];
    return isNullValue(v) ? QByteArray() : v.toString().toUtf8();
}

// The row a bookmark names in the current result: the row with its key, else its place.
int TCustomADODataSet::BookmarkRow(const TBookmark& bookmark) const
{
    if (!Active() || bookmark.size() < 4)
        return -1;
    const QByteArray key = bookmark.mid(4);
    if (!key.isEmpty()) {
        for (int row = 0; row < rows_.size(); ++row)
            if (KeyBytes(row) == key)
                return row;
    }
    const quint32 place = qFromBigEndian<quint32>(bookmark.constData());
    return place < quint32(rows_.size()) ? int(place) : -1;
}

bool TCustomADODataSet::BookmarkValid(const TBookmark& bookmark) const
{
    return BookmarkRow(bookmark) >= 0;
}

void TCustomADODataSet::GotoBookmark(const TBookmark& bookmark)
{
    const int row = BookmarkRow(bookmark);
    if (row < 0)
        throw EDatabaseError(name_ + QStringLiteral(": Record not found"));
    MoveTo(int(order_.indexOf(row)));
    eof_ = false;
}

namespace {

struct SortKey {
    int field;
    bool descending;
};

int compareValues(const QVariant& a, const QVariant& b)
{
    const bool an = isNullValue(a), bn = isNullValue(b);
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
        return a.toLongLong() < b.toLongLong() ? -1 : (a.toLongLong() > b.toLongLong() ? 1 : 0);
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
        return a.toDouble() < b.toDouble() ? -1 : (a.toDouble() > b.toDouble() ? 1 : 0);
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
        return a.toDateTime() < b.toDateTime() ? -1 : (a.toDateTime() > b.toDateTime() ? 1 : 0);
    return 2; // texts: compared on their code-page bytes by the caller
}

} // namespace

void TCustomADODataSet::SetSort(const QString& sort)
{
    if (!Active())
        throw EDatabaseError(name_ +
                             QStringLiteral(": Cannot perform this operation on a closed dataset"));
    QVector<SortKey> keys;
    for (const QString& part : sort.split(u',', Qt::SkipEmptyParts)) {
        QStringList words = part.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        bool descending = false;
        if (words.size() > 1) {
            const QString dir = words.takeLast().toUpper();
            if (dir == u"DESC")
                descending = true;
            else if (dir != u"ASC")
                words << dir;
        }
        const QString name = words.join(u' ');
        TField* f = FindField(name);
        if (!f)
            throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name_, name));
        keys.push_back({f->Index(), descending});
    }
    const int current = cursor_ >= 0 ? order_[cursor_] : -1;
    std::iota(order_.begin(), order_.end(), 0);
    if (!keys.isEmpty()) {
        // Text sort keys are made once per row, not per comparison.
        QVector<QVector<QByteArray>> textKeys(keys.size());
        for (int k = 0; k < keys.size(); ++k) {
            textKeys[k].resize(rows_.size());
            for (int r = 0; r < rows_.size(); ++r) {
                const QVariant& v = rows_[r][keys[k].field];
                if (v.typeId() == QMetaType::QString)
                    textKeys[k][r] = gb::sortKey(v.toString());
            }
        }
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            for (int k = 0; k < keys.size(); ++k) {
                int c = compareValues(rows_[a][keys[k].field], rows_[b][keys[k].field]);
                if (c == 2)
                    c = compareBookmarks(textKeys[k][a], textKeys[k][b]);
                if (c != 0)
                    return keys[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    sort_ = sort;
    if (current >= 0)
        cursor_ = int(order_.indexOf(current));
    NotifyDataChanged();
}

void TCustomADODataSet::DisableControls()
{
    if (disableCount_++ == 0)
        activeWhenDisabled_ = Active();
}

void TCustomADODataSet::EnableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    if (Active() != activeWhenDisabled_)
        NotifyActiveChanged();
    else
        NotifyDataChanged();
}

void TCustomADODataSet::AddListener(DataSetListener* listener)
{
    if (!listeners_.contains(listener))
        listeners_ << listener;
}

void TCustomADODataSet::RemoveListener(DataSetListener* listener)
{
    listeners_.removeAll(listener);
}

void TCustomADODataSet::NotifyActiveChanged()
{
    // A listener that fails (a chart whose rebuild failed) must not keep the controls from
    // hearing of the new state; its error is passed on afterwards.
    std::exception_ptr failure;
    for (DataSetListener* l : QVector<DataSetListener*>(listeners_)) {
        try {
            l->DataSetStateChanged(this, state_);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (!ControlsDisabled())
        for (TDataSource* s : QVector<TDataSource*>(sources_))
            for (TDataLink* link : QVector<TDataLink*>(s->links_))
                link->ActiveChanged();
    if (failure)
        std::rethrow_exception(failure);
}

void TCustomADODataSet::NotifyScrolled()
{
    if (ControlsDisabled())
        return;
    for (TDataSource* s : QVector<TDataSource*>(sources_))
        for (TDataLink* link : QVector<TDataLink*>(s->links_))
            link->DataSetScrolled();
}

void TCustomADODataSet::NotifyDataChanged()
{
    if (ControlsDisabled())
        return;
    for (TDataSource* s : QVector<TDataSource*>(sources_))
        for (TDataLink* link : QVector<TDataLink*>(s->links_))
            link->DataSetChanged();
}

void TCustomADODataSet::AttachSource(TDataSource* source)
{
    if (!sources_.contains(source))
        sources_ << source;
}

void TCustomADODataSet::DetachSource(TDataSource* source)
{
    sources_.removeAll(source);
}

TCustomADODataSet::ActiveRecordScope::ActiveRecordScope(const TCustomADODataSet& dataSet, int recNo)
    : dataSet_(dataSet), saved_(dataSet.activeOverride_)
{
    dataSet_.activeOverride_ = recNo >= 1 && recNo <= dataSet.order_.size() ? recNo - 1 : -1;
}

TCustomADODataSet::ActiveRecordScope::~ActiveRecordScope()
{
    dataSet_.activeOverride_ = saved_;
}
