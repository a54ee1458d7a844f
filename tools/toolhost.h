#pragma once
// What the tool windows use of the main window: the selected slot, the
// link's records (limits, factors, readouts as shown, run state, the open
// port), a slot's chart, the run page's fields and channel choice, and the
// run commands. The main window implements it; tests fake it. Every call
// names the slot the tool acts on (normally CurDev()).
#include <QString>

namespace ql {

struct LinkState;
class CurveGraph;
class RunCommandsIf;
class RunFieldsIf;

class ToolHost {
public:
    virtual ~ToolHost() = default;

    // The slot of the selected tab.
    virtual int CurDev() const = 0;
    // The records of every slot and channel, and the shared ResVolt,
    // AdjOpen and UsbOpen.
    virtual LinkState& Link() = 0;
    // CurveGraph(slot); null when the slot has none.
    virtual CurveGraph* Chart(int slot) = 0;
    // The slot's run page: channel choice, mode and value fields; null when
    // the slot has no panel.
    virtual RunFieldsIf* Fields(int slot) = 0;
    virtual RunCommandsIf& Commands() = 0;

    // The panel's two-channel layout; the channel option's enabling.
    virtual bool Dev2S(int slot) const = 0;
    virtual void setChnEnable(int slot, bool on) = 0;
    // The port field's text ("COM3"), whether or not the port is open.
    virtual QString PortText(int slot) const = 0;
    // The channel's voltage readout as shown ("05.02").
    virtual QString VoltText(int slot, int chn) const = 0;
};

}  // namespace ql
