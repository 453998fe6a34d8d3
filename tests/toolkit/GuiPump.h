#pragma once
// For toolkit tests: runs the application's events (starting the offscreen GUI on first
// use) until a condition holds or a limit of real time has passed.
#include "tests/EventPump.h"

using vx_test::PumpUntil;

// Starts the offscreen GUI, so that the calling thread is the GUI thread.
inline void StartGui() {
    Application->ProcessMessages();
}
