#pragma once
// Mode selection and the per-model set-up of a panel's fields: the slot's
// handler of the panel's mode click and its SetupModeFields.
#include "link/state.h"

#include <array>

namespace ql {

class DevCtrl;

// Sets channel chn's value fields and units (in the record of its field
// channel) and the panel's captions and enabled states from the slot's
// model, the channel's mode and its raw values, and shows them; the
// channel's capacity and energy cells are written for its run-grid row.
// Returns the parts (RunViewIf::Part) of the channel left to be shown: none
// while the slot's DevType is 0, when nothing is set up. A mode index
// outside the panel's list selects no entry.
unsigned SetupModeFields(LinkState& state, int slot, int chn, DevCtrl& panel);

// The handler of the panel's ModeClick: stores the chosen mode for channel 0
// (and channel 1 on a two-channel panel), resets the raw values and sets the
// fields up. Choosing the mode already stored changes nothing. Returns the
// parts of each channel left to be shown.
std::array<unsigned, kChanCount> ModeClicked(LinkState& state, int slot, DevCtrl& panel);

} // namespace ql
