#include "KeepPosQuery.h"

#include <algorithm>
#include <cstring>

int compareBytes(const QByteArray& a, const QByteArray& b)
{
    const auto n = std::min(a.size(), b.size());
    if (n > 0) {
        if (int c = std::memcmp(a.constData(), b.constData(), size_t(n)))
            return c;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

KeepPosition::KeepPosition(KeepPosQuery& query) : query_(query), hadRows_(!query.isEmpty())
{
    if (hadRows_)
        old_ = query_.getBookmark();
}

KeepPosition::~KeepPosition()
{
    query_.freeBookmark(old_);
}

void KeepPosition::restore()
{
    if (!hadRows_)
        return;
    QByteArray first = query_.getBookmark();
    query_.Last();
    QByteArray last = query_.getBookmark();
    const bool oldStillInside = compareBytes(old_, last) < 0 || compareBytes(old_, first) == 0;
    if (oldStillInside && compareBytes(last, first) != 0)
        query_.gotoBookmark(old_);
    query_.freeBookmark(first);
    query_.freeBookmark(last);
}
