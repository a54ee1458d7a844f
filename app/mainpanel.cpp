// frmMain: the panels' events (run commands, auto and step tests, value fields) and Save Data.
#include "app/mainwindow.h"

#include "panel/stepedit.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "views/datafile.h"

namespace ql {

// ------------------------------------------------------------------ panel events

void frmMain::DevCtrl_RunClick(int Index, int chn) { tracker_.RunClick(Index, chn); }
void frmMain::DevCtrl_StopClick(int Index, int chn) { tracker_.StopClick(Index, chn); }
void frmMain::DevCtrl_SetClick(int Index, int chn) { tracker_.SetClick(Index, chn); }
void frmMain::DevCtrl_ContClick(int Index, int chn) { tracker_.ContClick(Index, chn); }
void frmMain::DevCtrl_MonitorClick(int Index, int chn) { tracker_.MonitorClick(Index, chn); }
void frmMain::DevCtrl_TmrCurveOn(int Index, int chn) { tracker_.TmrCurveOn(Index, chn); }
void frmMain::DevCtrl_TmrShowOn(int Index, int chn) { tracker_.TmrShowOn(Index, chn); }

// ---- auto test and step test

void frmMain::DevCtrl_AutoTestClick(int Index) { autoTest_.Click(Index); }
void frmMain::DevCtrl_AutoTmrOn(int Index) { autoTest_.OnTimer(Index); }
void frmMain::DevCtrl_AutoSaveClick(int Index) { autoTest_.SaveClick(Index, this); }

void frmMain::DevCtrl_AutoListClick(int Index)
{
    if (const auto rows = autoTest_.ListClick(Index))
        slot(Index).showAutolist(&*rows);
}

void frmMain::gridAutolist_DblClick(int Index) { slot(Index).showAutolist(nullptr); }

void frmMain::DevCtrl_StepTestClick(int Index) { stepTest_.StartStop(Index); }
void frmMain::DevCtrl_StepTmrOn(int Index) { stepTest_.OnTimer(Index); }
void frmMain::DevCtrl_StepClrClick(int Index) { stepTest_.ClearClick(Index); }
void frmMain::DevCtrl_StepSaveClick(int Index) { stepTest_.SaveClick(Index, this); }
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

void frmMain::DevCtrl_ModeClick(int Index) { slot(Index).ModeClick(); }

void frmMain::DevCtrl_FieldLostFocus(int Index, int chn, FieldKind kind)
{
    DevCtrl* p = slot(Index).Panel;
    SlotState& s = link_.slot[Index];
    ChanState& f = s.chn.at(size_t(s.FieldChn(chn)));
    QString* field = kind == FieldKind::SetValue ? &f.SvalText
                     : kind == FieldKind::Limit  ? &f.SlmtText
                     : kind == FieldKind::Third  ? &f.StimText
                                                 : nullptr;
    const QString text = field ? *field : p->tAutoVol();
    const auto put = [&](const QString& replacement) {
        if (field) {
            *field = replacement;
            p->ShowFields(chn);
        } else {
            p->setTAutoVol(replacement);
        }
    };
    const FieldCheck check = CheckField(s, chn, kind, text);
    if (check.ok()) {
        // A value typed in the user's form ("1,5") is kept in the program's ("1.5").
        if (const QString point = PointForm(text); point != text)
            put(point);
        return;
    }
    MsgBox(check.message(), QLatin1String(kMsgTitle), Prompter::OkOnly, Prompter::Critical);
    if (!check.replacement.isEmpty())
        put(check.replacement);
}

void frmMain::menuSaveData_Click()
{
    const int n = link_.CurDev;
    const SlotState& s = link_.slot.at(size_t(n));
    const int chn = s.ChnSel;
    if (s.chn.at(size_t(chn)).Running)
        return;
    const bool csv = settings().SaveCsv;
    const QString name = ProposedDataFileName(tracker_.now(), s.chn[size_t(chn)].DevName, n, chn, s.Dev2S);
    const QString chosen = FileDialog(FileKind::Data, true, SaveDataTitle(n, chn, s.Dev2S), DataFileFilter(csv), name);
    if (chosen.isEmpty())
        return;
    slot(n).WriteDataFile(chn, WithDataExtension(chosen, csv), TellUnlessWritten);
}

} // namespace ql
