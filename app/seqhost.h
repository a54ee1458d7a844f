#pragma once
#include "panel/seqif.h"

namespace ql {

class frmMain;

// The main window's run commands as the sequencers and the tools use them.
class MainCommands : public RunCommandsIf {
public:
    explicit MainCommands(frmMain& w) : w_(w) {}
    bool DevCtrl_RunClick(int slot, int chn, RunCaller caller) override;
    void DevCtrl_StopClick(int slot, int chn) override;
    void RemoteSet(int slot, int chn, float value) override;
    void RemoteQC(int slot, int code) override;
    void RemotePE(int slot, int direction) override;

private:
    frmMain& w_;
};

// The main window as the auto-test and step-test sequencers and the step
// editor see it: the pages of each slot's panel, the run commands, the
// slot's counter, chart, device name and monitoring.
class SeqHost : public SeqHostIf {
public:
    explicit SeqHost(frmMain& w) : w_(w), commands_(w) {}

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
    SeqPanelIf* panel(int slot) const;
    frmMain& w_;
    MainCommands commands_;
};

}  // namespace ql
