// Command frames: encoding, check bytes, the start frame's per-model rows,
// the senders on a simulated line, and their error paths.
#include "link/comm.h"
#include "link/encode.h"
#include "link/frames.h"
#include "link/state.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

using namespace ql;
using ql::sim::LogCapture;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray bytes(const std::optional<CmdFrame>& f)
{
    return f ? FrameBytes(*f) : QByteArray("<none>");
}

} // namespace

TEST(Frames, Base240Bounds)
{
    uint8_t hi = 1, lo = 1;
    EXPECT_TRUE(Base240(0, hi, lo));
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(lo, 0);
    EXPECT_TRUE(Base240(300, hi, lo));
    EXPECT_EQ(hi, 0x01);
    EXPECT_EQ(lo, 0x3C);
    EXPECT_TRUE(Base240(57599, hi, lo));
    EXPECT_EQ(hi, 0xEF);
    EXPECT_EQ(lo, 0xEF);
    // 57600 would put 0xF0 (a marker) into the frame; refused, bytes untouched.
    EXPECT_FALSE(Base240(57600, hi, lo));
    EXPECT_FALSE(Base240(61440, hi, lo));
    EXPECT_FALSE(Base240(-1, hi, lo));
    EXPECT_EQ(hi, 0xEF);
    EXPECT_EQ(lo, 0xEF);
}

TEST(Frames, ChkXorOfWorkedFrames)
{
    EXPECT_EQ(FrameBytes(*MakeFrame(OpConnect, 0, 0, 0)), hex("FA 05 00 00 00 00 00 00 05 F8"));
    // An XOR of 248 is taken mod 240.
    CmdFrame f{0xFA, 0xF8, 0, 0x64, 0, 0x64, 0, 0, 0, 0xF8};
    EXPECT_EQ(ChkXor(f), 0x08);
}

TEST(Frames, ChkRecAcceptsXorOf0And240Only)
{
    std::vector<uint8_t> body(17, 0);
    EXPECT_TRUE(ChkRec(body));
    body[3] = 0xF0;
    EXPECT_TRUE(ChkRec(body));  // 240 mod 240
    body[3] = 0x0F;
    EXPECT_FALSE(ChkRec(body));
    // A real reply: the check byte makes the XOR of the 16 before it vanish.
    const QByteArray reply = hex("FA 0A 00 64 0F 64 02 14 01 0A 00 64 01 3C 00 00 0B 4A F8");
    const auto* p = reinterpret_cast<const uint8_t*>(reply.constData()) + 1;
    EXPECT_TRUE(ChkRec({p, 17}));
    std::vector<uint8_t> bad(p, p + 17);
    bad[16] ^= 1;
    EXPECT_FALSE(ChkRec(bad));
}

// ---- The encoder ----------------------------------------------------------

namespace {

// A type-11 load (factors 100) with channel chn in mode m.
std::unique_ptr<SlotState> Load(int m = 0, int chn = 0)
{
    auto s = std::make_unique<SlotState>();
    s->DevType = 11;
    s->CurFactor = s->VolFactor = 100;
    s->PwrFactor = 1;
    s->CvMode = 4;
    s->chn[size_t(chn)].ChnMode = int16_t(m);
    return s;
}

} // namespace

TEST(Encoder, BuildsFromValuesAndWritesNothing)
{
    const auto sOwned = Load();
    SlotState& s = *sOwned;
    s.chn[0].SetRaw = s.chn[0].LmtRaw = s.chn[0].TimRaw = -7;
    const Encoded e = EncodeStart(s, 0, 1, SetValues{1.5, 3.0, 0.0});
    EXPECT_EQ(bytes(e.frame), hex("FA 01 00 96 01 3C 00 00 AA F8"));
    EXPECT_EQ(e.SetRaw, 150);
    EXPECT_EQ(e.LmtRaw, 300);
    EXPECT_EQ(e.TimRaw, 0);
    EXPECT_EQ(s.chn[0].SetRaw, -7);
    EXPECT_EQ(s.chn[0].LmtRaw, -7);
    EXPECT_EQ(s.chn[0].TimRaw, -7);
    // Halves go to the even neighbour.
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{0.125, 0.375, 2.5}).SetRaw, 12);
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{0.125, 0.375, 2.5}).LmtRaw, 38);
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{0.125, 0.375, 2.5}).TimRaw, 2);
}

