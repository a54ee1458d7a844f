#pragma once
// Fits one device slot's controls to the main window's client area: the
// chart and run grid take what the panel leaves, the panel stands at the
// right, the information list below it, and the auto-test list over both.
#include "app/slotview.h"

namespace ql {

// W and H are the client area's width and height in twips. Returns false,
// keeping what was set so far, when the area is smaller than the fixed
// margins.
bool LayoutSlot(SlotView& s, int W, int H);

} // namespace ql
