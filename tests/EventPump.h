#pragma once
// Running the application's events from a test: until a condition holds, or for a stretch
// of real time (an X server maps and paints windows in its own time, and an idle pump
// returns at once). Events from other threads need their thread to get there.
#include "platform/framework/Application.h"

#include <chrono>
#include <functional>
#include <thread>

namespace vx_test {

// Runs the events until done() holds (true) or limitMs of real time have passed (false).
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        Application->ProcessMessages();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

inline void PumpFor(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace vx_test
