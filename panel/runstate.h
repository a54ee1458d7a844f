#pragma once
// Controls that follow whether a panel runs: the panel's buttons and the
// main window's menu entries (SetRunState), the calibration window's point
// buttons (SetAdjButtons) and the transient message (ShowMsg). The main
// window and the calibration window are reached through the narrow
// interfaces below.
#include <QString>

namespace ql {

struct LinkState;
class DevCtrl;

// The main window's menu entries by name ("menuOpenCfg", "menuSaveCfg",
// "menuOpenData", "menuSaveData", "menuClear", "menuCurve", "menuRes",
// "menuQc", "menuSwSet").
class MenuEnableIf {
public:
    virtual ~MenuEnableIf() = default;
    virtual void setMenuEnabled(const QString& name, bool enabled) = 0;
};

// The calibration window's point buttons by name ("cmdVL", "cmdVH",
// "cmdCL", "cmdCH"); the host creates the window when it does not exist.
class AdjButtonsIf {
public:
    virtual ~AdjButtonsIf() = default;
    virtual void setAdjButtonEnabled(const QString& name, bool enabled) = 0;
};

// The transient message window.
class MessageWindowIf {
public:
    virtual ~MessageWindowIf() = default;
    virtual void ShowMessage(const QString& text) = 0;
};

// idle false: a run is going on the panel; true: the panel is idle. While
// a step test holds the slot (its StepRunning), the idle call leaves mode,
// monitor and menus disabled. menus may be null (no main window).
void SetRunState(bool idle, int slot, DevCtrl& panel, const LinkState& state, MenuEnableIf* menus);

// idle false enables the current points and disables the voltage points;
// true the reverse.
void SetAdjButtons(bool idle, AdjButtonsIf& adj);

// Shows the text in the message window when promptMsg (AUTO/MSG) is on.
void ShowMsg(const QString& text, bool promptMsg, MessageWindowIf& window);

} // namespace ql
