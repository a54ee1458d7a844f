#pragma once
// Per-slot and per-channel state of the device link.
//
// Slots are 0..10 (0..9 used); channels 0 and 1. Everything a slot or a
// channel owns lives in one of these two records, indexed by slot and
// channel, so one concept never spreads over parallel tables. Fields keep
// the names the rest of the program uses for them.
#include "link/hostif.h"
#include "platform/pointseries.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace ql {

class SerialPort;

constexpr int kSlotCount = 11;   // per-slot tables: slots 0..10
constexpr int kMaxDevices = 10;  // slots 0..9 hold devices
constexpr int kChanCount = 2;

// The curves of a channel's run, by kind: the voltage, the current and the
// third value (temperature or power) as the run's Y axes 0, 1 and 2 show
// them, the capacity and the energy. Channel chn's curve k is curve
// chn * kRunCurves + k of the slot's chart.
enum RunCurve { kCurveVolt, kCurveCur, kCurveThird, kCurveCap, kCurveEnergy, kRunCurves };

// One channel of one slot.
struct ChanState {
    // Run state and counters. TickSecs and RunSecs are advanced by the
    // one-second ticker thread and reset by the interface thread; the count
    // flag is set by the interface thread and read by the ticker.
    bool Running = false;
    std::atomic<int32_t> TickSecs{0};
    std::atomic<int32_t> RunSecs{0};
    std::atomic<bool> Counting{false};
    // Odd while a tick or a reset changes the two counters, so a reader on
    // another thread takes both from one instant (ReadRunClock).
    std::atomic<uint32_t> ClockSeq{0};

    // Measurements (single precision, as decoded).
    float Volt = 0, Cur = 0, Pwr = 0, Cap = 0, Energy = 0, Temp = 0;
    float CurTenth = 0, AuxVolt1 = 0, AuxVolt2 = 0;

    // Encoded values of the last start/set/continue frame, overwritten by
    // the device's echo; the mode index of the command byte and reply.
    int32_t SetRaw = 0, LmtRaw = 0, TimRaw = 0;
    int16_t ChnMode = 0;
    int16_t SetPend = 0;

    // Live run record and continue.
    QString DataFile;
    float CapOffset = 0;
    bool ContPend = false;
    // A run found going waits for a data reply's set values before it is
    // continued from its record.
    bool ContWait = false;
    int32_t LastLogSec = 0;
    float VoltSum = 0;
    int32_t RunStartPt = 0;

    // The run's samples as the chart shows them: X the run clock's tick
    // (seconds), Y the value rounded as drawn. Appended by the per-sample
    // update and the continue; emptied by Start, Clear Curve, a step test's
    // start, a continue and a new slot. The chart draws these and keeps no
    // copy; the data file, the run cells and the continue read them.
    std::array<PointSeries, kRunCurves> Curves;
    // Points of the run's voltage curve: a run's first point (RunStartPt)
    // and the points it has gathered since are counted on it.
    int RunPoints() const { return static_cast<int>(Curves[kCurveVolt].size()); }
    void ClearCurves()
    {
        for (PointSeries& p : Curves)
            p.clear();
    }

    // Run commands and curves (link/runtrack): the last value kept by the
    // curve-window check, and the last whole minute of run time sent to a
    // two-channel device (so each minute goes out once).
    float CheckVal = 0;
    int32_t LastTimeMin = 0;

    // The channel's value fields: set value, limit and third value as typed
    // or written by the program, and the units shown beside the first two.
    // On the single-channel layout channel 0's record holds the one set of
    // fields (SlotState::FieldChn).
    QString SvalText, SlmtText, StimText;
    QString SvalUnit, SlmtUnit;

    // The readouts as shown: their texts and the values they read as. The
    // time readout's "hh:mm:ss" is kept like the value fields (one on the
    // single-channel layout).
    QString VoltText, CurText, PwrText;
    QString TimeText;
    float VoltShown = 0, CurShown = 0, PwrShown = 0;

    // The channel's row of the run grid as shown. The begin and cut-off
    // voltages are the readout at the run's start and end; a run started
    // or continued by this program has a begin cell.
    QString DevName;  // "Device": the model's name, or "No Device"
    QString ModeCell, BeginCell, CutoffCell, CapCell, EnergyCell, AvgCell;
    float BeginVolt = 0, CutoffVolt = 0;
    bool HasBegin = false, HasCutoff = false;
    // Whether the begin cell reads as a number (BeginVolt): a begin cell
    // restored from a record may not, and a first point then starts at the
    // sample.
    bool BeginIsNumber = false;

    bool Monitoring = false;  // a monitor without a run is on
    // Curve sampling and the run-time display run (the panel's curve and
    // show timers follow them).
    bool CurveOn = false, ShowOn = false;
};

// TickSecs and RunSecs of one channel as of one instant: a tick never
// lands between the two readings.
struct RunClock {
    int32_t tick = 0, run = 0;
};
inline RunClock ReadRunClock(const ChanState& c)
{
    for (;;) {
        const uint32_t before = c.ClockSeq.load();
        const RunClock r{c.TickSecs.load(), c.RunSecs.load()};
        if ((before & 1) == 0 && c.ClockSeq.load() == before)
            return r;
        std::this_thread::yield();  // a tick is being applied: let it finish
    }
}

// A slot's step program: rows 1..10, columns 1..4 (kind, set value, limit,
// third value) as texts; row 0 and column 0 are unused.
struct StepTable {
    std::array<std::array<QString, 5>, 11> cell{};
    QString& at(int row, int col) { return cell.at(size_t(row)).at(size_t(col)); }
    const QString& at(int row, int col) const { return cell.at(size_t(row)).at(size_t(col)); }
    // Rows of the program: 1 up to before the first row with an empty column 1.
    int programRows() const
    {
        int n = 0;
        while (n < 10 && !at(n + 1, 1).isEmpty())
            ++n;
        return n;
    }
    bool operator==(const StepTable&) const = default;
};

