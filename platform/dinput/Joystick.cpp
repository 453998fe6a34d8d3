#include "platform/dinput/Joystick.h"

#include "platform/kernel/SdlCall.h"

#include <SDL.h>

#include <algorithm>

namespace {

// SDL's axes run -32768..32767; the game's run -1000..1000.
int scaleAxis(Sint16 v) {
    return std::clamp(static_cast<int>(v) * 1000 / 32767, -1000, 1000);
}

class SdlJoystick : public TDIJoystickSource {
public:
    ~SdlJoystick() override {
        Close();
        if (!initialised_) return;
        SdlCall call;
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    bool Open() override {
        Close();
        if (!initialised_) initialised_ = initController();
        if (!initialised_) return false;
        SDL_GameControllerUpdate();
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_IsGameController(i) && (controller_ = SDL_GameControllerOpen(i)) != nullptr) return true;
        }
        return false;
    }

    void Close() override {
        if (controller_) SDL_GameControllerClose(controller_);
        controller_ = nullptr;
    }

    bool Poll(DIJOYSTATE2& state) override {
        if (!controller_) return false;
        SDL_GameControllerUpdate();
        if (!SDL_GameControllerGetAttached(controller_)) {
            Close();
            return false;
        }
        state.lX = scaleAxis(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTX));
        state.lY = scaleAxis(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTY));
        state.rgbButtons[0] = SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_A) ? 0x80 : 0;
        state.rgbButtons[1] = SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_B) ? 0x80 : 0;
        return true;
    }

private:
    // The subsystem's start and the hints are SDL's shared state, used by the sound devices
    // too; the polling that follows touches the controller alone.
    static bool initController() {
        SdlCall call;
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        // SDL would turn Ctrl+C and kill into a quit event nobody reads; the program keeps
        // the ordinary signal behaviour.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        return SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    }

    bool initialised_ = false;
    SDL_GameController* controller_ = nullptr;
};

} // namespace

std::unique_ptr<TDIJoystickSource> CreateSystemJoystick() {
    return std::make_unique<SdlJoystick>();
}

TDIJoystick::TDIJoystick(std::unique_ptr<TDIJoystickSource> source) : source_(std::move(source)) {}

bool TDIJoystick::Init() {
    open_ = source_ && source_->Open();
    return open_;
}

bool TDIJoystick::Poll(DIJOYSTATE2& state) {
    state = DIJOYSTATE2{};
    if (!source_) return false;
    if (!open_) {
        open_ = source_->Open();
        return false;
    }
    if (!source_->Poll(state)) {
        source_->Close();
        open_ = false;
        state = DIJOYSTATE2{};
        return false;
    }
    return true;
}
