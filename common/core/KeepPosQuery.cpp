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
