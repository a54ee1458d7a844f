// Model table: what the first reply of every type code sets up, the
// defaults of codes without a row, the type-26 variants and the version
// rules with their mode-list rebuilds.
#include "link/modeltable.h"
#include "link/recv.h"
#include "modelcodes.h"
#include "recvfakes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ql {
namespace {

std::vector<int> Joined(std::vector<int> codes, const std::vector<int>& more) {
    codes.insert(codes.end(), more.begin(), more.end());
    return codes;
}

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

// Slot 0 of a fresh link after the first reply of a type code on a channel.
struct FirstReply {
    LinkState st;
    testing::FakeHost host{st};
    FirstReply(int code, int chan)
    {
        Pollute(st.slot[0]);
        st.slot[0].Connecting = true;
        ReplyDecoder dec(st, host);
        const std::vector<uint8_t> w = testing::Wire(testing::Reply{.chan = chan, .type = code});
        dec.RecvBytes(0, w.data(), w.size());
    }
    const SlotState& slot() const { return st.slot[0]; }
    bool shown(const QString& menu) const
    {
        const auto it = host.visible.find(menu);
        return it != host.visible.end() && it->second;
    }
    QString modes() const { return host.panels[0].modes.join(' '); }
    QString tabs() const
    {
        QStringList keys;
        for (const auto& [position, key] : host.panels[0].tabs)
            keys << QString::number(position) + key;
        return keys.join(' ');
    }
};

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
        const FirstReply r(code, 0);
        const SlotState& s = r.slot();
        ASSERT_EQ(s.DevType, code);
        EXPECT_EQ(s.Connecting, IsTwoChannelType(code));  // those wait for channel 1
        ++identified;

        const QString name = r.host.name(0, 1);
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

// What the panel offers after the first reply: modes, test tabs (position
// and key), the resistance-test entry and the temperature readout. A
// single-channel type sets up the same from a reply of either channel.
TEST(ModelTable, FirstReplyShowsTheModesTabsAndMenusOfItsType)
{
    struct Case {
        std::vector<int> codes;
        const char *modes, *tabs;
        bool menuRes, tempOk;
    };
    const char* kAll = "1key1 2key2 3key3";
    const Case cases[] = {
        {{1, 2, 3, 4}, "D-CC C-NiMh C-NiCD C-Liion C-LiFe C-VRLA C-CV", kAll, true, true},
        {{5}, "D-CC D-CP C-NiMh C-NiCD C-LiPo C-LiFe C-PB C-CV DC5V", kAll, true, false},
        {{6}, "D-CC D-CP C-NiMh C-NiCD C-LiPo C-LiFe C-PB C-CV", kAll, true, false},
        {{7, 36}, "D-CC D-CP C-CV", kAll, true, false},
        {{8}, "D-CC C-CV", "1key1 2key3", true, false},
        {{9, 10}, "D-CC D-CP C-CV", "1key1 2key3", true, false},
        {{37}, "D-CC D-CP C-CV", "1key1 2key3", false, true},
        {{11, 12, 13, 14, 15, 16}, "D-CC D-CP C-CV Meter D-CV", "1key1 2key2", true, true},
        {{17, 18, 19, 20, 35}, "D-CC D-CP", "1key1 2key2", true, false},
        {{21, 22, 23}, "D-CC", "1key1", false, false},
        {{24, 25}, "D-CC", "1key1 2key2", true, false},
        {{26}, "D-CC Meter", "1key1 2key2", false, false},
        {{28, 29, 39, 40}, "D-CC C-CV", "1key1 2key3", false, false},
        {{41}, "D-CC D-CV", "1key1 2key2", false, false},
        {{42}, "D-CC", "1key1 2key2", false, true},
        {{kMeterOnlyCode}, "Meter", "1key1", false, false},
        {Joined({27, 30, 31, 32, 33, 34, 38}, qltest::PlainCodesWithoutRow()), "D-CC", "1key1", false, false},
    };
    for (const Case& c : cases) {
        for (int code : c.codes) {
            SCOPED_TRACE(code);
            const FirstReply r(code, 0);
            EXPECT_EQ(r.modes(), c.modes);
            EXPECT_EQ(r.slot().ModeList, r.host.panels[0].modes);
            EXPECT_EQ(qltest::ModeListFor(code), r.host.panels[0].modes);
            EXPECT_EQ(r.tabs(), c.tabs);
            EXPECT_EQ(r.shown("menuRes"), c.menuRes);
            EXPECT_EQ(r.slot().TempOk, c.tempOk);
            EXPECT_EQ(r.shown("menuUsb"), code == 26);
            EXPECT_EQ(r.host.axis[0], code == kMeterOnlyCode ? "[mA]" : "[A]");
            EXPECT_EQ(r.host.panels[0].dev2s, IsTwoChannelType(code));
            if (IsTwoChannelType(code))
                continue;
            const FirstReply other(code, 1);
            EXPECT_EQ(other.modes(), r.modes());
            EXPECT_EQ(other.tabs(), r.tabs());
        }
    }
}

TEST(ModelTable, CodesWithoutARowGetDefaultsAndKeepTheirMaxima) {
    for (int code : Joined({0, kMeterOnlyCode, 100, -1, 255}, qltest::PlainCodesWithoutRow())) {
        SCOPED_TRACE(code);
        SlotState s;
        Pollute(s);
        s.DevType = static_cast<int16_t>(code);
        EXPECT_EQ(FindModelRow(code), nullptr);
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
    }
}

TEST(ModelTable, Type26VariantFollowsTheVersionWhenTheRowIsApplied) {
    struct Case {
        int fw;
        const char* name;
        float maxVol, minCur;
    };
    for (const Case& c : {Case{319, "QL-R26", 13.5f, 0.03f}, Case{320, "QL-R26B", 21.f, 0.01f}}) {
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
    }
}

TEST(ModelTable, NameRowFollowsTheChannelForPerChannelTypes) {
    for (int code = 0; code <= kMaxTypeCode; ++code) {
        const bool perChannel = code == 17 || code == 18 || code == 19 || code == 35 || code == 36;
        EXPECT_EQ(NameRow(code, 0), 1) << code;
        EXPECT_EQ(NameRow(code, 1), perChannel ? 2 : 1) << code;
    }
}

TEST(ModelTable, VersionRulesNameTypes5And6And20And25)
{
    struct Case {
        int code, fw;
        const char* name;
    };
    for (const Case& c : {Case{5, 301, "QL-K05"}, Case{5, 0, "QL-K05"}, Case{6, 310, "QL-K06B"},
                          Case{6, 302, "QL-K06"}, Case{20, 310, "QL-R20B"}, Case{20, 315, "QL-R20"},
                          Case{25, 315, "QL-R25C"}, Case{25, 320, "QL-R25"}, Case{25, 302, "QL-R25"}}) {
        SCOPED_TRACE(c.code * 1000 + c.fw);
        SlotState s;
        s.DevType = static_cast<int16_t>(c.code);
        s.FwVersion = c.fw;
        s.ModeList = qltest::ModeListFor(c.code);
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
            s.ModeList = qltest::ModeListFor(code);
            s.MinCur = 0.5f;
            auto r = ApplyVersionRules(s);
            EXPECT_FALSE(r.name) << code;
            EXPECT_FALSE(r.rebuilt) << code;
            EXPECT_FLOAT_EQ(s.MinCur, 0.5f);
        }
    }
}

