#pragma once
// What the sequencer, tool and view hosts read of a slot beyond its records:
// the device name and layout the panel shows, whether a monitor without a
// run is on, and the voltage readout's text. One place each, so that every
// host reads them alike.
#include <QString>

namespace ql {

class frmMain;

// The run grid's "Device" cell of the channel.
QString ShownDevName(frmMain& w, int slot, int chn);
// The panel's two-channel layout.
bool ShownDev2S(frmMain& w, int slot);
// A monitor without a run is on: the channel's line of the information list
// is in use.
bool ShownMonitoring(frmMain& w, int slot, int chn);
// The voltage readout of the channel as shown ("05.02").
QString ShownVoltText(frmMain& w, int slot, int chn);

}  // namespace ql
