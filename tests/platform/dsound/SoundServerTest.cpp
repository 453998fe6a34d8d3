#include "tests/SoundServer.h"

#include <gtest/gtest.h>

// The private server the capture and mixer tests run against: if this fails, their skips
// and failures are about the machine, not about the code under test.
TEST(SoundServer, PlaysIntoANullSinkWhoseMonitorIsTheDefaultSource) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    std::string info;
    ASSERT_EQ(server.shell("pactl info", info), 0) << info;
    EXPECT_NE(info.find("Default Sink: vx_null"), std::string::npos) << info;
    EXPECT_NE(info.find("Default Source: vx_null.monitor"), std::string::npos) << info;
}

TEST(SoundServer, TwoServersDoNotShareTheirSinks) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    std::string first;
    std::string second;
    ASSERT_EQ(server.shell("pactl set-sink-volume vx_null 40%", first), 0) << first;
    vx_test::ScopedSoundServer other;
    VX_REQUIRE_SOUND_SERVER(other);
    // The second server's environment now wins in this process: its sink is untouched.
    ASSERT_EQ(other.shell("pactl get-sink-volume vx_null", second), 0) << second;
    EXPECT_NE(second.find("100%"), std::string::npos) << second;
}
