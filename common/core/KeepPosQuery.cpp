#include "KeepPosQuery.h"

#include <algorithm>
#include <cstring>

int compareBookmarks(const QByteArray& a, const QByteArray& b)
{
    const auto n = std::min(a.size(), b.size());
    if (n > 0) {
        if (int c = std::memcmp(a.constData(), b.constData(), size_t(n)))
            return c;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

KeepPosition::KeepPosition(KeepPosQuery& query) : query_(query), hadRows_(!query.IsEmpty())
{
    if (hadRows_)
        old_ = query_.GetBookmark();
}

KeepPosition::~KeepPosition()
{
    query_.FreeBookmark(old_);
}

void KeepPosition::Restore()
{
    if (!hadRows_)
        return;
    QByteArray first = query_.GetBookmark();
    query_.Last();
    QByteArray last = query_.GetBookmark();
    const bool oldStillInside =
        compareBookmarks(old_, last) < 0 || compareBookmarks(old_, first) == 0;
    if (oldStillInside && compareBookmarks(last, first) != 0)
        query_.GotoBookmark(old_);
    query_.FreeBookmark(first);
    query_.FreeBookmark(last);
}
