#include "game/DirectInput.h"
#include "game/GameRules.h"

#include <atomic>

namespace {

std::atomic<HRESULT> nextInitFailure{DI_OK};

} // namespace

void TDirectInput::FailNextInit(HRESULT result) {
    nextInitFailure = result;
}

HRESULT TDirectInput::InitDirectInput(QWidget* window, bool background) {
    FreeDirectInput();
    if (HRESULT injected = nextInitFailure.exchange(DI_OK); FAILED(injected)) return injected;
    if (!window) return DIERR_NOTINITIALIZED;
    keyboard_ = std::make_unique<TDIKeyboard>();
    keyboard_->Attach(window);
    initJoystick();
    return DI_OK;
}

bool TDirectInput::initJoystick() {
    joystick_.reset();
    if (!JoystickFactory) return false;
    auto joystick = std::make_unique<TDIJoystick>(JoystickFactory());
    if (!joystick->Init()) return false;
    joystick_ = std::move(joystick);
    return true;
}

void TDirectInput::FreeDirectInput() {
    joystick_.reset();
    keyboard_.reset();
}

void TDirectInput::PollInput(TGameRules& rules) {
    if (joystick_) {
        DIJOYSTATE2 state;
        if (joystick_->Poll(state)) {
            TJoystickState js;
            js.X = state.lX;
            js.Y = state.lY;
            js.Buttons = state.rgbButtons;
            rules.HandleJoystick(js);
        }
    }
    if (!keyboard_) return;
    for (const DIDEVICEOBJECTDATA& d : keyboard_->GetDeviceData()) {
        if (d.dwData & 0x80)
            rules.HandleKeyDown(static_cast<int>(d.dwOfs));
        else
            rules.HandleKeyUp(static_cast<int>(d.dwOfs));
    }
}
