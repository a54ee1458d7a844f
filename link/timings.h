#pragma once
// The periods of the device link and the panels, handed to the main window
// at construction. The program runs on the defaults; tests pass short ones.
#include <chrono>

namespace ql {

struct LinkTimings {
    // The run-second counters (SecondTicker). Zero: ticks come only from
    // SecondTicker::TickAll, one per call.
    std::chrono::milliseconds tick{1000};
    std::chrono::milliseconds poll{50};        // reading a connected port
    std::chrono::milliseconds connect{1000};   // connect resent until the first valid reply
    std::chrono::milliseconds recvLamp{500};   // the receive lamp goes out after this
    std::chrono::milliseconds panel{1000};     // the panels' curve, time, auto-test and step-test timers
    std::chrono::milliseconds recordSync{1000}; // the longest a live record's row waits for the disk
};

} // namespace ql
