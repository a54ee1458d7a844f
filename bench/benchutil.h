#pragma once
// Measuring helpers of the benchmark programs.
#include <malloc.h>

#include <cstddef>
#include <ctime>
#include <fstream>

namespace qlbench {

// Resident memory of the process in bytes.
inline long long residentBytes()
{
    std::ifstream f("/proc/self/statm");
    long long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * 4096;
}

// Bytes the allocator has handed out and not got back.
inline size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

// CPU seconds used by the calling thread.
inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

} // namespace qlbench
