#pragma once
// Keys every window of the program answers alike.
class QWidget;

namespace ql {

// Escape closes the window as closing it from its title bar would (and so as
// its Cancel button does): the window's own close handling still runs.
void CloseOnEscape(QWidget* window);

} // namespace ql
