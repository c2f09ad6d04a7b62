#pragma once
#include "Field.h"
#include "FieldTypes.h"
#include "KeepPosQuery.h"
#include "SqlText.h"
#include "Statements.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class TDataSource;

using Bookmark = QByteArray;

// Class identity for registries that pick the entry of the nearest ancestor class.
struct DataSetType {
    const DataSetType* parent;
};

// Receives every state change of a dataset, never suspended (the chart listens this way).
class DataSetListener {
public:
    virtual ~DataSetListener() = default;
    virtual void dataSetStateChanged(TCustomADODataSet* dataSet, DataSetState state) = 0;
    // The dataset is going away; a listener must not touch it afterwards.
    virtual void dataSetDestroying(TCustomADODataSet*) {}
};

// A read-only query fetched whole into the client, with a cursor over its current order.
class TCustomADODataSet : public KeepPosQuery {
public:
    explicit TCustomADODataSet(QString name, Connection* connection = nullptr);
    ~TCustomADODataSet() override;
    TCustomADODataSet(const TCustomADODataSet&) = delete;
    TCustomADODataSet& operator=(const TCustomADODataSet&) = delete;

    static const DataSetType& staticType();
    virtual const DataSetType& dataSetType() const { return staticType(); }

    const QString& name() const { return name_; }
    Connection* connection() const { return connection_; }

    // The statement and its parameters; change them only while closed.
    void setStatement(const StatementDef& statement);
    const StatementDef& statement() const { return statement_; }
    QString paramValue(const QString& name) const;
    void setParamValue(const QString& name, const QString& value);

    void open() override;
    // Runs the statement again through the connection's background link, with `changes` to
    // its parameters, while the dataset stays as it is; the result then closes and opens it in
    // one step. `done` runs on this thread once that is applied (or at once when nothing needs
    // asking), with the error of a failed open, which leaves the dataset closed. One at a time;
    // a dataset destroyed meanwhile gets nothing.
    using OpenDone = std::function<void(std::exception_ptr error)>;
    using ParamChanges = QList<std::pair<QString, QString>>;
    void reopenInBackground(const ParamChanges& changes, OpenDone done);
    void close() override;
    bool Active() const { return state_ != DataSetState::Inactive; }

    bool isEmpty() const override;
    void First();
    void Next();
    void Last() override;
    int MoveBy(int distance); // returns the distance moved
    bool eof() const { return eof_; }
    // 1-based position of the active record in the current order; -1 when empty or closed.
    int RecNo() const;
    void setRecNo(int recNo);
    int RecordCount() const;

    Field* FindField(const QString& name) const;   // case-insensitive; nullptr when absent
    Field* fieldByName(const QString& name) const; // raises "Q: Field 'x' not found"

    Bookmark getBookmark() const override;
    void gotoBookmark(const Bookmark& bookmark) override;
    void freeBookmark(Bookmark& bookmark) override { bookmark.clear(); }
    bool bookmarkValid(const Bookmark& bookmark) const;

    // Client-side order: "F1 DESC, F2"; empty restores the statement's order. Dropped on close.
    const QString& Sort() const { return sort_; }
    void setSort(const QString& sort);

    // While disabled nothing reaches the data sources; enabling redisplays them once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    void addListener(DataSetListener* listener);
    void removeListener(DataSetListener* listener);

    // Makes another record (1-based, in the current order) the active one for reading
    // fields, without moving the cursor or telling anybody; restored on destruction.
    class ActiveRecordScope {
    public:
        ActiveRecordScope(const TCustomADODataSet& dataSet, int recNo);
        ~ActiveRecordScope();
        ActiveRecordScope(const ActiveRecordScope&) = delete;
        ActiveRecordScope& operator=(const ActiveRecordScope&) = delete;

    private:
        const TCustomADODataSet& dataSet_;
        int saved_;
    };

protected:
    struct BoundStatement {
        QString sql;
        QStringList values;
    };
    Connection& requireConnection() const; // raises when there is none
    const QVector<QString>& paramValues() const { return paramValues_; }
    // The parameter no stored value can equal (too long, outside the code page); -1 for none.
    int firstUnstorableParam(const QVector<QString>& values) const;
    // The statement's text for the connection with the values in the order of its markers.
    BoundStatement bind(const Connection& connection, const QVector<QString>& values) const;

private:
    friend class Field;
    friend class TDataSource;
    const QVariant& activeValue(int fieldIndex) const;
    void loadResult(DriverResult& result);
    DriverResult emptyResult() const;
    void applyResult(Connection& connection, DriverResult& result, const OpenDone& done);
    void opened(Connection& connection);
    void moveTo(int position);          // position in the current order, notifies when it changed
    QByteArray keyBytes(int row) const; // the statement's key of a row, or empty
    int bookmarkRow(const Bookmark& bookmark) const; // -1 when it names no row
    void notifyActiveChanged();
    void notifyScrolled();
    void notifyDataChanged();
    void attachSource(TDataSource* source);
    void detachSource(TDataSource* source);

    QString name_;
    Connection* connection_;
    mutable QString markedText_; // the text last bound, and its markers
    mutable MarkedStatement marked_;
    StatementDef statement_;
    QVector<QString> paramValues_;
    DataSetState state_ = DataSetState::Inactive;
    std::vector<std::unique_ptr<Field>> fields_;
    int keyField_ = -1; // the statement's key among the fields
    QVector<Field*> fieldList_;
    QVector<QVector<QVariant>> rows_; // statement order, one entry per declared field
    QVector<int> order_;              // current order: indices into rows_
    int cursor_ = -1;                 // position in order_
    mutable int activeOverride_ = -1; // position in order_ while an ActiveRecordScope lives
    bool eof_ = true;
    QString sort_;
    int disableCount_ = 0;
    bool activeWhenDisabled_ = false;
    QVector<TDataSource*> sources_;
    QVector<DataSetListener*> listeners_;
    quint64 pendingTicket_ = 0; // the background reopen whose result is awaited
};

// A query with a statement text and parameters.
class TADOQuery : public TCustomADODataSet {
public:
    using TCustomADODataSet::TCustomADODataSet;
    static const DataSetType& staticType();
    const DataSetType& dataSetType() const override { return staticType(); }
    // Runs the statement as a command; returns the rows it changed.
    qint64 execSql();
};
