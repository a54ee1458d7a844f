// DevCtrl: the members of the auto-test and cycle-test pages.
#include "panel/devctrlparts.h"

#include <algorithm>

namespace ql {

using namespace devctrlparts;

// ---- Auto-test and cycle-test pages -------------------------------------------

void DevCtrl::AutoC1Add(const QString& item) { AddKeepingChoice(ui_->cmbC1Auto, item); }
void DevCtrl::AutoC1Clr() { ClearList(ui_->cmbC1Auto); }
void DevCtrl::AutoC2Add(const QString& item) { AddKeepingChoice(ui_->cmbC2Auto, item); }
void DevCtrl::AutoC2Clr() { ClearList(ui_->cmbC2Auto); }
void DevCtrl::AutoStepAdd(const QString& item) { AddKeepingChoice(ui_->cmbStepAuto, item); }
void DevCtrl::AutoStepClr() { ClearList(ui_->cmbStepAuto); }
void DevCtrl::AutoTimeAdd(const QString& item) { AddKeepingChoice(ui_->cmbTimeAuto, item); }
// The auto test's mode list holds each mode once: every identification of
// the device offers its mode again.
void DevCtrl::AutoModeAdd(const QString& item)
{
    if (ui_->cmbModeAuto->findText(item, Qt::MatchExactly) < 0)
        AddKeepingChoice(ui_->cmbModeAuto, item);
}
void DevCtrl::AutoTimeClr() { ClearList(ui_->cmbTimeAuto); }

AutoParams DevCtrl::AutoParameters() const
{
    AutoParams a;
    a.c1 = tAutoC1();
    a.c2 = tAutoC2();
    a.step = tAutoStep();
    a.time = tAutoTime();
    a.vol = tAutoVol();
    a.seconds = AutoOptSec();
    return a;
}

void DevCtrl::ShowAutoChoices(const AutoChoices& c)
{
    AutoC1Clr();
    AutoC2Clr();
    AutoStepClr();
    AutoTimeClr();
    for (const QString& v : c.currents) {
        AutoC1Add(v);
        AutoC2Add(v);
    }
    for (const QString& v : c.steps)
        AutoStepAdd(v);
    setTAutoC1(c.c1);
    setTAutoC2(c.c2);
    setTAutoStep(c.step);
    for (const QString& v : c.times)
        AutoTimeAdd(v);
    setTAutoTime(c.time);
    AutoModeAdd(c.mode);
    setTAutoMode(c.mode);
    setTAutoVol(c.vol);
}

QList<QStringList> DevCtrl::AutoRows() const
{
    QList<QStringList> rows{AutoResultHeader()};
    for (const auto& r : rec_->AutoResults) {
        if (r[1].isEmpty())
            break;
        rows << QStringList(r.begin(), r.end());
    }
    return rows;
}

void DevCtrl::ShowSteps(const StepTable& steps)
{
    StepSetClr();
    for (int r = 1; r <= 10; ++r)
        for (int c = 1; c <= 4; ++c)
            if (!steps.at(r, c).isEmpty())
                setTStepSet(r, c, steps.at(r, c));
}

QStringList AutoResultHeader()
{
    return {Lang(QStringLiteral("Index")), Lang(QStringLiteral("Curr(A)")), Lang(QStringLiteral("Volt(V)")),
            Lang(QStringLiteral("Pwr(W)"))};
}

namespace {

// A result list drawn from its record: the header row, then the rows, in a
// grid of at least minRows rows and of spare rows below the last result.
void ShowResults(FlexGrid* g, const QStringList& header, const std::vector<std::array<QString, 4>>& rows,
                 int minRows, int spareRows)
{
    g->Clear();
    g->setRows(std::max(minRows, int(rows.size()) + spareRows));
    for (int c = 0; c < 4; ++c)
        g->setTextMatrix(0, c, header.at(c));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 4; ++c)
            g->setTextMatrix(int(r) + 1, c, rows[r][size_t(c)]);
}

} // namespace

// Eleven rows at least; the list grows by one past its tenth result row.
void DevCtrl::ShowAutoResults() { ShowResults(ui_->gridAutoRun, AutoResultHeader(), rec_->AutoResults, 11, 1); }

void DevCtrl::AutoListClr()
{
    rec_->AutoResults.assign(1, {});
    ShowAutoResults();
}

void DevCtrl::AutoListAdd()
{
    // An empty list has its first row to write already.
    rec_->AutoResults.resize(size_t(AutoRow()) + 1);
    if (AutoRow() > 10)
        ui_->gridAutoRun->setRows(ui_->gridAutoRun->Rows() + 1);
}

QStringList StepResultHeader()
{
    return {Lang(QStringLiteral("Step")), Lang(QStringLiteral("Mode")), Lang(QStringLiteral("Capacity")),
            Lang(QStringLiteral("Energy"))};
}

// Nine rows at least; the list grows by one past its sixth result row.
void DevCtrl::ShowStepResults() { ShowResults(ui_->gridStepRun, StepResultHeader(), rec_->StepResults, 9, 3); }

void DevCtrl::StepListClr()
{
    rec_->StepResults.assign(1, {});
    ShowStepResults();
}

