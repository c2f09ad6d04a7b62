#pragma once
#include <QByteArray>

// What RefreshKeepPos needs of a query; the data layer's datasets provide it.
class KeepPosQuery {
public:
    virtual ~KeepPosQuery() = default;
    virtual bool IsEmpty() const = 0;
    virtual QByteArray GetBookmark() const = 0;
    virtual void GotoBookmark(const QByteArray& bookmark) = 0;
    virtual void FreeBookmark(QByteArray& bookmark) = 0;
    virtual void Close() = 0;
    virtual void Open() = 0;
    virtual void Last() = 0;
};

// Byte-wise unsigned comparison; a prefix sorts first. Negative, zero or positive.
int compareBookmarks(const QByteArray& a, const QByteArray& b);
