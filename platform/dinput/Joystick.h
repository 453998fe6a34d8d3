#pragma once
// The joystick device: the first attached game controller, its X and Y axes scaled to
// -1000..1000 and two buttons (0x80 when down). A controller that fails or goes away is
// opened again by a later poll.
#include "platform/kernel/Types.h"

#include <array>
#include <memory>

struct DIJOYSTATE2 {
    int lX = 0;
    int lY = 0;
    std::array<BYTE, 2> rgbButtons{0, 0};
};

class TDIJoystickSource {
public:
    virtual ~TDIJoystickSource() = default;
    // Opens the first attached controller; false when there is none.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // Reads the current state; false when the device failed (it is then closed).
    virtual bool Poll(DIJOYSTATE2& state) = 0;
};

// The controllers of the system, through SDL's game controller layer.
std::unique_ptr<TDIJoystickSource> CreateSystemJoystick();

class TDIJoystick {
public:
    explicit TDIJoystick(std::unique_ptr<TDIJoystickSource> source);
    // Whether a controller was ready when the device was set up.
    bool Init();
    // Polls; on a failure the controller is closed and the next poll opens it again.
    bool Poll(DIJOYSTATE2& state);
    bool IsOpen() const { return open_; }

private:
    std::unique_ptr<TDIJoystickSource> source_;
    bool open_ = false;
};
