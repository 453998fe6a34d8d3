#include "sound/DSDuplex.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
// 16 blocks of 1024 bytes: in step, block k ends as both cursors reach block k + 1.
constexpr int Block = 1024, Blocks = 16;
constexpr long Ring = long(Block) * Blocks;
// Where both counts stand at the start, a whole number of turns in.
constexpr std::uint64_t Base = 64 * Ring;
long inStep(int k) {
    return (k + 1L) * Block;
}
} // namespace

// Whatever the cursors do, blocks go within a block of as far ahead of the play cursor as the
// first one went, by dropped blocks or ones passed over, never a turn of the ring apart.
TEST(DuplexPlacement, KeepsTheDelayThroughStallsOfEitherDeviceAndIgnoresTheCursorsJitter) {
    const struct {
        const char* name;
        int offset;
        long (*play)(int k); // the cursors in bytes when block k has been captured
        long (*capture)(int k);
        int dropped, skipped;
    } cases[] = {
        {"in step with jitter", 2, [](int k) { return inStep(k) + (k % 2 ? Block / 2 - 4 : -Block / 2 + 4); },
         [](int k) { return inStep(k) + (k % 3 ? Block / 2 - 4 : 0); }, 0, 0},
        {"the output stalls", 2, [](int k) { return inStep(std::max(std::min(k, 9), k - 3)); }, inStep, 2, 0},
        {"the output stalls most of a ring", 2,
         [](int k) { return inStep(std::max(std::min(k, 9), k - 12)); }, inStep, 11, 0},
        {"the capture stalls", 2, [](int k) { return k < 10 ? inStep(k) : inStep(k + 3); }, inStep, 0, 2},
        {"the output's clock slow", 2, [](int k) { return inStep(k) - std::min(k, 512) * Block / 128; },
         inStep, 3, 0},
        {"play started behind", 2, [](int k) { return inStep(k) - 3 * Block / 2; }, inStep, 0, 0},
        {"play started most of a ring behind", 2, [](int k) { return inStep(k) - 12 * Block; }, inStep, 0, 0},
        {"the largest offset", Blocks - 2, [](int k) { return inStep(k) - Block / 8; }, inStep, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDSDuplexPlacement placement;
        placement.Reset(Block, Blocks);
        int dropped = 0, skipped = 0, last = -1;
        long firstLead = -1, lead = -1;
        for (int k = 0; k < 600; ++k) {
            const std::uint64_t play = Base + c.play(k);
            const TDSDuplexPlace place =
                placement.Place(Base + inStep(k), c.offset, {play, Base + c.capture(k)});
            if (place.block < 0) {
                ++dropped;
                continue;
            }
            if (last >= 0) skipped += (place.block - last - 1) & (Blocks - 1);
            last = place.block;
            EXPECT_EQ(place.sounds % Ring, std::uint64_t(place.block) * Block)
                << "where its output block starts";
            lead = static_cast<long>(place.sounds - play);
            if (firstLead < 0) firstLead = lead;
        }
        EXPECT_EQ(dropped, c.dropped);
        EXPECT_EQ(skipped, c.skipped) << "blocks passed over, left to sound silence";
        EXPECT_NEAR(lead, firstLead, Block) << "how far ahead of the play cursor blocks go";
    }
}
