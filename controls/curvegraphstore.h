#pragma once
// Point storage of one chart curve: appending is amortised constant time,
// never moves more than one chunk, and memory stays near 8 bytes per point
// at every length.
//
// Points live in chunks of 4,096 (32 KiB). Only the newest chunk is partly
// filled, and it grows in steps of 512 points, so a curve holds at most
// 4 KiB it does not use.
#include <cstddef>
#include <vector>

namespace ql::curvegraph {

struct Point {
    float X, Y;
};

class PointStore {
public:
    static constexpr int kChunkShift = 12;
    static constexpr size_t kChunkPoints = size_t(1) << kChunkShift;
    static constexpr size_t kGrowPoints = 512;

    PointStore() = default;
    PointStore(const PointStore&) = delete;
    PointStore& operator=(const PointStore&) = delete;
    PointStore(PointStore&& other) noexcept;
    PointStore& operator=(PointStore&& other) noexcept;
    ~PointStore();

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    void push_back(Point p)
    {
        if (size_ == capacity_)
            grow();
        chunks_[size_ >> kChunkShift][size_ & (kChunkPoints - 1)] = p;
        ++size_;
    }

    const Point& operator[](size_t i) const { return chunks_[i >> kChunkShift][i & (kChunkPoints - 1)]; }
    Point& operator[](size_t i) { return chunks_[i >> kChunkShift][i & (kChunkPoints - 1)]; }
    const Point& back() const { return (*this)[size_ - 1]; }

    // The points from index i to the end of its chunk (or of the curve),
    // contiguous in memory; their number goes to count.
    const Point* run(size_t i, size_t& count) const
    {
        const size_t inChunk = kChunkPoints - (i & (kChunkPoints - 1));
        count = inChunk < size_ - i ? inChunk : size_ - i;
        return &chunks_[i >> kChunkShift][i & (kChunkPoints - 1)];
    }

    // Releases every point and all memory.
    void clear();

private:
    void grow();

    std::vector<Point*> chunks_;
    size_t size_ = 0;
    size_t capacity_ = 0;   // points the chunks can hold
    size_t tailCap_ = 0;    // points the newest chunk can hold
};

} // namespace ql::curvegraph
