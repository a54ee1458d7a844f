#pragma once
// Mode selection and the per-model set-up of a panel's fields: the main
// window's handler of the panel's mode click and its SetupModeFields.
#include <functional>

namespace ql {

struct LinkState;
class DevCtrl;

// Refreshes the capacity and energy cells of a slot's run grid for a channel.
using ShowCapacityFn = std::function<void(int slot, int chn)>;

// Sets channel chn's value fields and units (in the record of its field
// channel) and the panel's captions and enabled states from the slot's
// model, the channel's mode and its raw values, shows them, then calls
// showCapacity(slot, chn). Does nothing while the slot's DevType is 0. A
// mode index outside the panel's list selects no entry.
void SetupModeFields(LinkState& state, int slot, int chn, DevCtrl& panel, const ShowCapacityFn& showCapacity);

// The handler of the panel's ModeClick: stores the chosen mode for channel 0
// (and channel 1 on a two-channel panel), resets the raw values and sets the
// fields up. Choosing the mode already stored changes nothing.
void ModeClicked(LinkState& state, int slot, DevCtrl& panel, const ShowCapacityFn& showCapacity);

} // namespace ql
