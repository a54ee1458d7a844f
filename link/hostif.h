#pragma once
// What the receive path uses of the main window: its menus, and the views
// that show a slot's device once it is identified. The decoder writes the
// slot's records (layout, mode list, test tabs, display names) and asks the
// view to show them; it never sees a widget. Tests fake these.
#include <QString>

#include <array>

namespace ql {

// The main-window menu entries that the receive path and the run state
// switch, by the entries' object names.
enum class MenuId {
    menuSwSet,
    menuOpenCfg,
    menuSaveCfg,
    menuOpenData,
    menuSaveData,
    menuClear,
    menuCurve,
    menuRes,
    menuQc,
    menuAdj,
    menuAddDev,
    menuUsb,
    menuTemp,
    menuUpdate,
};
inline constexpr int kMenuIds = 14;
static_assert(static_cast<int>(MenuId::menuUpdate) + 1 == kMenuIds);

// The menu entries that follow a panel's run state, in the order they are
// switched. Each slot keeps the states its runs ask for (SlotState::
// RunMenusOn); the menus show those of the selected slot.
inline constexpr std::array<MenuId, 9> kRunMenus{MenuId::menuSwSet,    MenuId::menuOpenCfg,  MenuId::menuSaveCfg,
                                                 MenuId::menuOpenData, MenuId::menuSaveData, MenuId::menuClear,
                                                 MenuId::menuCurve,    MenuId::menuRes,      MenuId::menuQc};
using RunMenus = std::array<bool, kRunMenus.size()>;
// As the menus are built, before any run: the parameter files, the
// resistance test and the QC2.0 test wait for a device.
inline constexpr RunMenus kRunMenusAtStart{true, false, false, true, true, true, true, false, false};

// The entries a device's model offers (its first reply shows or hides
// them): "Resistance Test", "QC2.0 Test", "Quick Charger Test" and
// "Temprature Data". Each slot keeps those its device offers (SlotState::
// MenusShown); the menus show those of the selected slot.
inline constexpr std::array<MenuId, 4> kDeviceMenus{MenuId::menuRes, MenuId::menuQc, MenuId::menuUsb,
                                                    MenuId::menuTemp};
using DeviceMenus = std::array<bool, kDeviceMenus.size()>;

// Switches the main window's menu entries. Asking for the state an entry
// already has costs next to nothing: the receive path asks on every frame.
class MenuEnableIf {
public:
    virtual ~MenuEnableIf() = default;
    virtual void setMenuVisible(MenuId id, bool visible) = 0;
    virtual void setMenuEnabled(MenuId id, bool enabled) = 0;
};

// One slot's panel, run grid and chart as the device set-up shows them.
// Each Show call renders what the slot's records hold now.
class RecvViewIf {
public:
    virtual ~RecvViewIf() = default;
    // The one- or two-channel layout (SlotState::Dev2S).
    virtual void ShowLayout() = 0;
    // The mode selectors' entries (SlotState::ModeList; the position of an
    // entry is its mode index).
    virtual void ShowModeList() = 0;
    // The channel's mode (ChanState::ChnMode) selected; none when it lies
    // outside the mode list.
    virtual void ShowMode(int chn) = 0;
    // The test tab strip (SlotState::Tabs).
    virtual void ShowTabs() = 0;
    // The channel's display name (ChanState::DevName) in the run grid.
    virtual void ShowDeviceName(int chn) = 0;
    // Caption of the current axis of the slot's chart ("[A]" or "[mA]").
    virtual void setAxesY1Txt(const QString& text) = 0;
    // The panel set-up after the device is identified.
    virtual void InitChnCurves() = 0;  // two-channel legends and colours
    virtual void InitAutoTest() = 0;   // auto-test page defaults
    // The channel's value fields, units and captions for its mode.
    virtual void SetupModeFields(int chn) = 0;
};

// The main window as the receive path sees it: its menus, and the views of
// each slot.
class RecvHostIf : public MenuEnableIf {
public:
    virtual ~RecvHostIf() = default;
    // Number of device panels present.
    virtual int DevCount() const = 0;
    // The views of a slot; views that show nothing for a slot the window
    // has none of.
    virtual RecvViewIf& recvView(int slot) = 0;
};

} // namespace ql
