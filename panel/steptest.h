#pragma once
// The step test of the panels' "Cycle Test" page: runs the slot's step
// program (SlotState::Steps, shown in the page's grid; up to ten rows: a run in one of the device's modes, a "Wait" of
// some minutes, or a "Cycle" back to row 1 a number of times), one row per
// step, one result row (pass-row, kind, capacity, energy) per step run.
// Each tick (one a second) loads a step (state 0), watches it start or
// waits (1), and when the device no longer reports the run records it and
// moves on (2). A start the device does not take up is tried five times in
// all; a step's time limit stops its run from here.
//
// Entry points for the main window (one StepTest for all slots):
//   DevCtrl_StepTestClick(i)  -> StartStop(i)   start/stop button
//   DevCtrl_StepTmrOn(i)      -> OnTimer(i)     the page's one-second timer
//   DevCtrl_StepClrClick(i)   -> ClearClick(i)  empties the program
//   DevCtrl_StepSaveClick(i)  -> SaveClick(i)   writes a ".stp" file
//   DevCtrl_StepOpenClick(i)  -> OpenClick(i)   reads a ".stp" file
//   DevCtrl_StepSetClick(i)   -> the step editor frmSet (panel/stepedit.h)
//   the slot's port closes    -> Halt(i)        ends a running program
// The slot's StepBusy is the link state's StepRunning.
//
// Before a start every program row is checked as the editor checks typed
// values (a program read from a file never went through it): a refused
// program shows the message and does not start. A file that cannot be read
// or written, or holds a damaged line or a refused value, is logged and
// reported and leaves the program as it was.
#include "link/state.h"

#include <QString>

#include <array>

class QObject;

namespace ql {

class RunFieldsIf;
class SeqHostIf;
class StepPageIf;

// Step-test state of one slot.
struct StepSlot {
    int16_t StepMode = 0;   // mode index of the present step; ModeCnt for "Wait"
    int32_t StepLimit = 0;  // time limit in seconds, 0 = none
    int32_t StepSecs = 0;   // seconds counted in the present step
    int16_t StepPos = 1;    // row of the step program being run, 1..10
    int16_t StepCycle = 1;  // pass number
    int16_t StepState = 0;  // 0 load, 1 started or waiting, 2 over: record and advance
    int16_t StepTries = 0;  // repeated start attempts, 0..3
    bool StepOn = false;
};

// Colours of the step program's number cells (COLORREF).
inline constexpr uint32_t kStepDisColor = 0x00C000;
inline constexpr uint32_t kStepChgColor = 0x0000FF;
inline constexpr uint32_t kStepWaitColor = 0x00C0C0;
inline constexpr uint32_t kStepIdleColor = 0xF0F0F0;  // the button face

class StepTest {
public:
    StepTest(LinkState& state, SeqHostIf& host);

    void StartStop(int slot);
    void OnTimer(int slot);
    // The slot's port has closed (disconnect, a lost adapter): a running
    // program ends as its stop would, without a command to the closed port.
    void Halt(int slot);
    void ClearClick(int slot);
    // Writes the ".stp" file on the file queue; "Cannot save file!" is shown when it
    // failed, unless asking (the window that asked) is gone by then.
    void SaveClick(int slot, QObject* asking);
    void OpenClick(int slot);

    const StepSlot& at(int slot) const { return a_.at(size_t(slot)); }

    // Capacity or energy as the result list shows it: "0.00" from 10 up,
    // "0.000" below.
    static QString FormatAmount(float v);

private:
    void start(int slot);
    void stop(int slot, bool sendStop = true);
    void load(int slot, StepPageIf& p, RunFieldsIf& f, int chn);
    void record(int slot, StepPageIf& p, const RunFieldsIf& f, int chn);
    void amounts(int slot, StepPageIf& p, int chn);
    void setSteps(int slot, const StepTable& steps);
    static QStringList modes(const RunFieldsIf& f);

    LinkState& st_;
    SeqHostIf& host_;
    std::array<StepSlot, kSlotCount> a_{};
};

} // namespace ql
