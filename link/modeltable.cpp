#include "link/modeltable.h"

#include <array>

namespace ql {

namespace {

using OF = std::optional<float>;
using OI = std::optional<int>;
using OB = std::optional<bool>;
using G = ModelGroup;
using S = StartSet;
constexpr std::nullopt_t _ = std::nullopt;

// Rows 1..42 in code order; index = code - 1.
// code, name, MaxCur, MaxVol, MinCur, MinVol, CurFactor, VolFactor, PwrFactor,
// LastDisMode, CvMode, CvCutCur, two channels, field family, start set;
// mode list, test tabs, quirks, "B" variant, firmware calibrating in tenths
const std::array<ModelRow, 42> kRows{{
    {1, "QL-K01", 5, 15, _, _, _, _, _, 0, 6, _, false, G::G1, S::Cells1,
     "D-CC C-NiMh C-NiCD C-Liion C-LiFe C-VRLA C-CV", "123", kMenuRes | kTempReadout | kCells15V | kMode1MinCur, {}, 0},
    {2, "QL-K02", 5, 20, _, _, _, _, _, 0, 6, _, false, G::G1, S::Cells1,
     "D-CC C-NiMh C-NiCD C-Liion C-LiFe C-VRLA C-CV", "123", kMenuRes | kTempReadout | kMode1MinCur, {}, 0},
    {3, "QL-K03", 10, 15, _, _, _, _, _, 0, 6, _, false, G::G1, S::Cells1,
     "D-CC C-NiMh C-NiCD C-Liion C-LiFe C-VRLA C-CV", "123", kMenuRes | kTempReadout | kCells15V | kMode1MinCur, {}, 0},
    {4, "QL-K04", 10, 30, _, _, _, _, _, 0, 6, _, false, G::G1, S::Cells1,
     "D-CC C-NiMh C-NiCD C-Liion C-LiFe C-VRLA C-CV", "123", kMenuRes | kTempReadout | kMode1MinCur, {}, 0},
    {5, nullptr, 5, 30, 0.06f, 0.0f, 1000, _, 10, 1, 7, true, false, G::G2, S::Cells2,
     "D-CC D-CP C-NiMh C-NiCD C-LiPo C-LiFe C-PB C-CV DC5V", "123", kMenuRes | kVoltFine4V5, {}, 310},
    {6, nullptr, 10, 30, 0.05f, 0.0f, 100, _, _, 1, 7, true, false, G::G2, S::Cells2,
     "D-CC D-CP C-NiMh C-NiCD C-LiPo C-LiFe C-PB C-CV", "123", kMenuRes | kVoltFine4V5 | kAdjTenths, {}, 0},
    {7, "QL-K07", 10, 30, _, 0.0f, _, _, _, 1, 2, true, false, G::G3, S::Cells3,
     "D-CC D-CP C-CV", "123", kMenuRes | kVoltFine4V5 | kAdjTenths, {}, 0},
    {8, "QL-K08", 10, 20, _, _, _, _, _, 0, 1, true, false, G::G4, S::Plain,
     "D-CC C-CV", "13", kMenuRes | kVoltFine4V5 | kMode1MinCur, {}, 0},
    {9, "QL-K09", 20, 30, 0.1f, 0.0f, _, _, _, 1, 2, true, false, G::G3, S::Power1,
     "D-CC D-CP C-CV", "13", kMenuRes | kVoltFine4V5 | kAdjTenths, {}, 0},
    {10, "QL-K10", 40, 5, 0.1f, _, _, _, _, 1, 2, true, false, G::G3, S::Power1,
     "D-CC D-CP C-CV", "13", kMenuRes | kVoltFine4V5 | kAdjTenths, {}, 0},
    {11, "QL-R11", 10, 30, _, 0.0f, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {12, "QL-R12", 10, 99, _, 0.0f, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {13, "QL-R13", 30, 30, 0.2f, _, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {14, "QL-R14", 30, 60, 0.2f, _, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {15, "QL-R15", 10, 30, _, 0.0f, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {16, "QL-R16", 15, 30, 0.2f, 0.0f, _, _, _, 4, 4, _, false, G::G5, S::Meter3,
     "D-CC D-CP C-CV Meter D-CV", "12", kMenuRes | kTempReadout | kVoltFine4V5, {}, 0},
    {17, "QL-R17", 2.5f, 15, 0.03f, 0.0f, 1000, 1000, 10, 1, 1, _, true, G::G5, S::Meter3,
     "D-CC D-CP", "12", kMenuRes | kNameRowPerChannel, {}, 0},
    {18, "QL-R18", 5, 15, 0.05f, 0.0f, 1000, 1000, 10, 1, 1, _, true, G::G5, S::Meter3,
     "D-CC D-CP", "12", kMenuRes | kNameRowPerChannel, {}, 0},
    {19, "QL-R19", 20, 30, 0.1f, 0.0f, _, _, _, 1, 1, _, false, G::G5, S::Meter3,
     "D-CC D-CP", "12", kMenuRes | kNameRowPerChannel | kVoltFine4V5 | kAdjTenths, {}, 0},
    {20, nullptr, 10, 30, 0.1f, 0.0f, _, _, _, 1, 1, _, false, G::G5, S::Meter3,
     "D-CC D-CP", "12", kMenuRes | kVoltFine4V5 | kAdjTenths, {}, 0},
    {21, "QL-R21", 10, 100, 0.5f, 2.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {22, "QL-R22", 15, 70, 0.5f, 2.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {23, "QL-R23", 10, 88, 0.5f, 2.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {24, "QL-R24", 2.5f, 15, _, 0.1f, 1000, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "12", kMenuRes | kVoltFine4V5, {}, 0},
    {25, nullptr, 3, 20, 0.05f, 0.1f, 1000, _, _, _, _, _, false, G::G5, S::Plain,
     "D-CC", "12", kMenuRes | kVoltFine4V5 | kMode1LimitFixed | kBootIdLow, {}, 0},
    {26, "QL-R26", 4, 13.5f, 0.03f, 0.0f, 1000, _, _, _, _, _, false, G::G5, S::Plain,
     "D-CC Meter", "12", kMenuUsb | kVoltFine10V | kUsbLines | kMode1LimitFixed | kMode1MinCur | kBootIdLow | kBootBase8C00, {320, 21, 0.01f}, 0},
    {27, "QL-R27", 20, 90, 0.5f, 2.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {28, "QL-K28", 20, 90, 0.1f, 2.0f, _, _, _, _, 1, true, false, G::G4, S::Meter3,
     "D-CC C-CV", "13", kCvFieldsFixed, {}, 0},
    {29, "QL-K29", 50, 20, _, _, _, _, _, 0, 1, true, false, G::G4, S::Plain,
     "D-CC C-CV", "13", 0, {}, 0},
    {30, "QL-R30", 40, 90, 0.5f, 2.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {31, "QL-R31", 50, 30, 0.1f, 0.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", kAdjTenths, {}, 0},
    {32, "QL-R32", 40, 30, 0.1f, 0.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", kVoltFine4V5 | kAdjTenths, {}, 0},
    {33, "QL-R33", 30, 60, 0.1f, 0.0f, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", kAdjTenths, {}, 0},
    {34, "QL-R34", 100, 150, 2.0f, _, _, _, _, _, _, _, false, G::G5, S::Meter3,
     "D-CC", "1", 0, {}, 0},
    {35, "QL-R35", 1, 30, 0.001f, 0.0f, 1000, _, 10, 1, 1, _, false, G::G5, S::Meter3,
     "D-CC D-CP", "12", kMenuRes | kNameRowPerChannel | kVoltFine4V5 | kFineCurSteps | kAdjTenths, {}, 0},
    {36, "QL-K36", 1, 30, 0.001f, 0.0f, 1000, _, 10, 1, 2, true, false, G::G3, S::Cells3,
     "D-CC D-CP C-CV", "123", kMenuRes | kNameRowPerChannel | kVoltFine4V5 | kAdjTenths, {}, 0},
    {37, "QL-K37", 100, 5, 0.1f, _, _, _, _, 1, 2, true, false, G::G3, S::Cells3,
     "D-CC D-CP C-CV", "13", kTempReadout | kVoltFine4V5, {}, 0},
    {38, "QL-R38", 100, 20, 0.1f, 0.1f, _, _, _, 1, 1, _, false, G::G5, S::Meter3,
     "D-CC", "1", kAdjTenths, {}, 0},
    {39, "QL-K39", 30, 90, 0.1f, 2.0f, _, _, _, _, 1, true, false, G::G4, S::Plain,
     "D-CC C-CV", "13", 0, {}, 0},
    {40, "QL-K40", 50, 30, 0.001f, 0.0f, 1000, _, _, _, 1, true, false, G::G6, S::Plain,
     "D-CC C-CV", "13", kVoltFine4V5 | kMilliAmps, {}, 0},
    {41, "QL-R41", 5, 100, 0.1f, 0.0f, 1000, _, _, 2, _, _, false, G::G7, S::Plain,
     "D-CC D-CV", "12", 0, {}, 0},
    {42, "QL-R42", 3, 14, _, 0.01f, 1000, _, _, _, _, _, false, G::G7, S::Plain,
     "D-CC", "12", kTempReadout, {}, 0},
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

// Test tabs by key number: "13" is key1 at position 1, key3 at position 2.
std::vector<TestTab> Tabs(const char* keys) {
    std::vector<TestTab> out;
    int pos = 1;
    for (const char* k = keys; *k; ++k)
        out.push_back({pos++, QStringLiteral("key") + QLatin1Char(*k)});
    return out;
}

} // namespace

const ModelRow* FindModelRow(int code) {
    if (code < 1 || code > static_cast<int>(kRows.size()))
        return nullptr;
    return &kRows[static_cast<size_t>(code - 1)];
}

int ModelCodeOfName(const QString& name) {
    for (const ModelRow& row : kRows)
        if (row.name && name == QLatin1String(row.name))
            return row.code;
    return 0;
}

bool HasQuirk(int devType, ModelQuirk quirk) {
    const ModelRow* row = FindModelRow(devType);
    return row && (row->quirks & quirk) != 0;
}

bool IsVariantB(int devType, int fwVersion) {
    const ModelRow* row = FindModelRow(devType);
    return row && row->variant.fw != 0 && fwVersion >= row->variant.fw;
}

bool AdjInTenths(int devType, int fwVersion) {
    const ModelRow* row = FindModelRow(devType);
    return row && ((row->quirks & kAdjTenths) != 0 || IsVariantB(devType, fwVersion) ||
                   (row->adjTenthsFw != 0 && fwVersion == row->adjTenthsFw));
}

StartSet StartSetOf(int devType) {
    if (devType == 0)
        return StartSet::Cells1;
    const ModelRow* row = FindModelRow(devType);
    return row ? row->start : StartSet::Plain;
}

ModelGroup ModelGroupOf(int devType) {
    if (devType == 0)
        return ModelGroup::None;
    const ModelRow* row = FindModelRow(devType);
    return row ? row->fields : ModelGroup::G7;
}

bool IsTwoChannelType(int devType) {
    const ModelRow* row = FindModelRow(devType);
    return row && row->twoChannel;
}

int NameRow(int devType, int chan) {
    return HasQuirk(devType, kNameRowPerChannel) && chan == 1 ? 2 : 1;
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
    if (IsVariantB(s.DevType, s.FwVersion)) {
        name += QLatin1Char('B');
        s.MaxVol = row->variant.MaxVol;
        s.MinCur = row->variant.MinCur;
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
    const ModelRow* row = FindModelRow(devType);
    if (!row) {
        const bool meter = devType == kMeterOnlyCode;
        b.modes = L({meter ? "Meter" : "D-CC"});
        b.tabs = Tabs("1");
        b.meterAxis = meter;
        return b;
    }
    b.dev2s = row->twoChannel;
    // A two-channel device gets its list and tabs from its channel-0 reply.
    if (!row->twoChannel || chan == 0) {
        b.modes = QString::fromLatin1(row->modes).split(QLatin1Char(' '));
        b.tabs = Tabs(row->tabs);
        b.initChnCurves = row->twoChannel;
    }
    b.menuRes = (row->quirks & kMenuRes) != 0;
    b.menuUsb = (row->quirks & kMenuUsb) != 0;
    b.tempOk = (row->quirks & kTempReadout) != 0;
    return b;
}

} // namespace ql
