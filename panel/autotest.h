#pragma once
// The auto test of the panels' "Auto Test" page: one channel's load current
// stepped from a start to an end value, one step per dwell period, with one
// result row (current, voltage, power at the step's last tick) per step.
// The run is a discharge run in the model's first mode, started through the
// main window's start; each later step changes the running set value with
// RemoteSet; the end sends stop. A run the device ends by itself (cut-off
// voltage, its own stop, a lost line) ends the test on the next tick
// without a stop command.
//
// Entry points for the main window (one AutoTest for all slots):
//   InitAutoTest(slot)         -> Init(slot)        after the model is identified
//   DevCtrl_AutoTestClick(i)   -> Click(i)          the page's start/stop button
//   DevCtrl_AutoTmrOn(i)       -> OnTimer(i)        the page's one-second timer
//   DevCtrl_AutoSaveClick(i)   -> SaveClick(i)      writes the result file
//   DevCtrl_AutoListClick(i)   -> ListClick(i)      rows for the full-size view,
//                                                   nothing while the test runs
//   the slot's port closes     -> Halt(i)           ends a running test
// The slot's AutoBusy is the link state's AutoRunning.
//
// Before a start the parameters are checked: start, end, increment and dwell
// must be numbers, the increment above 0, the dwell at least one second,
// start and end within the model's current range and the cut-off voltage
// within its voltage range; a refused start shows the check's message and
// changes nothing.
//
// Step n sends start + n * increment, computed afresh each step so that
// many small increments do not drift. Every value sent lies between start
// and end as the device resolves currents (10 mA or 1 mA): the test ends at
// the step whose value would go out beyond the end, and that value is never
// sent.
#include "link/state.h"

#include <QList>
#include <QStringList>

#include <array>
#include <optional>

class QObject;

namespace ql {

class SeqHostIf;

// Auto-test state of one slot.
struct AutoSlot {
    int16_t AutoSecs = 0;   // ticks since the present step began
    int16_t AutoDwell = 0;  // ticks per step
    bool AutoUp = true;     // stepping upward
    float AutoCur = 0;      // set current of the present step
    float AutoEnd = 0;      // end current
    float AutoInc = 0;      // increment, read at the start
    float AutoStart = 0;    // start current
    int32_t AutoSteps = 0;  // steps taken since the start
    bool AutoOn = false;
};

class AutoTest {
public:
    AutoTest(LinkState& state, SeqHostIf& host);

    void Init(int slot);
    void Click(int slot);
    // The slot's port has closed (disconnect, a lost adapter): a running
    // test ends as its stop would, without a command to the closed port.
    void Halt(int slot);
    void OnTimer(int slot);
    // Writes the result file on the file queue; "Cannot save file!" is shown when it
    // failed, unless asking (the window that asked) is gone by then.
    void SaveClick(int slot, QObject* asking);
    // The rows to show full size (header row first), or nothing while the
    // slot's auto test runs.
    std::optional<QList<QStringList>> ListClick(int slot) const;

    const AutoSlot& at(int slot) const { return a_.at(size_t(slot)); }

private:
    void start(int slot);
    void stop(int slot);
    void ended(int slot);
    void writeRow(int slot, int chn);
    void end(int slot);

    LinkState& st_;
    SeqHostIf& host_;
    std::array<AutoSlot, kSlotCount> a_{};
};

} // namespace ql
