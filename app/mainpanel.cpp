// frmMain: the panels' events (run commands, auto and step tests, value fields) and Save Data.
#include "app/mainwindow.h"
#include "app/mainparts.h"
#include "app/prompter.h"
#include "app/slotlayout.h"
#include "link/comm.h"
#include "link/frames.h"
#include "panel/flexgrid.h"
#include "panel/modesetup.h"
#include "panel/runstate.h"
#include "panel/seqpanel.h"
#include "panel/stepedit.h"
#include "views/colorcells.h"
#include "views/datafile.h"
#include "views/dataviewer.h"
#include "views/frmcurve.h"
#include "views/frmshow.h"
#include "views/paramfile.h"
#include "views/pictures.h"
#include "views/readouts.h"
#include "views/viewhost.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace ql {

using namespace mainparts;

// ------------------------------------------------------------------ run state

void frmMain::SetRunState(bool idle, int n) { ql::SetRunState(idle, n, *slots_.at(n).Panel, link_, host_.get()); }

// ------------------------------------------------------------------ panel events

void frmMain::DevCtrl_RunClick(int Index, int chn) { tracker_.RunClick(Index, chn); }
void frmMain::DevCtrl_StopClick(int Index, int chn) { tracker_.StopClick(Index, chn); }
void frmMain::DevCtrl_SetClick(int Index, int chn) { tracker_.SetClick(Index, chn); }
void frmMain::DevCtrl_ContClick(int Index, int chn) { tracker_.ContClick(Index, chn); }
void frmMain::DevCtrl_MonitorClick(int Index, int chn) { tracker_.MonitorClick(Index, chn); }
void frmMain::DevCtrl_TmrCurveOn(int Index, int chn) { tracker_.TmrCurveOn(Index, chn); }
void frmMain::DevCtrl_TmrShowOn(int Index, int chn) { tracker_.TmrShowOn(Index, chn); }

// ---- auto test and step test

void frmMain::InitAutoTest(int Index) { autoTest_.Init(Index); }
void frmMain::DevCtrl_AutoTestClick(int Index) { autoTest_.Click(Index); }
void frmMain::DevCtrl_AutoTmrOn(int Index) { autoTest_.OnTimer(Index); }
void frmMain::DevCtrl_AutoSaveClick(int Index) { autoTest_.SaveClick(Index); }

void frmMain::DevCtrl_AutoListClick(int Index)
{
    const auto rows = autoTest_.ListClick(Index);
    if (!rows)
        return;
    DevSlot& s = slots_.at(size_t(Index));
    s.Panel->hide();
    s.lstInfo->hide();
    FillAutolist(*s.gridAutolist, *rows);
    s.gridAutolist->show();
}

void frmMain::gridAutolist_DblClick(int Index)
{
    DevSlot& s = slots_.at(size_t(Index));
    s.gridAutolist->hide();
    s.Panel->show();
    s.lstInfo->show();
}

void frmMain::DevCtrl_StepTestClick(int Index) { stepTest_.StartStop(Index); }
void frmMain::DevCtrl_StepTmrOn(int Index) { stepTest_.OnTimer(Index); }
void frmMain::DevCtrl_StepClrClick(int Index) { stepTest_.ClearClick(Index); }
void frmMain::DevCtrl_StepSaveClick(int Index) { stepTest_.SaveClick(Index); }
void frmMain::DevCtrl_StepOpenClick(int Index) { stepTest_.OpenClick(Index); }

void frmMain::DevCtrl_StepSetClick(int Index)
{
    if (stepEditor_) {
        stepEditor_->raise();
        stepEditor_->activateWindow();
        return;
    }
    frmSet dlg(link_, Index, seqHost_, this);
    stepEditor_ = &dlg;
    DlgDone = false;
    ShowAndWait(&dlg);
    DlgDone = true;
}

void frmMain::DevCtrl_ModeClick(int Index)
{
    ModeClicked(link_, Index, *slots_.at(Index).Panel, [this](int s, int c) { showCapacity(s, c); });
}

void frmMain::DevCtrl_FieldLostFocus(int Index, int chn, FieldKind kind)
{
    DevCtrl* p = slots_.at(Index).Panel;
    QString text;
    switch (kind) {
    case FieldKind::SetValue: text = p->tSval(chn); break;
    case FieldKind::Limit: text = p->tSlmt(chn); break;
    case FieldKind::Third: text = p->tStim(chn); break;
    case FieldKind::AutoVol: text = p->tAutoVol(); break;
    }
    const FieldCheck check = CheckField(link_.slot[Index], chn, kind, text);
    if (check.ok())
        return;
    MsgBox(check.message(), QLatin1String(kMsgTitle), Prompter::OkOnly, Prompter::Critical);
    if (check.replacement.isEmpty())
        return;
    switch (kind) {
    case FieldKind::SetValue: p->setTSval(chn, check.replacement); break;
    case FieldKind::Limit: p->setTSlmt(chn, check.replacement); break;
    case FieldKind::Third: p->setTStim(chn, check.replacement); break;
    case FieldKind::AutoVol: p->setTAutoVol(check.replacement); break;
    }
}

void frmMain::menuSaveData_Click()
{
    const int n = curDev_;
    DevCtrl* p = slots_.at(n).Panel;
    const int chn = p->ChnIndex();
    if (link_.ch(n, chn).Running)
        return;
    const bool csv = settings().SaveCsv;
    const QString device = slots_[n].gridRun->TextMatrix(chn + 1, 0);
    const QString name = ProposedDataFileName(tracker_.now(), device, n, chn, p->Dev2S());
    const QString chosen = FileDialog(true, SaveDataTitle(n, chn, p->Dev2S()), DataFileFilter(csv), name);
    if (chosen.isEmpty())
        return;
    if (!ql::SaveDataFile(link_, *host_, n, chn, WithDataExtension(chosen, csv)))
        TellCannotSave();
}

} // namespace ql
