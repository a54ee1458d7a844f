// Command frames: encoding, check bytes, the start frame's per-model rows,
// the senders on a simulated line, and their error paths.
#include "link/comm.h"
#include "link/frames.h"
#include "link/state.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <vector>

using namespace ql;
using ql::sim::FakePanel;
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
    EXPECT_EQ(bytes(MakeFrame(OpConnect, 0, 0, 0)), hex("FA 05 00 00 00 00 00 00 05 F8"));
    EXPECT_EQ(bytes(MakeFrame(160 + OpStop, 0, 0, 0)), hex("FA A2 00 00 00 00 00 00 A2 F8"));
    EXPECT_EQ(FrameBytes(BootFrame()), hex("FA 0C 00 00 00 00 00 00 0C F8"));
    EXPECT_EQ(bytes(MakeFrame(OpStart, 150, 300, 0)), hex("FA 01 00 96 01 3C 00 00 AA F8"));
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

TEST(Frames, ParseNumberReadsLocaleAndDot)
{
    EXPECT_EQ(ParseNumber(QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(ParseNumber(QStringLiteral(" 2 ")), 2.0);
    EXPECT_FALSE(ParseNumber(QString()));
    EXPECT_FALSE(ParseNumber(QStringLiteral("abc")));
    EXPECT_FALSE(ParseNumber(QStringLiteral("1.5V")));
    EXPECT_FALSE(ParseNumber(QStringLiteral("inf")));
    EXPECT_FALSE(ParseNumber(QStringLiteral("nan")));
    EXPECT_FALSE(ParseNumber(QStringLiteral("1e400")));

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ParseNumber(QStringLiteral("1,5")), 1.5);
    EXPECT_EQ(ParseNumber(QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(ParseNumber(QStringLiteral("1.500")), 1.5);  // no group separators
    QLocale::setDefault(before);
}

TEST(Frames, RoundEvenHalves)
{
    EXPECT_EQ(RoundEven(12.5), 12);
    EXPECT_EQ(RoundEven(13.5), 14);
    EXPECT_EQ(RoundEven(12.51), 13);
    EXPECT_EQ(RoundEven(-0.5), 0);
    EXPECT_EQ(RoundEven(2.4999), 2);
}

// ---- Start, set and continue frames ------------------------------------

struct StartCase {
    const char* what;
    int type, mode, chn, kind;
    int curF, volF, pwrF, cvMode;
    bool cvCut;
    const char *sval, *slmt, *stim;
    const char* frame;  // expected bytes, or "" for the error path
    int setRaw, lmtRaw, timRaw;
};

class StartFrames : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartFrames, FrameForFrame)
{
    const StartCase& c = GetParam();
    LinkState st;
    FakePanel panel;
    SlotState& s = st.slot[2];
    s.Panel = &panel;
    s.DevType = int16_t(c.type);
    s.CurFactor = c.curF, s.VolFactor = c.volF, s.PwrFactor = c.pwrF;
    s.CvMode = int16_t(c.cvMode), s.CvCutCur = c.cvCut;
    ChanState& ch = s.chn[size_t(c.chn)];
    ch.ChnMode = int16_t(c.mode);
    ch.SetRaw = ch.LmtRaw = ch.TimRaw = -7;
    panel.sval[size_t(c.chn)] = c.sval;
    panel.slmt[size_t(c.chn)] = c.slmt;
    panel.stim[size_t(c.chn)] = c.stim;

    QString error;
    const auto f = StartFrame(st, 2, c.chn, c.kind, &error);
    if (*c.frame) {
        EXPECT_EQ(bytes(f).toHex(' '), hex(c.frame).toHex(' ')) << c.what << ": " << error.toStdString();
    } else {
        EXPECT_FALSE(f) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    EXPECT_EQ(ch.SetRaw, c.setRaw) << c.what;
    EXPECT_EQ(ch.LmtRaw, c.lmtRaw) << c.what;
    EXPECT_EQ(ch.TimRaw, c.timRaw) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartFrames,
    ::testing::Values(
        StartCase{"worked start", 11, 0, 0, 1, 100, 100, 1, 4, false, "1.5", "3", "0",
                  "FA 01 00 96 01 3C 00 00 AA F8", 150, 300, 0},
        StartCase{"charger cells", 3, 2, 0, 1, 100, 100, 1, 6, false, "1", "3", "30",
                  "FA 21 00 64 00 03 00 1E 58 F8", 100, 300, 30},
        StartCase{"charger mode 0 unchanged", 3, 0, 0, 1, 100, 100, 1, 6, false, "1", "3", "30",
                  "FA 01 00 64 01 3C 00 1E 46 F8", 100, 300, 30},
        StartCase{"type 5 power", 5, 1, 0, 1, 1000, 100, 10, 7, true, "12.5", "3.0", "10",
                  "FA 11 00 7D 01 3C 00 0A 5B F8", 125, 300, 10},
        // 60 W is 600 as power: the set value in current units (60000) is
        // never sent, so it must not refuse the start.
        StartCase{"type 5 power beyond the current range", 5, 1, 0, 1, 1000, 100, 10, 7, true, "60", "3.0", "10",
                  "FA 11 02 78 01 3C 00 0A 5C F8", 600, 300, 10},
        StartCase{"type 5 mode 8 zeros, cut-off current", 5, 8, 0, 1, 1000, 100, 10, 7, true, "1", "4.2", "0.1",
                  "FA 81 00 00 00 00 00 64 E5 F8", 1000, 420, 100},
        StartCase{"type 7 CV mode cut-off current", 7, 2, 0, 1, 100, 100, 1, 2, true, "2", "14.4", "0.5",
                  "FA 21 00 C8 06 00 00 32 DD F8", 200, 1440, 50},
        StartCase{"type 7 mode 3 cells", 7, 3, 0, 7, 100, 100, 1, 2, true, "2", "4", "5",
                  "FA 37 00 C8 00 04 00 05 0E F8", 200, 400, 5},
        StartCase{"type 9 power", 9, 1, 0, 1, 100, 100, 1, 2, true, "50", "3", "0",
                  "FA 11 00 32 01 3C 00 00 1E F8", 50, 300, 0},
        StartCase{"type 11 mode 3 zeros", 11, 3, 0, 1, 100, 100, 1, 4, false, "1", "3", "0",
                  "FA 31 00 00 00 00 00 00 31 F8", 100, 300, 0},
        StartCase{"type 28 power in whole units", 28, 1, 0, 1, 100, 100, 1, 1, true, "100", "3", "0",
                  "FA 11 00 64 01 3C 00 00 48 F8", 100, 300, 0},
        StartCase{"type 29 mode 1 unchanged", 29, 1, 0, 1, 100, 100, 1, 1, true, "1", "3", "0.5",
                  "FA 11 00 64 01 3C 00 32 7A F8", 100, 300, 50},
        StartCase{"continue ch1 mode 5 is command F8", 11, 5, 1, 8, 100, 100, 1, 4, false, "1", "1", "0",
                  "FA F8 00 64 00 64 00 00 08 F8", 100, 100, 0},
        StartCase{"halves round to even", 11, 0, 0, 1, 100, 100, 1, 4, false, "0.125", "0.375", "2.5",
                  "FA 01 00 0C 00 26 00 02 29 F8", 12, 38, 2},
        // Error paths: nothing is built; what was computed before stays.
        StartCase{"set value no number", 11, 0, 0, 1, 100, 100, 1, 4, false, "x", "3", "0", "", -7, -7, -7},
        StartCase{"limit empty", 11, 0, 0, 1, 100, 100, 1, 4, false, "1", "", "0", "", 100, -7, -7},
        StartCase{"set value above 57599", 11, 0, 0, 1, 100, 100, 1, 4, false, "576", "3", "0", "", 57600, -7, -7},
        StartCase{"negative limit", 11, 0, 0, 7, 100, 100, 1, 4, false, "1", "-1", "0", "", 100, -100, -7},
        StartCase{"cell count would be a marker", 3, 2, 0, 1, 100, 100, 1, 6, false, "1", "300", "0", "", 100,
                  30000, -7},
        StartCase{"ch1 mode 6 command byte overflow", 11, 6, 1, 1, 100, 100, 1, 4, false, "1", "1", "0", "", -7,
                  -7, -7},
        StartCase{"third value out of range", 11, 0, 0, 1, 100, 100, 1, 4, false, "1", "3", "60000", "", 100, 300,
                  60000}));

// ---- Senders on a simulated line --------------------------------------

class Senders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dev.plug(ports.path(), 4));
        st.slot[1].Panel = &panel;
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
    FakePanel panel;
    LinkState st;
};

TEST_F(Senders, WriteTheirFramesByteForByte)
{
    st.ch(1, 1).RunSecs = 125;
    panel.sval[0] = "1.5";
    panel.slmt[0] = "3";
    panel.stim[0] = "0";
    st.slot[1].DevType = 11;
    EXPECT_TRUE(SendDisconnect(st, 1));
    EXPECT_TRUE(SendStop(st, 1, 1));
    EXPECT_TRUE(SendTime(st, 1, 1));
    EXPECT_TRUE(SendStart(st, 1, 0, 1));
    panel.chnText = "1";
    EXPECT_TRUE(RemoteQC(st, 1, 5));
    panel.chnText = "0";  // both channels chosen reads as channel index 0
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
    // The field shows the milliamperes sent.
    EXPECT_TRUE(RemoteSet(st, 1, 32.768f));
    EXPECT_EQ(panel.sval[0], QLocale().toString(32.768, 'f', 3));
    // 57.6 A would be 57600: refused, nothing sent, the field unchanged.
    EXPECT_FALSE(RemoteSet(st, 1, 57.6f));
    EXPECT_FALSE(RemoteSet(st, 1, -1.0f));
    EXPECT_EQ(panel.sval[0], QLocale().toString(32.768, 'f', 3));
    EXPECT_EQ(log.count("ErrSet"), 2);

    // 32768 = 136 * 240 + 128.
    EXPECT_EQ(framesUpToBarrier(), QList<QByteArray>{hex("FA 07 88 80 01 3C 00 00 32 F8")});
}

TEST_F(Senders, ErrorPathsLogTheirLabelAndSendNothing)
{
    st.slot[1].DevType = 11;
    panel.sval[1] = "abc";
    EXPECT_FALSE(SendStart(st, 1, 1, 7));
    panel.sval[0] = "1";
    panel.slmt[0] = "3";
    panel.stim[0] = "99999";
    EXPECT_FALSE(SendStart(st, 1, 0, 8));
    EXPECT_FALSE(SendStop(st, 1, 2));
    EXPECT_FALSE(SendConnect(st, 11));
    EXPECT_FALSE(SendDisconnect(st, -1));
    st.ch(1, 0).RunSecs = 60 * 57600;
    EXPECT_FALSE(SendTime(st, 1, 0));
    panel.chnText = "2";
    EXPECT_FALSE(RemoteQC(st, 1, 0));
    panel.chnText = "0";
    EXPECT_FALSE(RemotePE(st, 1, -21));

    EXPECT_EQ(log.count("ErrStart7"), 1);
    EXPECT_EQ(log.count("ErrStart8"), 1);
    EXPECT_EQ(log.count("ErrStop"), 1);
    EXPECT_EQ(log.count("ErrConn"), 1);
    EXPECT_EQ(log.count("ErrDconn"), 1);
    EXPECT_EQ(log.count("ErrTim"), 1);
    EXPECT_EQ(log.count("ErrQC"), 1);
    EXPECT_EQ(log.count("ErrPE"), 1);
    EXPECT_EQ(log.lines().size(), 8);
    EXPECT_TRUE(framesUpToBarrier().isEmpty());
}

TEST(SendersClosed, BuildButDoNotWriteOnAClosedPort)
{
    LogCapture log;
    LinkState st;
    FakePanel panel;
    st.slot[0].Panel = &panel;
    EXPECT_TRUE(SendConnect(st, 0));
    EXPECT_TRUE(SendStop(st, 0, 0));
    // The set field still shows the value sent.
    EXPECT_TRUE(RemoteSet(st, 0, 1.5f));
    EXPECT_EQ(panel.sval[0], QLocale().toString(1.5, 'f', 2));
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
