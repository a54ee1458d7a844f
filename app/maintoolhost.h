#pragma once
#include "tools/toolhost.h"

namespace ql {

class frmMain;

// The main window as the tool windows see it: the selected slot, the link
// state, a slot's panel and chart, the window's run handlers, the remote
// commands and the program's prompter.
class MainToolHost : public ToolHost {
public:
    explicit MainToolHost(frmMain& w) : w_(w) {}

    int CurDev() const override;
    LinkState& Link() override;
    DevCtrl* Panel(int slot) override;
    CurveGraph* Chart(int slot) override;
    void DevCtrl_RunClick(int slot, int chn) override;
    void DevCtrl_StopClick(int slot, int chn) override;
    void RemoteSet(int slot, float value) override;
    void RemoteSetOn(int slot, int chn, float value) override;
    void RemoteQC(int slot, int code) override;
    void RemotePE(int slot, int direction) override;

private:
    frmMain& w_;
};

} // namespace ql
