#pragma once
// The model table: what a device type code (and, for a few codes, the
// firmware version) means for a slot. Display name, limits, resolution
// factors and mode indices (ApplyModelRow), the panel layout, mode list,
// test tabs and menu entries of the first-reply set-up (SetupBranchFor),
// and the version-dependent names and mode lists applied on every info
// reply (ApplyVersionRules).
//
// Everything here is plain data and pure functions on SlotState; the
// caller puts names, lists and tabs on the panel and the run grid.
#include "link/state.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ql {

// Highest type code a reply can carry (p15 mod 100).
constexpr int kMaxTypeCode = 99;

// One row of the table. Unset optionals keep the default.
struct ModelRow {
    int code = 0;
    const char* name = nullptr;  // null: no name from this row
    float MaxCur = 0, MaxVol = 0;
    std::optional<float> MinCur, MinVol;
    std::optional<int> CurFactor, VolFactor, PwrFactor;
    std::optional<int> LastDisMode, CvMode;
    std::optional<bool> CvCutCur;
    bool twoChannel = false;
};

// The row of a type code; null for codes without a row (0, 43..50, 51
// and 52..99: type 51 sets nothing but the defaults).
const ModelRow* FindModelRow(int code);

// Type-26 firmware from which the "B" variant applies.
constexpr int kR26BVersion = 320;

// Row of the run grid that holds the display name of a reply's channel:
// chan + 1 for the types that show one row per channel, else 1.
int NameRow(int devType, int chan);

// Where ApplyModelRow / ApplyVersionRules put the display name.
struct DisplayName {
    int row = 1;  // run-grid row; column 0
    QString text;
};

// Writes the defaults, then the row of s.DevType, into s. Type 26 takes
// its variant from s.FwVersion as it stands now. Returns the display name
// and its run-grid row, or nothing for a type without a name.
std::optional<DisplayName> ApplyModelRow(SlotState& s, int chan);

// What the version rules did to a slot on one info reply.
struct VersionRuleResult {
    std::optional<DisplayName> name;  // always row 1
    bool rebuilt = false;             // s.ModeList was replaced
};

// Version rules of types 5, 6, 20 and 25, after s.FwVersion holds the info
// reply's version. May rebuild s.ModeList (untranslated names) and lower
// s.MinCur; other types do nothing.
VersionRuleResult ApplyVersionRules(SlotState& s);

// The per-type branch of the first-reply set-up.
struct SetupBranch {
    bool dev2s = false;
    QStringList modes;          // empty: mode list not touched
    std::vector<TestTab> tabs;  // empty: tabs not touched
    bool menuRes = false;       // resistance-test entry shown
    bool menuUsb = false;       // fast-charge entry shown (never hidden here)
    bool tempOk = false;
    bool meterAxis = false;      // current axis caption "[mA]"
    bool initChnCurves = false;  // two-channel curve set-up
};

// The branch for a type code and the reply's channel.
SetupBranch SetupBranchFor(int devType, int chan);

// The mode list a slot will have after a first reply of this type (the
// channel-0 list for two-channel types); used to judge a reply's mode
// digit before the set-up has built the list.
QStringList ModeListFor(int devType);
// The mode list a device of that type and firmware version ends up with once
// the version rules have run on it.
QStringList ModeListFor(int devType, int fwVersion);

// True for the types whose connect ends only on a channel-1 reply.
inline bool IsTwoChannelType(int devType) { return devType == 17 || devType == 18; }

} // namespace ql
