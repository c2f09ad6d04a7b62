#pragma once

// Which records the grid's rows show: a window of consecutive record numbers that always
// holds the current record and moves only as far as needed to keep it so.
class GridRecordBuffer {
public:
    // An opened dataset: fill from the top and bring the current record into view.
    void reset(int recordCount, int currentRecNo, int capacity);
    // Closed dataset: no records.
    void clear();
    // The current record moved.
    void follow(int currentRecNo);
    // The rows were re-read (a sort): keep the current record on its screen row if possible.
    void resync(int recordCount, int currentRecNo);
    void setCapacity(int capacity);

    int top() const { return top_; }
    int capacity() const { return capacity_; }
    int count() const;          // records shown
    int recNoAt(int row) const; // row 0-based; -1 outside
    int rowOf(int recNo) const; // -1 when not shown
    int current() const { return current_; }

private:
    void clamp();

    int recordCount_ = 0;
    int capacity_ = 1;
    int top_ = 1;
    int current_ = -1;
};
