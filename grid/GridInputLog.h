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
    // Keeping starts; input is kept until End.
    void begin();
    // The rows were replaced (the dataset closed or opened).
    void rowsReplaced();
    // Keeping ends: when the rows were replaced meanwhile, what was kept is applied to the
    // dataset again, in order, from its first row in the statement's order (a step the new
    // rows cannot take, a field gone, is left out).
    void end(TCustomADODataSet* dataSet);

    // Input, kept only between Begin and End.
    void sorted(const QString& sort); // a title click, with the sort it left
    void wentTo(const Bookmark& bookmark);
    void movedBy(int distance);
    void wentToFirst();
    void wentToLast();

private:
    struct Entry {
        enum class Kind { Sort, Goto, Move, First, Last };
        Kind kind;
        QString sort;
        Bookmark bookmark;
        int distance = 0;
    };
    void keep(Entry entry);
    void replay(TCustomADODataSet& dataSet) const;

    bool keeping_ = false;
    bool replaced_ = false;
    QVector<Entry> entries_;
};
