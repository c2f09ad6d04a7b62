#pragma once
#include <QByteArray>

// What RefreshKeepPos needs of a query; the data layer's datasets provide it.
class KeepPosQuery {
public:
    virtual ~KeepPosQuery() = default;
    virtual bool isEmpty() const = 0;
    virtual QByteArray getBookmark() const = 0;
    virtual void gotoBookmark(const QByteArray& bookmark) = 0;
    virtual void freeBookmark(QByteArray& bookmark) = 0;
    virtual void close() = 0;
    virtual void open() = 0;
    virtual void Last() = 0;
};

// Byte-wise unsigned comparison; a prefix sorts first. Negative, zero or positive.
int compareBytes(const QByteArray& a, const QByteArray& b);

// The position rule of a refresh that keeps the position, in two halves for a query that
// reopens later (in the background): the position is taken before the query closes and put
// back once it is open again.
class KeepPosition {
public:
    explicit KeepPosition(KeepPosQuery& query);
    ~KeepPosition();
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

    // Back to the row the query was on when that still makes sense, else on the last row; an
    // empty query before stays on its first row.
    void restore();

private:
    KeepPosQuery& query_;
    bool hadRows_;
    QByteArray old_;
};
