#pragma once
// The device panel DevCtrl as the sequencers see it, and the full-size copy
// of its auto-test result list into the main window's result view.
#include "panel/seqif.h"

#include <QList>
#include <QStringList>

namespace ql {

class DevCtrl;
class FlexGrid;

class DevCtrlSeqView : public SeqPanelIf {
public:
    explicit DevCtrlSeqView(DevCtrl& p) : p_(p) {}

    int chn() const override;
    QString tAutoC1() const override;
    void setTAutoC1(const QString& text) override;
    QString tAutoC2() const override;
    void setTAutoC2(const QString& text) override;
    QString tAutoStep() const override;
    void setTAutoStep(const QString& text) override;
    QString tAutoTime() const override;
    void setTAutoTime(const QString& text) override;
    QString tAutoVol() const override;
    void setTAutoVol(const QString& text) override;
    void setTAutoMode(const QString& text) override;
    bool AutoOptSec() const override;
    void AutoC1Clr() override;
    void AutoC1Add(const QString& item) override;
    void AutoC2Clr() override;
    void AutoC2Add(const QString& item) override;
    void AutoStepClr() override;
    void AutoStepAdd(const QString& item) override;
    void AutoTimeClr() override;
    void AutoTimeAdd(const QString& item) override;
    void AutoModeAdd(const QString& item) override;
    void AutoListClr() override;
    void AutoListAdd() override;
    void setTAutoList(int col, const QString& text) override;
    QString tAutoRun(int row, int col) const override;
    int AutoRunCnt() const override;
    void setAutoCmd(const QString& text) override;
    void setAutoTmrEnable(bool on) override;
    void setTMode(const QString& text) override;
    int ModeCnt() const override;
    QString ModeTxt(int k) const override;
    void setTSval(int c, const QString& text) override;
    void setTSlmt(int c, const QString& text) override;
    void setTStim(int c, const QString& text) override;
    QString tCur(int c) const override;
    QString tVol(int c) const override;
    bool RunEnable() const override;
    bool StopEnable() const override;
    void setTmrCurveEnable(int c, bool on) override;
    QString tStepSet(int row, int col) const override;
    void setTStepSet(int row, int col, const QString& text) override;
    void StepSetClr() override;
    void setStepColor(int row, uint32_t colorref) override;
    void StepListClr() override;
    void StepListAdd() override;
    void setTStepList(int col, const QString& text) override;
    void setStepCmd(const QString& text) override;
    void setStepEnable(bool on) override;
    void setStepTmrEnable(bool on) override;

private:
    DevCtrl& p_;
};

// Fills the main window's result view (gridAutolist) with rows as returned
// by AutoTest::ListClick: 41 rows to begin with, one more per row from row
// 40 on.
void FillAutolist(FlexGrid& grid, const QList<QStringList>& rows);

} // namespace ql
