#pragma once
// The object names of the main-window menu entries the program switches by
// id, for finding the entries and naming them in messages.
#include "link/hostif.h"

namespace qltest {

inline const char* MenuName(ql::MenuId id)
{
    static constexpr const char* kNames[ql::kMenuIds] = {
        "menuSwSet", "menuOpenCfg", "menuSaveCfg", "menuOpenData", "menuSaveData", "menuClear", "menuCurve",
        "menuRes",   "menuQc",      "menuAdj",     "menuAddDev",   "menuUsb",      "menuTemp",  "menuUpdate"};
    return kNames[static_cast<int>(id)];
}

}  // namespace qltest
