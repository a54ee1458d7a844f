#pragma once
#include "panel/seqif.h"

namespace ql {

class frmMain;

// The main window as the auto-test and step-test sequencers see it: a kept
// view of each slot's panel, the window's run commands (a refused start is
// logged, not shown), the slot's chart, run grid and information list, and
// the user's dialogs.
class SeqHost : public SeqHostIf {
public:
    explicit SeqHost(frmMain& w);
    ~SeqHost() override;

    SeqPanelIf* seqPanel(int slot) override;  // null for a slot without a panel
    bool RunClick(int slot, int chn) override;
    void StopClick(int slot, int chn) override;
    void RemoteSet(int slot, float value) override;
    void TmrStop(int slot, int chn) override;
    void ChartClearAll(int slot) override;
    void ChartYStep(int slot, bool on) override;
    QString GridText(int slot, int row, int col) const override;
    QString InfoLine(int slot, int line) const override;

private:
    frmMain& w_;
};

} // namespace ql
