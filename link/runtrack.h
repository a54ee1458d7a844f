#pragma once
// A run from start to saved data, free of widgets.
//
// RunTracker follows each channel's run state from the device's replies
// (run start, run end with its final cells and automatic data file), turns
// every decoded sample into readouts, run-grid cells, curve points and rows
// of the live run record, feeds and scales the curves, and carries the
// panel's run commands: start, stop, set, continue, monitor and the two
// per-channel timer ticks. It reaches the panel, run grid, chart,
// information list and main window only through the narrow interfaces below.
#include "link/recordfile.h"
#include "link/state.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace ql {

// What the run code uses of a slot's device panel. Channel arguments are 0 or
// 1; in the single-channel layout the one field of each kind answers.
class RunPanelIf {
public:
    virtual ~RunPanelIf() = default;
    virtual int ChnIndex() const = 0;  // the panel's selected channel as a number
    virtual bool Dev2S() const = 0;
    virtual QString tPort() const = 0;

    virtual QString tMode() const = 0;
    virtual QString tSval(int c) const = 0;
    virtual void setTSval(int c, const QString& text) = 0;
    virtual QString tSlmt(int c) const = 0;
    virtual void setTSlmt(int c, const QString& text) = 0;
    virtual QString tStim(int c) const = 0;
    virtual void setTStim(int c, const QString& text) = 0;
    virtual QString lSvalt(int c) const = 0;
    virtual QString lSlmtt(int c) const = 0;
    virtual bool SvalEnable(int c) const = 0;
    virtual bool SlmtEnable(int c) const = 0;
    virtual bool StimEnable(int c) const = 0;

    virtual QString tVol(int c) const = 0;
    virtual void setTVol(int c, const QString& text) = 0;
    virtual QString tCur(int c) const = 0;
    virtual void setTCur(int c, const QString& text) = 0;
    virtual QString tPwr(int c) const = 0;
    virtual void setTPwr(int c, const QString& text) = 0;
    virtual void setTTime(int c, const QString& text) = 0;

    virtual bool RunEnable() const = 0;
    virtual bool TmrShowEnable(int c) const = 0;
    virtual void setTmrShowEnable(int c, bool on) = 0;
    virtual bool TmrCurveEnable(int c) const = 0;
    virtual void setTmrCurveEnable(int c, bool on) = 0;

    // Test page (1 single, 2 auto, 3 cycle) and the step-result list.
    virtual int Test() const = 0;
    virtual QString tStepList(int row, int col) const = 0;
    virtual int StepListCnt() const = 0;
};

// A slot's run grid: row 0 the headers, row chn + 1 the channel; columns
// 0 "Device", 1 "Mode", 2 "Begin Volt", 3 "Cutoff Volt", 4 "Capacity",
// 5 "Energy", 6 "Avg Volt", 7 and 8 the colour cells.
class RunGridIf {
public:
    virtual ~RunGridIf() = default;
    virtual QString text(int row, int col) const = 0;
    virtual void setText(int row, int col, const QString& text) = 0;
    virtual void setCellBackColor(int row, int col, int32_t colorref) = 0;
};

// A slot's curve chart. Channel c owns curves c * 5 + k: k = 0 voltage
// (Y axis 0), 1 current (axis 1), 2 the third value (axis 2), 3 capacity,
// 4 energy.
class RunChartIf {
public:
    virtual ~RunChartIf() = default;
    virtual int CurveCount() const = 0;
    virtual void setCurveCount(int n) = 0;
    virtual int DpCnt(int curve) const = 0;
    virtual double DpX(int curve, int index) const = 0;
    virtual double DpY(int curve, int index) const = 0;
    virtual void AddXY(int curve, double x, double y) = 0;
    virtual void Clear(int curve) = 0;
    virtual void ClearAll() = 0;
    virtual double MinX() const = 0;
    virtual void setMinX(double v) = 0;
    virtual double MaxX() const = 0;
    virtual void setMaxX(double v) = 0;
    virtual double MinY(int axis) const = 0;
    virtual void setMinY(int axis, double v) = 0;
    virtual double MaxY(int axis) const = 0;
    virtual void setMaxY(int axis, double v) = 0;
    virtual void DrawCurve() = 0;
    virtual void setYStep(bool on) = 0;
    virtual bool Large() const = 0;
    virtual void setLarge(bool on) = 0;
    virtual void setSize(bool on) = 0;
    virtual QString TitleText() const = 0;
    virtual void setLegendText(int curve, const QString& text) = 0;
    virtual int32_t CurveLineColor(int curve) const = 0;
    virtual void setCurveLineColor(int curve, int32_t colorref) = 0;
    virtual int CurveAxesY(int curve) const = 0;
    virtual void setCurveAxesY(int curve, int axis) = 0;
    virtual bool ShowCurve(int curve) const = 0;
    virtual void setShowCurve(int curve, bool on) = 0;
    virtual void setShowLegend(int curve, bool on) = 0;
};

// A slot's information list (line 0 the clock, 1 and 2 status and
// temperature, chn + 3 the channel's monitor line; notes are added below).
class RunInfoIf {
public:
    virtual ~RunInfoIf() = default;
    virtual QString line(int i) const = 0;
    virtual void setLine(int i, const QString& text) = 0;
    // Adds a note below the fixed lines and brings it into view.
    virtual void addLine(const QString& text) = 0;
};

// Values of a floating readout window.
struct ReadoutValues {
    QString title, cur, vol, pwr, d1, d2;
};

// The main window as the run code sees it.
class RunHostIf {
public:
    virtual ~RunHostIf() = default;

