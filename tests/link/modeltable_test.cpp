// Model table: every model as a first reply identifies it, the defaults,
// codes without a row, the type-26 variants and the version rules with their
// mode-list rebuilds.
#include "link/modeltable.h"
#include "link/recv.h"
#include "recvfakes.h"

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

// Every model with a row, identified by its first reply: the name shown in
// the run grid (and kept in the channel's record) carries the model's code,
// the limits it takes are ordered, and its maxima fit a command frame at its
// resolution, so a start at the maxima can be sent. Models without a row
// name are named by their version later.
TEST(ModelTable, EveryIdentifiedModelIsNamedByItsCodeAndItsMaximaCanBeSent) {
    int identified = 0;
    for (int code = 1; code <= kMaxTypeCode; ++code) {
        if (!FindModelRow(code))
            continue;
        SCOPED_TRACE(code);
        LinkState st;
        Pollute(st.slot[0]);
        testing::FakeHost host{st};
        st.slot[0].Connecting = true;
        ReplyDecoder dec(st, host, host);
        testing::Reply r;
        r.type = code;
        const std::vector<uint8_t> w = testing::Wire(r);
        dec.RecvBytes(0, w.data(), w.size());
        const SlotState& s = st.slot[0];
        ASSERT_EQ(s.DevType, code);
        ++identified;

        const QString name = host.name(0, 1);
        EXPECT_EQ(s.chn[0].DevName, name);
        if (code == 5 || code == 6 || code == 20 || code == 25) {
            EXPECT_TRUE(name.isEmpty()) << name.toStdString();
        } else {
            EXPECT_TRUE(name.startsWith(QLatin1String("QL-"))) << name.toStdString();
            EXPECT_TRUE(name.endsWith(QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0')))) << name.toStdString();
        }

        EXPECT_TRUE(s.CurFactor == 100 || s.CurFactor == 1000) << s.CurFactor;
        EXPECT_TRUE(s.VolFactor == 100 || s.VolFactor == 1000) << s.VolFactor;
        EXPECT_TRUE(s.PwrFactor == 1 || s.PwrFactor == 10) << s.PwrFactor;
        EXPECT_GT(s.MinCur, 0.f);
        EXPECT_LT(s.MinCur, s.MaxCur);
        EXPECT_GE(s.MinVol, 0.f);
        EXPECT_LT(s.MinVol, s.MaxVol);
        EXPECT_LE(std::lround(double(s.MaxCur) * s.CurFactor), 57599);
        EXPECT_LE(std::lround(double(s.MaxVol) * s.VolFactor), 57599);
    }
    EXPECT_GE(identified, 40);
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
