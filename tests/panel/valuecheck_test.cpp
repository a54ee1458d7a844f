// Focus checks of the panel's value fields and the check before a start.
#include "link/encode.h"
#include "link/frames.h"
#include "link/modefields.h"
#include "link/modeltable.h"
#include "link/state.h"
#include "link/valuecheck.h"
#include "modelcodes.h"
#include "platform/numfmt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

using namespace ql;

namespace {

// Slots are not copyable (atomic counters): each call gets a fresh one that
// lives to the end of the test program. The model table gives the factors
// and mode indices, the arguments the bounds.
SlotState& slotOf(int type, int mode, float maxCur = 5, float minCur = 0.1f, float maxVol = 30, float minVol = 0.5f)
{
    static std::deque<SlotState> pool;
    SlotState& s = pool.emplace_back();
    s.DevType = static_cast<int16_t>(type);
    ApplyModelRow(s, 0);
    s.MaxCur = maxCur;
    s.MinCur = minCur;
    s.MaxVol = maxVol;
    s.MinVol = minVol;
    s.chn[0].ChnMode = static_cast<int16_t>(mode);
    s.chn[1].ChnMode = static_cast<int16_t>(mode);
    return s;
}

void expectOut(const FieldCheck& c, const char* replacement)
{
    EXPECT_EQ(c.verdict, CheckVerdict::OutOfRange);
    EXPECT_EQ(c.replacement, QString::fromLatin1(replacement));
    EXPECT_EQ(c.message(), QStringLiteral("Setting value out of range!"));
}

} // namespace

TEST(ValueCheck, NoDeviceYetPassesAnything)
{
    const SlotState& s = slotOf(0, 0);
    for (FieldKind k : {FieldKind::SetValue, FieldKind::Limit, FieldKind::Third, FieldKind::AutoVol})
        EXPECT_TRUE(CheckField(s, 0, k, QStringLiteral("abc")).ok());
}

TEST(ValueCheck, TextThatIsNoNumberIsRefusedWithoutReplacement)
{
    const SlotState& s = slotOf(11, 0);
    for (const char* t : {"", "abc", "1.2.3", "nan", "inf"}) {
        const FieldCheck c = CheckField(s, 0, FieldKind::SetValue, QString::fromLatin1(t));
        EXPECT_EQ(c.verdict, CheckVerdict::NotNumber) << t;
        EXPECT_EQ(c.message(), QStringLiteral("Invalid value!"));
        EXPECT_TRUE(c.replacement.isEmpty());
    }
}

// One focus check: the slot's model, mode and bounds, the field and its
// text, and the replacement the check writes back ("" where it passes).
struct FocusCase {
    int type, mode;
    FieldKind kind;
    const char *text, *replacement;
    float maxCur = 5, minCur = 0.1f, maxVol = 30, minVol = 0.5f;
};

void PrintTo(const FocusCase& c, std::ostream* os)
{
    *os << "type " << c.type << " mode " << c.mode << " field " << int(c.kind) << " \"" << c.text << '"';
}

class FocusChecks : public ::testing::TestWithParam<FocusCase> {};

TEST_P(FocusChecks, PassOrReplaceWithTheBound)
{
    const FocusCase& c = GetParam();
    const SlotState& s = slotOf(c.type, c.mode, c.maxCur, c.minCur, c.maxVol, c.minVol);
    const FieldCheck r = CheckField(s, 0, c.kind, QString::fromLatin1(c.text));
    if (*c.replacement == 0)
        EXPECT_TRUE(r.ok()) << r.replacement.toStdString();
    else
        expectOut(r, c.replacement);
}

using C = FocusCase;
constexpr FieldKind kSet = FieldKind::SetValue, kLmt = FieldKind::Limit, kThird = FieldKind::Third,
                    kAuto = FieldKind::AutoVol;

