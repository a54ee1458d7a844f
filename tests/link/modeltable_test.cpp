// Model table: every row, the defaults, codes without a row, the type-26
// variants and the version rules with their mode-list rebuilds.
#include "link/modeltable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ql {
namespace {

// Fills a slot with values no row or default uses, so a field the table
// forgets to write shows up.
void Pollute(SlotState& s) {
    s.MaxCur = 123.f;
    s.MaxVol = 456.f;
    s.MinCur = 77.f;
    s.MinVol = 88.f;
    s.CurFactor = 7;
    s.VolFactor = 8;
    s.PwrFactor = 9;
    s.LastDisMode = 55;
    s.CvMode = 66;
    s.CvCutCur = true;
}

// Expected values per code; -1 / NaN stand for "the default".
struct Expect {
    int code;
    const char* name;  // nullptr: no name
    float maxCur, maxVol, minCur, minVol;
    int curF, volF, pwrF, lastDis, cvMode, cvCut;  // cvCut: -1 default, 0/1
};
constexpr float D = NAN;
const Expect kExpect[] = {
    {1, "QL-K01", 5, 15, D, D, -1, -1, -1, 0, 6, -1},
    {2, "QL-K02", 5, 20, D, D, -1, -1, -1, 0, 6, -1},
    {3, "QL-K03", 10, 15, D, D, -1, -1, -1, 0, 6, -1},
    {4, "QL-K04", 10, 30, D, D, -1, -1, -1, 0, 6, -1},
    {5, nullptr, 5, 30, 0.06f, 0, 1000, -1, 10, 1, 7, 1},
    {6, nullptr, 10, 30, 0.05f, 0, 100, -1, -1, 1, 7, 1},
    {7, "QL-K07", 10, 30, D, 0, -1, -1, -1, 1, 2, 1},
    {8, "QL-K08", 10, 20, D, D, -1, -1, -1, 0, 1, 1},
    {9, "QL-K09", 20, 30, 0.1f, 0, -1, -1, -1, 1, 2, 1},
    {10, "QL-K10", 40, 5, 0.1f, D, -1, -1, -1, 1, 2, 1},
    {11, "QL-R11", 10, 30, D, 0, -1, -1, -1, 4, 4, -1},
    {12, "QL-R12", 10, 99, D, 0, -1, -1, -1, 4, 4, -1},
    {13, "QL-R13", 30, 30, 0.2f, D, -1, -1, -1, 4, 4, -1},
    {14, "QL-R14", 30, 60, 0.2f, D, -1, -1, -1, 4, 4, -1},
    {15, "QL-R15", 10, 30, D, 0, -1, -1, -1, 4, 4, -1},
    {16, "QL-R16", 15, 30, 0.2f, 0, -1, -1, -1, 4, 4, -1},
    {17, "QL-R17", 2.5f, 15, 0.03f, 0, 1000, 1000, 10, 1, 1, -1},
    {18, "QL-R18", 5, 15, 0.05f, 0, 1000, 1000, 10, 1, 1, -1},
    {19, "QL-R19", 20, 30, 0.1f, 0, -1, -1, -1, 1, 1, -1},
    {20, nullptr, 10, 30, 0.1f, 0, -1, -1, -1, 1, 1, -1},
    {21, "QL-R21", 10, 100, 0.5f, 2, -1, -1, -1, -1, -1, -1},
    {22, "QL-R22", 15, 70, 0.5f, 2, -1, -1, -1, -1, -1, -1},
    {23, "QL-R23", 10, 88, 0.5f, 2, -1, -1, -1, -1, -1, -1},
    {24, "QL-R24", 2.5f, 15, D, 0.1f, 1000, -1, -1, -1, -1, -1},
    {25, nullptr, 3, 20, 0.05f, 0.1f, 1000, -1, -1, -1, -1, -1},
    {26, "QL-R26", 4, 13.5f, 0.03f, 0, 1000, -1, -1, -1, -1, -1},
    {27, "QL-R27", 20, 90, 0.5f, 2, -1, -1, -1, -1, -1, -1},
    {28, "QL-K28", 20, 90, 0.1f, 2, -1, -1, -1, -1, 1, 1},
    {29, "QL-K29", 50, 20, D, D, -1, -1, -1, 0, 1, 1},
    {30, "QL-R30", 40, 90, 0.5f, 2, -1, -1, -1, -1, -1, -1},
    {31, "QL-R31", 50, 30, 0.1f, 0, -1, -1, -1, -1, -1, -1},
    {32, "QL-R32", 40, 30, 0.1f, 0, -1, -1, -1, -1, -1, -1},
    {33, "QL-R33", 30, 60, 0.1f, 0, -1, -1, -1, -1, -1, -1},
    {34, "QL-R34", 100, 150, 2, D, -1, -1, -1, -1, -1, -1},
    {35, "QL-R35", 1, 30, 0.001f, 0, 1000, -1, 10, 1, 1, -1},
    {36, "QL-K36", 1, 30, 0.001f, 0, 1000, -1, 10, 1, 2, 1},
    {37, "QL-K37", 100, 5, 0.1f, D, -1, -1, -1, 1, 2, 1},
    {38, "QL-R38", 100, 20, 0.1f, 0.1f, -1, -1, -1, 1, 1, -1},
    {39, "QL-K39", 30, 90, 0.1f, 2, -1, -1, -1, -1, 1, 1},
    {40, "QL-K40", 50, 30, 0.001f, 0, 1000, -1, -1, -1, 1, 1},
    {41, "QL-R41", 5, 100, 0.1f, 0, 1000, -1, -1, 2, -1, -1},
    {42, "QL-R42", 3, 14, D, 0.01f, 1000, -1, -1, -1, -1, -1},
};

TEST(ModelTable, EveryRowWritesItsValuesOverTheDefaults) {
    for (const Expect& e : kExpect) {
        SCOPED_TRACE(e.code);
        SlotState s;
        Pollute(s);
        s.DevType = static_cast<int16_t>(e.code);
        s.FwVersion = 0;
        const auto name = ApplyModelRow(s, 0);
        if (e.name) {
            ASSERT_TRUE(name.has_value());
            EXPECT_EQ(name->text, QString::fromLatin1(e.name));
            EXPECT_EQ(name->row, 1);
        } else {
            EXPECT_FALSE(name.has_value());
        }
        EXPECT_FLOAT_EQ(s.MaxCur, e.maxCur);
        EXPECT_FLOAT_EQ(s.MaxVol, e.maxVol);
        EXPECT_FLOAT_EQ(s.MinCur, std::isnan(e.minCur) ? 0.1f : e.minCur);
        EXPECT_FLOAT_EQ(s.MinVol, std::isnan(e.minVol) ? 0.8f : e.minVol);
        EXPECT_EQ(s.CurFactor, e.curF < 0 ? 100 : e.curF);
        EXPECT_EQ(s.VolFactor, e.volF < 0 ? 100 : e.volF);
        EXPECT_EQ(s.PwrFactor, e.pwrF < 0 ? 1 : e.pwrF);
        EXPECT_EQ(s.LastDisMode, e.lastDis < 0 ? 0 : e.lastDis);
        EXPECT_EQ(s.CvMode, e.cvMode < 0 ? 0 : e.cvMode);
        EXPECT_EQ(s.CvCutCur, e.cvCut == 1);
    }
}

TEST(ModelTable, CodesWithoutARowGetDefaultsAndKeepTheirMaxima) {
    for (int code : {0, 43, 47, 50, 51, 52, 77, 99, 100, -1, 255}) {
        SCOPED_TRACE(code);
        SlotState s;
        Pollute(s);
        s.DevType = static_cast<int16_t>(code);
        EXPECT_FALSE(ApplyModelRow(s, 0).has_value());
        EXPECT_FLOAT_EQ(s.MaxCur, 123.f);
        EXPECT_FLOAT_EQ(s.MaxVol, 456.f);
        EXPECT_FLOAT_EQ(s.MinCur, 0.1f);
        EXPECT_FLOAT_EQ(s.MinVol, 0.8f);
        EXPECT_EQ(s.CurFactor, 100);
        EXPECT_EQ(s.VolFactor, 100);
        EXPECT_EQ(s.PwrFactor, 1);
        EXPECT_EQ(s.LastDisMode, 0);
        EXPECT_EQ(s.CvMode, 0);
        EXPECT_FALSE(s.CvCutCur);
        EXPECT_EQ(FindModelRow(code), nullptr);
    }
}

TEST(ModelTable, Type26VariantFollowsTheVersionWhenTheRowIsApplied) {
    struct Case { int fw; const char* name; float maxVol, minCur; };
    for (const Case& c : {Case{0, "QL-R26", 13.5f, 0.03f}, Case{319, "QL-R26", 13.5f, 0.03f},
                          Case{320, "QL-R26B", 21.f, 0.01f}, Case{400, "QL-R26B", 21.f, 0.01f}}) {
        SCOPED_TRACE(c.fw);
        SlotState s;
        Pollute(s);
        s.DevType = 26;
        s.FwVersion = c.fw;
        auto name = ApplyModelRow(s, 0);
        ASSERT_TRUE(name);
        EXPECT_EQ(name->text, c.name);
        EXPECT_FLOAT_EQ(s.MaxVol, c.maxVol);
        EXPECT_FLOAT_EQ(s.MinCur, c.minCur);
        EXPECT_FLOAT_EQ(s.MaxCur, 4.f);
        EXPECT_EQ(s.CurFactor, 1000);
        // A later version change alone (info replies) does not switch the variant.
        s.FwVersion = c.fw >= 320 ? 100 : 320;
        EXPECT_FALSE(ApplyVersionRules(s).name.has_value());
        EXPECT_FLOAT_EQ(s.MinCur, c.minCur);
    }
}

TEST(ModelTable, NameRowFollowsTheChannelForPerChannelTypes) {
    for (int code = 0; code <= kMaxTypeCode; ++code) {
        const bool perChannel = code == 17 || code == 18 || code == 19 || code == 35 || code == 36;
        EXPECT_EQ(NameRow(code, 0), 1) << code;
        EXPECT_EQ(NameRow(code, 1), perChannel ? 2 : 1) << code;
    }
    SlotState s;
    s.DevType = 35;
    EXPECT_EQ(ApplyModelRow(s, 1)->row, 2);
    s.DevType = 17;
    EXPECT_EQ(ApplyModelRow(s, 0)->row, 1);
    EXPECT_EQ(ApplyModelRow(s, 1)->row, 2);
    s.DevType = 1;
    EXPECT_EQ(ApplyModelRow(s, 1)->row, 1);
}

QStringList Modes(std::initializer_list<const char*> l) {
    QStringList out;
    for (auto* x : l) out << x;
    return out;
}

TEST(ModelTable, VersionRulesNameTypes5And6And20) {
    struct Case { int code, fw; const char* name; };
    for (const Case& c : {Case{5, 301, "QL-K05"}, Case{5, 0, "QL-K05"}, Case{6, 310, "QL-K06B"},
                          Case{6, 302, "QL-K06"}, Case{20, 310, "QL-R20B"}, Case{20, 315, "QL-R20"},
                          Case{25, 315, "QL-R25C"}, Case{25, 320, "QL-R25"}, Case{25, 302, "QL-R25"}}) {
        SCOPED_TRACE(c.code * 1000 + c.fw);
        SlotState s;
        s.DevType = static_cast<int16_t>(c.code);
        s.FwVersion = c.fw;
        s.ModeList = ModeListFor(c.code);
        s.MinCur = 0.5f;
        const QStringList before = s.ModeList;
        auto r = ApplyVersionRules(s);
        ASSERT_TRUE(r.name);
        EXPECT_EQ(r.name->text, c.name);
        EXPECT_EQ(r.name->row, 1);
        EXPECT_FALSE(r.rebuilt);
        EXPECT_EQ(s.ModeList, before);
        EXPECT_FLOAT_EQ(s.MinCur, 0.5f);
    }
}

TEST(ModelTable, VersionRulesIgnoreOtherTypes) {
    for (int code = 0; code <= kMaxTypeCode; ++code) {
        if (code == 5 || code == 6 || code == 20 || code == 25)
            continue;
        for (int fw : {0, 302, 310, 315, 320}) {
            SlotState s;
            s.DevType = static_cast<int16_t>(code);
            s.FwVersion = fw;
            s.ModeList = ModeListFor(code);
            s.MinCur = 0.5f;
            auto r = ApplyVersionRules(s);
            EXPECT_FALSE(r.name) << code;
            EXPECT_FALSE(r.rebuilt) << code;
            EXPECT_FLOAT_EQ(s.MinCur, 0.5f);
        }
    }
}

TEST(ModelTable, Type5At302RebuildsTheListOnce) {
    SlotState s;
    s.DevType = 5;
    s.FwVersion = 0;
    ApplyModelRow(s, 0);
    s.ModeList = ModeListFor(5);
    EXPECT_FLOAT_EQ(s.MinCur, 0.06f);
    ASSERT_EQ(s.ModeList.size(), 9);
    EXPECT_EQ(s.ModeList.at(8), "DC5V");

    s.FwVersion = 302;
    auto r = ApplyVersionRules(s);
    EXPECT_EQ(r.name->text, "QL-K05B");
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(s.ModeList, Modes({"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV", "Meter"}));
    EXPECT_FLOAT_EQ(s.MinCur, 0.01f);
    EXPECT_EQ(s.LastDisMode, 1);
    EXPECT_EQ(s.CvMode, 7);
    EXPECT_TRUE(s.CvCutCur);

    // A second info reply changes nothing more.
    s.MinCur = 0.2f;
    r = ApplyVersionRules(s);
    EXPECT_EQ(r.name->text, "QL-K05B");
    EXPECT_FALSE(r.rebuilt);
    EXPECT_FLOAT_EQ(s.MinCur, 0.2f);
}

TEST(ModelTable, Type25At310RebuildsOnlyAOneEntryList) {
    SlotState s;
    s.DevType = 25;
    s.FwVersion = 310;
    s.MinCur = 0.05f;
    s.ModeList = Modes({"D-CC", "Meter"});
    auto r = ApplyVersionRules(s);
    EXPECT_EQ(r.name->text, "QL-R25B");
    EXPECT_FALSE(r.rebuilt);
    EXPECT_FLOAT_EQ(s.MinCur, 0.05f);

    s.ModeList = ModeListFor(25);
    ASSERT_EQ(s.ModeList.size(), 1);
    r = ApplyVersionRules(s);
    EXPECT_EQ(r.name->text, "QL-R25B");
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(s.ModeList, Modes({"D-CC", "Meter"}));
    EXPECT_FLOAT_EQ(s.MinCur, 0.01f);
}

TEST(ModelTable, SetupBranchesGiveTheListsTabsAndMenus) {
    struct Case {
        std::vector<int> codes;
        std::vector<const char*> modes;
        std::vector<const char*> tabs;  // keys at positions 1, 2, 3
        bool menuRes, tempOk;
    };
    const std::vector<Case> cases = {
        {{1, 2, 3, 4}, {"D-CC", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV"}, {"key1", "key2", "key3"}, true, true},
        {{5}, {"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-LiPo", "C-LiFe", "C-PB", "C-CV", "DC5V"}, {"key1", "key2", "key3"}, true, false},
        {{6}, {"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-LiPo", "C-LiFe", "C-PB", "C-CV"}, {"key1", "key2", "key3"}, true, false},
        {{7, 36}, {"D-CC", "D-CP", "C-CV"}, {"key1", "key2", "key3"}, true, false},
        {{8}, {"D-CC", "C-CV"}, {"key1", "key3"}, true, false},
        {{9, 10}, {"D-CC", "D-CP", "C-CV"}, {"key1", "key3"}, true, false},
        {{37}, {"D-CC", "D-CP", "C-CV"}, {"key1", "key3"}, false, true},
        {{11, 12, 13, 14, 15, 16}, {"D-CC", "D-CP", "C-CV", "Meter", "D-CV"}, {"key1", "key2"}, true, true},
        {{19, 20, 35}, {"D-CC", "D-CP"}, {"key1", "key2"}, true, false},
        {{21, 22, 23}, {"D-CC"}, {"key1"}, false, false},
        {{24, 25}, {"D-CC"}, {"key1", "key2"}, true, false},
        {{26}, {"D-CC", "Meter"}, {"key1", "key2"}, false, false},
        {{28, 29, 39, 40}, {"D-CC", "C-CV"}, {"key1", "key3"}, false, false},
        {{41}, {"D-CC", "D-CV"}, {"key1", "key2"}, false, false},
        {{42}, {"D-CC"}, {"key1", "key2"}, false, true},
        {{51}, {"Meter"}, {"key1"}, false, false},
        {{0, 27, 30, 31, 32, 33, 34, 38, 43, 50, 52, 99}, {"D-CC"}, {"key1"}, false, false},
    };
    for (const Case& c : cases) {
        for (int code : c.codes) {
            SCOPED_TRACE(code);
            const SetupBranch b = SetupBranchFor(code, 0);
            EXPECT_FALSE(b.dev2s);
            QStringList modes;
            for (auto* m : c.modes) modes << m;
            EXPECT_EQ(b.modes, modes);
            EXPECT_EQ(ModeListFor(code), modes);
            ASSERT_EQ(b.tabs.size(), c.tabs.size());
            for (size_t i = 0; i < c.tabs.size(); ++i) {
                EXPECT_EQ(b.tabs[i].position, static_cast<int>(i) + 1);
                EXPECT_EQ(b.tabs[i].key, c.tabs[i]);
            }
            EXPECT_EQ(b.menuRes, c.menuRes);
            EXPECT_EQ(b.tempOk, c.tempOk);
            EXPECT_EQ(b.menuUsb, code == 26);
            EXPECT_EQ(b.meterAxis, code == 51);
            EXPECT_FALSE(b.initChnCurves);
            // The channel changes nothing for single-channel types.
            const SetupBranch b1 = SetupBranchFor(code, 1);
            EXPECT_EQ(b1.modes, b.modes);
            EXPECT_EQ(b1.tabs, b.tabs);
        }
    }
}

TEST(ModelTable, TwoChannelTypesBuildOnChannel0AndOnlyLayoutOnChannel1) {
    for (int code : {17, 18}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(IsTwoChannelType(code));
        const SetupBranch b0 = SetupBranchFor(code, 0);
        EXPECT_TRUE(b0.dev2s);
        EXPECT_EQ(b0.modes, Modes({"D-CC", "D-CP"}));
        EXPECT_EQ(b0.tabs, (std::vector<TestTab>{{1, "key1"}, {2, "key2"}}));
        EXPECT_TRUE(b0.initChnCurves);
        EXPECT_TRUE(b0.menuRes);
        EXPECT_FALSE(b0.tempOk);
        const SetupBranch b1 = SetupBranchFor(code, 1);
        EXPECT_TRUE(b1.dev2s);
        EXPECT_TRUE(b1.modes.isEmpty());
        EXPECT_TRUE(b1.tabs.empty());
        EXPECT_FALSE(b1.initChnCurves);
        EXPECT_TRUE(b1.menuRes);
        EXPECT_EQ(ModeListFor(code), Modes({"D-CC", "D-CP"}));
    }
    EXPECT_FALSE(IsTwoChannelType(19));
}

// The mode indices of each row point into the mode list its set-up builds.
TEST(ModelTable, ModeIndicesFitTheModeLists) {
    for (int code = 1; code <= 42; ++code) {
        SCOPED_TRACE(code);
        SlotState s;
        s.DevType = static_cast<int16_t>(code);
        ApplyModelRow(s, 0);
        const QStringList modes = ModeListFor(code);
        if (FindModelRow(code)->CvCutCur.value_or(false)) {
            ASSERT_LT(s.CvMode, modes.size());
            EXPECT_EQ(modes.at(s.CvMode), "C-CV");
        }
    }
}

} // namespace
} // namespace ql
