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

const DataSetType& TCustomADODataSet::staticType()
{
    static const DataSetType meta{nullptr};
    return meta;
}

const DataSetType& TADOQuery::staticType()
{
    static const DataSetType meta{&TCustomADODataSet::staticType()};
    return meta;
}

TCustomADODataSet::TCustomADODataSet(QString name, Connection* connection)
    : name_(std::move(name)), connection_(connection)
{
}

TCustomADODataSet::~TCustomADODataSet()
{
    // A result still coming has nobody to go to.
    if (pendingTicket_ && connection_)
        connection_->withdraw(pendingTicket_);
    if (Active() && connection_)
        connection_->queryClosed();
    for (DataSetListener* l : QVector<DataSetListener*>(listeners_))
        l->dataSetDestroying(this);
    for (TDataSource* source : sources_)
        source->dataSet_ = nullptr;
}

void TCustomADODataSet::setStatement(const StatementDef& statement)
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
        fields_.push_back(std::make_unique<Field>(this, statement_.columns[i], i));
        fieldList_ << fields_.back().get();
    }
    const Field* key = statement_.key.isEmpty() ? nullptr : FindField(statement_.key);
    keyField_ = key ? key->index() : -1;
}

static int paramIndex(const StatementDef& s, const QString& name)
{
    for (int i = 0; i < s.params.size(); ++i)
        if (s.params[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TCustomADODataSet::paramValue(const QString& name) const
{
    const int i = paramIndex(statement_, name);
    return i < 0 ? QString() : paramValues_[i];
}

void TCustomADODataSet::setParamValue(const QString& name, const QString& value)
{
    const int i = paramIndex(statement_, name);
    if (i < 0)
        throw EDatabaseError(name_ + QStringLiteral(": Parameter '%1' not found").arg(name));
    paramValues_[i] = value;
}

Connection& TCustomADODataSet::requireConnection() const
{
    if (!connection_)
        throw EDatabaseError(name_ + QStringLiteral(": Missing Connection or ConnectionString"));
    return *connection_;
}

int TCustomADODataSet::firstUnstorableParam(const QVector<QString>& values) const
{
    for (int i = 0; i < statement_.params.size(); ++i)
        if (!statement_.params[i].canStore(values[i]))
            return i;
    return -1;
}

TCustomADODataSet::BoundStatement TCustomADODataSet::bind(const Connection& connection,
                                                          const QVector<QString>& values) const
{
    const SqlDialect dialect = connection.dialect();
    QString text = statement_.Text(dialect);
    if (dialect == SqlDialect::TSql)
        text = statements::inDatabase(text, connection.database());
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

DriverResult TCustomADODataSet::emptyResult() const
{
    DriverResult result;
    for (const ColumnDef& c : statement_.columns)
        result.columns.push_back({c.name, DriverType::Other});
    return result;
}

void TCustomADODataSet::open()
{
    if (Active())
        return;
    Connection& connection = requireConnection();
    DriverResult result;
    try {
        if (firstUnstorableParam(paramValues_) < 0) {
            const BoundStatement bound = bind(connection, paramValues_);
            result = connection.runQuery(bound.sql, bound.values);
        } else {
            // No stored value can equal it, so the lookup finds nothing.
            result = emptyResult();
        }
        loadResult(result);
    } catch (...) {
        connection.closeIfIdle();
        throw;
    }
    opened(connection);
}

void TCustomADODataSet::reopenInBackground(const ParamChanges& changes, OpenDone done)
{
    Connection& connection = requireConnection();
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
        close();
        paramValues_ = values;
        applyResult(connection, result, done);
    };
    if (firstUnstorableParam(values) >= 0) {
        DriverResult empty = emptyResult();
        reopen(empty);
        return;
    }
    const BoundStatement bound = bind(connection, values);
    pendingTicket_ = connection.submitQuery(
        bound.sql, bound.values,
        [this, &connection, values, done, reopen](StatementOutcome& outcome) {
            pendingTicket_ = 0;
            if (!outcome.failed) {
                reopen(outcome.result);
                return;
            }
            close();
            paramValues_ = values;
            connection.closeIfIdle();
            done(std::make_exception_ptr(EDatabaseError(outcome.error, outcome.linkLost)));
        });
}

void TCustomADODataSet::applyResult(Connection& connection, DriverResult& result,
                                    const OpenDone& done)
{
    std::exception_ptr error;
    try {
        loadResult(result);
    } catch (...) {
        connection.closeIfIdle();
        done(std::current_exception());
        return;
    }
    try {
        opened(connection);
    } catch (...) {
        error = std::current_exception();
    }
    done(error);
}

void TCustomADODataSet::opened(Connection& connection)
{
    state_ = DataSetState::Browse;
    connection.queryOpened();
    notifyActiveChanged();
}

void TCustomADODataSet::loadResult(DriverResult& result)
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
                name_, QStringLiteral("Field '%1' not found").arg(fieldList_[f]->displayName())));
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

void TCustomADODataSet::close()
{
    if (!Active())
        return;
    state_ = DataSetState::Inactive;
    rows_.clear();
    order_.clear();
    cursor_ = -1;
    eof_ = true;
    sort_.clear();
    if (connection_)
        connection_->queryClosed();
    notifyActiveChanged();
}

qint64 TADOQuery::execSql()
{
    if (const int i = firstUnstorableParam(paramValues()); i >= 0) {
        const ParamDef& p = statement().params[i];
        throw EDatabaseError(
            QStringLiteral("%1: the value of parameter '%2' cannot be stored: longer than %3 bytes "
                           "or with characters outside the Chinese code page")
                .arg(name(), p.name)
                .arg(p.byteLimit));
    }
    Connection& connection = requireConnection();
    const BoundStatement bound = bind(connection, paramValues());
    struct CloseWhenIdle {
        Connection& c;
        ~CloseWhenIdle() { c.closeIfIdle(); }
    } idle{connection};
    return connection.runCommand(bound.sql, bound.values);
}

bool TCustomADODataSet::isEmpty() const
{
    return !Active() || rows_.isEmpty();
}

const QVariant& TCustomADODataSet::activeValue(int fieldIndex) const
{
    const int position = activeOverride_ >= 0 ? activeOverride_ : cursor_;
    if (!Active() || position < 0 || position >= order_.size())
        return kNull;
    const QVector<QVariant>& row = rows_[order_[position]];
    return fieldIndex < row.size() ? row[fieldIndex] : kNull;
}

void TCustomADODataSet::moveTo(int position)
{
    if (position == cursor_ || position < 0 || position >= order_.size())
        return;
    cursor_ = position;
    notifyScrolled();
}

void TCustomADODataSet::First()
{
    moveTo(0);
    eof_ = rows_.isEmpty();
}

void TCustomADODataSet::Last()
{
    moveTo(int(order_.size()) - 1);
    eof_ = true;
}

void TCustomADODataSet::Next()
{
    if (cursor_ + 1 < order_.size()) {
        moveTo(cursor_ + 1);
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
    moveTo(target);
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

void TCustomADODataSet::setRecNo(int recNo)
{
    if (order_.isEmpty())
        return;
    moveTo(std::clamp(recNo - 1, 0, int(order_.size()) - 1));
    eof_ = false;
}

int TCustomADODataSet::RecordCount() const
{
    return Active() ? int(rows_.size()) : 0;
}

Field* TCustomADODataSet::FindField(const QString& name) const
{
    for (Field* f : fieldList_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Field* TCustomADODataSet::fieldByName(const QString& name) const
{
    if (Field* f = FindField(name))
        return f;
    throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name_, name));
}

// A bookmark is the row's place in the statement's order, big-endian, so that comparing the
// bytes orders bookmarks as the statement returned the rows; then, when the statement has a
// key, the row's key, so that going back finds the same row after rows came or went.
Bookmark TCustomADODataSet::getBookmark() const
{
    if (!Active() || cursor_ < 0)
        return {};
    Bookmark b(4, '\0');
    qToBigEndian<quint32>(quint32(order_[cursor_]), b.data());
    return b + keyBytes(order_[cursor_]);
}

QByteArray TCustomADODataSet::keyBytes(int row) const
{
    if (keyField_ < 0)
        return {};
    const QVariant& v = rows_[row][keyField_];
    return isNullValue(v) ? QByteArray() : v.toString().toUtf8();
}

// The row a bookmark names in the current result: the row with its key, else its place.
int TCustomADODataSet::bookmarkRow(const Bookmark& bookmark) const
{
    if (!Active() || bookmark.size() < 4)
        return -1;
    const QByteArray key = bookmark.mid(4);
    if (!key.isEmpty()) {
        for (int row = 0; row < rows_.size(); ++row)
            if (keyBytes(row) == key)
                return row;
    }
    const quint32 place = qFromBigEndian<quint32>(bookmark.constData());
    return place < quint32(rows_.size()) ? int(place) : -1;
}

bool TCustomADODataSet::bookmarkValid(const Bookmark& bookmark) const
{
    return bookmarkRow(bookmark) >= 0;
}

void TCustomADODataSet::gotoBookmark(const Bookmark& bookmark)
{
    const int row = bookmarkRow(bookmark);
    if (row < 0)
        throw EDatabaseError(name_ + QStringLiteral(": Record not found"));
    moveTo(int(order_.indexOf(row)));
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

void TCustomADODataSet::setSort(const QString& sort)
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
        Field* f = FindField(name);
        if (!f)
            throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(name_, name));
        keys.push_back({f->index(), descending});
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
                    c = compareBytes(textKeys[k][a], textKeys[k][b]);
                if (c != 0)
                    return keys[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    sort_ = sort;
    if (current >= 0)
        cursor_ = int(order_.indexOf(current));
    notifyDataChanged();
}

void TCustomADODataSet::disableControls()
{
    if (disableCount_++ == 0)
        activeWhenDisabled_ = Active();
}

void TCustomADODataSet::enableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    if (Active() != activeWhenDisabled_)
        notifyActiveChanged();
    else
        notifyDataChanged();
}

void TCustomADODataSet::addListener(DataSetListener* listener)
{
    if (!listeners_.contains(listener))
        listeners_ << listener;
}

void TCustomADODataSet::removeListener(DataSetListener* listener)
{
    listeners_.removeAll(listener);
}

void TCustomADODataSet::notifyActiveChanged()
{
    // A listener that fails (a chart whose rebuild failed) must not keep the controls from
    // hearing of the new state; its error is passed on afterwards.
    std::exception_ptr failure;
    for (DataSetListener* l : QVector<DataSetListener*>(listeners_)) {
        try {
            l->dataSetStateChanged(this, state_);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (!controlsDisabled())
        for (TDataSource* s : QVector<TDataSource*>(sources_))
            for (DataLink* link : QVector<DataLink*>(s->links_))
                link->activeChanged();
    if (failure)
        std::rethrow_exception(failure);
}

void TCustomADODataSet::notifyScrolled()
{
    if (controlsDisabled())
        return;
    for (TDataSource* s : QVector<TDataSource*>(sources_))
        for (DataLink* link : QVector<DataLink*>(s->links_))
            link->dataSetScrolled();
}

void TCustomADODataSet::notifyDataChanged()
{
    if (controlsDisabled())
        return;
    for (TDataSource* s : QVector<TDataSource*>(sources_))
        for (DataLink* link : QVector<DataLink*>(s->links_))
            link->dataSetChanged();
}

void TCustomADODataSet::attachSource(TDataSource* source)
{
    if (!sources_.contains(source))
        sources_ << source;
}

void TCustomADODataSet::detachSource(TDataSource* source)
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
