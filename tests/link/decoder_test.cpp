// Reply framing and decoding on byte streams, and the first-reply set-up,
// through fakes of the panel and host.
#include "link/recv.h"
#include "link/modeltable.h"
#include "modelcodes.h"
#include "recvfakes.h"

#include <gtest/gtest.h>

#include <random>

namespace ql {
namespace {

using namespace ql::testing;

struct Sample {
    int slot, chn, run;
    float cur, volt, temp;
};

class Decoder : public ::testing::Test {
protected:
    LinkState st;
    FakeHost host{st};
    ReplyDecoder dec{st, host};
    std::vector<Sample> samples;
    QStringList errors;

    void SetUp() override {
        dec.onSample = [this](int slot, int chn, int run, bool) {
            const ChanState& ch = st.ch(slot, chn);
            samples.push_back({slot, chn, run, ch.Cur, ch.Volt, ch.Temp});
        };
        dec.errLog = [this](const QString& label, const QString& text) { errors << label + ":" + text; };
    }

    void Feed(int slot, const std::vector<uint8_t>& bytes) { dec.RecvBytes(slot, bytes.data(), bytes.size()); }

    // The first reply after a connect.
    void First(int slot, const Reply& r)
    {
        st.slot[slot].Connecting = true;
        Feed(slot, Wire(r));
    }
    // An info reply: firmware version, rated voltage and current.
    static Reply Info(int type, int fw, int volt, int cur)
    {
        return Reply{.kind = 1, .e1 = fw, .e2 = volt, .e3 = cur, .type = type};
    }

    // A slot that has already identified a device of this type.
    void Identified(int slot, int type, int fw = 0)
    {
        First(slot, fw ? Info(type, fw, 1500, 500) : Reply{.e2 = 1500, .e3 = 500, .type = type});
        ASSERT_FALSE(st.slot[slot].Connecting);
        samples.clear();
        host.setupModeFields.clear();
    }
};

TEST_F(Decoder, WorkedFrameDecodes) {
    Identified(0, 11);
    const std::vector<uint8_t> w{0xFA, 0x0A, 0x00, 0x64, 0x0F, 0x64, 0x02, 0x14, 0x01, 0x0A,
                                 0x00, 0x64, 0x01, 0x3C, 0x00, 0x00, 0x0B, 0x4A, 0xF8};
    st.ch(0, 0).Running = true;  // capacity is stored only on a running channel
    const RecvResult r = dec.RecvBytes(0, w.data(), w.size());
    EXPECT_TRUE(r.startByte);  // the receive lamp
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].run, 1);
    const ChanState& ch = st.ch(0, 0);
    EXPECT_FLOAT_EQ(ch.Cur, 1.00f);
    EXPECT_FLOAT_EQ(ch.Volt, 3.700f);
    EXPECT_FLOAT_EQ(ch.Cap, 0.500f);
    EXPECT_FLOAT_EQ(ch.Temp, 25.0f);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Decoder, FirstReplySetsUpAChargerOfType1) {
    st.slot[0].MaxCur = 99;
    const Reply r{.mode = 2, .cap = 1234, .e1 = 150, .e2 = 420, .e3 = 30, .type = 1};
    First(0, r);
    const SlotState& s = st.slot[0];
    EXPECT_FALSE(s.Connecting);
    EXPECT_EQ(s.DevType, 1);
    EXPECT_EQ(host.name(0, 1), "QL-K01");
    EXPECT_FLOAT_EQ(s.MaxCur, 5);
    EXPECT_FLOAT_EQ(s.MaxVol, 15);
    EXPECT_FLOAT_EQ(s.MinCur, 0.1f);
    EXPECT_FLOAT_EQ(s.MinVol, 0.8f);
    EXPECT_EQ(s.CvMode, 6);
    const FakePanel& p = host.panels[0];
    EXPECT_FALSE(p.dev2s);
    EXPECT_EQ(s.ModeList, p.modes);  // the record holds what the panel shows
    EXPECT_TRUE(host.visible["menuTemp"]);
    EXPECT_FALSE(host.visible["menuQc"]);
    EXPECT_EQ(host.visible.count("menuUsb"), 0u);
    EXPECT_TRUE(host.enabled["menuAddDev"]);
    EXPECT_TRUE(host.enabled["menuAdj"]);
    EXPECT_EQ(host.initAutoTest, std::vector<int>{0});
    EXPECT_EQ(host.setupModeFields, (std::vector<std::pair<int, int>>{{0, 0}}));
    const ChanState& ch = st.ch(0, 0);
    EXPECT_EQ(ch.ChnMode, 2);
    EXPECT_EQ(ch.SetRaw, 150);
    EXPECT_EQ(ch.LmtRaw, 420);
    EXPECT_EQ(ch.TimRaw, 30);
    EXPECT_FLOAT_EQ(ch.Cap, 1.234f);  // the first reply stores the capacity
    ASSERT_EQ(samples.size(), 1u);

    // Later frames do not run the set-up again.
    host.setupModeFields.clear();
    Feed(0, Wire(r));
    EXPECT_TRUE(host.setupModeFields.empty());
    EXPECT_EQ(host.panels[0].modeClrCount, 1);
}

