#pragma once
// What the auto-test and step-test sequencers, the step editor and the tool
// windows use of a device panel and of the main window, split by use: the
// auto-test page, the cycle-test page, the run page's fields, and the run
// commands. The real DevCtrl implements the three panel interfaces
// (SeqPanelIf); the main window answers SeqHostIf; tests fake both.
// Channel arguments are 0 or 1.
#include "link/runtrack.h"
#include "link/state.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace ql {

// The auto-test parameters as the page shows them.
struct AutoParams {
    QString c1, c2, step, time, vol;  // start, end, increment, dwell, cut-off voltage
    bool seconds = true;              // the dwell is in seconds (else minutes)
};

// The auto-test page's choice lists and the entries chosen, set after the
// model is identified. The mode list holds each mode once.
struct AutoChoices {
    QStringList currents, steps, times;  // currents fill both the start and end lists
    QString c1, c2, step, time, vol;
    QString mode;  // added to the mode list unless there, and chosen
};

// The "Auto Test" page.
class AutoPageIf {
public:
    virtual ~AutoPageIf() = default;
    virtual AutoParams AutoParameters() const = 0;
    virtual void ShowAutoChoices(const AutoChoices& choices) = 0;
    // Result list: header row 0; the current row is written by column.
    virtual void AutoListClr() = 0;
    virtual void AutoListAdd() = 0;
    virtual void setTAutoList(int col, const QString& text) = 0;
    // The rows (header first, four columns) up to the first whose column 1
    // is empty.
    virtual QList<QStringList> AutoRows() const = 0;
    virtual void setAutoCmd(const QString& text) = 0;
    virtual void setAutoTmrEnable(bool on) = 0;
};

// The "Cycle Test" page.
class StepPageIf {
public:
    virtual ~StepPageIf() = default;
    // Shows the slot's step program (its record, SlotState::Steps).
    virtual void ShowSteps(const StepTable& steps) = 0;
    // Background of the step number at row; makes it current.
    virtual void setStepColor(int row, uint32_t colorref) = 0;
    // Result list: the current row is written by column.
    virtual void StepListClr() = 0;
    virtual void StepListAdd() = 0;
    virtual void setTStepList(int col, const QString& text) = 0;
    virtual void setStepCmd(const QString& text) = 0;
    virtual void setStepEnable(bool on) = 0;
    virtual void setStepTmrEnable(bool on) = 0;
};

// The run page: the channel choice, the mode list and the value fields that
// a start sends, the start and stop buttons' states, the curve timer.
class RunFieldsIf {
public:
    virtual ~RunFieldsIf() = default;
    virtual int ChnIndex() const = 0;  // the channel chosen on the panel
    virtual int ModeCnt() const = 0;
    virtual QString ModeTxt(int k) const = 0;
    virtual void setTMode(const QString& text) = 0;  // selects the mode (raises the mode click)
    virtual void setTSval(int c, const QString& text) = 0;
    virtual void setTSlmt(int c, const QString& text) = 0;
    virtual void setTStim(int c, const QString& text) = 0;
    virtual bool RunEnable() const = 0;
    virtual bool StopEnable() const = 0;
    virtual void setTmrCurveEnable(int c, bool on) = 0;
};

// The whole panel as the sequencers and tools see it.
class SeqPanelIf : public AutoPageIf, public StepPageIf, public RunFieldsIf {};

// The main window's run commands, shared by the sequencers and the tools.
class RunCommandsIf {
public:
    virtual ~RunCommandsIf() = default;
    // The start handler: starts what the channel's fields hold after
    // checking them. A user's refused start is shown; a program's is only
    // logged. False when the start was refused.
    virtual bool DevCtrl_RunClick(int slot, int chn, RunCaller caller) = 0;
    virtual void DevCtrl_StopClick(int slot, int chn) = 0;
    // A new set value (amperes) for the channel, written to its set field.
    virtual void RemoteSet(int slot, int chn, float value) = 0;
    // Trigger codes, on the channel chosen on the slot's panel.
    virtual void RemoteQC(int slot, int code) = 0;
    virtual void RemotePE(int slot, int direction) = 0;
};

class SeqHostIf {
public:
    virtual ~SeqHostIf() = default;

    // The slot's panel pages; never null for a slot that exists.
    virtual AutoPageIf* autoPage(int slot) = 0;
    virtual StepPageIf* stepPage(int slot) = 0;
    virtual RunFieldsIf* fields(int slot) = 0;
    virtual RunCommandsIf& Commands() = 0;

    // Stops the channel's one-second counter.
    virtual void TmrStop(int slot, int chn) = 0;
    // The slot's chart.
    virtual void ChartClearAll(int slot) = 0;
    virtual void ChartYStep(int slot, bool on) = 0;
    // The channel's device name as the run grid shows it, and whether a
    // monitor without a run is on.
    virtual QString DevName(int slot, int chn) const = 0;
    virtual bool Monitoring(int slot, int chn) const = 0;
};

}  // namespace ql
