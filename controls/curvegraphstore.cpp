#include "controls/curvegraphstore.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace ql::curvegraph {

namespace {

constexpr size_t kBlockBytes = PointStore::kBlockPoints * sizeof(Point);

// One block, aligned to its own size so that the system can back it with a
// single huge page.
Point* mapBlock()
{
    void* raw = mmap(nullptr, 2 * kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto base = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (base + kBlockBytes - 1) & ~uintptr_t(kBlockBytes - 1);
    if (aligned > base)
        munmap(raw, aligned - base);
    const uintptr_t end = base + 2 * kBlockBytes;
    if (end > aligned + kBlockBytes)
        munmap(reinterpret_cast<void*>(aligned + kBlockBytes), end - aligned - kBlockBytes);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), kBlockBytes, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
    return reinterpret_cast<Point*>(aligned);
}

void unmapBlock(Point* block) { munmap(block, kBlockBytes); }

} // namespace

PointStore::PointStore(PointStore&& other) noexcept
    : head_(std::move(other.head_)), blocks_(std::move(other.blocks_)), size_(other.size_)
{
    other.blocks_.clear();
    other.size_ = 0;
}

PointStore& PointStore::operator=(PointStore&& other) noexcept
{
    if (this != &other) {
        clear();
        head_ = std::move(other.head_);
        blocks_ = std::move(other.blocks_);
        size_ = other.size_;
        other.blocks_.clear();
        other.size_ = 0;
    }
    return *this;
}

PointStore::~PointStore() { clear(); }

void PointStore::clear()
{
    for (Point* b : blocks_)
        unmapBlock(b);
    std::vector<Point*>().swap(blocks_);
    std::vector<Point>().swap(head_);
    size_ = 0;
}

void PointStore::addBlock()
{
    blocks_.reserve(blocks_.size() + 1);
    blocks_.push_back(mapBlock());
}

size_t PointStore::bytesReserved() const
{
    return head_.capacity() * sizeof(Point) + blocks_.size() * kBlockBytes;
}

} // namespace ql::curvegraph
