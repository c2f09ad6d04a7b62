#include "GridInputLog.h"

#include "DBErrors.h"

void GridInputLog::begin()
{
    keeping_ = true;
}

void GridInputLog::rowsReplaced()
{
    replaced_ = replaced_ || keeping_;
}

void GridInputLog::end(TCustomADODataSet* dataSet)
{
    if (keeping_ && replaced_ && dataSet && !entries_.isEmpty()) {
        dataSet->disableControls();
        replay(*dataSet);
        dataSet->enableControls();
    }
    keeping_ = false;
    replaced_ = false;
    entries_.clear();
}

void GridInputLog::keep(Entry entry)
{
    if (keeping_)
        entries_.push_back(std::move(entry));
}

void GridInputLog::sorted(const QString& sort)
{
    keep({Entry::Kind::Sort, sort, {}, 0});
}

void GridInputLog::wentTo(const Bookmark& bookmark)
{
    keep({Entry::Kind::Goto, {}, bookmark, 0});
}

void GridInputLog::movedBy(int distance)
{
    keep({Entry::Kind::Move, {}, {}, distance});
}

void GridInputLog::wentToFirst()
{
    keep({Entry::Kind::First, {}, {}, 0});
}

void GridInputLog::wentToLast()
{
    keep({Entry::Kind::Last, {}, {}, 0});
}

void GridInputLog::replay(TCustomADODataSet& dataSet) const
{
    if (!dataSet.Active())
        return;
    // Input made after the new rows landed was applied to them already: start from where
    // they landed, and the whole input comes out in its order.
    if (!dataSet.Sort().isEmpty())
        dataSet.setSort(QString());
    dataSet.First();
    for (const Entry& e : entries_) {
        try {
            switch (e.kind) {
            case Entry::Kind::Sort:
                dataSet.setSort(e.sort);
                dataSet.First();
                break;
            case Entry::Kind::Goto:
                if (dataSet.bookmarkValid(e.bookmark))
                    dataSet.gotoBookmark(e.bookmark);
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