TEST_F(Decoder, TwoChannelLoadStopsConnectingOnlyOnChannel1) {
    First(2, Reply{.chan = 0, .type = 17});
    EXPECT_TRUE(st.slot[2].Connecting);
    EXPECT_TRUE(host.panels[2].dev2s);
    EXPECT_EQ(host.initChnCurves, std::vector<int>{2});
    EXPECT_EQ(host.enabled.count("menuAddDev"), 0u);
    EXPECT_EQ(host.name(2, 1), "QL-R17");

    Feed(2, Wire(Reply{.temp = 250, .chan = 1, .type = 17}));
    EXPECT_FALSE(st.slot[2].Connecting);
    EXPECT_EQ(host.panels[2].modeClrCount, 1);  // list and tabs untouched
    EXPECT_EQ(host.panels[2].tabClrCount, 1);
    EXPECT_TRUE(host.enabled["menuAddDev"]);
    EXPECT_EQ(host.initAutoTest, std::vector<int>{2});  // channel 0 only
    EXPECT_EQ(host.setupModeFields, (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}}));
    EXPECT_EQ(host.name(2, 2), "QL-R17");
    // The records hold what the views show.
    EXPECT_TRUE(st.slot[2].Dev2S);
    EXPECT_EQ(st.slot[2].Tabs, (std::vector<TestTab>{{1, "key1"}, {2, "key2"}}));
    EXPECT_EQ(st.ch(2, 0).DevName, "QL-R17");
    EXPECT_EQ(st.ch(2, 1).DevName, "QL-R17");
    EXPECT_EQ(st.slot[2].CurFactor, 1000);
    EXPECT_EQ(st.slot[2].VolFactor, 1000);
    EXPECT_EQ(st.slot[2].PwrFactor, 10);
    EXPECT_EQ(st.ch(2, 1).Temp, 0.f);  // two-channel panels show no temperature
}

TEST_F(Decoder, TenPanelsKeepTheAddDeviceEntryDisabled) {
    host.devCount = 10;
    First(0, Reply{.type = 12});
    EXPECT_FALSE(st.slot[0].Connecting);
    EXPECT_EQ(host.enabled.count("menuAddDev"), 0u);
}

TEST_F(Decoder, TypeZeroReplyKeepsConnecting) {
    st.slot[0].Connecting = true;
    auto bytes = Wire(Reply{.mode = 9, .e1 = 77, .type = 0});
    Append(bytes, Wire(Reply{.type = 1}));  // the rest of the read is dropped
    Feed(0, bytes);
    EXPECT_TRUE(st.slot[0].Connecting);
    EXPECT_EQ(st.slot[0].DevType, 0);
    EXPECT_TRUE(samples.empty());
    EXPECT_TRUE(host.setupModeFields.empty());
    EXPECT_EQ(st.ch(0, 0).ChnMode, 0);  // nothing of a typeless reply is kept
    EXPECT_EQ(st.ch(0, 0).SetRaw, 0);
    Feed(0, Wire(Reply{.type = 1}));
    EXPECT_FALSE(st.slot[0].Connecting);
    EXPECT_EQ(st.slot[0].DevType, 1);
}

