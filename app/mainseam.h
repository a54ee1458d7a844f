#pragma once
// frmMain::Seam: what the tests, the soak and the benchmarks reach inside a
// main window. The program itself never uses it: a window is built, shown,
// given slots and connected through its public members only.
//
// The seam hands out the slot and channel records, the widgets of a slot
// to click and type into, the parts that run the link (connections, ticker,
// decoder, run tracker, sequencers), the menu entries and toolbar buttons
// to trigger, the hooks that open other windows, and the window's timers.
#include "app/mainwindow.h"

namespace ql {

class frmMain::Seam {
public:
    explicit Seam(frmMain& w) : w_(w) {}

    // ---- records and the parts that keep them
    LinkState& link() const { return w_.link_; }
    SlotConnection& connection(int n) const { return w_.connection(n); }
    SecondTicker& ticker() const { return w_.ticker_; }
    ReplyDecoder& decoder() const { return w_.decoder_; }
    RunTracker& tracker() const { return w_.tracker_; }
    AutoTest& autoTest() const { return w_.autoTest_; }
    StepTest& stepTest() const { return w_.stepTest_; }
    // The window as the reply decoder and the run tracker see it.
    RecvHostIf& recvHost() const { return w_; }
    RunHostIf& runHost() const { return w_; }
    ReadoutWindowsIf& readoutWindows() const { return w_; }

    // ---- widgets
    // The view of a slot that exists: its widgets, and the slot as the link
    // shows it (RecvViewIf, RunViewIf).
    SlotView& slot(int n) const { return w_.slot(n); }
    QTabBar* tabs() const { return w_.tabDev; }
    QToolBar* toolbar() const { return w_.tlbSys; }
    // A toolbar button by its key ("opendat", "savedat", "savepic",
    // "setting", "com", "about").
    QAction* tool(const QString& key) const;
    // A menu entry the link and the panels switch.
    QAction* action(MenuId id) const { return w_.menus_.action(id); }
    // Any menu entry by its name ("menuAbout", "menuSimp" ...); null for
    // a name the window has no entry of.
    QAction* action(const QString& name) const;
    QSystemTrayIcon* trayIcon() const { return w_.tray_; }

    // ---- the windows of other parts
    WindowHooks& hooks() const { return w_.hooks; }
    QWidget* otherWindow(const QString& name) const { return w_.otherWindow(name); }
    frmMsg* messageWindow() const { return w_.msg_; }
    frmAbout* aboutWindow() const { return w_.about_; }
    frmSw* switchWindow() const { return w_.sw_; }
    FloatingReadouts& readouts() const { return w_.readouts(); }
    ServerLink& news() const { return *w_.news_; }
    // The news exchange's side of the window (what a server reply sets).
    NewsHost& newsHost() const { return w_; }

    // ---- timers: 1 clock line, 2 news connect, 3 news close, 4 marquee
    QTimer* timer(int n) const;
    // One tick of the clock line's or the marquee's timer.
    void clockTick() const { w_.Timer1_Timer(); }
    void marqueeTick() const { w_.Timer4_Timer(); }

    // ---- window states
    // The floating readout took over while the window is minimised.
    bool minDispShown() const { return w_.minDispShown_; }
    // No settings dialog or tool window is being waited for.
    bool dlgDone() const { return w_.DlgDone; }

private:
    frmMain& w_;
};

}  // namespace ql
