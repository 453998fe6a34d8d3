#pragma once
// The game's input devices: the keyboard of the game window and the first game controller,
// polled once per frame into the rules.
#include "platform/dinput/Joystick.h"
#include "platform/dinput/Keyboard.h"

#include <functional>
#include <memory>

class TGameRules;

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);

class TDirectInput {
public:
    // Opens the keyboard on the window and the joystick; the first failing result, else DI_OK.
    HRESULT InitDirectInput(QWidget* window, bool background);
    void FreeDirectInput();
    bool JoystickPresent() const { return joystick_ != nullptr; }
    TDIKeyboard* Keyboard() const { return keyboard_.get(); }
    // Polls the joystick, then hands every buffered key event to the rules in order.
    void PollInput(TGameRules& rules);

    // Where controllers come from (tests put their own).
    std::function<std::unique_ptr<TDIJoystickSource>()> JoystickFactory = CreateSystemJoystick;
    // Makes the next InitDirectInput of any device set fail with result (tests).
    static void FailNextInit(HRESULT result);

private:
    bool initJoystick();
    std::unique_ptr<TDIKeyboard> keyboard_;
    std::unique_ptr<TDIJoystick> joystick_;
};