INSTANTIATE_TEST_SUITE_P(
    Rules, FocusChecks,
    ::testing::Values(
        // Currents at and beyond the model's bounds.
        C{11, 0, kSet, "5", ""}, C{11, 0, kSet, "0.1", ""}, C{11, 0, kSet, "5.01", "5.00"},
        C{11, 0, kSet, "0.09", "0.10"}, C{11, 0, kSet, "-1", "0.10"},
        // Power in mode 1 of a load; a charger's mode 1 and C-CV of types 29
        // and 39 (at index 1) are sent a current: 50 A on a 30 A model is refused.
        C{17, 1, kSet, "1500", "100"}, C{17, 1, kSet, "0.05", "1"},
        C{17, 1, kSet, "1000", ""}, C{17, 1, kSet, "0.1", ""}, C{1, 1, kSet, "6", "5.00"},
        C{29, 1, kSet, "50", "30.00", 30}, C{39, 1, kSet, "50", "30.00", 30},
        // Voltage limit, and the auto test's voltage (the minimum replaces it).
        C{11, 0, kLmt, "30", ""}, C{11, 0, kLmt, "0.5", ""}, C{11, 0, kLmt, "30.01", "30.00"},
        C{11, 0, kLmt, "0.4", "0.50"}, C{11, 0, kAuto, "30", ""}, C{11, 0, kAuto, "31", "0.50"},
        C{11, 0, kAuto, "0.2", "0.50"},
        // Cell counts by model and mode: whole and positive, so a fraction or
        // a negative number (a voltage typed where cells are asked) is one cell.
        C{2, 2, kLmt, "13", "12"}, C{2, 2, kLmt, "12", ""}, C{3, 2, kLmt, "8", ""}, C{3, 2, kLmt, "9", "8"},
        C{1, 3, kLmt, "4", "3"}, C{4, 5, kLmt, "9", "8"}, C{2, 2, kLmt, "0", "1"}, C{2, 2, kLmt, "-2", "1"},
        C{2, 2, kLmt, "2.5", "1"},
        // Types 5 and 6 are sent cells in their charge profiles (C-NiMh at
        // index 2 to C-PB at 6) and a voltage in C-CV (7): a Li-Po pack's end
        // voltage typed as the limit is refused.
        C{5, 4, kLmt, "4.20", "1", 5, 0.05f, 30, 0}, C{6, 4, kLmt, "4.20", "1", 5, 0.05f, 30, 0},
        C{5, 4, kLmt, "4", "", 5, 0.05f, 30, 0}, C{6, 4, kLmt, "5", "4", 5, 0.05f, 30, 0},
        C{5, 2, kLmt, "13", "12", 5, 0.05f, 30, 0}, C{6, 6, kLmt, "0", "1", 5, 0.05f, 30, 0},
        C{5, 7, kLmt, "4.20", "", 5, 0.05f, 30, 0}, C{6, 7, kLmt, "31", "30.00", 5, 0.05f, 30, 0},
        // Minutes: negative ones would go out as 0 (no limit) or not at all.
        C{11, 0, kThird, "1000", "999"}, C{11, 0, kThird, "999", ""}, C{11, 0, kThird, "0", ""},
        C{11, 0, kThird, "-5", "0"}, C{11, 0, kThird, "-0.5", "0"},
        // DC5V (mode 8) is sent a cut-off current, in amperes as captioned:
        // thirty minutes are no current.
        C{5, 8, kThird, "0.5", "", 5, 0.06f}, C{5, 8, kThird, "6", "0.060", 5, 0.06f},
        C{5, 8, kThird, "30", "0.060", 5, 0.06f}));

