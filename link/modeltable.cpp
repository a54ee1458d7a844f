#include "link/modeltable.h"

#include <array>

namespace ql {

namespace {

using OF = std::optional<float>;
using OI = std::optional<int>;
using OB = std::optional<bool>;
constexpr std::nullopt_t _ = std::nullopt;

// Rows 1..42 in code order; index = code - 1.
// code, name, MaxCur, MaxVol, MinCur, MinVol, CurFactor, VolFactor, PwrFactor,
// LastDisMode, CvMode, CvCutCur, two channels
const std::array<ModelRow, 42> kRows{{
    {1, "QL-K01", 5, 15, _, _, _, _, _, 0, 6, _, false},
    {2, "QL-K02", 5, 20, _, _, _, _, _, 0, 6, _, false},
    {3, "QL-K03", 10, 15, _, _, _, _, _, 0, 6, _, false},
    {4, "QL-K04", 10, 30, _, _, _, _, _, 0, 6, _, false},
    {5, nullptr, 5, 30, 0.06f, 0.0f, 1000, _, 10, 1, 7, true, false},
    {6, nullptr, 10, 30, 0.05f, 0.0f, 100, _, _, 1, 7, true, false},
    {7, "QL-K07", 10, 30, _, 0.0f, _, _, _, 1, 2, true, false},
    {8, "QL-K08", 10, 20, _, _, _, _, _, 0, 1, true, false},
    {9, "QL-K09", 20, 30, 0.1f, 0.0f, _, _, _, 1, 2, true, false},
    {10, "QL-K10", 40, 5, 0.1f, _, _, _, _, 1, 2, true, false},
    {11, "QL-R11", 10, 30, _, 0.0f, _, _, _, 4, 4, _, false},
    {12, "QL-R12", 10, 99, _, 0.0f, _, _, _, 4, 4, _, false},
    {13, "QL-R13", 30, 30, 0.2f, _, _, _, _, 4, 4, _, false},
    {14, "QL-R14", 30, 60, 0.2f, _, _, _, _, 4, 4, _, false},
    {15, "QL-R15", 10, 30, _, 0.0f, _, _, _, 4, 4, _, false},
    {16, "QL-R16", 15, 30, 0.2f, 0.0f, _, _, _, 4, 4, _, false},
    {17, "QL-R17", 2.5f, 15, 0.03f, 0.0f, 1000, 1000, 10, 1, 1, _, true},
    {18, "QL-R18", 5, 15, 0.05f, 0.0f, 1000, 1000, 10, 1, 1, _, true},
    {19, "QL-R19", 20, 30, 0.1f, 0.0f, _, _, _, 1, 1, _, false},
    {20, nullptr, 10, 30, 0.1f, 0.0f, _, _, _, 1, 1, _, false},
    {21, "QL-R21", 10, 100, 0.5f, 2.0f, _, _, _, _, _, _, false},
    {22, "QL-R22", 15, 70, 0.5f, 2.0f, _, _, _, _, _, _, false},
    {23, "QL-R23", 10, 88, 0.5f, 2.0f, _, _, _, _, _, _, false},
    {24, "QL-R24", 2.5f, 15, _, 0.1f, 1000, _, _, _, _, _, false},
    {25, nullptr, 3, 20, 0.05f, 0.1f, 1000, _, _, _, _, _, false},
    // Type 26: name, MaxVol and MinCur depend on the firmware (ApplyModelRow).
    {26, "QL-R26", 4, 13.5f, 0.03f, 0.0f, 1000, _, _, _, _, _, false},
    {27, "QL-R27", 20, 90, 0.5f, 2.0f, _, _, _, _, _, _, false},
    {28, "QL-K28", 20, 90, 0.1f, 2.0f, _, _, _, _, 1, true, false},
    {29, "QL-K29", 50, 20, _, _, _, _, _, 0, 1, true, false},
    {30, "QL-R30", 40, 90, 0.5f, 2.0f, _, _, _, _, _, _, false},
    {31, "QL-R31", 50, 30, 0.1f, 0.0f, _, _, _, _, _, _, false},
    {32, "QL-R32", 40, 30, 0.1f, 0.0f, _, _, _, _, _, _, false},
    {33, "QL-R33", 30, 60, 0.1f, 0.0f, _, _, _, _, _, _, false},
    {34, "QL-R34", 100, 150, 2.0f, _, _, _, _, _, _, _, false},
    {35, "QL-R35", 1, 30, 0.001f, 0.0f, 1000, _, 10, 1, 1, _, false},
    {36, "QL-K36", 1, 30, 0.001f, 0.0f, 1000, _, 10, 1, 2, true, false},
    {37, "QL-K37", 100, 5, 0.1f, _, _, _, _, 1, 2, true, false},
    {38, "QL-R38", 100, 20, 0.1f, 0.1f, _, _, _, 1, 1, _, false},
    {39, "QL-K39", 30, 90, 0.1f, 2.0f, _, _, _, _, 1, true, false},
    {40, "QL-K40", 50, 30, 0.001f, 0.0f, 1000, _, _, _, 1, true, false},
    {41, "QL-R41", 5, 100, 0.1f, 0.0f, 1000, _, _, 2, _, _, false},
    {42, "QL-R42", 3, 14, _, 0.01f, 1000, _, _, _, _, _, false},
}};

template <typename T, typename U>
void Take(T& field, const std::optional<U>& value) {
    if (value)
        field = static_cast<T>(*value);
}

QStringList L(std::initializer_list<const char*> names) {
    QStringList out;
    for (const char* n : names)
        out << QString::fromLatin1(n);
    return out;
}

std::vector<TestTab> Tabs(std::initializer_list<const char*> keys) {
    std::vector<TestTab> out;
    int pos = 1;
    for (const char* k : keys)
        out.push_back({pos++, QString::fromLatin1(k)});
    return out;
}

} // namespace

const ModelRow* FindModelRow(int code) {
    if (code < 1 || code > static_cast<int>(kRows.size()))
        return nullptr;
    return &kRows[static_cast<size_t>(code - 1)];
}

int NameRow(int devType, int chan) {
    switch (devType) {
    case 17: case 18: case 19: case 35: case 36:
        return (chan == 1 ? 1 : 0) + 1;
    default:
        return 1;
    }
}

std::optional<DisplayName> ApplyModelRow(SlotState& s, int chan) {
    s.MinCur = 0.1f;
    s.MinVol = 0.8f;
    s.CurFactor = 100;
    s.VolFactor = 100;
    s.PwrFactor = 1;
    s.CvCutCur = false;
    s.LastDisMode = 0;
    s.CvMode = 0;

    const ModelRow* row = FindModelRow(s.DevType);
    if (!row)
        return std::nullopt;  // no row: defaults only, maxima as they were

    s.MaxCur = row->MaxCur;
    s.MaxVol = row->MaxVol;
    Take(s.MinCur, row->MinCur);
    Take(s.MinVol, row->MinVol);
    Take(s.CurFactor, row->CurFactor);
    Take(s.VolFactor, row->VolFactor);
    Take(s.PwrFactor, row->PwrFactor);
    Take(s.LastDisMode, row->LastDisMode);
    Take(s.CvMode, row->CvMode);
    Take(s.CvCutCur, row->CvCutCur);

    QString name = row->name ? QString::fromLatin1(row->name) : QString();
    if (row->code == 26 && s.FwVersion >= kR26BVersion) {
        name = QStringLiteral("QL-R26B");
        s.MaxVol = 21;
        s.MinCur = 0.01f;
    }
    if (name.isEmpty())
        return std::nullopt;
    return DisplayName{NameRow(s.DevType, chan), name};
}

VersionRuleResult ApplyVersionRules(SlotState& s) {
    VersionRuleResult r;
    auto named = [&](const char* text) { r.name = DisplayName{1, QString::fromLatin1(text)}; };
    switch (s.DevType) {
    case 5:
        if (s.FwVersion == 302) {
            named("QL-K05B");
            if (s.ModeList.size() > 8 && s.ModeList.at(8) == QLatin1String("DC5V")) {
                s.ModeList = L({"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV", "Meter"});
                s.MinCur = 0.01f;
                r.rebuilt = true;
            }
        } else {
            named("QL-K05");
        }
        break;
    case 6:
        named(s.FwVersion == 310 ? "QL-K06B" : "QL-K06");
        break;
    case 20:
        named(s.FwVersion == 310 ? "QL-R20B" : "QL-R20");
        break;
    case 25:
        if (s.FwVersion == 310) {
            named("QL-R25B");
            if (s.ModeList.size() == 1) {
                s.ModeList = L({"D-CC", "Meter"});
                s.MinCur = 0.01f;
                r.rebuilt = true;
            }
        } else if (s.FwVersion == 315) {
            named("QL-R25C");
        } else {
            named("QL-R25");
        }
        break;
    default:
        break;
    }
    return r;
}

SetupBranch SetupBranchFor(int devType, int chan) {
    SetupBranch b;
    const auto three = Tabs({"key1", "key2", "key3"});
    const auto singleCycle = Tabs({"key1", "key3"});
    const auto singleAuto = Tabs({"key1", "key2"});
    const auto single = Tabs({"key1"});
    switch (devType) {
    case 1: case 2: case 3: case 4:
        b.modes = L({"D-CC", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV"});
        b.tabs = three;
        b.menuRes = true;
        b.tempOk = true;
        break;
    case 5:
        b.modes = L({"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-LiPo", "C-LiFe", "C-PB", "C-CV", "DC5V"});
        b.tabs = three;
        b.menuRes = true;
        break;
    case 6:
        b.modes = L({"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-LiPo", "C-LiFe", "C-PB", "C-CV"});
        b.tabs = three;
        b.menuRes = true;
        break;
    case 7: case 36:
        b.modes = L({"D-CC", "D-CP", "C-CV"});
        b.tabs = three;
        b.menuRes = true;
        break;
    case 8:
        b.modes = L({"D-CC", "C-CV"});
        b.tabs = singleCycle;
        b.menuRes = true;
        break;
    case 9: case 10:
        b.modes = L({"D-CC", "D-CP", "C-CV"});
        b.tabs = singleCycle;
        b.menuRes = true;
        break;
    case 37:
        b.modes = L({"D-CC", "D-CP", "C-CV"});
        b.tabs = singleCycle;
        b.tempOk = true;
        break;
    case 11: case 12: case 13: case 14: case 15: case 16:
        b.modes = L({"D-CC", "D-CP", "C-CV", "Meter", "D-CV"});
        b.tabs = singleAuto;
        b.menuRes = true;
        b.tempOk = true;
        break;
    case 17: case 18:
        b.dev2s = true;
        b.menuRes = true;
        if (chan == 0) {
            b.modes = L({"D-CC", "D-CP"});
            b.tabs = singleAuto;
            b.initChnCurves = true;
        }
        break;
    case 19: case 20: case 35:
        b.modes = L({"D-CC", "D-CP"});
        b.tabs = singleAuto;
        b.menuRes = true;
        break;
    case 21: case 22: case 23:
        b.modes = L({"D-CC"});
        b.tabs = single;
        break;
    case 24: case 25:
        b.modes = L({"D-CC"});
        b.tabs = singleAuto;
        b.menuRes = true;
        break;
    case 26:
        b.modes = L({"D-CC", "Meter"});
        b.tabs = singleAuto;
        b.menuUsb = true;
        break;
    case 28: case 29: case 39: case 40:
        b.modes = L({"D-CC", "C-CV"});
        b.tabs = singleCycle;
        break;
    case 41:
        b.modes = L({"D-CC", "D-CV"});
        b.tabs = singleAuto;
        break;
    case 42:
        b.modes = L({"D-CC"});
        b.tabs = singleAuto;
        b.tempOk = true;
        break;
    case 51:
        b.modes = L({"Meter"});
        b.tabs = single;
        b.meterAxis = true;
        break;
    default:  // 27, 30..34, 38 and every code without a row
        b.modes = L({"D-CC"});
        b.tabs = single;
        break;
    }
    return b;
}

QStringList ModeListFor(int devType) {
    return SetupBranchFor(devType, 0).modes;
}

QStringList ModeListFor(int devType, int fwVersion) {
    SlotState s;
    s.DevType = static_cast<int16_t>(devType);
    s.FwVersion = fwVersion;
    s.ModeList = ModeListFor(devType);
    ApplyVersionRules(s);
    return s.ModeList;
}

} // namespace ql
