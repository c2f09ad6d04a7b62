#include "GridInputLog.h"

#include "DBErrors.h"

void GridInputLog::Sorted(const QString& sort)
{
    entries_.push_back({Entry::Kind::Sort, sort, {}, 0});
}

void GridInputLog::WentTo(const TBookmark& bookmark)
{
    entries_.push_back({Entry::Kind::Goto, {}, bookmark, 0});
}

void GridInputLog::MovedBy(int distance)
{
    entries_.push_back({Entry::Kind::Move, {}, {}, distance});
}

void GridInputLog::WentToFirst()
{
    entries_.push_back({Entry::Kind::First, {}, {}, 0});
}

void GridInputLog::WentToLast()
{
    entries_.push_back({Entry::Kind::Last, {}, {}, 0});
}

void GridInputLog::Replay(TCustomADODataSet& dataSet) const
{
    if (!dataSet.Active() || entries_.isEmpty())
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