    // Per-slot controls; never null for a slot that exists.
    virtual RunPanelIf* panel(int slot) = 0;
    virtual RunGridIf* grid(int slot) = 0;
    virtual RunChartIf* chart(int slot) = 0;
    virtual RunInfoIf* info(int slot) = 0;

    // Settings and menu state.
    virtual bool AutoSave() const = 0;
    virtual bool SaveCsv() const = 0;
    virtual bool AutoScale() const = 0;
    virtual bool ShowLabel() const = 0;
    virtual bool MenuTemp() const = 0;  // "Temprature Data" checked
    virtual int CurDev() const = 0;
    // Line colours of channel 2's voltage and current curves (DATA/VCOL1, CCOL1).
    virtual int32_t ChannelColor(bool current) const = 0;

    // Main-window procedures.
    virtual void SetRunState(bool idle, int slot) = 0;
    virtual void SetAdjButtons(bool enable) = 0;
    virtual void ShowMsg(const QString& text) = 0;           // the transient "STOP" message
    virtual void ShowCritical(const QString& text) = 0;      // "Prompt" box, critical icon (text already through Lang)
    virtual void SetupModeFields(int slot, int chn) = 0;
    virtual void SetFwText(const QString& text) = 0;
    virtual void SaveDataFile(int slot, int chn, const QString& path) = 0;

    // Command senders and counters.
    virtual void SendStart(int slot, int chn, int kind) = 0;
    virtual void SendStop(int slot, int chn) = 0;
    virtual void SendTime(int slot, int chn) = 0;
    virtual void TmrStart(int slot, int chn) = 0;
    virtual void TmrStop(int slot, int chn) = 0;
    virtual void TmrResume(int slot, int chn) = 0;
    virtual void TmrPause(int slot, int chn) = 0;
    // Sets both counters of a channel (a reset or a reload).
    virtual void SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs) = 0;

    // Floating readout windows.
    virtual bool MinDispShown() const = 0;
    virtual void ShowDisp(const ReadoutValues& v) = 0;
    virtual bool MeterOpen() const = 0;
    virtual bool UsbOpen() const = 0;
    virtual void ShowMeter() = 0;
    virtual void HideMeter() = 0;
    virtual void UnloadMeter() = 0;
    virtual void SetMeter(const ReadoutValues& v) = 0;
};

// The decoder's steps that run tracking calls on the running branch.
class RunEchoIf {
public:
    virtual ~RunEchoIf() = default;
    // A run starts (or is found going): mode, echoes or info fields, then SetupModeFields.
    virtual void RunStartEcho(int slot, int chn) = 0;
    // While SetPend counts: echoes, SetupModeFields, SetPend.
    virtual void SetEcho(int slot, int chn) = 0;
    // The frame being handled carries the set values (a data reply; an
    // info reply carries the version and rated maxima instead).
    virtual bool CarriesEchoes(int /*slot*/, int /*chn*/) const { return true; }
};

// Who asked for a start, set or continue: a refused value is shown to a
// user and logged for a sequencer or the decoder.
enum class RunCaller { User, Program };

// Verdict on the values a start (kind 1), set (7) or continue (8) would send.
struct SendCheck {
    bool ok = true;
    int field = 0;        // 0 set value, 1 limit, 2 third value: the first that failed
    QString message;      // for the user, before Lang
    QString replacement;  // text for the field, when the value has one
    QString reason;       // for the log
};
// The panel's checks (panel/valuecheck: CheckBeforeSend) are handed in by the
// main window, since the link does not see the panel library.
using SendChecker = std::function<SendCheck(const SlotState& slot, int chn, int kind, const RunPanelIf& panel)>;

class ReplyDecoder;

class RunTracker {
public:
    RunTracker(LinkState& state, RunHostIf& host);

    // Clock of run-end file names and program folder; replaceable in tests.
    std::function<QDateTime()> now;
    QString programDir;
    // Checks the panel's values before a start, set or continue changes
    // anything; the main window sets it to CheckBeforeSend. Unset, only the
    // frame builder's own refusal guards the values.
    SendChecker checkSend;
    // The live records of the runs, open while their runs go on.
    RecordFiles records;

    // --- Reply decoder hook -------------------------------------------
    // Joins the decoder's per-frame hook, with its echo steps.
    void Attach(ReplyDecoder& decoder);
    // Last stage of a valid frame of (slot, chn): run state digit in runState.
    void Track(int slot, int chn, int runState, RunEchoIf* echo = nullptr);

    // --- Per-sample update and curves --------------------------------
    void ShowSample(int slot, int chn);
    void ShowCapacity(int slot, int chn);
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
    void InitChnCurves(int slot);

    // Names of the files a run leaves.
    QString RecordBase(int slot, int chn) const;        // without ".bak"
    QString AutoDataFileName(int slot, int chn) const;  // <dir>/Data/<y>-<m>-<d>-<h>-<n>-<s>-<dev>-<slot+1>-<chn+1>.csv|.dat

private:
    bool CheckBeforeSend(int slot, int chn, int kind, RunCaller caller);
    void RunEnd(int slot, int chn, bool* stopMsg);
    void CurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn);
    bool WithTemp(int slot) const;
    // Marks a channel's record as failing or written again; a change is shown
    // once in the slot's information list.
    void RecordFailing(int slot, int chn, bool failing);

    LinkState& st_;
    RunHostIf& host_;
    // A record that failed to take a row is logged and shown once until it
    // works again.
    bool recordFailing_[kSlotCount][kChanCount] = {};
};

} // namespace ql
