#pragma once
// For toolkit tests: runs the application's events (starting the offscreen GUI on first
// use) until a condition holds or a limit of real time has passed; events from other
// threads need their thread to get there.
#include "platform/framework/Application.h"

#include <chrono>
#include <functional>
#include <thread>

inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        Application->ProcessMessages();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Starts the offscreen GUI, so that the calling thread is the GUI thread.
inline void StartGui() {
    Application->ProcessMessages();
}