void DevCtrl::StepListAdd()
{
    // An empty list has its first row to write already.
    rec_->StepResults.resize(size_t(StepRow()) + 1);
    if (StepRow() > 6)
        ui_->gridStepRun->setRows(ui_->gridStepRun->Rows() + 1);
}

void DevCtrl::StepSetClr()
{
    FlexGrid* g = ui_->gridStepSet;
    g->Clear();
    g->setTextMatrix(0, 0, Lang(QStringLiteral("Step")));
    g->setTextMatrix(0, 1, Lang(QStringLiteral("Mode")));
    g->setTextMatrix(0, 2, Lang(QStringLiteral("Set1")));
    g->setTextMatrix(0, 3, Lang(QStringLiteral("Set2")));
    g->setTextMatrix(0, 4, Lang(QStringLiteral("Cutoff")));
    for (int r = 1; r <= 10; ++r)
        g->setTextMatrix(r, 0, QString::number(r));
}

void DevCtrl::StepSetAdd()
{
    ui_->gridStepSet->setRows(ui_->gridStepSet->Rows() + 1);
}

QString DevCtrl::tAutoC1() const { return ui_->cmbC1Auto->currentText(); }
void DevCtrl::setTAutoC1(const QString& text) { SetComboText(ui_->cmbC1Auto, text); }
QString DevCtrl::tAutoC2() const { return ui_->cmbC2Auto->currentText(); }
void DevCtrl::setTAutoC2(const QString& text) { SetComboText(ui_->cmbC2Auto, text); }
QString DevCtrl::tAutoVol() const { return ui_->txtVolAuto->text(); }
void DevCtrl::setTAutoVol(const QString& text) { ui_->txtVolAuto->setText(text); }
QString DevCtrl::tAutoStep() const { return ui_->cmbStepAuto->currentText(); }
void DevCtrl::setTAutoStep(const QString& text) { SetComboText(ui_->cmbStepAuto, text); }
QString DevCtrl::tAutoTime() const { return ui_->cmbTimeAuto->currentText(); }
void DevCtrl::setTAutoTime(const QString& text) { SetComboText(ui_->cmbTimeAuto, text); }
QString DevCtrl::tAutoMode() const { return ui_->cmbModeAuto->currentText(); }
void DevCtrl::setTAutoMode(const QString& text) { SetComboText(ui_->cmbModeAuto, text); }

int DevCtrl::AutoRow() const { return std::max(1, int(rec_->AutoResults.size())); }

QString DevCtrl::tAutoList(int col) const
{
    if (col < 0 || col > 3)
        throw std::out_of_range("auto-test list column outside 0..3");
    return rec_->AutoResults.empty() ? QString() : rec_->AutoResults.back()[size_t(col)];
}

void DevCtrl::setTAutoList(int col, const QString& text)
{
    if (col < 0 || col > 3)
        throw std::out_of_range("auto-test list column outside 0..3");
    auto& rows = rec_->AutoResults;
    if (rows.empty())
        rows.emplace_back();
    const int row = AutoRow();
    rows.back()[size_t(col)] = text;
    rows.back()[0] = QString::number(row);
    ui_->gridAutoRun->setTextMatrix(row, col, text);
    ui_->gridAutoRun->setTextMatrix(row, 0, QString::number(row));
}

QString DevCtrl::tAutoRun(int row, int col) const { return ui_->gridAutoRun->TextMatrix(row, col); }
int DevCtrl::AutoRunCnt() const { return ui_->gridAutoRun->Rows(); }
void DevCtrl::setTStepList(int col, const QString& text)
{
    if (col < 0 || col > 3)
        throw std::out_of_range("step-run list column outside 0..3");
    auto& rows = rec_->StepResults;
    if (rows.empty())
        rows.emplace_back();
    rows.back()[size_t(col)] = text;
    ui_->gridStepRun->setTextMatrix(StepRow(), col, text);
}

QString DevCtrl::tStepList(int row, int col) const { return ui_->gridStepRun->TextMatrix(row, col); }
int DevCtrl::StepListCnt() const { return ui_->gridStepRun->Rows(); }
int DevCtrl::StepRow() const { return std::max(1, int(rec_->StepResults.size())); }
QString DevCtrl::tStepSet(int row, int col) const { return ui_->gridStepSet->TextMatrix(row, col); }
void DevCtrl::setTStepSet(int row, int col, const QString& text) { ui_->gridStepSet->setTextMatrix(row, col, text); }

void DevCtrl::setStepColor(int row, uint32_t colorref)
{
    ui_->gridStepSet->setCurrentCell(row, 0);
    ui_->gridStepSet->setCellBackColor(row, 0, colorref);
}

QString DevCtrl::AutoCmd() const { return ui_->cmdStartAuto->text(); }
void DevCtrl::setAutoCmd(const QString& text) { ui_->cmdStartAuto->setText(text); }
QString DevCtrl::StepCmd() const { return ui_->cmdStartStep->text(); }
void DevCtrl::setStepCmd(const QString& text) { ui_->cmdStartStep->setText(text); }
bool DevCtrl::AutoOptSec() const { return ui_->optAutoSec->isChecked(); }

void DevCtrl::setAutoOptSec(bool seconds)
{
    (seconds ? ui_->optAutoSec : ui_->optAutoMin)->setChecked(true);
}

} // namespace ql
