#pragma once
// A run from start to saved data, free of widgets.
//
// RunTracker follows each channel's run state from the device's replies
// (run start, run end with its final cells and automatic data file), turns
// every decoded sample into readouts, run-grid cells, curve points and rows
// of the live run record, feeds and scales the curves, and carries the
// panel's run commands: start, stop, set, continue, monitor and the two
// per-channel timer ticks. It checks the values a command sends, writes
// its frames to the slot's port and drives the channel's counters itself. It
// keeps what it decides in the slot's and channel's records and has them
// shown through the slot's views (RunViewIf), which it gets by slot from the
// window (RunHostIf).
#include "link/encode.h"
#include "link/recordfile.h"
#include "link/state.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace ql {

// Column titles of a slot's run grid, and the texts of a channel's row (row
// chn + 1) as its record holds them: "Device", "Mode", "Begin Volt",
// "Cutoff Volt", "Capacity", "Energy", "Avg Volt". The data file and the run
// record's header take these too.
inline constexpr std::array<const char*, 7> kRunHeaders = {"Device",   "Mode",   "Begin Volt", "Cutoff Volt",
                                                           "Capacity", "Energy", "Avg Volt"};
std::array<QString, 7> RunRowTexts(const ChanState& c);

// A slot's curve chart: its points. Channel c owns curves c * 5 + k: k = 0
// voltage (Y axis 0), 1 current (axis 1), 2 the third value (axis 2), 3
// capacity, 4 energy.
class CurveDataIf {
public:
    virtual ~CurveDataIf() = default;
    virtual int CurveCount() const = 0;
    virtual int DpCnt(int curve) const = 0;
    virtual double DpX(int curve, int index) const = 0;
    virtual double DpY(int curve, int index) const = 0;
    virtual void AddXY(int curve, double x, double y) = 0;
    virtual void Clear(int curve) = 0;
    virtual void ClearAll() = 0;
    virtual void DrawCurve() = 0;
};

// A slot's curve chart: its axes and size.
class CurveAxesIf {
public:
    virtual ~CurveAxesIf() = default;
    virtual double MinX() const = 0;
    virtual void setMinX(double v) = 0;
    virtual double MaxX() const = 0;
    virtual void setMaxX(double v) = 0;
    virtual double MinY(int axis) const = 0;
    virtual void setMinY(int axis, double v) = 0;
    virtual double MaxY(int axis) const = 0;
    virtual void setMaxY(int axis, double v) = 0;
    virtual void setYStep(bool on) = 0;
    virtual bool Large() const = 0;
    virtual void setLarge(bool on) = 0;
    virtual void setSize(bool on) = 0;
};

class RunChartIf : public CurveDataIf, public CurveAxesIf {};

// One slot's panel, run grid, chart and information list as the run code
// shows them. It writes the slot's and channel's records, then asks for the
// parts it changed to be shown from them.
class RunViewIf {
public:
    virtual ~RunViewIf() = default;
    enum Part : unsigned {
        Readouts = 1,  // VoltText, CurText, PwrText
        Fields = 2,    // SvalText, SlmtText, StimText (of the field channel)
        RunCells = 4,  // the run grid's row of the channel
        Timers = 8,    // the curve and show timers follow CurveOn and ShowOn
    };
    virtual void Refresh(int chn, unsigned parts) = 0;
    virtual void ShowTime(int chn, const QString& text) = 0;  // hh:mm:ss
    // The information list: line 1 and 2 status and temperature, chn + 3
    // the channel's monitor line; notes are added below and shown.
    virtual void SetInfoLine(int line, const QString& text) = 0;
    virtual void AddInfoLine(const QString& text) = 0;
    virtual RunChartIf& chart() = 0;
    // The panel's buttons and the slot's menu entries for a running (idle
    // false) or idle panel.
    virtual void SetRunState(bool idle) = 0;
    // Hands the channel's data file to the file queue; written(false) on
    // the interface thread when it could not be written (the failure is
    // logged), written(true) when it was.
    virtual void SaveDataFile(int chn, const QString& path, std::function<void(bool ok)> written) = 0;
};

// The main window as the run code sees it: the views of each slot and what
// belongs to the whole window.
class RunHostIf {
public:
    virtual ~RunHostIf() = default;
    // The views of a slot; views that show nothing for a slot the window
    // has none of.
    virtual RunViewIf& runView(int slot) = 0;
    virtual void SetAdjButtons(bool enable) = 0;
    virtual void ShowMsg(const QString& text) = 0;  // the transient "STOP" message
    virtual void SetFwText(const QString& text) = 0;
};

// Values of a floating readout window.
struct ReadoutValues {
    QString title, cur, vol, pwr, d1, d2;
};