// A replacement written back into its field is what the next start sends:
// it shows the model's resolution, so it is the bound itself and passes the
// check. The maxima come from the device's info reply and may lie on any
// milliampere or millivolt the model resolves.
TEST(ValueCheck, ReplacementsShowTheResolutionTheModelHas)
{
    int threeDecimals = 0;
    for (const int type : qltest::RowCodes()) {
        SCOPED_TRACE(type);
        SlotState& s = slotOf(type, 0);
        s.MaxCur = float(2345.0 / s.CurFactor);  // as StoreInfo divides the rated current
        s.MaxVol = float(14567.0 / s.VolFactor);
        auto sent = [](const QString& text, int factor) { return std::lround(text.toDouble() * factor); };
        auto bound = [](float v, int factor) { return std::lround(double(v) * factor); };

        FieldCheck c = CheckField(s, 0, FieldKind::SetValue, QStringLiteral("999"));
        ASSERT_EQ(c.verdict, CheckVerdict::OutOfRange);
        EXPECT_EQ(sent(c.replacement, s.CurFactor), 2345) << c.replacement.toStdString();
        EXPECT_TRUE(CheckField(s, 0, FieldKind::SetValue, c.replacement).ok()) << c.replacement.toStdString();
        threeDecimals += c.replacement.endsWith(QStringLiteral("2.345")) ? 1 : 0;
        c = CheckField(s, 0, FieldKind::SetValue, QStringLiteral("0"));
        EXPECT_EQ(sent(c.replacement, s.CurFactor), bound(s.MinCur, s.CurFactor)) << c.replacement.toStdString();

        c = CheckField(s, 0, FieldKind::Limit, QStringLiteral("9999"));
        EXPECT_EQ(sent(c.replacement, s.VolFactor), 14567) << c.replacement.toStdString();
        EXPECT_TRUE(CheckField(s, 0, FieldKind::Limit, c.replacement).ok()) << c.replacement.toStdString();
        c = CheckField(s, 0, FieldKind::AutoVol, QStringLiteral("9999"));
        EXPECT_EQ(sent(c.replacement, s.VolFactor), bound(s.MinVol, s.VolFactor));

        // The cut-off current of the constant-voltage mode, where there is one.
        if (s.CvCutCur) {
            s.chn[0].ChnMode = s.CvMode;
            s.MinCur = float(125.0 / s.CurFactor);
            c = CheckField(s, 0, FieldKind::Third, QStringLiteral("999"));
            EXPECT_EQ(sent(c.replacement, s.CurFactor), 125) << c.replacement.toStdString();
            EXPECT_TRUE(CheckField(s, 0, FieldKind::Third, c.replacement).ok());
        }
    }
    EXPECT_GE(threeDecimals, 10);  // the models that resolve 1 mA
}

// A charger whose constant-voltage mode takes a cut-off current checks the
// third field as one in that mode only.
TEST(ValueCheck, CutOffCurrentOnlyInTheConstantVoltageMode)
{
    SlotState& charger = slotOf(9, 2, 5.0f, 0.1f);
    charger.CvMode = 2;
    charger.CvCutCur = true;
    expectOut(CheckField(charger, 0, FieldKind::Third, QStringLiteral("6")), "0.10");
    expectOut(CheckField(charger, 0, FieldKind::Third, QStringLiteral("0.05")), "0.10");
    EXPECT_TRUE(CheckField(charger, 0, FieldKind::Third, QStringLiteral("5")).ok());
    charger.chn[0].ChnMode = 0;
    EXPECT_TRUE(CheckField(charger, 0, FieldKind::Third, QStringLiteral("600")).ok());
}

TEST(ValueCheck, ChannelTwoUsesItsOwnMode)
{
    SlotState& s = slotOf(17, 0);
    s.chn[1].ChnMode = 1;  // power on channel 2
    EXPECT_TRUE(CheckField(s, 0, FieldKind::SetValue, QStringLiteral("3")).ok());
    expectOut(CheckField(s, 1, FieldKind::SetValue, QStringLiteral("1500")), "100");
}

// --- Before a start --------------------------------------------------------

TEST(StartCheck, RefusesTextsThatAreNoNumbers)
{
    const SlotState& s = slotOf(11, 0);
    const StartCheck c = CheckStartValues(s, 0, 1, {QStringLiteral("1.00"), QStringLiteral("x"), QStringLiteral("0")});
    EXPECT_EQ(c.verdict, CheckVerdict::NotNumber);
    EXPECT_EQ(c.field, FieldKind::Limit);
    EXPECT_EQ(c.message(), QStringLiteral("Invalid value!"));
}

TEST(StartCheck, RefusesValuesOutOfTheModelsRangeLoadedFromAFile)
{
    const SlotState& s = slotOf(11, 0, 5.0f, 0.1f, 30, 0.5f);
    StartCheck c = CheckStartValues(s, 0, 1, {QStringLiteral("50"), QStringLiteral("3.00"), QStringLiteral("0")});
    EXPECT_EQ(c.verdict, CheckVerdict::OutOfRange);
    EXPECT_EQ(c.field, FieldKind::SetValue);
    EXPECT_EQ(c.replacement, QStringLiteral("5.00"));
    c = CheckStartValues(s, 0, 7, {QStringLiteral("1"), QStringLiteral("3.00"), QStringLiteral("5000")});
    EXPECT_EQ(c.field, FieldKind::Third);
    EXPECT_EQ(c.replacement, QStringLiteral("999"));
    EXPECT_TRUE(CheckStartValues(s, 0, 1, {QStringLiteral("5"), QStringLiteral("30"), QStringLiteral("999")}).ok());
}

