#include "platform/dsound/DeviceClock.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A card a few parts per million off the system clock asks for 1024 frames at its own pace
// for an hour, each request up to 9 ms late on a busy machine. Its pace is never a stall; one
// request 300 ms late is, and the frames it cost beyond the server's chunk are skipped once.
TEST(DeviceClock, FollowsACardOffTheSystemClockForAnHourAndSkipsOnlyARealStall) {
    constexpr int Rate = 44100, Chunk = 1024;
    constexpr double ChunkSeconds = static_cast<double>(Chunk) / Rate;
    const std::pair<double, double> cases[] = {
        // the card's pace in ppm, a stall half way through in seconds
        {-100, 0}, {-50, 0},    {-10, 0},   {0, 0},   {10, 0},   {50, 0},
        {100, 0},  {-100, 0.3}, {-50, 0.3}, {0, 0.3}, {50, 0.3}, {100, 0.3},
    };
    for (const auto& [ppm, stall] : cases) {
        SCOPED_TRACE(testing::Message() << ppm << " ppm, stall " << stall << " s");
        DeviceClock clock(Rate, Chunk);
        const long requests = static_cast<long>(3600 / ChunkSeconds);
        const long stallAt = requests / 2;
        std::uint32_t noise = 12345;
        std::int64_t skipped = 0;
        std::int64_t stallSkipped = 0;
        for (long k = 0; k < requests; ++k) {
            noise = noise * 1664525u + 1013904223u;
            double at = k * ChunkSeconds / (1 + ppm * 1e-6);
            at += k == stallAt ? stall : (noise >> 8) % 9000 * 1e-6;
            // After a stall the server goes on from where its buffer ran dry.
            if (k > stallAt) at += std::max(stall - ChunkSeconds, 0.0);
            const std::int64_t missed =
                clock.Missed(DeviceClock::TimePoint() + std::chrono::microseconds(std::llround(at * 1e6)));
            (k == stallAt ? stallSkipped : skipped) += missed;
            clock.Delivered(missed + Chunk);
        }
        EXPECT_EQ(skipped, 0);
        EXPECT_NEAR(static_cast<double>(stallSkipped), std::max(stall - ChunkSeconds, 0.0) * Rate, 32);
    }
}
