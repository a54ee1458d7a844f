#pragma once
// The main-window menu entries whose meaning depends on a slot's device.
// Menus, dialogs and tools act on the selected slot (CurDev), so these
// entries show what that slot's device, runs and connection asked for.
// Each request goes into the slot's record (SlotState) and reaches the
// menus only when the slot is the selected one; selecting another slot
// shows its record.
#include "link/hostif.h"

namespace ql {

struct LinkState;

// The entry enabled or disabled as the slot asks. An entry whose enabled
// state no slot keeps (kRunMenus, "Parameter Calibration" and "Firmware
// Update" are kept) belongs to the whole window and is switched at once.
// menus may be null (no main window).
void SetSlotMenu(LinkState& state, int slot, MenuId id, bool enabled, MenuEnableIf* menus);

// The entry shown or hidden as the slot's device asks; the same rules, for
// the entries of kDeviceMenus.
void SetSlotMenuShown(LinkState& state, int slot, MenuId id, bool shown, MenuEnableIf* menus);

// The run-state entries (kRunMenus) of the slot, all at once.
void SetSlotRunMenus(LinkState& state, int slot, const RunMenus& on, MenuEnableIf* menus);

// Every entry a slot keeps, as the selected slot's record holds it (after
// the selection changed).
void ShowSlotMenus(const LinkState& state, MenuEnableIf& menus);

} // namespace ql
