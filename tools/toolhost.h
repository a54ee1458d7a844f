#pragma once
// What the tool windows use of the main window: the selected slot, the
// link's tables, a slot's panel and chart, the run handlers and the remote
// commands. The main window implements it; tests fake
// it. Every call names the slot the tool acts on (normally CurDev()).
#include <QString>

namespace ql {

struct LinkState;
class DevCtrl;
class CurveGraph;

class ToolHost {
public:
    virtual ~ToolHost() = default;

    // The slot of the selected tab.
    virtual int CurDev() const = 0;
    // Limits, factors, measurements, run state and port of every slot, and
    // the shared ResVolt, AdjOpen and UsbOpen.
    virtual LinkState& Link() = 0;
    // DevCtrl(slot) and CurveGraph(slot); null when the slot has none.
    virtual DevCtrl* Panel(int slot) = 0;
    virtual CurveGraph* Chart(int slot) = 0;

    // The panel's start and stop handlers.
    virtual void DevCtrl_RunClick(int slot, int chn) = 0;
    virtual void DevCtrl_StopClick(int slot, int chn) = 0;
    // The remote commands of the device link (link/frames.h), on the
    // channel chosen on the slot's panel.
    virtual void RemoteSet(int slot, float value) = 0;
    // The set value on the given channel of the slot, whichever the panel shows.
    virtual void RemoteSetOn(int slot, int chn, float value) = 0;
    virtual void RemoteQC(int slot, int code) = 0;
    virtual void RemotePE(int slot, int direction) = 0;

};

} // namespace ql
