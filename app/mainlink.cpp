// The main window's side of a slot's connection: Connect and Disconnect on
// the panel, and what the slot's SlotConnection reports (the receive lamp,
// a port that closed itself because the device is gone).
#include "app/mainwindow.h"

#include "link/slotmenus.h"
#include "panel/runstate.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/readouts.h"

#include <QCoreApplication>

namespace ql {

void frmMain::wireConnection(int n)
{
    conns_.at(size_t(n)) = std::make_unique<SlotConnection>(link_, n, decoder_, ticker_, opts_.timings);
    SlotConnection& c = *conns_.at(size_t(n));
    c.onLamp = [this, n](bool lit) { slot(n).Panel->setLedRecv(lit); };
    c.onLost = [this, n](const QString& port) { onPortLost(n, port); };
}

void frmMain::onPortLost(int n, const QString& port)
{
    // The connection has let go of the port and no channel runs any more;
    // the panel goes back to "No Device" (no command can be sent), its
    // readouts to zero, and says which device was lost where. The run grid
    // keeps what the run reached.
    disconnectReset(n, true);
    tracker_.DeviceLost(n);
    slot(n).setInfoText(1, QLatin1Char(' ') + Lang(QStringLiteral("Device%1: %2 lost").arg(n + 1).arg(port)));
}

void frmMain::DevCtrl_ConnClick(int Index)
{
    DevCtrl* p = slot(Index).Panel;
    SlotConnection& conn = connection(Index);
    if (!p->Conn()) {
        const QString port = p->tPort();
        switch (conn.Connect(port)) {
        case SlotConnection::Opened::AlreadyOpen:
            return;
        case SlotConnection::Opened::BadName:
        case SlotConnection::Opened::CannotOpen:
            MsgBox(QStringLiteral("Wrong Port!"), QStringLiteral("Prompt"), Prompter::OkOnly, Prompter::Critical);
            return;
        case SlotConnection::Opened::Ok:
            break;
        }
        settings().SavePort(Index, link_.slot.at(size_t(Index)).PortNo);
        // The firmware update opens the port the panel names: not while the
        // slot holds it.
        SetSlotMenu(link_, Index, MenuId::menuUpdate, false, &menus_);
        p->setConn(true);
        return;
    }

    if (p->StopEnable()) {
        if (MsgBox(QStringLiteral("Stop running?"), QStringLiteral("Prompt"), Prompter::OkCancel,
                   Prompter::Information) == Prompter::IdOk) {
            DevCtrl_StopClick(Index, 0);
            if (link_.slot.at(size_t(Index)).Dev2S) {
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                DevCtrl_StopClick(Index, 1);
            }
        }
    }
    // Without an open port the panel and timers are reset all the same.
    conn.Disconnect();
    disconnectReset(Index);
}

void frmMain::disconnectReset(int Index, bool lost)
{
    SlotView& s = slot(Index);
    // A test page's run ends with the port: nothing more goes to the device.
    autoTest_.Halt(Index);
    stepTest_.Halt(Index);
    // The slot's records go to the disk; a continue opens them again.
    tracker_.records.CloseSlot(Index);
    s.disconnectReset(lost);
    // Nothing runs on the slot any more and its panel is not connected: its
    // run-state entries are as before any device, so the entries a run
    // disabled come back, but for the parameter files (they need a connected
    // panel) and the device's tools. The firmware update may open the
    // slot's port again.
    SetSlotRunMenus(link_, Index, kRunMenusAtStart, &menus_);
    SetSlotMenu(link_, Index, MenuId::menuAdj, false, &menus_);
    SetSlotMenu(link_, Index, MenuId::menuUpdate, true, &menus_);
    if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
        hooks.showMeter(false);
    s.Panel->setConn(false);
    link_.slot.at(size_t(Index)).Tabs = {TestTab{1, QStringLiteral("key1")}};
    s.ShowTabs();
}

// ------------------------------------------------------------------ run host

void frmMain::SetAdjButtons(bool enable)
{
    // The calibration window's point buttons, through its hook.
    class Buttons final : public AdjButtonsIf {
    public:
        explicit Buttons(const WindowHooks& h) : h_(h) {}
        void setAdjButtonEnabled(const QString& name, bool enabled) override
        {
            if (h_.setAdjButtonEnabled)
                h_.setAdjButtonEnabled(name, enabled);
        }

    private:
        const WindowHooks& h_;
    };
    Buttons buttons(hooks);
    ql::SetAdjButtons(enable, buttons);
}

void frmMain::ShowDisp(const ReadoutValues& v)
{
    if (hooks.dispValues)
        hooks.dispValues(v);
}

bool frmMain::MeterOpen() const { return hooks.meterOpen && hooks.meterOpen(); }

void frmMain::ShowMeter()
{
    if (hooks.showMeter)
        hooks.showMeter(true);
}

void frmMain::HideMeter()
{
    if (hooks.showMeter)
        hooks.showMeter(false);
}

void frmMain::UnloadMeter() { readouts().unloadMeter(); }

void frmMain::SetMeter(const ReadoutValues& v)
{
    if (hooks.meterValues)
        hooks.meterValues(v);
}

void frmMain::tmrPauseStop(int n)
{
    ticker_.TmrPause(n, 0);
    ticker_.TmrPause(n, 1);
    ticker_.TmrStop(n, 0);
    ticker_.TmrStop(n, 1);
}

} // namespace ql