// Codes without a model row (the meter type 51 among them) get the
// defaults and keep the maxima they had; 38 has a row with "D-CC" alone.
TEST_F(Decoder, CodesWithoutARowAndType38)
{
    const int codes[] = {kMeterOnlyCode, qltest::PlainCodesWithoutRow().front(), 38};
    for (int slot = 0; slot < 3; ++slot) {
        const int type = codes[slot];
        SCOPED_TRACE(type);
        st.slot[slot].MaxCur = 7;
        st.slot[slot].MaxVol = 8;
        First(slot, Reply{.type = type});
        EXPECT_FALSE(st.slot[slot].Connecting);
        EXPECT_EQ(host.panels[slot].modes, QStringList{type == kMeterOnlyCode ? "Meter" : "D-CC"});
        EXPECT_EQ(host.panels[slot].tabs, (std::vector<std::pair<int, QString>>{{1, "key1"}}));
        EXPECT_EQ(host.axis[slot], type == kMeterOnlyCode ? "[mA]" : "[A]");
        EXPECT_FALSE(st.slot[slot].TempOk);
        EXPECT_FALSE(host.visible["menuRes"]);
        if (type == 38) {
            EXPECT_EQ(host.name(slot, 1), "QL-R38");
            continue;
        }
        EXPECT_TRUE(host.grid[slot].empty());  // no name
        EXPECT_FLOAT_EQ(st.slot[slot].MaxCur, 7);
        EXPECT_FLOAT_EQ(st.slot[slot].MaxVol, 8);
        EXPECT_FLOAT_EQ(st.slot[slot].MinCur, 0.1f);
        EXPECT_EQ(st.slot[slot].CurFactor, 100);
    }
}

