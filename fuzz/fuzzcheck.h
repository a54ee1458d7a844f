#pragma once
// A broken promise of the code under fuzzing stops the run, so that
// libFuzzer keeps the input that broke it.
#include <cstdlib>

namespace ql::fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace ql::fuzz
