#include "panel/seqpanel.h"

#include "panel/devctrl.h"
#include "panel/flexgrid.h"

namespace ql {

int DevCtrlSeqView::chn() const { return p_.chn() == QLatin1String("1") ? 1 : 0; }
QString DevCtrlSeqView::tAutoC1() const { return p_.tAutoC1(); }
void DevCtrlSeqView::setTAutoC1(const QString& text) { p_.setTAutoC1(text); }
QString DevCtrlSeqView::tAutoC2() const { return p_.tAutoC2(); }
void DevCtrlSeqView::setTAutoC2(const QString& text) { p_.setTAutoC2(text); }
QString DevCtrlSeqView::tAutoStep() const { return p_.tAutoStep(); }
void DevCtrlSeqView::setTAutoStep(const QString& text) { p_.setTAutoStep(text); }
QString DevCtrlSeqView::tAutoTime() const { return p_.tAutoTime(); }
void DevCtrlSeqView::setTAutoTime(const QString& text) { p_.setTAutoTime(text); }
QString DevCtrlSeqView::tAutoVol() const { return p_.tAutoVol(); }
void DevCtrlSeqView::setTAutoVol(const QString& text) { p_.setTAutoVol(text); }
void DevCtrlSeqView::setTAutoMode(const QString& text) { p_.setTAutoMode(text); }
bool DevCtrlSeqView::AutoOptSec() const { return p_.AutoOptSec(); }
void DevCtrlSeqView::AutoC1Clr() { p_.AutoC1Clr(); }
void DevCtrlSeqView::AutoC1Add(const QString& item) { p_.AutoC1Add(item); }
void DevCtrlSeqView::AutoC2Clr() { p_.AutoC2Clr(); }
void DevCtrlSeqView::AutoC2Add(const QString& item) { p_.AutoC2Add(item); }
void DevCtrlSeqView::AutoStepClr() { p_.AutoStepClr(); }
void DevCtrlSeqView::AutoStepAdd(const QString& item) { p_.AutoStepAdd(item); }
void DevCtrlSeqView::AutoTimeClr() { p_.AutoTimeClr(); }
void DevCtrlSeqView::AutoTimeAdd(const QString& item) { p_.AutoTimeAdd(item); }
void DevCtrlSeqView::AutoModeAdd(const QString& item) { p_.AutoModeAdd(item); }
void DevCtrlSeqView::AutoListClr() { p_.AutoListClr(); }
void DevCtrlSeqView::AutoListAdd() { p_.AutoListAdd(); }
void DevCtrlSeqView::setTAutoList(int col, const QString& text) { p_.setTAutoList(col, text); }
QString DevCtrlSeqView::tAutoRun(int row, int col) const { return p_.tAutoRun(row, col); }
int DevCtrlSeqView::AutoRunCnt() const { return p_.AutoRunCnt(); }
void DevCtrlSeqView::setAutoCmd(const QString& text) { p_.setAutoCmd(text); }
void DevCtrlSeqView::setAutoTmrEnable(bool on) { p_.setAutoTmrEnable(on); }
void DevCtrlSeqView::setTMode(const QString& text) { p_.setTMode(text); }
int DevCtrlSeqView::ModeCnt() const { return p_.ModeCnt(); }
QString DevCtrlSeqView::ModeTxt(int k) const { return p_.ModeTxt(k); }
void DevCtrlSeqView::setTSval(int c, const QString& text) { p_.setTSval(c, text); }
void DevCtrlSeqView::setTSlmt(int c, const QString& text) { p_.setTSlmt(c, text); }
void DevCtrlSeqView::setTStim(int c, const QString& text) { p_.setTStim(c, text); }
QString DevCtrlSeqView::tCur(int c) const { return p_.tCur(c); }
QString DevCtrlSeqView::tVol(int c) const { return p_.tVol(c); }
bool DevCtrlSeqView::RunEnable() const { return p_.RunEnable(); }
bool DevCtrlSeqView::StopEnable() const { return p_.StopEnable(); }
void DevCtrlSeqView::setTmrCurveEnable(int c, bool on) { p_.setTmrCurveEnable(c, on); }
QString DevCtrlSeqView::tStepSet(int row, int col) const { return p_.tStepSet(row, col); }
void DevCtrlSeqView::setTStepSet(int row, int col, const QString& text) { p_.setTStepSet(row, col, text); }
void DevCtrlSeqView::StepSetClr() { p_.StepSetClr(); }
void DevCtrlSeqView::setStepColor(int row, uint32_t colorref) { p_.setStepColor(row, colorref); }
void DevCtrlSeqView::StepListClr() { p_.StepListClr(); }
void DevCtrlSeqView::StepListAdd() { p_.StepListAdd(); }
void DevCtrlSeqView::setTStepList(int col, const QString& text) { p_.setTStepList(col, text); }
void DevCtrlSeqView::setStepCmd(const QString& text) { p_.setStepCmd(text); }
void DevCtrlSeqView::setStepEnable(bool on) { p_.setStepEnable(on); }
void DevCtrlSeqView::setStepTmrEnable(bool on) { p_.setStepTmrEnable(on); }
void FillAutolist(FlexGrid& grid, const QList<QStringList>& rows)
{
    grid.Clear();
    grid.setRows(41);
    for (int r = 0; r < rows.size(); ++r) {
        if (r >= 40)
            grid.setRows(grid.Rows() + 1);
        const QStringList& cells = rows[r];
        for (int c = 0; c < 4 && c < cells.size() && c < grid.Cols(); ++c)
            grid.setTextMatrix(r, c, cells[c]);
    }
}

} // namespace ql
