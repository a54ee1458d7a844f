#pragma once
// A series of (X, Y) points: one curve of a run as the link records it and
// the charts draw it. Appending is amortised constant time, never moves more
// than one chunk, and memory stays near 8 bytes per point at every length.
//
// Points live in chunks of 4,096 (32 KiB). Only the newest chunk is partly
// filled, and it grows in steps of 512 points, so a curve holds at most
// 4 KiB it does not use.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ql {

struct SeriesPoint {
    float X, Y;
};

class PointSeries {
public:
    static constexpr int kChunkShift = 12;
    static constexpr size_t kChunkPoints = size_t(1) << kChunkShift;
    static constexpr size_t kGrowPoints = 512;

    PointSeries() = default;
    PointSeries(const PointSeries&) = delete;
    PointSeries& operator=(const PointSeries&) = delete;
    PointSeries(PointSeries&& other) noexcept;
    PointSeries& operator=(PointSeries&& other) noexcept;
    ~PointSeries();

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    void push_back(SeriesPoint p)
    {
        // A NaN X, or one below the last, ends the order by X.
        if (sortedX_ && (size_ == 0 ? p.X != p.X : !(p.X >= back().X))) {
            sortedX_ = false;
            ++generation_;
        }
        if (size_ == capacity_)
            grow();
        chunks_[size_ >> kChunkShift][size_ & (kChunkPoints - 1)] = p;
        ++size_;
    }

    const SeriesPoint& operator[](size_t i) const { return chunks_[i >> kChunkShift][i & (kChunkPoints - 1)]; }
    // Changes the Y of point i.
    void setY(size_t i, float y)
    {
        chunks_[i >> kChunkShift][i & (kChunkPoints - 1)].Y = y;
        ++generation_;
    }
    const SeriesPoint& back() const { return (*this)[size_ - 1]; }

    // The points from index i to the end of its chunk (or of the curve),
    // contiguous in memory; their number goes to count.
    const SeriesPoint* run(size_t i, size_t& count) const
    {
        const size_t inChunk = kChunkPoints - (i & (kChunkPoints - 1));
        count = inChunk < size_ - i ? inChunk : size_ - i;
        return &chunks_[i >> kChunkShift][i & (kChunkPoints - 1)];
    }

    // Releases every point and all memory.
    void clear();

    // X never decreased since the series was last empty: points are found
    // by X with a search.
    bool sortedX() const { return sortedX_; }
    // Raised by every change other than an append (clear, setY, the end of
    // the order by X): what was derived from the points before is stale.
    uint64_t generation() const { return generation_; }

private:
    void grow();
    void forgetAll();  // no point, no memory held (the chunks are gone)

    std::vector<SeriesPoint*> chunks_;
    size_t size_ = 0;
    size_t capacity_ = 0;  // points the chunks can hold
    size_t tailCap_ = 0;   // points the newest chunk can hold
    bool sortedX_ = true;
    uint64_t generation_ = 0;
};

} // namespace ql
