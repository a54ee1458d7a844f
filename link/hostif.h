#pragma once
// What the receive path uses of the main window, a slot's panel, run grid
// and chart, and the menus. Widgets implement these, tests
// fake them; the decoder never sees a widget.
#include <QString>

namespace ql {

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

// The main window as the receive path sees it.
class RecvHostIf {
public:
    virtual ~RecvHostIf() = default;
    // The slot's panel; null when the slot has none (the frame is then
    // decoded into the state only).
    virtual RecvPanelIf* recvPanel(int slot) = 0;
    // Cell of the slot's run grid (row 1.. per channel, column 0 "Device").
    virtual void setGridText(int slot, int row, int col, const QString& text) = 0;
    // Caption of the current axis of the slot's chart ("[A]" or "[mA]").
    virtual void setAxesY1Txt(int slot, const QString& text) = 0;
    // Main-window menu entries by name ("menuAdj", "menuRes", "menuQc",
    // "menuUsb", "menuTemp", "menuAddDev").
    virtual void setMenuVisible(const QString& name, bool visible) = 0;
    virtual void setMenuEnabled(const QString& name, bool enabled) = 0;
    // Number of device panels present.
    virtual int DevCount() const = 0;
    // Main-window procedures of the panel set-up.
    virtual void InitChnCurves(int slot) = 0;  // two-channel legends and colours
    virtual void InitAutoTest(int slot) = 0;   // auto-test page defaults
    virtual void SetupModeFields(int slot, int chn) = 0;
};

} // namespace ql
