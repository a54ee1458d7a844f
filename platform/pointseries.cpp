#include "platform/pointseries.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace ql {

PointSeries::PointSeries(PointSeries&& other) noexcept
    : chunks_(std::move(other.chunks_)), size_(other.size_), capacity_(other.capacity_), tailCap_(other.tailCap_),
      sortedX_(other.sortedX_), generation_(other.generation_)
{
    other.chunks_.clear();
    other.forgetAll();
}

PointSeries& PointSeries::operator=(PointSeries&& other) noexcept
{
    if (this != &other) {
        clear();
        chunks_ = std::move(other.chunks_);
        size_ = other.size_;
        capacity_ = other.capacity_;
        tailCap_ = other.tailCap_;
        sortedX_ = other.sortedX_;
        generation_ = std::max(generation_, other.generation_) + 1;
        other.chunks_.clear();
        other.forgetAll();
    }
    return *this;
}

PointSeries::~PointSeries() { clear(); }

void PointSeries::clear()
{
    for (SeriesPoint* c : chunks_)
        std::free(c);
    std::vector<SeriesPoint*>().swap(chunks_);
    forgetAll();
}

void PointSeries::forgetAll()
{
    size_ = capacity_ = tailCap_ = 0;
    sortedX_ = true;
    ++generation_;
}

void PointSeries::grow()
{
    if (!chunks_.empty() && tailCap_ < kChunkPoints) {
        // The newest chunk grows in place where the allocator can.
        const size_t cap = tailCap_ + kGrowPoints;
        void* p = std::realloc(chunks_.back(), cap * sizeof(SeriesPoint));
        if (!p)
            throw std::bad_alloc();
        chunks_.back() = static_cast<SeriesPoint*>(p);
        capacity_ += cap - tailCap_;
        tailCap_ = cap;
        return;
    }
    chunks_.push_back(nullptr);
    void* p = std::malloc(kGrowPoints * sizeof(SeriesPoint));
    if (!p) {
        chunks_.pop_back();
        throw std::bad_alloc();
    }
    chunks_.back() = static_cast<SeriesPoint*>(p);
    tailCap_ = kGrowPoints;
    capacity_ += kGrowPoints;
}

} // namespace ql
