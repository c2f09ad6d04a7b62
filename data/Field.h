#pragma once
#include "FieldTypes.h"
#include "Statements.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class TCustomADODataSet;

// One declared column of an open result; reads the dataset's active record.
class Field {
public:
    Field(TCustomADODataSet* dataSet, const ColumnDef& def, int index);

    int index() const { return index_; }
    const QString& FieldName() const { return def_.name; }
    FieldType DataType() const { return def_.type; }
    FieldOrigin FieldKind() const { return FieldOrigin::Data; }
    // The label, or the name when there is none.
    QString displayName() const { return def_.label.isEmpty() ? def_.name : def_.label; }
    int DisplayWidth() const;
    FieldAlignment Alignment() const { return def_.alignment; }
    bool readOnly() const { return def_.readOnly; }
    bool Visible() const { return def_.visible; }

    bool isNull() const;
    QString asString() const; // NULL reads as empty text
    int asInteger() const;    // NULL reads as 0
    qint64 asLargeInt() const;
    double asFloat() const;
    // The text a control shows: the display format applied, NULL as empty text.
    QString displayText() const;

private:
    TCustomADODataSet* dataSet_;
    ColumnDef def_;
    int index_;
};