// A start checks each field as what the frame sends there: DC5V's greyed
// zeros pass and its third field is a current; a voltage left in the cell
// field of a type-5 or type-6 charge profile is refused.
TEST(StartCheck, ChecksEachFieldAsWhatIsSent)
{
    SlotState& dc5v = slotOf(5, 8, 5.0f, 0.06f);
    StartFields f{QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("30")};
    f.svalEnabled = f.slmtEnabled = false;
    EXPECT_EQ(CheckStartValues(dc5v, 0, 1, f).field, FieldKind::Third);
    f.stim = QStringLiteral("0.500");
    EXPECT_TRUE(CheckStartValues(dc5v, 0, 1, f).ok());
    for (int type : {5, 6}) {
        const StartCheck c = CheckStartValues(slotOf(type, 4, 5, 0.05f, 30, 0), 0, 1,
                                              {QStringLiteral("1.00"), QStringLiteral("4.20"), QStringLiteral("0")});
        EXPECT_EQ(c.verdict, CheckVerdict::OutOfRange) << type;
        EXPECT_EQ(c.field, FieldKind::Limit) << type;
        EXPECT_EQ(c.replacement, QStringLiteral("1")) << type;
    }
}

TEST(StartCheck, DisabledFieldsWithFixedTextsPass)
{
    // A meter mode greys out the set value and shows "0.00".
    const SlotState& s = slotOf(41, 1, 5.0f, 0.1f);
    StartFields f{QStringLiteral("0.00"), QStringLiteral("5.00"), QStringLiteral("0")};
    EXPECT_FALSE(CheckStartValues(s, 0, 1, f).ok());
    f.svalEnabled = false;
    EXPECT_TRUE(CheckStartValues(s, 0, 1, f).ok());
}

TEST(StartCheck, RefusesWhatTheFrameCannotCarry)
{
    // DevType 0: no model bounds, only the frame's own limits.
    SlotState& s = slotOf(0, 0);
    s.CurFactor = 100;
    s.VolFactor = 100;
    EXPECT_TRUE(CheckStartValues(s, 0, 1, {QStringLiteral("575.99"), QStringLiteral("1"), QStringLiteral("57599")}).ok());
    EXPECT_FALSE(CheckStartValues(s, 0, 1, {QStringLiteral("576"), QStringLiteral("1"), QStringLiteral("0")}).ok());
    EXPECT_FALSE(CheckStartValues(s, 0, 1, {QStringLiteral("1"), QStringLiteral("576"), QStringLiteral("0")}).ok());
    EXPECT_FALSE(CheckStartValues(s, 0, 1, {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("57600")}).ok());
    // Negative minutes are refused before anything is sent, "-0.5" (which
    // would round to 0, no limit) as much as "-5".
    const SlotState& load = slotOf(11, 0);
    for (const char* minutes : {"-5", "-0.5"}) {
        const StartCheck neg = CheckStartValues(load, 0, 1, {QStringLiteral("1"), QStringLiteral("3"), QString::fromLatin1(minutes)});
        EXPECT_EQ(neg.verdict, CheckVerdict::OutOfRange) << minutes;
        EXPECT_EQ(neg.field, FieldKind::Third);
        EXPECT_EQ(neg.replacement, QStringLiteral("0"));
    }
    // Negative cells likewise.
    EXPECT_FALSE(CheckStartValues(slotOf(2, 2), 0, 1, {QStringLiteral("1"), QStringLiteral("-2"), QStringLiteral("0")}).ok());
}

TEST(StartCheck, AgreesWithTheEncoderOnPowerStarts)
{
    // Type 5 in power mode sends watts times 10: 60 W fits the frame although
    // 60 A in current units would not.
    SlotState& s = slotOf(5, 1);
    s.CurFactor = 1000;
    s.VolFactor = 100;
    s.PwrFactor = 10;
    EXPECT_TRUE(CheckStartValues(s, 0, 1, {QStringLiteral("60"), QStringLiteral("3"), QStringLiteral("10")}).ok());
    EXPECT_TRUE(EncodeStart(s, 0, 1, SetValues{60.0, 3.0, 10.0}).frame.has_value());
}

