#pragma once

// Which records the grid's rows show: a window of consecutive record numbers that always
// holds the current record and moves only as far as needed to keep it so.
class GridRecordBuffer {
public:
    // An opened dataset: fill from the top and bring the current record into view.
    void Reset(int recordCount, int currentRecNo, int capacity);
    // Closed dataset: no records.
    void Clear();
    // The current record moved.
    void Follow(int currentRecNo);
    // The rows were re-read (a sort): keep the current record on its screen row if possible.
    void Resync(int recordCount, int currentRecNo);
    void SetCapacity(int capacity);

    int Top() const { return top_; }
    int Capacity() const { return capacity_; }
    int Count() const;          // records shown
    int RecNoAt(int row) const; // row 0-based; -1 outside
    int RowOf(int recNo) const; // -1 when not shown
    int Current() const { return current_; }

private:
    void Clamp();

    int recordCount_ = 0;
    int capacity_ = 1;
    int top_ = 1;
    int current_ = -1;
};
