#include "platform/dsound/DeviceClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A device of 1000 frames a second asking for 10 frames at a time: one chunk is 10 ms.
constexpr int Rate = 1000;
constexpr int Chunk = 10;
} // namespace

// A request is due one chunk after the last one; up to a chunk late is a wake-up's jitter,
// more is a stall whose frames are skipped, after which the stream is on time again.
TEST(DeviceClock, SkipsWhatAStallTookAndNothingForJitterOrTheServersFirstPause) {
    const struct {
        const char* name;
        std::vector<std::pair<int, long>> requests; // ms since the first one, frames to skip first
    } cases[] = {
        {"on time", {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {50, 0}}},
        {"the server waits after its first requests",
         {{0, 0}, {900, 0}, {900, 0}, {910, 0}, {920, 0}, {930, 0}, {940, 0}}},
        {"late by up to a chunk", {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {48, 0}, {60, 0}}},
        {"a stall of 75 ms", {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {125, 75}, {130, 0}, {140, 0}}},
        {"two stalls of 6 ms add up", {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {46, 0}, {62, 12}, {70, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceClock clock(Rate, Chunk);
        const DeviceClock::TimePoint start;
        for (const auto& [atMs, expected] : c.requests) {
            const std::int64_t missed = clock.Missed(start + std::chrono::milliseconds(atMs));
            EXPECT_EQ(missed, expected) << "at " << atMs << " ms";
            clock.Delivered(missed + Chunk);
        }
    }
}