TEST_F(Decoder, InfoRepliesReplaceMaximaAndApplyVersionRules) {
    // 25 V at VolFactor 100, 4 A at CurFactor 1000.
    const Reply info = Info(5, 302, 2500, 4000);
    First(0, Reply{.type = 5});  // first reply is a data reply: list with "DC5V", no name yet
    EXPECT_EQ(host.panels[0].modes.size(), 9);
    EXPECT_EQ(host.panels[0].modes.last(), "DC5V");
    EXPECT_TRUE(host.grid[0].empty());
    EXPECT_FLOAT_EQ(st.slot[0].MinCur, 0.06f);

    Feed(0, Wire(info));
    const SlotState& s = st.slot[0];
    EXPECT_EQ(s.FwVersion, 302);
    EXPECT_FLOAT_EQ(s.MaxVol, 25.f);
    EXPECT_FLOAT_EQ(s.MaxCur, 4.f);
    EXPECT_EQ(host.name(0, 1), "QL-K05B");
    EXPECT_EQ(host.panels[0].modes,
              (QStringList{"D-CC", "D-CP", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV", "Meter"}));
    EXPECT_EQ(host.panels[0].tMode, "D-CC");  // entry at the channel's mode index
    EXPECT_FLOAT_EQ(s.MinCur, 0.01f);
    EXPECT_EQ(s.LastDisMode, 1);
    EXPECT_EQ(s.CvMode, 7);
    EXPECT_TRUE(s.CvCutCur);
    EXPECT_EQ(s.VerFrames, 1);
    Feed(0, Wire(info));
    EXPECT_EQ(host.panels[0].modeClrCount, 2);  // not rebuilt again
    EXPECT_EQ(s.VerFrames, 2);
}

TEST_F(Decoder, ModeOnlyTheVersionRulesOfferIsShownOnceAnInfoReplyBringsIt) {
    // A QL-R25B in its "Meter" mode (index 1): the plain type-25 list has
    // "D-CC" alone, the version-310 list adds "Meter".
    const Reply data{.mode = 1, .volt = 5000, .type = 25};
    First(0, data);  // version unknown yet: identified, the mode has no entry
    EXPECT_FALSE(st.slot[0].Connecting);
    EXPECT_EQ(samples.size(), 1u);
    EXPECT_EQ(st.ch(0, 0).ChnMode, 1);
    EXPECT_EQ(errors.size(), 1);
    Reply info = Info(25, 310, 3000, 500);
    info.mode = 1;
    Feed(0, Wire(info));
    EXPECT_EQ(host.name(0, 1), "QL-R25B");
    EXPECT_EQ(st.slot[0].ModeList, (QStringList{"D-CC", "Meter"}));
    EXPECT_FLOAT_EQ(st.slot[0].MinCur, 0.01f);
    EXPECT_EQ(host.panels[0].tMode, "Meter");
    samples.clear();
    errors.clear();
    Feed(0, Wire(data));
    EXPECT_EQ(samples.size(), 1u);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(Decoder, Type26FirstInfoReplyPicksTheBVariantAndCountsTwice) {
    Reply r = Info(26, 320, 2000, 3500);  // 20 V, 3.5 A
    r.cur = 12345;
    First(0, r);
    const SlotState& s = st.slot[0];
    EXPECT_EQ(host.name(0, 1), "QL-R26B");
    EXPECT_FLOAT_EQ(s.MinCur, 0.01f);
    EXPECT_FLOAT_EQ(s.MaxVol, 20.f);  // the device's own, over the row's 21
    EXPECT_FLOAT_EQ(s.MaxCur, 3.5f);
    EXPECT_EQ(s.VerFrames, 2);
    EXPECT_FLOAT_EQ(st.ch(0, 0).Cur, 1.234f);
    EXPECT_FLOAT_EQ(st.ch(0, 0).CurTenth, 1.2345f);  // to a tenth of a milliampere
    EXPECT_TRUE(host.visible["menuUsb"]);
    EXPECT_FALSE(host.visible["menuRes"]);
    EXPECT_EQ(host.panels[0].modes, (QStringList{"D-CC", "Meter"}));
}

TEST_F(Decoder, Type26DataFirstStaysTheOldVariant) {
    // D+ 5.000 V and D- 2.600 V in the capacity and temperature fields.
    const Reply r{.cur = 12345, .cap = 5000, .temp = 2600, .type = 26};
    First(0, r);
    EXPECT_EQ(host.name(0, 1), "QL-R26");
    EXPECT_FLOAT_EQ(st.slot[0].MinCur, 0.03f);
    EXPECT_FLOAT_EQ(st.ch(0, 0).Cur, 12.345f);
    EXPECT_FLOAT_EQ(st.ch(0, 0).AuxVolt1, 5.0f);
    EXPECT_FLOAT_EQ(st.ch(0, 0).AuxVolt2, 2.6f);
    EXPECT_EQ(st.ch(0, 0).Temp, 0);
    EXPECT_EQ(st.ch(0, 0).Cap, 0);  // type 26 takes no capacity from the device
    Reply info = Info(26, 320, 2000, 4000);
    info.cur = r.cur;
    Feed(0, Wire(info));
    EXPECT_EQ(host.name(0, 1), "QL-R26");  // a later version does not switch the variant
    EXPECT_FLOAT_EQ(st.slot[0].MinCur, 0.03f);
    EXPECT_FLOAT_EQ(st.ch(0, 0).Cur, 1.234f);  // the current follows the version
}

TEST_F(Decoder, FirstReplyJudgesType26ByTheFrameNotAnEarlierConnection) {
    st.slot[0].DevType = 26;  // left from an earlier connection
    First(0, Reply{.cap = 2500, .type = 1});
    EXPECT_FLOAT_EQ(st.ch(0, 0).Cap, 2.5f);
    st.slot[1].DevType = 1;
    First(1, Reply{.cap = 2500, .type = 26});
    EXPECT_EQ(st.ch(1, 0).Cap, 0);
}

TEST_F(Decoder, RangesOfVoltageAndCapacity) {
    EXPECT_FLOAT_EQ(DecodeVoltage(32767), 32.767f);
    EXPECT_FLOAT_EQ(DecodeVoltage(32768), 0.f);
    EXPECT_FLOAT_EQ(DecodeVoltage(32868), 1.00f);
    EXPECT_FLOAT_EQ(DecodeCapacity(32767), 32.767f);
    EXPECT_FLOAT_EQ(DecodeCapacity(32768), 0.f);
    EXPECT_FLOAT_EQ(DecodeCapacity(53247), 204.79f);
    EXPECT_FLOAT_EQ(DecodeCapacity(53248), 0.f);
    EXPECT_FLOAT_EQ(DecodeCapacity(57599), 435.1f);
    EXPECT_FLOAT_EQ(DecodeCurrent(150, 100, 1, 0), 1.5f);
    EXPECT_FLOAT_EQ(DecodeCurrent(1500, 1000, 17, 0), 1.5f);
    EXPECT_FLOAT_EQ(DecodeCurrent(12345, 1000, 26, 319), 12.345f);
    EXPECT_FLOAT_EQ(DecodeCurrent(12345, 1000, 26, 320), 1.234f);

    Identified(0, 11);
    Feed(0, Wire(Reply{.volt = 32868}));
    EXPECT_FLOAT_EQ(st.ch(0, 0).Volt, 1.0f);
}

TEST_F(Decoder, ContinueOffsetIsJudgedOnTheFirstCapacity) {
    struct Case { int raw; float shown; float later; };
    // Restored 10.0 Ah; the device reports raw mAh; later it reports 1.0 Ah
    // more. A device that started again from zero gets the record added; one
    // that reports 90 % of it or more kept counting (also far beyond it,
    // after an outage) and is shown as it is.
    for (const Case& c : {Case{500, 10.5f, 11.5f}, Case{8900, 18.9f, 19.9f}, Case{9000, 9.f, 10.f},
                          Case{10200, 10.2f, 11.2f}, Case{11000, 11.f, 12.f}, Case{30000, 30.f, 31.f}}) {
        SCOPED_TRACE(c.raw);
        samples.clear();
        Identified(0, 11);
        ChanState& ch = st.ch(0, 0);
        ch.Running = true;
        ch.ContPend = true;
        ch.CapOffset = 10.f;
        Reply r{.run = 1, .cap = c.raw};
        Feed(0, Wire(r));
        EXPECT_FALSE(ch.ContPend);
        EXPECT_NEAR(ch.Cap, c.shown, 1e-4);
        r.cap = c.raw + 1000;
        Feed(0, Wire(r));
        EXPECT_NEAR(ch.Cap, c.later, 1e-4);
        ch.Running = false;
        ch.CapOffset = 0;
    }
}

TEST_F(Decoder, CapacityOnlyWhileRunningBeforeTheFrame) {
    Identified(0, 11);
    const Reply r{.run = 1, .cap = 700};
    st.ResVolt = 1;  // keep the resistance capture out of the way
    Feed(0, Wire(r));
    EXPECT_EQ(st.ch(0, 0).Cap, 0);
    st.ch(0, 0).Running = true;
    Feed(0, Wire(r));
    EXPECT_FLOAT_EQ(st.ch(0, 0).Cap, 0.7f);
}

TEST_F(Decoder, ResistanceReadingIsCapturedOnlyWhenIdleNewAndFree) {
    Identified(0, 11);
    Identified(1, 26);
    ChanState& ch = st.ch(0, 0);
    Reply r{.cap = 1234};
    Feed(0, Wire(r));
    EXPECT_EQ(st.ResVolt, 0);  // no test waits for a reading
    st.ResSlot = 0;
    st.ResChn = 0;
    Feed(1, Wire(Reply{.cap = 600, .type = 26}));  // a USB tester's D+ voltage in the same field
    EXPECT_EQ(st.ResVolt, 0);  // another slot
    Feed(0, Wire(Reply{.cap = 1234, .chan = 1}));
    EXPECT_EQ(st.ResVolt, 0);  // another channel
    Feed(0, Wire(r));
    EXPECT_FLOAT_EQ(st.ResVolt, 1.234f);
    r.cap = 999;
    Feed(0, Wire(r));
    EXPECT_FLOAT_EQ(st.ResVolt, 1.234f);  // not while it is still non-zero
    st.ResVolt = 0;
    ch.Running = true;
    Feed(0, Wire(r));
    EXPECT_EQ(st.ResVolt, 0);  // not while running
    ch.Running = false;
    ch.Cap = 0.999f;
    Feed(0, Wire(r));
    EXPECT_EQ(st.ResVolt, 0);  // not equal to the stored capacity
    r.cap = 0;
    Feed(0, Wire(r));
    EXPECT_EQ(st.ResVolt, 0);  // not 0
}

TEST_F(Decoder, CalibrationEntryIsLeftAloneWhileItsWindowIsOpen) {
    Identified(0, 11);
    host.enabled.clear();
    st.AdjOpen = true;
    st.slot[0].AdjMenuOn = false;  // opening the window turns the slot's entry off
    Feed(0, Wire(Reply{}));
    EXPECT_EQ(host.enabled.count("menuAdj"), 0u);
    st.AdjOpen = false;
    Feed(0, Wire(Reply{}));
    EXPECT_TRUE(host.enabled["menuAdj"]);
}

// A channel digit above 1 ends the read. A device that sends such replies
// sends them on every poll: the log gets one line per connect, not one per
// frame.
TEST_F(Decoder, BadChannelEndsTheReadAndIsLoggedOncePerConnect) {
    Identified(0, 11);
    const Reply good{.cur = 100}, badChan{.chan = 2};
    auto bytes = Wire(badChan);
    Append(bytes, Wire(good));
    Feed(0, bytes);
    EXPECT_TRUE(samples.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("ErrComm:"));
    Feed(0, Wire(good));  // the next read goes on normally
    EXPECT_EQ(samples.size(), 1u);

    for (int poll = 0; poll < 200; ++poll)
        Feed(0, Wire(badChan));
    EXPECT_EQ(errors.size(), 1);
    // Another slot logs its own; the next connect of the first logs again.
    Identified(1, 11);
    Feed(1, Wire(badChan));
    EXPECT_EQ(errors.size(), 2);
    dec.ResetFraming(0);
    Feed(0, Wire(badChan));
    Feed(0, Wire(badChan));
    EXPECT_EQ(errors.size(), 3);
    Feed(0, Wire(good));
    ASSERT_EQ(samples.size(), 1u);  // since the second slot was identified
    EXPECT_EQ(samples[0].slot, 0);
}

// Modes beyond a model's list exist (runs started on the device's own keys,
// start rules that know more modes than the list): such replies are samples
// like any other, from the first reply on, and cost one log line per connect.
TEST_F(Decoder, ModeOutsideTheListIsDecodedAndLoggedOncePerConnect) {
    Reply r{.run = 1, .mode = 1, .cur = 1000, .volt = 3700, .e1 = 1000, .e2 = 300, .type = 24};  // "D-CC" alone
    First(0, r);
    EXPECT_FALSE(st.slot[0].Connecting);  // identified by it
    EXPECT_EQ(st.slot[0].DevType, 24);
    EXPECT_EQ(st.ch(0, 0).ChnMode, 1);
    EXPECT_EQ(st.ch(0, 0).SetRaw, 1000);
    for (int i = 0; i < 20; ++i) {
        r.cap = 10 * i;
        r.run = i < 19 ? 1 : 0;  // the last one ends the run
        Feed(0, Wire(r));
    }
    ASSERT_EQ(samples.size(), 21u);
    EXPECT_EQ(samples.back().run, 0);
    EXPECT_FLOAT_EQ(samples.back().volt, 3.7f);
    EXPECT_FLOAT_EQ(samples.back().cur, 1.0f);
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("ErrComm:"));
    EXPECT_TRUE(errors[0].contains("mode 1")) << errors[0].toStdString();

    // The next connect logs it once more.
    dec.ResetFraming(0);
    Feed(0, Wire(r));
    Feed(0, Wire(r));
    EXPECT_EQ(errors.size(), 2);

    // An info reply whose version rules rebuild the list with the mode
    // outside it shows no entry.
    Identified(1, 25, 310);
    host.panels[1].tMode = "D-CC";
    st.ch(1, 0).ChnMode = 4;
    st.slot[1].ModeList = QStringList{"D-CC"};  // as after the plain set-up
    Feed(1, Wire(Info(25, 310, 3000, 500)));
    EXPECT_EQ(st.slot[1].ModeList, (QStringList{"D-CC", "Meter"}));
    EXPECT_TRUE(host.panels[1].tMode.isEmpty());
}

TEST_F(Decoder, BadCheckDropsTheRestOfTheReadSilently) {
    Identified(0, 11);
    auto bad = Wire(Reply{});
    bad[17] ^= 0x01;  // check byte
    auto bytes = bad;
    Append(bytes, Wire(Reply{}));
    Feed(0, bytes);
    EXPECT_TRUE(samples.empty());
    EXPECT_TRUE(errors.isEmpty());
    Feed(0, Wire(Reply{}));
    EXPECT_EQ(samples.size(), 1u);
    // Both residues of the check pass: a body XOR of 240.
    Reply r;
    for (r.cur = 0; r.cur < 2000; ++r.cur) {
        auto b = Body(r);
        uint8_t x = 0;
        for (int i = 0; i < 16; ++i) x ^= b[static_cast<size_t>(i)];
        if (x >= 240) break;
    }
    samples.clear();
    Feed(0, Wire(r));
    EXPECT_EQ(samples.size(), 1u);
}

TEST_F(Decoder, ShortLongAndLoneEndBytesDecodeNothing) {
    Identified(0, 11);
    const auto full = Wire(Reply{.cur = 300});
    // A frame, then a lone end byte: decoded once.
    auto bytes = full;
    bytes.push_back(0xF8);
    Feed(0, bytes);
    EXPECT_EQ(samples.size(), 1u);
    // Short frames reusing the tail of the previous body.
    for (size_t keep = 0; keep < 17; ++keep) {
        std::vector<uint8_t> shortFrame(full.begin(), full.begin() + 1 + static_cast<long>(keep));
        shortFrame.push_back(0xF8);
        Feed(0, shortFrame);
    }
    // An over-long frame: 18 body bytes.
    std::vector<uint8_t> longFrame(full.begin(), full.end() - 1);
    longFrame.push_back(0x00);
    longFrame.push_back(0xF8);
    Feed(0, longFrame);
    EXPECT_EQ(samples.size(), 1u);
    EXPECT_TRUE(errors.isEmpty());

    // An end byte before any start byte on a fresh slot, while connecting.
    st.slot[5].Connecting = true;
    const uint8_t end = 0xF8;
    EXPECT_FALSE(dec.RecvBytes(5, &end, 1).startByte);
    EXPECT_TRUE(st.slot[5].Connecting);
    EXPECT_EQ(st.slot[5].DevType, 0);
}

// Every valid frame carries its index in its values; garbage, short, long
// and corrupt frames lie between them. However the stream is cut into
// reads, the samples are valid frames, in order, none twice.
TEST_F(Decoder, NoisyStreamsNeverMakeAWrongSample) {
    Identified(0, 11);
    std::mt19937 rng(20240607);
    auto rnd = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<uint8_t> stream;
    std::vector<Reply> valid;
    for (int i = 0; i < 400; ++i) {
        Reply r;
        r.cur = i + 1;
        r.volt = 2 * i + 5;
        r.temp = 3 * i + 7;
        r.run = rnd(3);
        switch (rnd(6)) {
        case 0: {  // noise without start bytes (end bytes included)
            const int n = rnd(30);
            for (int k = 0; k < n; ++k) {
                uint8_t b = static_cast<uint8_t>(rnd(256));
                if (b == 0xFA) b = 0xF8;
                stream.push_back(b);
            }
            break;
        }
        case 1: {  // a frame cut short, ended or not
            auto w = Wire(r);
            w.resize(1 + static_cast<size_t>(rnd(17)));
            if (rnd(2)) w.push_back(0xF8);
            Append(stream, w);
            break;
        }
        case 2: {  // a body bit flipped (never into a marker)
            auto w = Wire(r);
            const size_t at = 1 + static_cast<size_t>(rnd(17));
            w[at] ^= static_cast<uint8_t>(1u << rnd(4));
            Append(stream, w);
            break;
        }
        case 3: {  // an extra body byte
            auto w = Wire(r);
            w.insert(w.begin() + 5, static_cast<uint8_t>(rnd(200)));
            Append(stream, w);
            break;
        }
        default:
            Append(stream, Wire(r));
            valid.push_back(r);
        }
    }
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{64}}) {
        SCOPED_TRACE(chunk);
        samples.clear();
        dec.ResetFraming(0);
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const size_t n = std::min(chunk, stream.size() - at);
            dec.RecvBytes(0, stream.data() + at, n);
        }
        size_t next = 0;
        for (const Sample& s : samples) {
            while (next < valid.size() && static_cast<float>(valid[next].cur * 0.01) != s.cur)
                ++next;
            ASSERT_LT(next, valid.size()) << "sample matches no later valid frame: cur " << s.cur;
            EXPECT_FLOAT_EQ(s.volt, valid[next].volt * 0.001f);
            EXPECT_FLOAT_EQ(s.temp, static_cast<float>(valid[next].temp * 0.1));
            EXPECT_EQ(s.run, valid[next].run);
            ++next;
        }
        // Reads of one byte lose nothing; longer reads lose only what follows
        // a bad frame in the same read.
        if (chunk == 1)
            EXPECT_EQ(samples.size(), valid.size());
        else
            EXPECT_GT(samples.size(), valid.size() / 2);
        EXPECT_TRUE(errors.isEmpty());
    }
}

