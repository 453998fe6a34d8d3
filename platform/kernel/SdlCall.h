#pragma once
// SDL is shared by the sound devices and the joystick, and its subsystem start and stop,
// its hints and its device lists may not be used from two threads at once: a thread that
// started or stopped a subsystem while another listed or opened devices crashed inside the
// library. Every call into SDL runs while an SdlCall lives.
#include <mutex>

class SdlCall {
public:
    SdlCall();
    SdlCall(const SdlCall&) = delete;
    SdlCall& operator=(const SdlCall&) = delete;

private:
    std::lock_guard<std::mutex> guard_;
};
