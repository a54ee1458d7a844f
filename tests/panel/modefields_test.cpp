// The per-model, per-mode set-up of a panel's three value fields: the pure
// decision for every family and mode, a sweep over the model table judged
// by what each mode name means, and the mode click applied to a real panel.
#include "link/modefields.h"
#include "modelcodes.h"

#include "link/encode.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/runtrack.h"
#include "link/state.h"
#include "panel/devctrl.h"
#include "panel/modesetup.h"
#include "recordvalues.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace ql;

namespace {

// One expected row: inputs, then captions, units, field texts ("-" for a
// field the set-up leaves alone) and enabled flags.
struct Row {
    int type, mode;
    bool dev2S;
    int32_t S, L, T, curF, volF, pwrF;
    const char *lSval, *lSlmt, *lStim, *lSvalt, *lSlmtt, *lStimt;
    const char *tSval, *tSlmt, *tStim;
    bool sval, slmt, stim;
};

void PrintTo(const Row& r, std::ostream* os) { *os << "type " << r.type << " mode " << r.mode << (r.dev2S ? " 2S" : ""); }

class FieldRows : public ::testing::TestWithParam<Row> {};

TEST_P(FieldRows, CaptionsUnitsTextsAndEnabling)
{
    const Row& r = GetParam();
    ModeFieldsIn in{r.type, r.mode, r.dev2S, r.S, r.L, r.T, r.curF, r.volF, r.pwrF};
    const ModeFields f = ComputeModeFields(in);
    EXPECT_EQ(f.lSval, QString::fromUtf8(r.lSval));
    EXPECT_EQ(f.lSlmt, QString::fromUtf8(r.lSlmt));
    EXPECT_EQ(f.lStim, QString::fromUtf8(r.lStim));
    EXPECT_EQ(f.lSvalt, QString::fromUtf8(r.lSvalt));
    EXPECT_EQ(f.lSlmtt, QString::fromUtf8(r.lSlmtt));
    EXPECT_EQ(f.lStimt, QString::fromUtf8(r.lStimt));
    const auto text = [](const std::optional<FieldText>& t) { return t ? t->text() : QStringLiteral("-"); };
    EXPECT_EQ(text(f.tSval), QString::fromUtf8(r.tSval));
    EXPECT_EQ(text(f.tSlmt), QString::fromUtf8(r.tSlmt));
    EXPECT_EQ(f.tStim.text(), QString::fromUtf8(r.tStim));
    EXPECT_EQ(f.SvalEnable, r.sval);
    EXPECT_EQ(f.SlmtEnable, r.slmt);
    EXPECT_EQ(f.StimEnable, r.stim);
}

// The cases the sweeps below do not judge by a mode's name or by the frame:
// a mode a charger's list does not have leaves its fields alone, a load's
// voltage-holding mode asks for a current first, modes that grey fields a
// device takes no input for, type 40's milliampere units and its fixed third
// value, and a type without a row.
INSTANTIATE_TEST_SUITE_P(
    Families, FieldRows,
    ::testing::Values(
        Row{2, 7, false, 150, 1440, 60, 100, 100, 1, "Test Val:", "Cutoff Volt:", "Max Time:", "A", "V", "M", "-", "-", "60", true, true, true},
        Row{28, 1, false, 25, 1440, 15, 100, 100, 1, "Test Val:", "Voltage:", "Cutoff Curr:", "W", "V", "A", "25", "14.40", "0.15", false, false, true},
        Row{16, 4, false, 100, 500, 0, 100, 100, 1, "Current:", "Test Val:", "Max Time:", "A", "V", "M", "1.00", "5.00", "0", true, true, true},
        Row{13, 3, false, 100, 500, 0, 100, 100, 1, "Test Val:", "Cutoff Volt:", "Max Time:", "A", "V", "M", "1.00", "5.00", "0", false, false, true},
        Row{41, 1, false, 100, 500, 0, 1000, 100, 1, "Test Val:", "Test Val:", "Max Time:", "A", "V", "M", "0.00", "5.00", "0", false, true, true},
        Row{40, 0, false, 100, 300, 7, 1000, 100, 1, "Test Val:", "Cutoff Volt:", "Max Time:", "A", "V", "M", "0.100", "3.00", "0", true, true, true},
        Row{40, 1, false, 100, 500, 7, 1000, 100, 1, "Test Val:", "Cutoff Volt:", "Cutoff Curr:", "mA", "V", "mA", "0.100", "5.00", "0.007", true, true, true},
        Row{51, 0, false, 100, 80, 0, 100, 100, 1, "Test Val:", "Cutoff Volt:", "Max Time:", "A", "V", "M", "1.00", "0.80", "0", true, true, true}));

// Every model of the table in every mode of its list: the fields mean what
// the mode's name says.
TEST(ModelTableSweep, FieldsMeanWhatEachModeNameSays)
{
    const QStringList charge{"C-NiMh", "C-NiCD", "C-Liion", "C-LiPo", "C-LiFe", "C-PB", "C-VRLA"};
    int checked = 0;
    for (int type = 1; type <= kMaxTypeCode; ++type) {
        SlotState s;
        s.DevType = int16_t(type);
        ApplyModelRow(s, 0);
        const QStringList modes = qltest::ModeListFor(type);
        for (int m = 0; m < modes.size(); ++m) {
            const QString name = modes[m];
            SCOPED_TRACE(QStringLiteral("type %1 mode %2 %3").arg(type).arg(m).arg(name).toStdString());
            for (bool dev2S : {false, true}) {
                if (dev2S && !IsTwoChannelType(type))
                    continue;
                ModeFieldsIn in{type, m, dev2S, 0, 0, 0, s.CurFactor, s.VolFactor, s.PwrFactor};
                const ModeFields f = ComputeModeFields(in);
                ++checked;
                // The limit is a cell count exactly where the start frame
                // sends one.
                EXPECT_EQ(f.lSlmt == "Cells:", StartRuleFor(type, m) == StartRule::Cells);
                // The set value is a power exactly where the frame sends one.
                EXPECT_EQ(f.lSvalt == "W", StartRuleFor(type, m) == StartRule::Power);
                // Every listed mode writes both value fields.
                ASSERT_TRUE(f.tSval.has_value());
                ASSERT_TRUE(f.tSlmt.has_value());
                EXPECT_TRUE(f.lSlmt.endsWith(':'));
                if (dev2S) {
                    EXPECT_TRUE(f.lSlmt == "Cutoff V:" || f.lSlmt == "Test Val:");
                    EXPECT_EQ(f.lStim, "Time:");
                }

                if (name == "D-CC") {
                    EXPECT_EQ(f.lSvalt, "A");
                    EXPECT_EQ(f.lSlmtt, "V");
                    EXPECT_EQ(f.lStimt, "M");
                    EXPECT_TRUE(f.SvalEnable && f.SlmtEnable && f.StimEnable);
                } else if (name == "D-CP") {
                    EXPECT_EQ(f.lSvalt, "W");
                    EXPECT_EQ(f.tSval->pattern, s.PwrFactor == 1 ? "0" : "0.0");
                    EXPECT_TRUE(f.SvalEnable && f.SlmtEnable);
                } else if (charge.contains(name)) {
                    EXPECT_EQ(f.lSlmt, "Cells:");
                    EXPECT_EQ(f.lSlmtt, "");
                    EXPECT_EQ(f.tSlmt->pattern, "0");
                    EXPECT_EQ(f.lStimt, "M");
                } else if (name == "C-CV" && ModelGroupOf(type) == ModelGroup::G5) {
                    // A load holding a voltage: current and voltage to hold.
                    EXPECT_EQ(f.lSval, "Current:");
                    EXPECT_EQ(f.lSlmt, "Test Val:");
                    EXPECT_EQ(f.lStimt, "M");
                } else if (name == "C-CV") {
                    if (type != 40) {  // type 40 keeps its cut-off voltage caption
                        EXPECT_EQ(f.lSlmt, "Voltage:");
                    }
                    if (ModelGroupOf(type) == ModelGroup::G1) {  // the first chargers
                        EXPECT_EQ(f.lStim, "Max Time:");
                        EXPECT_EQ(f.lStimt, "M");
                    } else {
                        EXPECT_EQ(f.lStim, "Cutoff Curr:");
                        EXPECT_EQ(f.lStimt, type == 40 ? "mA" : "A");
                        EXPECT_EQ(f.tStim.pattern, CurrentPattern(s.CurFactor));  // the current's decimals
                    }
                } else if (name == "D-CV") {
                    EXPECT_EQ(f.lSlmt, "Test Val:");  // the voltage to hold
                } else if (name == "DC5V") {
                    EXPECT_FALSE(f.SvalEnable);
                    EXPECT_FALSE(f.SlmtEnable);
                } else if (name == "Meter" && type != 51) {
                    // The meter ignores the limit.
                    EXPECT_FALSE(f.SlmtEnable);
                } else if (name != "Meter") {
                    ADD_FAILURE() << "mode name without a rule";
                }

                // Whatever the mode, an echoed value stands in its field
                // exactly as the device has it: a field sent again untouched
                // sends the same value.
                ModeFieldsIn echo = in;
                echo.S = 1237;
                echo.L = 14567;
                echo.T = 123;
                const ModeFields e = ComputeModeFields(echo);
                for (const FieldText* t : {&*e.tSval, &*e.tSlmt, &e.tStim}) {
                    if (!t->pattern.isEmpty()) {
                        EXPECT_DOUBLE_EQ(t->text().toDouble(), t->value) << t->text().toStdString();
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 150);
}

// Every model in every mode a start frame can carry, listed or not (a
// device may report any mode): each field whose value the frame carries,
// greyed or not, put into a panel as the set-up writes it and sent, gives
// back the value it shows, in the unit its caption names; where the frame
// sends zeros the field takes no input.
TEST(ModeFieldsAgainstTheFrame, EveryFieldSaysWhatTheStartFrameSends)
{
    constexpr int32_t S = 123, L = 4, T = 123;  // distinct in every unit: 1.23 A, 0.123 A, 123 W, 4 cells, 0.04 V
    LinkState st;
    SlotState& s = st.slot[0];
    int checked = 0;
    for (int type = 1; type <= kMaxTypeCode; ++type) {
        s.DevType = int16_t(type);
        ApplyModelRow(s, 0);
        for (int m = 0; m <= 15; ++m) {  // 16 * 15 + 1 is the last command byte of channel 1
            SCOPED_TRACE(QStringLiteral("type %1 mode %2").arg(type).arg(m).toStdString());
            const ModeFields f = ComputeModeFields({type, m, false, S, L, T, s.CurFactor, s.VolFactor, s.PwrFactor});
            st.ch(0, 0).ChnMode = int16_t(m);
            s.chn[0].SvalText = f.tSval ? f.tSval->text() : QStringLiteral("0");
            s.chn[0].SlmtText = f.tSlmt ? f.tSlmt->text() : QStringLiteral("0");
            s.chn[0].StimText = f.tStim.text();
            const auto frame = EncodeStart(s, 0, 1, RecordValues(s, 0)).frame;
            ASSERT_TRUE(frame.has_value());
            const auto pair = [&](int i) { return (*frame)[size_t(i)] * 240 + (*frame)[size_t(i + 1)]; };
            const StartRule rule = StartRuleFor(type, m);
            if (rule == StartRule::Zeros) {
                EXPECT_FALSE(f.SvalEnable);
                EXPECT_FALSE(f.SlmtEnable);
            }
            // Greyed or not, a field whose value the frame carries shows
            // what goes out: a fixed text is sent as the zero it shows.
            const bool carried = rule != StartRule::Zeros;
            if (carried && f.tSval) {
                EXPECT_EQ(pair(2), f.tSval->fixed.isEmpty() ? S : 0)
                    << f.tSval->text().toStdString() << " " << f.lSvalt.toStdString();
                if (f.tSval->fixed.isEmpty()) {
                    EXPECT_EQ(f.lSvalt == "W", rule == StartRule::Power);
                }
            }
            if (carried && f.tSlmt) {
                EXPECT_EQ(pair(4), f.tSlmt->fixed.isEmpty() ? L : 0) << f.tSlmt->text().toStdString();
                if (f.tSlmt->fixed.isEmpty()) {
                    EXPECT_EQ(f.lSlmt == "Cells:", rule == StartRule::Cells);
                }
            }
            EXPECT_EQ(pair(6), f.tStim.fixed.isEmpty() ? T : 0)
                << f.tStim.text().toStdString() << " " << f.lStim.toStdString();
            const bool cutOff = ValueCIsCutOff(m, s.CvMode, s.CvCutCur);
            EXPECT_EQ(ThirdIsCutOff(type, m), cutOff);
            EXPECT_EQ(f.lStim == "Cutoff Curr:", cutOff);
            EXPECT_EQ(f.lStimt != "M", cutOff) << f.lStimt.toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, kMaxTypeCode * 16);
}

TEST(ModeReset, MinimumOrSmallestStep)
{
    // Type 11: 0.1 A minimum, D-CP counts whole watts.
    EXPECT_EQ(ModeResetValues(11, 0, 100, 0.1f, 100, 0.0f).SetRaw, 10);
    EXPECT_EQ(ModeResetValues(11, 1, 100, 0.1f, 100, 0.0f).SetRaw, 1);
    // Types whose index 1 is a charge profile or a meter keep the minimum, except the listed ones.
    EXPECT_EQ(ModeResetValues(1, 1, 100, 0.1f, 100, 0.8f).SetRaw, 10);
    EXPECT_EQ(ModeResetValues(8, 1, 100, 0.1f, 100, 0.8f).SetRaw, 10);
    EXPECT_EQ(ModeResetValues(26, 1, 1000, 0.03f, 100, 0.0f).SetRaw, 30);
    EXPECT_EQ(ModeResetValues(25, 1, 1000, 0.05f, 100, 0.1f).SetRaw, 1);
    // One cell wherever a cell count is sent; the minimum voltage otherwise.
    EXPECT_EQ(ModeResetValues(3, 5, 100, 0.1f, 100, 0.8f).LmtRaw, 1);
    EXPECT_EQ(ModeResetValues(3, 6, 100, 0.1f, 100, 0.8f).LmtRaw, 80);
    EXPECT_EQ(ModeResetValues(5, 3, 1000, 0.1f, 100, 0.0f).LmtRaw, 1);
    EXPECT_EQ(ModeResetValues(6, 6, 100, 0.1f, 100, 0.5f).LmtRaw, 1);
    EXPECT_EQ(ModeResetValues(5, 7, 1000, 0.1f, 100, 0.5f).LmtRaw, 50);
    // No device: zeros.
    EXPECT_EQ(ModeResetValues(0, 1, 100, 0.1f, 100, 0.8f).SetRaw, 0);
    EXPECT_EQ(ModeResetValues(0, 1, 100, 0.1f, 100, 0.8f).LmtRaw, 0);
    // The scaled minimum rounds half to even.
    EXPECT_EQ(ScaleRoundEven(100, 0.125f), 12);
    EXPECT_EQ(ScaleRoundEven(100, 0.375f), 38);
    EXPECT_EQ(ScaleRoundEven(1000, 0.0125f), 13);  // 12.5000002 as a single
    EXPECT_EQ(ScaleRoundEven(100, 0.135f), 14);  // 13.5000002 as a single
    EXPECT_EQ(ScaleRoundEven(1000, 0.03f), 30);
}

// ---- Mode click and set-up on a real panel --------------------------------

class ModeSetupTest : public ::testing::Test {
protected:
    static constexpr int kSlot = 2;

    void SetUp() override
    {
        panel = std::make_unique<DevCtrl>(kSlot);
        panel->setRecord(st.slot[kSlot]);
        // The host: the panel's mode click runs the handler.
        QObject::connect(panel.get(), &DevCtrl::ModeClick, panel.get(), [this](int slot) {
            ASSERT_EQ(slot, kSlot);
            const auto shown = ModeClicked(st, slot, *panel);
            for (int c = 0; c < kChanCount; ++c)
                if (shown[size_t(c)] & RunViewIf::RunCells)
                    capCalls.emplace_back(slot, c);
        });
    }

    // A connected model as the first reply leaves it: mode 0, nothing sent yet.
    void identify(int type)
    {
        SlotState& s = st.slot[kSlot];
        s.DevType = int16_t(type);
        for (ChanState& c : s.chn) {
            c.ChnMode = 0;
            c.SetRaw = c.LmtRaw = c.TimRaw = 0;
        }
        ApplyModelRow(s, 0);
        const SetupBranch b = SetupBranchFor(type, 0);
        panel->setDev2S(b.dev2s);
        s.ModeList = b.modes;
        panel->ShowModeList();
        SetupModeFields(st, kSlot, 0, *panel);
        capCalls.clear();
    }

    // Chooses a mode as the user does.
    void choose(int index)
    {
        QComboBox* c = panel->Dev2S() ? panel->ui().cmbMode2S : panel->ui().cmbMode;
        c->setCurrentIndex(index);
        emit c->activated(index);
    }

    LinkState st;
    std::unique_ptr<DevCtrl> panel;
    // The channels whose capacity cells a set-up left to be shown.
    std::vector<std::pair<int, int>> capCalls;
    void setup(int chn)
    {
        if (SetupModeFields(st, kSlot, chn, *panel) & RunViewIf::RunCells)
            capCalls.emplace_back(kSlot, chn);
    }
};

TEST_F(ModeSetupTest, ChoosingAModeResetsToTheMinimumAndRelabels)
{
    identify(11);
    EXPECT_EQ(panel->tMode(), QStringLiteral("D-CC"));
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.00"));
    choose(1);
    const ChanState& c0 = st.ch(kSlot, 0);
    EXPECT_EQ(c0.ChnMode, 1);
    EXPECT_EQ(c0.SetRaw, 1);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("1"));
    EXPECT_EQ(panel->lSvalt(0), QStringLiteral("W"));
    EXPECT_EQ(panel->tMode(), QStringLiteral("D-CP"));
    EXPECT_EQ(capCalls, (std::vector<std::pair<int, int>>{{kSlot, 0}}));

    choose(0);
    EXPECT_EQ(c0.ChnMode, 0);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.10"));
    EXPECT_EQ(panel->tSlmt(0), QStringLiteral("0.00"));
    EXPECT_EQ(panel->tStim(0), QStringLiteral("0"));
    EXPECT_EQ(panel->lSvalt(0), QStringLiteral("A"));
    choose(1);

    // Choosing the stored mode again changes nothing.
    panel->setTSval(0, QStringLiteral("7"));
    st.ch(kSlot, 0).TimRaw = 5;
    choose(1);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("7"));
    EXPECT_EQ(st.ch(kSlot, 0).TimRaw, 5);
    EXPECT_EQ(capCalls.size(), 3u);

    // The meter greys both fields.
    choose(3);
    EXPECT_FALSE(panel->SvalEnable(0));
    EXPECT_FALSE(panel->SlmtEnable(0));
    EXPECT_TRUE(panel->StimEnable(0));
    choose(0);
    EXPECT_TRUE(panel->SvalEnable(0));
}

TEST_F(ModeSetupTest, ChargersCountCellsOrVolts)
{
    identify(1);
    choose(1);  // C-NiMh
    EXPECT_EQ(panel->lSlmt(0), QStringLiteral("Cells:"));
    EXPECT_EQ(panel->lSlmtt(0), QString());
    EXPECT_EQ(panel->tSlmt(0), QStringLiteral("1"));
    EXPECT_EQ(panel->lStim(0), QStringLiteral("Max Time:"));
    choose(6);  // C-CV keeps minutes on types 1..4
    EXPECT_EQ(panel->lSlmt(0), QStringLiteral("Voltage:"));
    EXPECT_EQ(panel->lStimt(0), QStringLiteral("M"));
    EXPECT_EQ(panel->tSlmt(0), QStringLiteral("0.80"));

    identify(5);
    choose(2);  // C-NiMh of type 5: one cell, as on types 1..4
    EXPECT_EQ(panel->lSlmt(0), QStringLiteral("Cells:"));
    EXPECT_EQ(panel->lSlmtt(0), QString());
    EXPECT_EQ(st.ch(kSlot, 0).LmtRaw, 1);
    EXPECT_EQ(panel->tSlmt(0), QStringLiteral("1"));
    choose(7);  // C-CV: cut-off current in amperes
    EXPECT_EQ(panel->lStim(0), QStringLiteral("Cutoff Curr:"));
    EXPECT_EQ(panel->lStimt(0), QStringLiteral("A"));
    EXPECT_EQ(panel->tStim(0), QStringLiteral("0.000"));  // type 5 resolves 1 mA

    identify(40);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.000"));
    choose(1);
    EXPECT_EQ(panel->lSvalt(0), QStringLiteral("mA"));
    EXPECT_EQ(panel->lStimt(0), QStringLiteral("mA"));
    EXPECT_EQ(panel->tStim(0), QStringLiteral("0.000"));
    choose(0);
    EXPECT_EQ(panel->lSvalt(0), QStringLiteral("A"));
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.001"));
    EXPECT_EQ(panel->tStim(0), QStringLiteral("0"));
}

TEST_F(ModeSetupTest, MetersOfTypes25And26)
{
    identify(26);
    choose(1);
    EXPECT_EQ(st.ch(kSlot, 0).SetRaw, 30);  // CurFactor x MinCur
    EXPECT_FALSE(panel->SlmtEnable(0));

    identify(25);
    st.slot[kSlot].ModeList << QStringLiteral("Meter");  // the list its firmware rules give it
    panel->ShowModeList();
    choose(1);
    EXPECT_EQ(st.ch(kSlot, 0).SetRaw, 1);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.001"));  // 1 mA, as the device has it
}

TEST_F(ModeSetupTest, TwoChannelPanelsSetBothChannels)
{
    identify(17);
    ASSERT_TRUE(panel->Dev2S());
    st.ch(kSlot, 1).SetRaw = 77;
    choose(1);
    const ChanState& c0 = st.ch(kSlot, 0);
    const ChanState& c1 = st.ch(kSlot, 1);
    EXPECT_EQ(c0.ChnMode, 1);
    EXPECT_EQ(c1.ChnMode, 1);
    EXPECT_EQ(c0.SetRaw, 1);
    EXPECT_EQ(c1.SetRaw, 0);
    EXPECT_EQ(c1.LmtRaw, 0);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.1"));
    EXPECT_EQ(panel->tSval(1), QStringLiteral("0.0"));
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(panel->lSlmt(c), QStringLiteral("Cutoff V:"));
        EXPECT_EQ(panel->lStim(c), QStringLiteral("Time:"));
        EXPECT_EQ(panel->lSvalt(c), QStringLiteral("W"));
    }
    EXPECT_EQ(capCalls, (std::vector<std::pair<int, int>>{{kSlot, 0}, {kSlot, 1}}));
}

TEST_F(ModeSetupTest, NoDeviceLeavesThePanelAlone)
{
    panel->ShowModeList();  // no model: "No Device"
    panel->setTSval(0, QStringLiteral("00.00"));
    setup(0);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("00.00"));
    EXPECT_EQ(panel->ModeIdx(), -1);
    EXPECT_TRUE(capCalls.empty());

    // The mode click on an unidentified slot stores the mode and zeros.
    st.ch(kSlot, 0).ChnMode = 3;
    st.ch(kSlot, 0).SetRaw = 9;
    choose(0);
    EXPECT_EQ(st.ch(kSlot, 0).ChnMode, 0);
    EXPECT_EQ(st.ch(kSlot, 0).SetRaw, 0);
    EXPECT_EQ(panel->tSval(0), QStringLiteral("00.00"));
}

// A device that reports a mode its list lacks: the box shows no entry
// rather than a mode the device is not in, without a mode click that would
// reset the values; the fields follow the reported values.
TEST_F(ModeSetupTest, ReportedModeOutsideTheListShowsNoEntry)
{
    identify(8);
    choose(1);
    QSignalSpy clicks(panel.get(), &DevCtrl::ModeClick);
    st.ch(kSlot, 0).ChnMode = 5;
    st.ch(kSlot, 0).SetRaw = 250;
    st.ch(kSlot, 0).TimRaw = 30;
    setup(0);
    EXPECT_EQ(panel->ModeIdx(), -1);
    EXPECT_TRUE(panel->tMode().isEmpty());
    EXPECT_EQ(panel->tSval(0), QStringLiteral("2.50"));
    // Mode 5 is sent minutes, not the cut-off current of C-CV.
    EXPECT_EQ(panel->lStim(0), QStringLiteral("Max Time:"));
    EXPECT_EQ(panel->lStimt(0), QStringLiteral("M"));
    EXPECT_EQ(panel->tStim(0), QStringLiteral("30"));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(st.ch(kSlot, 0).SetRaw, 250);

    // Back in a listed mode the box shows it again.
    st.ch(kSlot, 0).ChnMode = 1;
    setup(0);
    EXPECT_EQ(panel->ModeIdx(), 1);
    EXPECT_EQ(st.ch(kSlot, 0).SetRaw, 250);

    // A type-5 charger is sent zeros for the set value and limit above its
    // DC5V entry: both fields are greyed, the third asks for minutes.
    identify(5);
    st.ch(kSlot, 0).ChnMode = 9;
    st.ch(kSlot, 0).SetRaw = 1500;
    st.ch(kSlot, 0).LmtRaw = 3;
    setup(0);
    EXPECT_FALSE(panel->SvalEnable(0));
    EXPECT_FALSE(panel->SlmtEnable(0));
    EXPECT_TRUE(panel->StimEnable(0));
    EXPECT_NE(panel->lSlmt(0), QStringLiteral("Cells:"));
    EXPECT_EQ(panel->lStimt(0), QStringLiteral("M"));
}

} // namespace
