#pragma once
#include "app/seqhost.h"
#include "tools/toolhost.h"

namespace ql {

class DevCtrl;
class frmMain;

// The main window as the tool windows see it.
class MainToolHost : public ToolHost {
public:
    explicit MainToolHost(frmMain& w) : w_(w), commands_(w) {}

    int CurDev() const override;
    LinkState& Link() override;
    CurveGraph* Chart(int slot) override;
    RunFieldsIf* Fields(int slot) override;
    RunCommandsIf& Commands() override { return commands_; }
    bool Dev2S(int slot) const override;
    void setChnEnable(int slot, bool on) override;
    QString PortText(int slot) const override;
    QString VoltText(int slot, int chn) const override;

private:
    DevCtrl* panel(int slot) const;
    frmMain& w_;
    MainCommands commands_;
};

}  // namespace ql