// One tab of a panel's test tab strip: "key1" single, "key2" auto and
// "key3" cycle test, at a position from 1.
struct TestTab {
    int position = 1;
    QString key;
    bool operator==(const TestTab&) const = default;
};

// One device slot.
struct SlotState {
    std::shared_ptr<SerialPort> hComm;  // null while no port is open

    int16_t DevType = 0;  // 0 before the first reply
    int32_t FwVersion = 0;
    int16_t VerFrames = 0;

    // Limits and factors from the model table (and the device's info reply).
    float MaxCur = 0, MaxVol = 0, MinCur = 0, MinVol = 0;
    int32_t CurFactor = 100, VolFactor = 100, PwrFactor = 1;
    int16_t LastDisMode = 0, CvMode = 0;
    bool CvCutCur = false;
    // The model's modes (names as the model table has them), set up by the
    // device's first reply; empty before it and once the device is
    // disconnected, when the panel offers "No Device" alone.
    QStringList ModeList;

    bool TempOk = false;
    bool AutoRunning = false, StepRunning = false;

    // Automatic axis scaling of the slot's chart (link/runtrack): wanted Y
    // ranges of the voltage, current and third axes (both 0 = not yet set),
    // and the largest TickSecs of the slot's channels reached by the curve
    // timer.
    float VolAxisMax = 0, VolAxisMin = 0, CurAxisMax = 0, CurAxisMin = 0;
    float AuxAxisMax = 0, AuxAxisMin = 0;
    int32_t CurveSecs = 0;
    // The title line of the slot's chart: the chart draws it; Save Data and
    // the parameter file write it. Set by the title dialog and by a
    // parameter file's "T:" line.
    QString TitleText = QStringLiteral("QL Tester Software");

    // The slot's panel.
    bool Dev2S = false;        // the two-channel layout shows
    int ChnSel = 0;            // chosen channel: 1 when the two-channel layout's second channel is chosen
    QString ModeText;          // the mode box's text
    // The entries of the one-channel (0) and the two-channel (1) layout's
    // mode box: a mode list is shown in the box in front only, the other
    // keeps what it showed.
    std::array<QStringList, 2> ModeShown;
    bool RunEnable = false;    // Start is offered: no run going on the panel
    bool StopEnable = false;   // Stop is offered: a run going on the panel may be stopped
    StepTable Steps;           // the cycle test's step program
    // The auto test's result list: one row per current step (number,
    // current, voltage, power), the last one the row being written; empty
    // before an auto test started.
    std::vector<std::array<QString, 4>> AutoResults;
    // The cycle test's result list: one row per step run (pass-row, kind,
    // capacity, energy), the last one the row being written; empty before
    // a step test started.
    std::vector<std::array<QString, 4>> StepResults;
    // The test tabs offered: the single test alone until a device's first
    // reply sets up those it offers, and again once the device is gone.
    std::vector<TestTab> Tabs{TestTab{1, QStringLiteral("key1")}};

    // The menu entries whose meaning depends on this slot's device, as its
    // device, runs and connection last asked for them; the menus show those
    // of the selected slot (link/slotmenus.h). Enabled: the entries that
    // follow the run state (kRunMenus); "Parameter Calibration" once the
    // device answered, until a calibration is opened on it or it is
    // disconnected; "Firmware Update" while the slot's port is closed (the
    // update opens the port the panel names). Shown: the entries the
    // device's model offers (kDeviceMenus), none before its first reply.
    RunMenus RunMenusOn = kRunMenusAtStart;
    bool AdjMenuOn = false;
    bool UpdateMenuOn = true;
    DeviceMenus MenusShown{};

    // The slot's connection.
    int PortNo = 0;            // number of the open port ("COM<n>"), 0 while closed
    bool Connecting = false;   // no valid reply since the connect: connect is repeated
    bool RecvLit = false;      // the receive lamp

    // The channel whose record holds the value fields of channel chn: on the
    // single-channel layout one set of fields answers for both channels.
    int FieldChn(int chn) const { return Dev2S ? chn : 0; }

    std::array<ChanState, kChanCount> chn;

    // Empties the curves of both channels (the chart's ClearAll).
    void ClearCurves()
    {
        for (ChanState& c : chn)
            c.ClearCurves();
    }
};

// All slots of the program.
struct LinkState {
    std::array<SlotState, kSlotCount> slot;

    // Shared with the tool windows (interface thread only): the resistance
    // reading, written by the reply decoder only while it is 0 and cleared
    // by the resistance test; whether the calibration window is open (the
    // decoder then leaves its menu entry alone) and the fast-charge window.
    float ResVolt = 0;
    // The slot and channel a resistance test waits on (ResSlot -1: none),
    // set once its frame has been sent: ResVolt is taken only from their
    // replies, never from another device's.
    int ResSlot = -1;
    int ResChn = 0;
    bool AdjOpen = false;
    bool UsbOpen = false;
    // The selected slot: its tab is in front, and the menus, dialogs and
    // tools act on it. The tab strip shows it.
    int CurDev = 0;
    // The temperature column: runs record, draw and save the temperature as
    // their third value where the device measures it (SlotState::TempOk),
    // else the power. Set from the settings at start-up, by the
    // "Temprature Data" entry (which shows it) and by the display dialog.
    bool TempColumn = false;

    ChanState& ch(int s, int c) { return slot.at(s).chn.at(c); }
    const ChanState& ch(int s, int c) const { return slot.at(s).chn.at(c); }
};

} // namespace ql
