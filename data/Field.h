#pragma once
#include "FieldTypes.h"
#include "Statements.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class TCustomADODataSet;

// One declared column of an open result; reads the dataset's active record.
class TField {
public:
    TField(TCustomADODataSet* dataSet, const ColumnDef& def, int index);

    int Index() const { return index_; }
    const QString& FieldName() const { return def_.name; }
    TFieldType DataType() const { return def_.type; }
    TFieldKind FieldKind() const { return fkData; }
    // The label, or the name when there is none.
    QString DisplayName() const { return def_.label.isEmpty() ? def_.name : def_.label; }
    int DisplayWidth() const;
    TAlignment Alignment() const { return def_.alignment; }
    bool ReadOnly() const { return def_.readOnly; }
    bool Visible() const { return def_.visible; }

    bool IsNull() const;
    QString AsString() const; // NULL reads as empty text
    int AsInteger() const;    // NULL reads as 0
    qint64 AsLargeInt() const;
    double AsFloat() const;
    // The text a control shows: the display format applied, NULL as empty text.
    QString DisplayText() const;

private:
    TCustomADODataSet* dataSet_;
    ColumnDef def_;
    int index_;
};