// Type 5 at 302 and type 25 at 310 rebuild the plain list of their type
// once (lowering the least current); a list already rebuilt stays.
TEST(ModelTable, VersionRulesRebuildOnlyThePlainListOfTheirType)
{
    for (auto [code, fw] : {std::pair{5, 302}, std::pair{25, 310}}) {
        SCOPED_TRACE(code);
        SlotState s;
        s.DevType = static_cast<int16_t>(code);
        s.FwVersion = fw;
        s.ModeList = qltest::ModeListFor(code);
        s.MinCur = 0.2f;
        EXPECT_TRUE(ApplyVersionRules(s).rebuilt);
        EXPECT_EQ(s.ModeList.last(), "Meter");
        EXPECT_FLOAT_EQ(s.MinCur, 0.01f);
        s.MinCur = 0.2f;
        const auto again = ApplyVersionRules(s);
        EXPECT_TRUE(again.name);
        EXPECT_FALSE(again.rebuilt);
        EXPECT_FLOAT_EQ(s.MinCur, 0.2f);
    }
}

// The mode indices of each row point into the mode list its set-up builds.
TEST(ModelTable, ModeIndicesFitTheModeLists) {
    for (const int code : qltest::RowCodes()) {
        SCOPED_TRACE(code);
        SlotState s;
        s.DevType = static_cast<int16_t>(code);
        ApplyModelRow(s, 0);
        const QStringList modes = qltest::ModeListFor(code);
        if (FindModelRow(code)->CvCutCur.value_or(false)) {
            ASSERT_LT(s.CvMode, modes.size());
            EXPECT_EQ(modes.at(s.CvMode), "C-CV");
        }
    }
}

} // namespace
} // namespace ql