TEST(Encoder, RefusesWhatNoFrameCanCarryAndSaysWhere)
{
    const auto sOwned = Load();
    SlotState& s = *sOwned;
    struct Case {
        SetValues v;
        EncodeFail where;
        bool notNumber;
        std::optional<int32_t> set, lmt;
    };
    const Case cases[] = {
        {{std::nullopt, 3.0, 0.0}, EncodeFail::SetValue, true, std::nullopt, std::nullopt},
        {{1.0, std::nullopt, 0.0}, EncodeFail::Limit, true, 100, std::nullopt},
        {{576.0, 3.0, 0.0}, EncodeFail::SetValue, false, 57600, std::nullopt},
        {{1.0, -1.0, 0.0}, EncodeFail::Limit, false, 100, -100},
        {{1.0, 3.0, 60000.0}, EncodeFail::Third, false, 100, 300},
        {{1.0, 3.0, -1.0}, EncodeFail::Third, false, 100, 300},
    };
    for (const Case& c : cases) {
        const Encoded e = EncodeStart(s, 0, 1, c.v);
        EXPECT_FALSE(e.frame);
        EXPECT_EQ(e.failed, c.where);
        EXPECT_EQ(e.notNumber, c.notNumber);
        EXPECT_EQ(e.SetRaw, c.set);
        EXPECT_EQ(e.LmtRaw, c.lmt);
        EXPECT_FALSE(e.error.isEmpty());
    }
}

TEST(Encoder, CommandByteFitsItsByteWithAModeOfZeroOrMore)
{
    // Channel 2 in mode 5 is F8: the highest that fits; mode 6 does not.
    EXPECT_EQ(bytes(EncodeStart(*Load(5, 1), 1, 8, SetValues{1.0, 1.0, 0.0}).frame),
              hex("FA F8 00 64 00 64 00 00 08 F8"));
    EXPECT_EQ(EncodeStart(*Load(6, 1), 1, 1, SetValues{1.0, 1.0, 0.0}).failed, EncodeFail::Command);
    // A negative mode never becomes another channel's command.
    for (int chn : {0, 1}) {
        const Encoded e = EncodeStart(*Load(-1, chn), chn, 1, SetValues{1.0, 1.0, 0.0});
        EXPECT_EQ(e.failed, EncodeFail::Command) << chn;
        EXPECT_FALSE(e.SetRaw);
    }
    EXPECT_EQ(EncodeStart(*Load(), 2, 1, SetValues{1.0, 1.0, 0.0}).failed, EncodeFail::Command);
}

TEST(Encoder, CellCountsAreWholeAndNeverNegative)
{
    const auto sOwned = Load(2);
    SlotState& s = *sOwned;
    s.DevType = 3;  // a charger: modes 1..5 send cells
    EXPECT_EQ(bytes(EncodeStart(s, 0, 1, SetValues{1.0, 3.0, 30.0}).frame), hex("FA 21 00 64 00 03 00 1E 58 F8"));
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{1.0, 239.0, 0.0}).frame.value()[5], 239);
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{1.0, 240.0, 0.0}).failed, EncodeFail::Limit);
    // -0.4 cells would truncate to 0: refused, as any negative count.
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{1.0, -0.4, 0.0}).failed, EncodeFail::Limit);
}

TEST(Encoder, ZerosStillNeedNumbersAndPowerUsesItsFactor)
{
    const auto sOwned = Load(3);
    SlotState& s = *sOwned;  // type 11 mode 3: set value and limit go out as zeros
    EXPECT_EQ(bytes(EncodeStart(s, 0, 1, SetValues{1.0, 3.0, 0.0}).frame), hex("FA 31 00 00 00 00 00 00 31 F8"));
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{1e12, 3.0, 0.0}).failed, EncodeFail::SetValue);
    EXPECT_EQ(EncodeStart(s, 0, 1, SetValues{1.0, 1e12, 0.0}).failed, EncodeFail::Limit);
    // Type 5 in mode 1 sends a power: 60 W is 600 at factor 10, whatever
    // the current range.
    const auto pOwned = Load(1);
    SlotState& p = *pOwned;
    p.DevType = 5;
    p.CurFactor = 1000;
    p.PwrFactor = 10;
    EXPECT_EQ(bytes(EncodeStart(p, 0, 1, SetValues{60.0, 3.0, 10.0}).frame), hex("FA 11 02 78 01 3C 00 0A 5C F8"));
}