TEST_F(Decoder, SplitFrameIsDecodedOnceOnThePollWithTheEndByte) {
    Identified(0, 11);
    auto w = Wire(Reply{});
    Feed(0, std::vector<uint8_t>(w.begin(), w.begin() + 7));
    EXPECT_TRUE(samples.empty());
    Feed(0, std::vector<uint8_t>(w.begin() + 7, w.end()));
    EXPECT_EQ(samples.size(), 1u);
}

// A running channel's reply hands run tracking the set values it echoes:
// they are stored before the hook sees the frame, never the other way.
TEST_F(Decoder, RunningRepliesStoreTheirEchoesBeforeTrackingSeesThem) {
    Identified(0, 11);
    ChanState& ch = st.ch(0, 0);
    std::vector<int> seenSetRaw;
    std::vector<bool> seenData;
    dec.onSample = [&](int slot, int chn, int run, bool data) {
        seenSetRaw.push_back(st.ch(slot, chn).SetRaw);
        seenData.push_back(data);
        st.ch(slot, chn).Running = IsRunning(run);
    };
    Reply idle{.run = 0, .mode = 2, .e1 = 77};
    Feed(0, Wire(idle));  // not running: nothing echoed
    EXPECT_NE(ch.SetRaw, 77);
    EXPECT_TRUE(host.setupModeFields.empty());
    Reply r{.run = 1, .mode = 3, .e1 = 11, .e2 = 22, .e3 = 33};
    Feed(0, Wire(r));
    EXPECT_EQ(ch.ChnMode, 3);
    EXPECT_EQ(ch.SetRaw, 11);
    EXPECT_EQ(seenSetRaw.back(), 11);
    EXPECT_EQ(host.setupModeFields.size(), 1u);
    // Running: echoes are not taken again until a set is pending.
    r.e1 = 44;
    Feed(0, Wire(r));
    EXPECT_EQ(ch.SetRaw, 11);
    ch.SetPend = 1;
    Feed(0, Wire(r));
    EXPECT_EQ(ch.SetRaw, 44);
    EXPECT_EQ(ch.SetPend, 2);
    Reply info = r;
    info.kind = 1;
    info.e1 = 310;
    Feed(0, Wire(info));  // info frames neither copy nor count
    EXPECT_EQ(ch.SetPend, 2);
    EXPECT_FALSE(seenData.back());
    EXPECT_TRUE(seenData.front());
    r.e1 = 55;
    Feed(0, Wire(r));
    EXPECT_EQ(ch.SetRaw, 55);
    EXPECT_EQ(ch.SetPend, 0);
    r.e1 = 66;
    Feed(0, Wire(r));
    EXPECT_EQ(ch.SetRaw, 55);
}

// A run found going on an info reply (no echoes) takes its set values from
// the data replies that follow, as after a set command.
TEST_F(Decoder, RunFoundOnAnInfoReplyTakesTheEchoesOfTheNextDataReply) {
    Identified(0, 11);
    ChanState& ch = st.ch(0, 0);
    dec.onSample = [&](int slot, int chn, int run, bool) { st.ch(slot, chn).Running = IsRunning(run); };
    Reply info{.kind = 1, .run = 2, .mode = 1, .e1 = 310};
    Feed(0, Wire(info));
    EXPECT_EQ(ch.ChnMode, 1);
    EXPECT_EQ(ch.SetPend, 1);
    EXPECT_NE(ch.SetRaw, 310);
    Reply data{.run = 2, .mode = 1, .e1 = 150};
    Feed(0, Wire(data));
    EXPECT_EQ(ch.SetRaw, 150);
    EXPECT_EQ(ch.SetPend, 2);
}

} // namespace
} // namespace ql
