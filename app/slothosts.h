#pragma once
// The main window's slots as the sequencers, the tool windows and the views
// see them. Each host answers from the slot views (app/slotview.h), the
// link's records and the run tracker it is given; none reaches into the
// window.
#include "app/slotview.h"
#include "panel/seqif.h"
#include "tools/toolhost.h"
#include "views/viewhost.h"

namespace ql {

class ActionTable;
class SecondTicker;

// The run commands shared by the sequencers and the tools.
class SlotCommands final : public RunCommandsIf {
public:
    SlotCommands(LinkState& link, RunTracker& tracker, const SlotViews& views)
        : link_(link), tracker_(tracker), views_(views)
    {
    }
    bool DevCtrl_RunClick(int slot, int chn, RunCaller caller) override;
    void DevCtrl_StopClick(int slot, int chn) override;
    void RemoteSet(int slot, int chn, float value) override;
    void RemoteQC(int slot, int code) override;
    void RemotePE(int slot, int direction) override;

private:
    LinkState& link_;
    RunTracker& tracker_;
    const SlotViews& views_;
};

// The pages of each slot's panel, the run commands, the slot's counter,
// chart, device name and monitoring, for the auto-test and step-test
// sequencers and the step editor.
class SeqHost final : public SeqHostIf {
public:
    SeqHost(LinkState& link, SecondTicker& ticker, const SlotViews& views, RunCommandsIf& commands)
        : link_(link), ticker_(ticker), views_(views), commands_(commands)
    {
    }
    AutoPageIf* autoPage(int slot) override;  // null for a slot without a panel
    StepPageIf* stepPage(int slot) override;
    RunFieldsIf* fields(int slot) override;
    RunCommandsIf& Commands() override { return commands_; }
    void TmrStop(int slot, int chn) override;
    void ChartClearAll(int slot) override;
    void ChartYStep(int slot, bool on) override;
    QString DevName(int slot, int chn) const override;
    bool Monitoring(int slot, int chn) const override;

private:
    LinkState& link_;
    SecondTicker& ticker_;
    const SlotViews& views_;
    RunCommandsIf& commands_;
};

// The slots as the tool windows see them.
class ToolSlots final : public ToolHost {
public:
    ToolSlots(LinkState& link, const SlotViews& views, RunCommandsIf& commands)
        : link_(link), views_(views), commands_(commands)
    {
    }
    int CurDev() const override { return link_.CurDev; }
    LinkState& Link() override { return link_; }
    CurveGraph* Chart(int slot) override;
    RunFieldsIf* Fields(int slot) override;
    RunCommandsIf& Commands() override { return commands_; }
    bool Dev2S(int slot) const override;
    void setChnEnable(int slot, bool on) override;
    QString PortText(int slot) const override;
    QString VoltText(int slot, int chn) const override;

private:
    LinkState& link_;
    const SlotViews& views_;
    RunCommandsIf& commands_;
};

// The slots as the parameter files, pictures, dialogs and readouts see them.
class ViewSlots final : public ViewHost {
public:
    ViewSlots(QWidget* window, LinkState& link, const SlotViews& views, const RunTracker& tracker, ActionTable& menus)
        : window_(window), link_(link), views_(views), tracker_(tracker), menus_(menus)
    {
    }
    QWidget* window() const override { return window_; }
    int DevCount() const override { return views_.count(); }
    int CurDev() const override { return link_.CurDev; }
    DevCtrl* panel(int slot) const override;
    CurveGraph* chart(int slot) const override;
    FlexGrid* grid(int slot) const override;
    QWidget* frame(int slot) const override;
    const LinkState& link() const override { return link_; }
    void setTitleText(int slot, const QString& text) override;
    QString DevName(int slot, int chn) const override;
    bool Dev2S(int slot) const override;
    QDateTime now() const override;
    // The temperature column (LinkState::TempColumn), shown by its entry.
    void setMenuTemp(bool checked) override;

private:
    QWidget* window_;
    LinkState& link_;
    const SlotViews& views_;
    const RunTracker& tracker_;
    ActionTable& menus_;
};

} // namespace ql
