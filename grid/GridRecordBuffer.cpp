#include "GridRecordBuffer.h"

#include <algorithm>

void GridRecordBuffer::reset(int recordCount, int currentRecNo, int capacity)
{
    recordCount_ = std::max(0, recordCount);
    capacity_ = std::max(1, capacity);
    top_ = 1;
    follow(currentRecNo);
}

void GridRecordBuffer::clear()
{
    recordCount_ = 0;
    top_ = 1;
    current_ = -1;
}

void GridRecordBuffer::follow(int currentRecNo)
{
    current_ = recordCount_ > 0 ? std::clamp(currentRecNo, 1, recordCount_) : -1;
    if (current_ > 0) {
        if (current_ < top_)
            top_ = current_;
        else if (current_ >= top_ + capacity_)
            top_ = current_ - capacity_ + 1;
    }
    clamp();
}

void GridRecordBuffer::resync(int recordCount, int currentRecNo)
{
    const int screenRow = current_ > 0 ? current_ - top_ : 0;
    recordCount_ = std::max(0, recordCount);
    const int next = recordCount_ > 0 ? std::clamp(currentRecNo, 1, recordCount_) : -1;
    top_ = next > 0 ? next - screenRow : 1;
    clamp();
    follow(next);
}

void GridRecordBuffer::setCapacity(int capacity)
{
    capacity_ = std::max(1, capacity);
    follow(current_);
}

void GridRecordBuffer::clamp()
{
    // Rows below the last record stay unused only when there are too few records.
    const int maxTop = std::max(1, recordCount_ - capacity_ + 1);
    top_ = std::clamp(top_, 1, maxTop);
}

int GridRecordBuffer::count() const
{
    return std::clamp(recordCount_ - top_ + 1, 0, capacity_);
}

int GridRecordBuffer::recNoAt(int row) const
{
    return row >= 0 && row < count() ? top_ + row : -1;
}

int GridRecordBuffer::rowOf(int recNo) const
{
    const int row = recNo - top_;
    return row >= 0 && row < count() ? row : -1;
}
