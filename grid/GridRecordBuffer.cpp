#include "GridRecordBuffer.h"

#include <algorithm>

void GridRecordBuffer::Reset(int recordCount, int currentRecNo, int capacity)
{
    recordCount_ = std::max(0, recordCount);
    capacity_ = std::max(1, capacity);
    top_ = 1;
    Follow(currentRecNo);
}

void GridRecordBuffer::Clear()
{
    recordCount_ = 0;
    top_ = 1;
    current_ = -1;
}

void GridRecordBuffer::Follow(int currentRecNo)
{
    current_ = recordCount_ > 0 ? std::clamp(currentRecNo, 1, recordCount_) : -1;
    if (current_ > 0) {
        if (current_ < top_)
            top_ = current_;
        else if (current_ >= top_ + capacity_)
            top_ = current_ - capacity_ + 1;
    }
    Clamp();
}

void GridRecordBuffer::Resync(int recordCount, int currentRecNo)
{
    const int screenRow = current_ > 0 ? current_ - top_ : 0;
    recordCount_ = std::max(0, recordCount);
    const int next = recordCount_ > 0 ? std::clamp(currentRecNo, 1, recordCount_) : -1;
    top_ = next > 0 ? next - screenRow : 1;
    Clamp();
    Follow(next);
}

void GridRecordBuffer::SetCapacity(int capacity)
{
    capacity_ = std::max(1, capacity);
    Follow(current_);
}

void GridRecordBuffer::Clamp()
{
    // Rows below the last record stay unused only when there are too few records.
    const int maxTop = std::max(1, recordCount_ - capacity_ + 1);
    top_ = std::clamp(top_, 1, maxTop);
}

int GridRecordBuffer::Count() const
{
    return std::clamp(recordCount_ - top_ + 1, 0, capacity_);
}

int GridRecordBuffer::RecNoAt(int row) const
{
    return row >= 0 && row < Count() ? top_ + row : -1;
}

int GridRecordBuffer::RowOf(int recNo) const
{
    const int row = recNo - top_;
    return row >= 0 && row < Count() ? row : -1;
}
