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

// The one code without a row that is set up otherwise: a meter only.
constexpr int kMeterOnlyCode = 51;

// How a model's start frame carries the set value (A) and the limit (B) per
// mode (StartRuleFor in frames.h tells the rules of each set).
enum class StartSet {
    Cells1,  // cell counts at modes 1..5 (the first chargers, and type 0)
    Cells2,  // D-CP at 1, cell counts at 2..6, zeros from 8
    Cells3,  // D-CP at 1, cell counts at 3..6, zeros from 8
    Plain,   // every mode as it is (also every code without a row)
    Power1,  // D-CP at 1
    Meter3,  // D-CP at 1, the meter at 3 sent as zeros
};

// Model families as the panel's field set-up tells them apart.
enum class ModelGroup {
    None,  // type 0: no device identified
    G1,    // chargers with cell counts at indices 1..5, C-CV at 6
    G2,    // chargers with D-CP at 1, profiles 2..6, C-CV 7, DC5V/Meter 8
    G3,    // D-CC, D-CP, C-CV
    G4,    // D-CC, C-CV
    G5,    // the loads
    G6,    // D-CC, C-CV in milliamperes
    G7,    // the later loads (also every code without a row)
};

// What sets a model apart from the common case, one bit each.
enum ModelQuirk : unsigned {
    kNameRowPerChannel = 1u << 0,  // display name in the run-grid row of the reply's channel
    kVoltFine4V5 = 1u << 1,        // voltage readout "0.000" below 4.5 V
    kVoltFine10V = 1u << 2,        // voltage readout "0.000" below 9.999 V, whatever VolFactor
    kMilliAmps = 1u << 3,          // current readout "0.000" below 10, else "0.00"; record column "Cur(mA)"
    kFineCurSteps = 1u << 4,       // current steps ten times finer: auto-test 0.01 A, axis 0.05 A
    kUsbLines = 1u << 5,           // USB tester: pairs 5 and 7 carry D+ and D-, no temperature;
                                   // the capacity is counted here from current and time
    kCells15V = 1u << 6,           // cell-count maxima of a 15 V charger
    kCvFieldsFixed = 1u << 7,      // C-CV set value and limit greyed
    kMode1LimitFixed = 1u << 8,    // mode 1 (the meter) greys the limit
    kMode1MinCur = 1u << 9,        // a mode change to 1 resets the set value to MinCur (else to one step)
    kAdjTenths = 1u << 10,         // calibration values in tenths of the current factor
    kBootIdLow = 1u << 11,         // boot loader: a zero id at 0x4002 is read again at 0x1002
    kBootBase8C00 = 1u << 12,      // boot loader: the image goes to 0x8C00 (else 0x9000)
    kMenuRes = 1u << 13,           // the resistance-test entry is shown
    kMenuUsb = 1u << 14,           // the fast-charge trigger entry is shown
    kTempReadout = 1u << 15,       // the device reports a temperature (TempOk)
};

// A model's "B" variant: from firmware fw on, its name takes a "B" and it
// has these limits.
struct ModelVariant {
    int fw = 0;  // 0: no variant
    float MaxVol = 0, MinCur = 0;
};

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
    ModelGroup fields = ModelGroup::G5;
    StartSet start = StartSet::Plain;
    const char* modes = "D-CC";  // the mode list, names split by blanks
    const char* tabs = "1";      // the test tabs by key number: "13" is key1 and key3
    unsigned quirks = 0;         // ModelQuirk bits
    ModelVariant variant;
    int adjTenthsFw = 0;  // the one firmware that calibrates in tenths too (0: none)
};

// The row of a type code; null for codes without a row (0, 43..50, 51
// and 52..99: type 51 sets nothing but the defaults).
const ModelRow* FindModelRow(int code);

// The code of the row that names a model so ("QL-R35" is 35); 0 for a name
// no row gives.
int ModelCodeOfName(const QString& name);

// Whether the row of a type code has a quirk; false for codes without a row.
bool HasQuirk(int devType, ModelQuirk quirk);

// Whether a device runs its model's "B" variant: besides name and limits,
// its current comes in tenths of a milliampere, it has the USB meter
// readout and a continue is sent as a start.
bool IsVariantB(int devType, int fwVersion);

// Calibration in tenths of the current factor.
bool AdjInTenths(int devType, int fwVersion);

// The start set and field family of a type code (type 0 and codes without
// a row included).
StartSet StartSetOf(int devType);
ModelGroup ModelGroupOf(int devType);

// Row of the run grid that holds the display name of a reply's channel:
// chan + 1 for the types that show one row per channel, else 1.
int NameRow(int devType, int chan);

// Where ApplyModelRow / ApplyVersionRules put the display name.
struct DisplayName {
    int row = 1;  // run-grid row; column 0
    QString text;
};

// Writes the defaults, then the row of s.DevType, into s. A model with a
// variant takes it from s.FwVersion as it stands now. Returns the display name
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

// True for the types whose connect ends only on a channel-1 reply.
bool IsTwoChannelType(int devType);

} // namespace ql
