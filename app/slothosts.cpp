#include "app/slothosts.h"

#include "app/actiontable.h"
#include "controls/curvegraph.h"
#include "link/counters.h"
#include "link/frames.h"
#include "panel/devctrl.h"

#include <QAction>
#include <QFrame>

namespace ql {

// ------------------------------------------------------------------ commands

bool SlotCommands::DevCtrl_RunClick(int slot, int chn, RunCaller caller)
{
    return tracker_.RunClick(slot, chn, caller);
}
void SlotCommands::DevCtrl_StopClick(int slot, int chn) { tracker_.StopClick(slot, chn); }

void SlotCommands::RemoteSet(int slot, int chn, float value)
{
    if (ql::RemoteSetOn(link_, slot, chn, value))
        if (SlotView* v = views_.at(slot))
            v->Refresh(chn, RunViewIf::Fields);
}

void SlotCommands::RemoteQC(int slot, int code) { ql::RemoteQC(link_, slot, code); }
void SlotCommands::RemotePE(int slot, int direction) { ql::RemotePE(link_, slot, direction); }

// ------------------------------------------------------------------ sequencers

AutoPageIf* SeqHost::autoPage(int slot) { return views_.part(slot, &SlotView::Panel); }
StepPageIf* SeqHost::stepPage(int slot) { return views_.part(slot, &SlotView::Panel); }

RunFieldsIf* SeqHost::fields(int slot) { return views_.part(slot, &SlotView::Panel); }

void SeqHost::TmrStop(int slot, int chn) { ticker_.TmrStop(slot, chn); }

void SeqHost::ChartClearAll(int slot)
{
    link_.slot.at(size_t(slot)).ClearCurves();
    if (CurveGraph* c = views_.part(slot, &SlotView::Chart))
        c->ClearAll();
}

void SeqHost::ChartYStep(int slot, bool on)
{
    if (CurveGraph* c = views_.part(slot, &SlotView::Chart))
        c->setYStep(on);
}

QString SeqHost::DevName(int slot, int chn) const { return link_.ch(slot, chn).DevName; }
bool SeqHost::Monitoring(int slot, int chn) const { return link_.ch(slot, chn).Monitoring; }

// ------------------------------------------------------------------ tools

CurveGraph* ToolSlots::Chart(int slot) { return views_.part(slot, &SlotView::Chart); }
RunFieldsIf* ToolSlots::Fields(int slot) { return views_.part(slot, &SlotView::Panel); }

bool ToolSlots::Dev2S(int slot) const { return views_.at(slot) && link_.slot.at(size_t(slot)).Dev2S; }

void ToolSlots::setChnEnable(int slot, bool on)
{
    if (DevCtrl* p = views_.part(slot, &SlotView::Panel))
        p->setChnEnable(on);
}

QString ToolSlots::PortText(int slot) const
{
    const DevCtrl* p = views_.part(slot, &SlotView::Panel);
    return p ? p->tPort() : QString();
}

QString ToolSlots::VoltText(int slot, int chn) const
{
    return views_.at(slot) ? link_.ch(slot, chn).VoltText : QString();
}

// ------------------------------------------------------------------ views

DevCtrl* ViewSlots::panel(int slot) const { return views_.part(slot, &SlotView::Panel); }
CurveGraph* ViewSlots::chart(int slot) const { return views_.part(slot, &SlotView::Chart); }
FlexGrid* ViewSlots::grid(int slot) const { return views_.part(slot, &SlotView::gridRun); }
QWidget* ViewSlots::frame(int slot) const { return views_.part(slot, &SlotView::frmDev); }

void ViewSlots::setTitleText(int slot, const QString& text)
{
    if (SlotView* v = views_.at(slot))
        v->setTitleText(text);
}

QString ViewSlots::DevName(int slot, int chn) const { return link_.ch(slot, chn).DevName; }
bool ViewSlots::Dev2S(int slot) const { return link_.slot.at(size_t(slot)).Dev2S; }
QDateTime ViewSlots::now() const { return tracker_.now ? tracker_.now() : QDateTime::currentDateTime(); }

void ViewSlots::setMenuTemp(bool checked)
{
    link_.TempColumn = checked;
    if (QAction* a = menus_.action(MenuId::menuTemp))
        a->setChecked(checked);
}

} // namespace ql
