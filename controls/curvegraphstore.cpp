#include "controls/curvegraphstore.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace ql::curvegraph {

PointStore::PointStore(PointStore&& other) noexcept
    : chunks_(std::move(other.chunks_)), size_(other.size_), capacity_(other.capacity_), tailCap_(other.tailCap_)
{
    other.chunks_.clear();
    other.size_ = other.capacity_ = other.tailCap_ = 0;
}

PointStore& PointStore::operator=(PointStore&& other) noexcept
{
    if (this != &other) {
        clear();
        chunks_ = std::move(other.chunks_);
        size_ = other.size_;
        capacity_ = other.capacity_;
        tailCap_ = other.tailCap_;
        other.chunks_.clear();
        other.size_ = other.capacity_ = other.tailCap_ = 0;
    }
    return *this;
}

PointStore::~PointStore() { clear(); }

void PointStore::clear()
{
    for (Point* c : chunks_)
        std::free(c);
    std::vector<Point*>().swap(chunks_);
    size_ = capacity_ = tailCap_ = 0;
}

void PointStore::grow()
{
    if (!chunks_.empty() && tailCap_ < kChunkPoints) {
        // The newest chunk grows in place where the allocator can.
        const size_t cap = tailCap_ + kGrowPoints;
        void* p = std::realloc(chunks_.back(), cap * sizeof(Point));
        if (!p)
            throw std::bad_alloc();
        chunks_.back() = static_cast<Point*>(p);
        capacity_ += cap - tailCap_;
        tailCap_ = cap;
        return;
    }
    chunks_.push_back(nullptr);
    void* p = std::malloc(kGrowPoints * sizeof(Point));
    if (!p) {
        chunks_.pop_back();
        throw std::bad_alloc();
    }
    chunks_.back() = static_cast<Point*>(p);
    tailCap_ = kGrowPoints;
    capacity_ += kGrowPoints;
}

} // namespace ql::curvegraph
