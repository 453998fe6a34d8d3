#include "platform/dsound/DeviceClock.h"

#include <gtest/gtest.h>

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