// The floating readout windows.
class ReadoutWindowsIf {
public:
    virtual ~ReadoutWindowsIf() = default;
    virtual bool MinDispShown() const = 0;
    virtual void ShowDisp(const ReadoutValues& v) = 0;
    virtual bool MeterOpen() const = 0;
    virtual void ShowMeter() = 0;
    virtual void HideMeter() = 0;
    virtual void UnloadMeter() = 0;
    virtual void SetMeter(const ReadoutValues& v) = 0;
};

// Who asked for a start, set or continue: a refused value is shown to a
// user and logged for a sequencer or the decoder.
enum class RunCaller { User, Program };

// The capacity and energy cells of a channel's run-grid row from its
// capacity and energy: "Ah" and "Wh" from 10 on, "mAh" and "mWh" below.
void CapacityCells(ChanState& c);

class ReplyDecoder;
class SecondTicker;

class RunTracker {
public:
    // Frames go out on the slots' ports, the run counters are the ticker's.
    RunTracker(LinkState& state, SecondTicker& ticker, RunHostIf& host, ReadoutWindowsIf& readouts);

    // Clock of run-end file names and program folder; replaceable in tests.
    std::function<QDateTime()> now;
    QString programDir;
    // The live records of the runs, open while their runs go on.
    RecordFiles records;

    // --- Reply decoder hook -------------------------------------------
    // Joins the decoder's per-frame hook.
    void Attach(ReplyDecoder& decoder);
    // Last stage of a valid frame of (slot, chn), once the decoder stored
    // what it carries: run state digit in runState; dataReply when it is a
    // data reply, which carries the device's set values.
    void Track(int slot, int chn, int runState, bool dataReply = true);

    // --- Per-sample update and curves --------------------------------
    void ShowSample(int slot, int chn);
    void ShowCapacity(int slot, int chn);
    // The readouts of a channel from its measurements, and the large
    // floating readout from the selected slot's first channel.
    void ShowReadouts(int slot, int chn);
    void ShowDispReadout();
    // The slot's device is gone (its port closed itself): both channels'
    // readouts show zero, here and in the large floating readout.
    void DeviceLost(int slot);
    void AddCurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn);
    void AddCurvePoint2(int32_t x, float volt, float cur, float third, int slot, int chn);
    void ScaleCurveAxes(int slot);

    // --- Panel commands -------------------------------------------------
    // Start: checks the values first; false (nothing changed) when refused.
    bool RunClick(int slot, int chn, RunCaller caller = RunCaller::User);
    void StopClick(int slot, int chn);
    bool SetClick(int slot, int chn, RunCaller caller = RunCaller::User);
    // Continue from the live record; false when there is none or it cannot
    // be read or the values cannot be sent.
    bool ContClick(int slot, int chn, RunCaller caller = RunCaller::User);
    void MonitorClick(int slot, int chn);
    void TmrCurveOn(int slot, int chn);
    void TmrShowOn(int slot, int chn);

    // Names of the files a run leaves.
    QString RecordBase(int slot, int chn) const;        // without ".bak"
    QString AutoDataFileName(int slot, int chn) const;  // <dir>/Data/<y>-<m>-<d>-<h>-<n>-<s>-<dev>-<slot+1>-<chn+1>.csv|.dat

private:
    // The steps of ShowSample.
    void ShowStatusLines(int slot, int chn);
    void ShowFwText();
    void SampleRunCells(int slot, int chn, const RunClock& clock);
    void SamplePoints(int slot, int chn, const RunClock& clock);
    void ShowMeterReadout(int slot, int chn);

    // The frame a start (kind 1), set (7) or continue (8) of the channel
    // sends, once its values passed their check; nothing when they did not
    // (shown to a user, logged for a program).
    std::optional<Encoded> CheckedFrame(int slot, int chn, int kind, RunCaller caller);
    void RunEnd(int slot, int chn, bool* stopMsg);
    void CurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn);
    bool WithTemp(int slot) const;
    // Marks a channel's record as failing or written again; a change is shown
    // once in the slot's information list.
    void RecordFailing(int slot, int chn, bool failing);
    // A row or the last sync of the record at path failed: logged once until
    // rows are written again, and marked failing.
    void RecordFailed(int slot, int chn, const QString& path, const QString& error);

    RunViewIf& view(int slot) { return host_.runView(slot); }

    LinkState& st_;
    SecondTicker& ticker_;
    RunHostIf& host_;
    ReadoutWindowsIf& readouts_;
    // A record that failed to take a row is logged and shown once until it
    // works again.
    bool recordFailing_[kSlotCount][kChanCount] = {};
};

} // namespace ql
