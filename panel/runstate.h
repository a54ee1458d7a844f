#pragma once
// Controls that follow whether a panel runs: the panel's buttons and the
// main window's menu entries (SetRunState), the calibration window's point
// buttons (SetAdjButtons). The menus are reached through MenuEnableIf, the
// calibration window through the narrow interface below.
#include "link/hostif.h"
#include "link/slotmenus.h"

#include <QString>

#include <optional>

namespace ql {

struct LinkState;
class DevCtrl;

// Whether each entry of kRunMenus is enabled: none while a run goes on
// (idle false); every one when idle, the parameter-file entries only with
// a connected panel (conn). Empty between the steps of a step test
// (stepBusy while idle): the entries stay as they are.
std::optional<RunMenus> RunMenuStates(bool idle, bool stepBusy, bool conn);

// The calibration window's point buttons by name ("cmdVL", "cmdVH",
// "cmdCL", "cmdCH"); the host creates the window when it does not exist.
class AdjButtonsIf {
public:
    virtual ~AdjButtonsIf() = default;
    virtual void setAdjButtonEnabled(const QString& name, bool enabled) = 0;
};

// idle false: a run is going on the panel; true: the panel is idle. While
// a step test holds the slot (its StepRunning), the idle call leaves mode,
// monitor and menus disabled. The menu states go into the slot's record
// (RunMenusOn) and reach the menus only when the slot is the selected one
// (CurDev): menus, dialogs and tools act on that slot, so another slot's
// run never switches them. menus may be null (no main window).
void SetRunState(bool idle, int slot, DevCtrl& panel, LinkState& state, MenuEnableIf* menus);

// idle false enables the current points and disables the voltage points;
// true the reverse.
void SetAdjButtons(bool idle, AdjButtonsIf& adj);

} // namespace ql
