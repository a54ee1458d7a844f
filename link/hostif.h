#pragma once
// What the receive path uses of the main window, a slot's panel, run grid
// and chart, the menus and the link timers. Widgets implement these, tests
// fake them; the decoder never sees a widget.
#include <QString>

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
};
inline constexpr int kMenuIds = 13;
static_assert(static_cast<int>(MenuId::menuTemp) + 1 == kMenuIds);

// The entry's object name ("menuRes").
inline const char* MenuName(MenuId id)
{
    static constexpr const char* kNames[kMenuIds] = {
        "menuSwSet", "menuOpenCfg", "menuSaveCfg", "menuOpenData", "menuSaveData", "menuClear", "menuCurve",
        "menuRes",   "menuQc",      "menuAdj",     "menuAddDev",   "menuUsb",      "menuTemp"};
    return kNames[static_cast<int>(id)];
}

// Switches the main window's menu entries. Asking for the state an entry
// already has costs next to nothing: the receive path asks on every frame.
class MenuEnableIf {
public:
    virtual ~MenuEnableIf() = default;
    virtual void setMenuVisible(MenuId id, bool visible) = 0;
    virtual void setMenuEnabled(MenuId id, bool enabled) = 0;
};

// The members of a device panel that the receive path and the first-reply
// set-up use.
class RecvPanelIf {
public:
    virtual ~RecvPanelIf() = default;
    // Two-channel layout.
    virtual bool Dev2S() const = 0;
    virtual void setDev2S(bool on) = 0;
    // Receive indicator.
    virtual void setLedRecv(bool on) = 0;
    // Mode selectors: empty them, append an entry (its position is the mode
    // index), select an entry by its text (an empty text selects none: a
    // mode outside the list).
    virtual void ModeClr() = 0;
    virtual void ModeAdd(const QString& text) = 0;
    virtual void setTMode(const QString& text) = 0;
    // Test tab strip: remove every tab; add one at a position with a key
    // ("key1" single, "key2" auto, "key3" cycle test).
    virtual void TabClear() = 0;
    virtual void TabAdd(int position, const QString& key) = 0;
};

// The main window as the receive path sees it, with its menu entries.
class RecvHostIf : public MenuEnableIf {
public:
    virtual ~RecvHostIf() = default;
    // The slot's panel; null when the slot has none (the frame is then
    // decoded into the state only).
    virtual RecvPanelIf* recvPanel(int slot) = 0;
    // Cell of the slot's run grid (row 1.. per channel, column 0 "Device").
    virtual void setGridText(int slot, int row, int col, const QString& text) = 0;
    // Caption of the current axis of the slot's chart ("[A]" or "[mA]").
    virtual void setAxesY1Txt(int slot, const QString& text) = 0;
    // Number of device panels present.
    virtual int DevCount() const = 0;
    // Main-window procedures of the panel set-up.
    virtual void InitChnCurves(int slot) = 0;  // two-channel legends and colours
    virtual void InitAutoTest(int slot) = 0;   // auto-test page defaults
    virtual void SetupModeFields(int slot, int chn) = 0;
};

// The per-slot link timers as the decoder sees them.
class RecvTimersIf {
public:
    virtual ~RecvTimersIf() = default;
    // The connect-retry timer runs: no valid reply since the connect.
    virtual bool ConnEnabled(int slot) const = 0;
    virtual void StopConn(int slot) = 0;
    // A start byte arrived: arm the 500 ms timer that puts the receive
    // indicator out again.
    virtual void RecvStarted(int slot) = 0;
};

} // namespace ql
