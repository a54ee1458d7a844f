#include "panel/runstate.h"

#include "link/slotmenus.h"
#include "link/state.h"
#include "panel/devctrl.h"

namespace ql {

std::optional<RunMenus> RunMenuStates(bool idle, bool stepBusy, bool conn)
{
    RunMenus on{};
    if (!idle)
        return on;
    if (stepBusy)
        return std::nullopt;
    for (size_t i = 0; i < kRunMenus.size(); ++i) {
        const bool cfg = kRunMenus[i] == MenuId::menuOpenCfg || kRunMenus[i] == MenuId::menuSaveCfg;
        on[i] = cfg ? conn : true;
    }
    return on;
}

void SetRunState(bool idle, int slot, DevCtrl& panel, LinkState& state, MenuEnableIf* menus)
{
    SlotState& s = state.slot.at(size_t(slot));
    const bool stepBusy = s.StepRunning;

    if (!idle) {
        panel.setRunEnable(false);
        panel.setContEnable(false);
        panel.setStopEnable(true);
        // Adjusting a running test is offered in the first mode only.
        const int c = panel.ChnIndex();
        if (s.chn.at(size_t(c)).ChnMode == 0 && !stepBusy)
            panel.setSetEnable(true);
        panel.setModeEnable(false);
        panel.setMonitorEnable(false);
    } else {
        panel.setRunEnable(true);
        panel.setStopEnable(false);
        panel.setContEnable(true);
        panel.setSetEnable(false);
        if (!stepBusy) {  // else between the steps of a step test
            panel.setModeEnable(true);
            panel.setMonitorEnable(true);
        }
    }
    // Between the steps of a step test the slot keeps its entries.
    const auto on = RunMenuStates(idle, stepBusy, idle && panel.Conn());
    SetSlotRunMenus(state, slot, on ? *on : s.RunMenusOn, menus);
}

void SetAdjButtons(bool idle, AdjButtonsIf& adj)
{
    adj.setAdjButtonEnabled(QStringLiteral("cmdVL"), idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdVH"), idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdCL"), !idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdCH"), !idle);
}

} // namespace ql
