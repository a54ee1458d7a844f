#pragma once
// What the auto-test and step-test sequencers use of a device panel and of
// the main window. The real DevCtrl implements SeqPanelIf; the main window
// answers SeqHostIf; tests fake both.
// Channel arguments are 0 or 1.
#include <QString>

#include <cstdint>

namespace ql {

class SeqPanelIf {
public:
    virtual ~SeqPanelIf() = default;

    virtual int ChnIndex() const = 0;  // the panel's selected channel as a number

    // Auto-test page: parameters and their choice lists.
    virtual QString tAutoC1() const = 0;
    virtual void setTAutoC1(const QString& text) = 0;
    virtual QString tAutoC2() const = 0;
    virtual void setTAutoC2(const QString& text) = 0;
    virtual QString tAutoStep() const = 0;
    virtual void setTAutoStep(const QString& text) = 0;
    virtual QString tAutoTime() const = 0;
    virtual void setTAutoTime(const QString& text) = 0;
    virtual QString tAutoVol() const = 0;
    virtual void setTAutoVol(const QString& text) = 0;
    virtual void setTAutoMode(const QString& text) = 0;
    virtual bool AutoOptSec() const = 0;
    virtual void AutoC1Clr() = 0;
    virtual void AutoC1Add(const QString& item) = 0;
    virtual void AutoC2Clr() = 0;
    virtual void AutoC2Add(const QString& item) = 0;
    virtual void AutoStepClr() = 0;
    virtual void AutoStepAdd(const QString& item) = 0;
    virtual void AutoTimeClr() = 0;
    virtual void AutoTimeAdd(const QString& item) = 0;
    virtual void AutoModeAdd(const QString& item) = 0;

    // Auto-test result list: header row 0, the current row written by column.
    virtual void AutoListClr() = 0;
    virtual void AutoListAdd() = 0;
    virtual void setTAutoList(int col, const QString& text) = 0;
    virtual QString tAutoRun(int row, int col) const = 0;
    virtual int AutoRunCnt() const = 0;
    virtual void setAutoCmd(const QString& text) = 0;
    virtual void setAutoTmrEnable(bool on) = 0;

    // Run fields and buttons.
    virtual void setTMode(const QString& text) = 0;  // selects the mode (raises the mode click)
    virtual int ModeCnt() const = 0;
    virtual QString ModeTxt(int k) const = 0;
    virtual void setTSval(int c, const QString& text) = 0;
    virtual void setTSlmt(int c, const QString& text) = 0;
    virtual void setTStim(int c, const QString& text) = 0;
    virtual QString tCur(int c) const = 0;
    virtual QString tVol(int c) const = 0;
    virtual bool RunEnable() const = 0;
    virtual bool StopEnable() const = 0;
    virtual void setTmrCurveEnable(int c, bool on) = 0;

    // Cycle-test page: the step program (rows 1..10, columns 1..4), its
    // result list and buttons.
    virtual QString tStepSet(int row, int col) const = 0;
    virtual void setTStepSet(int row, int col, const QString& text) = 0;
    virtual void StepSetClr() = 0;
    virtual void setStepColor(int row, uint32_t colorref) = 0;
    virtual void StepListClr() = 0;
    virtual void StepListAdd() = 0;
    virtual void setTStepList(int col, const QString& text) = 0;
    virtual void setStepCmd(const QString& text) = 0;
    virtual void setStepEnable(bool on) = 0;
    virtual void setStepTmrEnable(bool on) = 0;
};

class SeqHostIf {
public:
    virtual ~SeqHostIf() = default;

    // The slot's panel; never null for a slot that exists.
    virtual SeqPanelIf* seqPanel(int slot) = 0;

    // The main window's run commands. RunClick starts what the panel's
    // fields hold after checking them, logging a refusal (no message box);
    // it returns false when the start was refused.
    virtual bool RunClick(int slot, int chn) = 0;
    virtual void StopClick(int slot, int chn) = 0;
    // Changes the running set value of the channel chosen on the panel.
    virtual void RemoteSet(int slot, float value) = 0;
    // Stops the channel's one-second counter.
    virtual void TmrStop(int slot, int chn) = 0;

    // The slot's chart, run grid and information list.
    virtual void ChartClearAll(int slot) = 0;
    virtual void ChartYStep(int slot, bool on) = 0;
    virtual QString GridText(int slot, int row, int col) const = 0;
    virtual QString InfoLine(int slot, int line) const = 0;
};

} // namespace ql
