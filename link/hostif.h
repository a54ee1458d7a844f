#pragma once
// What the receive path uses of the main window: its menus, and the views
// that show a slot's device once it is identified. The decoder writes the
// slot's records (layout, mode list, test tabs, display names) and asks the
// view to show them; it never sees a widget. Tests fake these.
#include <QString>

namespace ql {

// The main window's menus as the receive path switches them.
class RecvHostIf {
public:
    virtual ~RecvHostIf() = default;
    // Main-window menu entries by name ("menuAdj", "menuRes", "menuQc",
    // "menuUsb", "menuTemp", "menuAddDev").
    virtual void setMenuVisible(const QString& name, bool visible) = 0;
    virtual void setMenuEnabled(const QString& name, bool enabled) = 0;
    // Number of device panels present.
    virtual int DevCount() const = 0;
};

// A slot's panel, run grid and chart as the device set-up shows them. Each
// Show call renders what the slot's records hold now.
class RecvViewIf {
public:
    virtual ~RecvViewIf() = default;
    // The one- or two-channel layout (SlotState::Dev2S).
    virtual void ShowLayout(int slot) = 0;
    // The mode selectors' entries (SlotState::ModeList; the position of an
    // entry is its mode index).
    virtual void ShowModeList(int slot) = 0;
    // The channel's mode (ChanState::ChnMode) selected; none when it lies
    // outside the mode list.
    virtual void ShowMode(int slot, int chn) = 0;
    // The test tab strip (SlotState::Tabs).
    virtual void ShowTabs(int slot) = 0;
    // The channel's display name (ChanState::DevName) in the run grid.
    virtual void ShowDeviceName(int slot, int chn) = 0;
    // Caption of the current axis of the slot's chart ("[A]" or "[mA]").
    virtual void setAxesY1Txt(int slot, const QString& text) = 0;
    // Main-window procedures of the panel set-up.
    virtual void InitChnCurves(int slot) = 0;  // two-channel legends and colours
    virtual void InitAutoTest(int slot) = 0;   // auto-test page defaults
    virtual void SetupModeFields(int slot, int chn) = 0;
};

} // namespace ql
