#pragma once
// Type codes as the model table defines them, for tests that need a code by
// what it is rather than by its number: a new row changes only the tests
// about that row.
#include "link/modeltable.h"

#include <vector>

namespace qltest {

// The mode list a device of the type shows (its first reply's set-up).
inline QStringList ModeListFor(int devType) { return ql::SetupBranchFor(devType, 0).modes; }

// Every code a reply can carry that has a row, in order.
inline std::vector<int> RowCodes()
{
    std::vector<int> codes;
    for (int code = 1; code <= ql::kMaxTypeCode; ++code)
        if (ql::FindModelRow(code))
            codes.push_back(code);
    return codes;
}

// Every code a reply can carry that has neither a row nor a set-up of its
// own: the device gets the defaults.
inline std::vector<int> PlainCodesWithoutRow()
{
    std::vector<int> codes;
    for (int code = 1; code <= ql::kMaxTypeCode; ++code)
        if (!ql::FindModelRow(code) && code != ql::kMeterOnlyCode)
            codes.push_back(code);
    return codes;
}

}  // namespace qltest
