#include "game/DirectInput.h"

#include <gtest/gtest.h>

TEST(DirectInputSetup, WithoutAWindowItFailsAndLeavesNoDevice) {
    TDirectInput input;
    int factoryCalls = 0;
    input.JoystickFactory = [&] {
        ++factoryCalls;
        return std::unique_ptr<TDIJoystickSource>();
    };
    EXPECT_EQ(input.InitDirectInput(nullptr, false), DIERR_NOTINITIALIZED);
    EXPECT_EQ(input.Keyboard(), nullptr);
    EXPECT_FALSE(input.JoystickPresent());
    EXPECT_EQ(factoryCalls, 0);
}