TEST(StartCheck, CommandByteMustFitForChannelTwo)
{
    SlotState& s = slotOf(0, 5);
    const StartFields f{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0")};
    EXPECT_TRUE(CheckStartValues(s, 1, 8, f).ok());  // 16 * 15 + 8 = 248
    s.chn[1].ChnMode = 6;
    EXPECT_FALSE(CheckStartValues(s, 1, 1, f).ok());
    s.chn[0].ChnMode = 6;  // channel 1 carries mode 6 in its command byte
    EXPECT_TRUE(CheckStartValues(s, 0, 1, f).ok());
}

// The check the run code is handed reads the fields the slot's record holds
// (one set on the single-channel layout) and reports the field to correct.
TEST(StartCheck, CheckOfTheRecordReportsFieldAndReplacement)
{
    SlotState& s = slotOf(11, 0);
    s.chn[0].SvalText = QStringLiteral("1");
    s.chn[0].SlmtText = QStringLiteral("99");
    s.chn[0].StimText = QStringLiteral("0");
    for (int chn : {0, 1}) {
        const StartCheck c = CheckAndEncodeStart(s, chn, 1);
        EXPECT_FALSE(c.ok());
        EXPECT_EQ(c.field, FieldKind::Limit);
        EXPECT_EQ(c.replacement, QStringLiteral("30.00"));
        EXPECT_EQ(c.message(), QStringLiteral("Setting value out of range!"));
    }
    // Two channels: each its own fields.
    s.Dev2S = true;
    s.chn[1].SvalText = QStringLiteral("1");
    s.chn[1].SlmtText = QStringLiteral("3");
    s.chn[1].StimText = QStringLiteral("0");
    EXPECT_TRUE(CheckAndEncodeStart(s, 1, 1).ok());
    EXPECT_FALSE(CheckAndEncodeStart(s, 0, 1).ok());
}

// An accepted check holds the frame that goes out, made from the values it
// checked (on the single-channel layout channel 1 sends the shared fields);
// a refused one holds none.
TEST(StartCheck, AnAcceptedCheckHoldsTheFrameOfTheValuesItChecked)
{
    SlotState& s = slotOf(11, 0);
    s.chn[0].SvalText = QStringLiteral("1.5");
    s.chn[0].SlmtText = QStringLiteral("3");
    s.chn[0].StimText = QStringLiteral("0");
    s.chn[1].SvalText = QStringLiteral("abc");
    const StartCheck start = CheckAndEncodeStart(s, 0, 1);
    ASSERT_TRUE(start.ok());
    ASSERT_TRUE(start.encoded.frame);
    EXPECT_EQ(FrameBytes(*start.encoded.frame).toHex(' '), QByteArray("fa 01 00 96 01 3c 00 00 aa f8"));
    EXPECT_EQ(start.encoded.SetRaw, 150);
    const StartCheck other = CheckAndEncodeStart(s, 1, 7);
    ASSERT_TRUE(other.encoded.frame);
    EXPECT_EQ(FrameBytes(*other.encoded.frame).toHex(' '), QByteArray("fa a7 00 96 01 3c 00 00 0c f8"));
    s.chn[0].SlmtText = QStringLiteral("99");
    EXPECT_FALSE(CheckAndEncodeStart(s, 0, 1).encoded.frame);
}

// A field the model's mode greys out holds a fixed text or the device's
// echo; it is sent but not held to the focus rules. Type 28's C-CV sends its
// greyed power and voltage, so a number above the model's maxima (from a
// file) is refused all the same, and nothing is written into the field.
TEST(StartCheck, FieldsTheModeGreysOutAreHeldOnlyToTheModelsMaxima)
{
    SlotState& s = slotOf(28, 1);
    s.chn[0].SvalText = QStringLiteral("0.00");
    s.chn[0].SlmtText = QStringLiteral("0.00");
    s.chn[0].StimText = QStringLiteral("0.5");
    const StartFields f = FieldsOf(s, 0);
    EXPECT_FALSE(f.svalEnabled);
    EXPECT_FALSE(f.slmtEnabled);
    EXPECT_TRUE(f.stimEnabled);
    EXPECT_TRUE(CheckAndEncodeStart(s, 0, 1).ok());
    ApplyModelRow(s, 0);  // 90 V at most
    s.chn[0].SlmtText = QStringLiteral("90.01");
    StartCheck above = CheckAndEncodeStart(s, 0, 1);
    EXPECT_FALSE(above.ok());
    EXPECT_EQ(above.field, FieldKind::Limit);
    EXPECT_TRUE(above.replacement.isEmpty());
    s.chn[0].SlmtText = QStringLiteral("90.00");
    s.chn[0].SvalText = QStringLiteral("1001");
    above = CheckAndEncodeStart(s, 0, 1);
    EXPECT_FALSE(above.ok());
    EXPECT_EQ(above.field, FieldKind::SetValue);
    s.chn[0].SvalText = QStringLiteral("1000");
    EXPECT_TRUE(CheckAndEncodeStart(s, 0, 1).ok());
    // Type 41's D-CV greys a fixed "0.00" that is sent as a current: the
    // fixed text passes, a number put in its place is held to 5 A.
    SlotState& dcv = slotOf(41, 1);
    ApplyModelRow(dcv, 0);
    dcv.chn[0].SvalText = QStringLiteral("0.00");
    dcv.chn[0].SlmtText = QStringLiteral("3.00");
    dcv.chn[0].StimText = QStringLiteral("0");
    EXPECT_TRUE(CheckAndEncodeStart(dcv, 0, 1).ok());
    dcv.chn[0].SvalText = QStringLiteral("5.001");
    EXPECT_FALSE(CheckAndEncodeStart(dcv, 0, 1).ok());
    SlotState& load = slotOf(11, 0);
    load.chn[0].SvalText = QStringLiteral("0.00");
    load.chn[0].SlmtText = QStringLiteral("0.00");
    load.chn[0].StimText = QStringLiteral("0");
    EXPECT_FALSE(CheckAndEncodeStart(load, 0, 1).ok());  // 0 A is below the minimum
}

// Every model in every mode of its list: a start with each field the mode
// takes at the model's maximum passes the check and encodes; one step of the
// model's resolution above it is refused, for that field.
TEST(StartCheck, EveryModelTakesItsMaximaAndRefusesOneStepMore)
{
    int checked = 0;
    for (int type = 1; type <= kMaxTypeCode; ++type) {
        if (!FindModelRow(type))
            continue;
        const QStringList modes = qltest::ModeListFor(type);
        for (int m = 0; m < modes.size(); ++m) {
            SCOPED_TRACE(QStringLiteral("type %1 mode %2 %3").arg(type).arg(m).arg(modes[m]).toStdString());
            SlotState& s = slotOf(type, m);
            ApplyModelRow(s, 0);  // the model's own bounds
            const StartRule rule = StartRuleFor(type, m);
            const double curStep = 1.0 / s.CurFactor, volStep = 1.0 / s.VolFactor;
            const QString curMax = Format(s.MaxCur, CurrentPattern(s.CurFactor));
            ChanState& c = s.chn[0];
            c.SvalText = rule == StartRule::Power ? QStringLiteral("1000") : curMax;
            c.SlmtText = LimitIsCells(type, m) ? QString::number(HighestCells(type, m))
                                               : Format(s.MaxVol, VoltagePattern(s.VolFactor));
            c.StimText = ThirdIsCutOff(s, m) ? curMax : QStringLiteral("999");
            const StartCheck top = CheckAndEncodeStart(s, 0, 1);
            ASSERT_TRUE(top.ok()) << top.reason.toStdString();
            ASSERT_TRUE(top.encoded.frame);

            const StartFields f = FieldsOf(s, 0);
            auto refusedFor = [&](QString ChanState::*field, const QString& text, FieldKind which) {
                const QString kept = c.*field;
                c.*field = text;
                const StartCheck r = CheckAndEncodeStart(s, 0, 1);
                c.*field = kept;
                EXPECT_FALSE(r.ok()) << text.toStdString();
                EXPECT_EQ(r.field, which) << text.toStdString();
            };
            if (f.svalEnabled && rule != StartRule::Zeros)
                refusedFor(&ChanState::SvalText,
                           rule == StartRule::Power ? QStringLiteral("1000.1")
                                                    : QString::number(s.MaxCur + curStep, 'f', 3),
                           FieldKind::SetValue);
            if (f.slmtEnabled && rule != StartRule::Zeros)
                refusedFor(&ChanState::SlmtText,
                           LimitIsCells(type, m) ? QString::number(HighestCells(type, m) + 1)
                                                 : QString::number(s.MaxVol + volStep, 'f', 3),
                           FieldKind::Limit);
            if (f.stimEnabled)
                refusedFor(&ChanState::StimText,
                           ThirdIsCutOff(s, m) ? QString::number(s.MaxCur + curStep, 'f', 3) : QStringLiteral("1000"),
                           FieldKind::Third);
            ++checked;
        }
    }
    EXPECT_GE(checked, 120);
}
