#pragma once
#include "ADODataSet.h"

#include <QString>
#include <QVector>

// What the operator did on a grid while its rows were about to be replaced (a reload or a
// search in flight), so that it applies to the rows that land, as it did when the handler
// that replaced them held the input back until it returned: a title click sorts the new rows,
// a click on a row goes to that record when it is still there, a key or a wheel notch moves
// from where the new rows start.
class GridInputLog {
public:
    void Sorted(const QString& sort); // a title click, with the sort it left
    void WentTo(const TBookmark& bookmark);
    void MovedBy(int distance);
    void WentToFirst();
    void WentToLast();

    bool IsEmpty() const { return entries_.isEmpty(); }
    void Clear() { entries_.clear(); }
    // Applies it all again, in order, from the dataset's first row in the statement's order.
    // A step the new rows cannot take (a field gone) is left out.
    void Replay(TCustomADODataSet& dataSet) const;

private:
    struct Entry {
        enum class Kind { Sort, Goto, Move, First, Last };
        Kind kind;
        QString sort;
        TBookmark bookmark;
        int distance = 0;
    };
    QVector<Entry> entries_;
};
