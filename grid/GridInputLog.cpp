#include "GridInputLog.h"

#include "DBErrors.h"

void GridInputLog::Begin()
{
    keeping_ = true;
}

void GridInputLog::RowsReplaced()
{
    replaced_ = replaced_ || keeping_;
}

void GridInputLog::End(TCustomADODataSet* dataSet)
{
    if (keeping_ && replaced_ && dataSet && !entries_.isEmpty()) {
        dataSet->DisableControls();
        Replay(*dataSet);
        dataSet->EnableControls();
    }
    keeping_ = false;
    replaced_ = false;
    entries_.clear();
}

void GridInputLog::Keep(Entry entry)
{
    if (keeping_)
        entries_.push_back(std::move(entry));
}

void GridInputLog::Sorted(const QString& sort)
{
    Keep({Entry::Kind::Sort, sort, {}, 0});
}

void GridInputLog::WentTo(const TBookmark& bookmark)
{
    Keep({Entry::Kind::Goto, {}, bookmark, 0});
}

void GridInputLog::MovedBy(int distance)
{
    Keep({Entry::Kind::Move, {}, {}, distance});
}

void GridInputLog::WentToFirst()
{
    Keep({Entry::Kind::First, {}, {}, 0});
}

void GridInputLog::WentToLast()
{
    Keep({Entry::Kind::Last, {}, {}, 0});
}

void GridInputLog::Replay(TCustomADODataSet& dataSet) const
{
    if (!dataSet.Active())
        return;
    // Input made after the new rows landed was applied to them already: start from where
    // they landed, and the whole input comes out in its order.
    if (!dataSet.Sort().isEmpty())
        dataSet.SetSort(QString());
    dataSet.First();
    for (const Entry& e : entries_) {
        try {
            switch (e.kind) {
            case Entry::Kind::Sort:
                dataSet.SetSort(e.sort);
                dataSet.First();
                break;
            case Entry::Kind::Goto:
                if (dataSet.BookmarkValid(e.bookmark))
                    dataSet.GotoBookmark(e.bookmark);
                break;
            case Entry::Kind::Move:
                dataSet.MoveBy(e.distance);
                break;
            case Entry::Kind::First:
                dataSet.First();
                break;
            case Entry::Kind::Last:
                dataSet.Last();
                break;
            }
        } catch (const EDatabaseError&) {
        }
    }
}
