#include "platform/dsound/DeviceClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// A device of 1000 frames a second asking for 10 at a time: a request is due 10 ms after the
// last. Up to a chunk late is a wake-up's jitter, which the server's buffer of a chunk covers;
// of a longer stall only the frames beyond that buffer went unplayed, and they are skipped.
TEST(DeviceClock, SkipsWhatAStallTookBeyondTheServersBufferAndNothingForJitterOrTheServersFirstPause) {
    const std::vector<std::pair<int, long>> cases[] = {
        // ms since the first request, frames to skip
        {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {50, 0}},
        {{0, 0}, {900, 0}, {900, 0}, {910, 0}, {920, 0}, {930, 0}, {940, 0}},
        {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {48, 0}, {60, 0}},
        {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {125, 65}, {130, 0}, {140, 0}},
        {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {46, 0}, {62, 2}, {70, 0}}, // two small delays add up
    };
    for (const auto& requests : cases) {
        SCOPED_TRACE(&requests - cases);
        DeviceClock clock(1000, 10);
        for (const auto& [atMs, expected] : requests) {
            const std::int64_t missed =
                clock.Missed(DeviceClock::TimePoint() + std::chrono::milliseconds(atMs));
            EXPECT_EQ(missed, expected) << "at " << atMs << " ms";
            clock.Delivered(missed + 10);
        }
    }
}

// A card some parts per million off the system clock asks for 1024 frames at its own pace for
// an hour, each request up to 9 ms late: never a stall. One request 300 ms late half way is, and
// what it cost beyond the server's chunk is skipped; the server goes on from where it ran dry.
TEST(DeviceClock, FollowsACardOffTheSystemClockForAnHourAndSkipsOnlyARealStall) {
    constexpr double Chunk = 1024.0 / 44100;
    constexpr long Half = static_cast<long>(1800 / Chunk);
    for (const double ppm : {-100, -50, -10, 0, 10, 50, 100})
        for (const double stall : {0.0, 0.3}) {
            SCOPED_TRACE(testing::Message() << ppm << " ppm, stall " << stall << " s");
            DeviceClock clock(44100, 1024);
            std::int64_t skipped[2] = {}; // elsewhere, at the stall
            std::uint32_t noise = 1;
            for (long k = 0; k < 2 * Half; ++k) {
                noise = noise * 1664525u + 1013904223u;
                const double at = k * Chunk / (1 + ppm * 1e-6) +
                                  (k > Half ? stall - Chunk * (stall > 0) : 0) +
                                  (k == Half ? stall : (noise >> 8) % 9000 * 1e-6);
                const std::int64_t missed = clock.Missed(DeviceClock::TimePoint() +
                                                         std::chrono::microseconds(std::llround(at * 1e6)));
                skipped[k == Half] += missed;
                clock.Delivered(missed + 1024);
            }
            EXPECT_EQ(skipped[0], 0);
            EXPECT_NEAR(static_cast<double>(skipped[1]), (stall - Chunk * (stall > 0)) * 44100, 32);
        }
}