// ---- Senders on a simulated line --------------------------------------

class Senders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dev.plug(ports.path(), 4));
        st.slot[1].hComm = OpenPort(4);
        ASSERT_TRUE(st.slot[1].hComm);
    }
    // The frames the device got, after a connect frame sent as a barrier:
    // everything before it was sent earlier.
    QList<QByteArray> framesUpToBarrier()
    {
        SendConnect(st, 1);
        while (dev.waitForFrames(int(dev.received().size()) + 1, 2000)) {
            const QList<QByteArray>& got = dev.received();
            if (got.last() == hex("FA 05 00 00 00 00 00 00 05 F8"))
                return got.mid(0, got.size() - 1);
        }
        ADD_FAILURE() << "barrier frame never arrived";
        return {};
    }

    LogCapture log;
    ql::sim::PortsDir ports;
    ql::sim::DeviceSim dev{11, 300};
    LinkState st;
};

TEST_F(Senders, WriteTheirFramesByteForByte)
{
    st.ch(1, 1).RunSecs = 125;
    st.slot[1].DevType = 11;
    EXPECT_TRUE(SendDisconnect(st, 1));
    EXPECT_TRUE(SendStop(st, 1, 1));
    EXPECT_TRUE(SendTime(st, 1, 1));
    EXPECT_TRUE(SendStartFrame(st, 1, 0, EncodeStart(st.slot[1], 0, 1, SetValues{1.5, 3.0, 0.0})));
    EXPECT_EQ(st.ch(1, 0).SetRaw, 150);  // the raw values it carries are kept
    EXPECT_EQ(st.ch(1, 0).LmtRaw, 300);
    st.slot[1].DevType = 26;  // trigger codes go to a USB tester
    st.slot[1].ChnSel = 1;
    EXPECT_TRUE(RemoteQC(st, 1, 5));
    st.slot[1].ChnSel = 0;  // both channels chosen reads as channel index 0
    EXPECT_TRUE(RemoteQC(st, 1, 0));
    EXPECT_TRUE(RemotePE(st, 1, 1));
    EXPECT_TRUE(RemotePE(st, 1, 0));

    const QList<QByteArray> want = {
        hex("FA 06 00 00 00 00 00 00 06 F8"), hex("FA A2 00 00 00 00 00 00 A2 F8"),
        hex("FA AA 00 02 00 00 00 00 A8 F8"), hex("FA 01 00 96 01 3C 00 00 AA F8"),
        hex("FA A7 00 00 00 00 00 0F A8 F8"), hex("FA 07 00 00 00 00 00 0A 0D F8"),
        hex("FA 07 00 00 00 00 00 15 12 F8"), hex("FA 07 00 00 00 00 00 14 13 F8"),
    };
    EXPECT_EQ(framesUpToBarrier(), want);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(Senders, RemoteSetComputesIn32BitsWithinTheFrameRange)
{
    st.slot[1].CurFactor = 1000;
    st.ch(1, 0).LmtRaw = 300;
    // 32.768 A is 32768 mA: above a 16-bit integer, inside the frame range.
    // The field's record holds the milliamperes sent.
    EXPECT_TRUE(RemoteSet(st, 1, 32.768f));
    EXPECT_EQ(st.ch(1, 0).SvalText, QLocale().toString(32.768, 'f', 3));
    // 57.6 A would be 57600: refused, nothing sent, the field unchanged;
    // so is what is no current at all.
    EXPECT_FALSE(RemoteSet(st, 1, 57.6f));
    EXPECT_FALSE(RemoteSet(st, 1, -1.0f));
    EXPECT_FALSE(RemoteSet(st, 1, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(st.ch(1, 0).SvalText, QLocale().toString(32.768, 'f', 3));
    EXPECT_EQ(log.count("ErrSet"), 3);
    EXPECT_FALSE(EncodeRemoteSet(st.slot[1], 2, 1.0f).frame);  // no third channel

    // 32768 = 136 * 240 + 128.
    EXPECT_EQ(framesUpToBarrier(), QList<QByteArray>{hex("FA 07 88 80 01 3C 00 00 32 F8")});
}

TEST_F(Senders, ErrorPathsLogTheirLabelAndSendNothing)
{
    st.slot[1].DevType = 11;
    st.slot[1].Dev2S = true;
    // What the encoder refused is never sent.
    EXPECT_FALSE(SendStartFrame(st, 1, 1, EncodeStart(st.slot[1], 1, 7, SetValues{std::nullopt, 3.0, 0.0})));
    EXPECT_FALSE(SendStartFrame(st, 1, 0, EncodeStart(st.slot[1], 0, 8, SetValues{1.0, 3.0, 99999.0})));
    EXPECT_FALSE(SendStartFrame(st, 11, 0, EncodeStart(st.slot[1], 0, 1, SetValues{1.0, 3.0, 0.0})));
    EXPECT_FALSE(SendStop(st, 1, 2));
    EXPECT_FALSE(SendConnect(st, 11));
    EXPECT_FALSE(SendDisconnect(st, -1));
    st.ch(1, 0).RunSecs = 60 * 57600;
    EXPECT_FALSE(SendTime(st, 1, 0));
    st.slot[1].ChnSel = 2;
    EXPECT_FALSE(RemoteQC(st, 1, 0));
    st.slot[1].ChnSel = 0;
    EXPECT_FALSE(RemotePE(st, 1, -21));
    EXPECT_FALSE(RemotePE(st, 1, 1));  // to a load a trigger is a set to 0 A and 0 V
    EXPECT_FALSE(RemoteQC(st, 1, 3));

    EXPECT_EQ(log.count("ErrStart"), 3);
    EXPECT_EQ(log.count("ErrStop"), 1);
    EXPECT_EQ(log.count("ErrConn"), 1);
    EXPECT_EQ(log.count("ErrDconn"), 1);
    EXPECT_EQ(log.count("ErrTim"), 1);
    EXPECT_EQ(log.count("ErrQC"), 2);
    EXPECT_EQ(log.count("ErrPE"), 2);
    EXPECT_EQ(log.lines().size(), 11);
    EXPECT_TRUE(framesUpToBarrier().isEmpty());
}

TEST(SendersClosed, BuildButDoNotWriteOnAClosedPort)
{
    LogCapture log;
    LinkState st;
    EXPECT_TRUE(SendConnect(st, 0));
    EXPECT_TRUE(SendStop(st, 0, 0));
    // The set field's record still holds the value sent.
    EXPECT_TRUE(RemoteSet(st, 0, 1.5f));
    EXPECT_EQ(st.ch(0, 0).SvalText, QLocale().toString(1.5, 'f', 2));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(ToolFrames, CalibrationResistanceAndBoot)
{
    EXPECT_EQ(bytes(CalibFrame(1, 3, 1000)), hex("FA A4 03 04 28 00 00 00 8B F8"));
    EXPECT_EQ(bytes(CalibFrame(0, 5, 0)), hex("FA 04 05 00 00 00 00 00 01 F8"));
    EXPECT_FALSE(CalibFrame(0, 0, 57600));
    // 1500 mA asked, 1 A rated: capped at 1000 mA, sent in 10 mA units.
    EXPECT_EQ(bytes(ResTestFrame(0, 1500, 100, 1.0f)), hex("FA 09 00 64 00 00 00 00 6D F8"));
    EXPECT_EQ(bytes(ResTestFrame(1, 250, 1000, 5.0f)), hex("FA A9 01 0A 00 00 00 00 A2 F8"));
    EXPECT_FALSE(ResTestFrame(0, -5, 1000, 5.0f));
}
