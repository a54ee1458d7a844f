#pragma once
// Point storage of one chart curve: appending is amortised constant time and
// never copies stored points; memory stays near 8 bytes per point.
//
// The first 32,768 points live in an ordinary growing array; after that the
// points go into fixed blocks of 262,144 points (2 MiB) that the system may
// back with huge pages, so a long run costs a handful of page faults rather
// than thousands (page faults dominate appending on virtual machines).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ql::curvegraph {

struct Point {
    float X, Y;
};

class PointStore {
public:
    static constexpr size_t kHeadPoints = size_t(1) << 15;
    static constexpr int kBlockShift = 18;
    static constexpr size_t kBlockPoints = size_t(1) << kBlockShift;

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
        if (size_ < kHeadPoints) {
            head_.push_back(p);
        } else {
            const size_t k = size_ - kHeadPoints;
            if ((k & (kBlockPoints - 1)) == 0)
                addBlock();
            blocks_[k >> kBlockShift][k & (kBlockPoints - 1)] = p;
        }
        ++size_;
    }

    const Point& operator[](size_t i) const
    {
        if (i < kHeadPoints)
            return head_[i];
        const size_t k = i - kHeadPoints;
        return blocks_[k >> kBlockShift][k & (kBlockPoints - 1)];
    }
    Point& operator[](size_t i)
    {
        return const_cast<Point&>(static_cast<const PointStore&>(*this)[i]);
    }
    const Point& back() const { return (*this)[size_ - 1]; }

    // Releases every point and all memory.
    void clear();

    // Bytes held for points (for the benchmark's memory figure).
    size_t bytesReserved() const;

private:
    void addBlock();

    std::vector<Point> head_;
    std::vector<Point*> blocks_;
    size_t size_ = 0;
};

} // namespace ql::curvegraph
