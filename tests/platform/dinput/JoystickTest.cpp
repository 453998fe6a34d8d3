#include "platform/dinput/Joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <deque>

namespace {

// A controller that plays back scripted states and failures.
class ScriptedJoystick : public TDIJoystickSource {
public:
    struct Shared {
        bool attached = true;
        int opens = 0;
        std::deque<DIJOYSTATE2> states;
        bool failNext = false;
    };
    explicit ScriptedJoystick(Shared& shared) : s_(shared) {}
    bool Open() override {
        ++s_.opens;
        return s_.attached;
    }
    void Close() override {}
    bool Poll(DIJOYSTATE2& state) override {
        if (s_.failNext) {
            s_.failNext = false;
            return false;
        }
        if (!s_.states.empty()) {
            state = s_.states.front();
            s_.states.pop_front();
        }
        return true;
    }

private:
    Shared& s_;
};

} // namespace

TEST(JoystickDevice, FailedControllerIsReopenedByALaterPoll) {
    ScriptedJoystick::Shared shared;
    TDIJoystick joystick(std::make_unique<ScriptedJoystick>(shared));
    ASSERT_TRUE(joystick.Init());
    DIJOYSTATE2 moved;
    moved.lX = -1000;
    shared.states.push_back(moved);
    DIJOYSTATE2 state;
    EXPECT_TRUE(joystick.Poll(state));
    EXPECT_EQ(state.lX, -1000);
    shared.failNext = true;
    EXPECT_FALSE(joystick.Poll(state));
    EXPECT_EQ(state.lX, 0);
    EXPECT_FALSE(joystick.IsOpen());
    EXPECT_FALSE(joystick.Poll(state)); // this poll reopens
    EXPECT_TRUE(joystick.IsOpen());
    EXPECT_EQ(shared.opens, 2);
    EXPECT_TRUE(joystick.Poll(state));
}

TEST(JoystickDevice, NoControllerMeansNoJoystick) {
    ScriptedJoystick::Shared shared;
    shared.attached = false;
    TDIJoystick joystick(std::make_unique<ScriptedJoystick>(shared));
    EXPECT_FALSE(joystick.Init());
    DIJOYSTATE2 state;
    EXPECT_FALSE(joystick.Poll(state));
}

TEST(JoystickDevice, SdlVirtualControllerAxesAndButtons) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0);
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 11, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* virt = SDL_JoystickOpen(index);
    ASSERT_NE(virt, nullptr);
    TDIJoystick joystick(CreateSystemJoystick());
    if (!joystick.Init()) {
        SDL_JoystickClose(virt);
        SDL_JoystickDetachVirtual(index);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        GTEST_SKIP() << "virtual joystick has no controller mapping here";
    }
    SDL_JoystickSetVirtualAxis(virt, 0, -32768);
    SDL_JoystickSetVirtualAxis(virt, 1, 16384);
    SDL_JoystickSetVirtualButton(virt, 0, 1);
    DIJOYSTATE2 state;
    ASSERT_TRUE(joystick.Poll(state));
    EXPECT_EQ(state.lX, -1000);
    EXPECT_EQ(state.lY, 500);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0);
    SDL_JoystickClose(virt);
    SDL_JoystickDetachVirtual(index);
    EXPECT_FALSE(joystick.Poll(state));
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}
