#include "sound/DSDuplex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// 16 blocks of 1024 bytes: in step, block k ends as both cursors reach block k + 1.
constexpr int Block = 1024;
constexpr int Blocks = 16;
constexpr long Ring = long(Block) * Blocks;

long inStep(int k) {
    return (k + 1L) * Block;
}

struct DriftCase {
    const char* name;
    int offset;
    // The cursors, in bytes since the start, when block k has been captured.
    std::function<long(int k)> play;
    std::function<long(int k)> capture;
    int dropped;
    int skipped; // output blocks passed over, left to sound silence
};

} // namespace

// Whatever the cursors do, blocks end up within a block of as far ahead of the play cursor as
// the first one went, by dropped blocks or skipped ones, never a turn of the ring apart.
TEST(DuplexPlacement, KeepsTheDelayThroughStallsOfEitherDeviceAndIgnoresTheCursorsJitter) {
    const DriftCase cases[] = {
        {"in step, the play cursor half a block off either way and the capture's a little late", 2,
         [](int k) { return inStep(k) + (k % 2 ? Block / 2 - 4 : -Block / 2 + 4); },
         [](int k) { return inStep(k) + (k % 3 ? Block / 2 - 4 : 0); }, 0, 0},
        {"the output stalls for three blocks", 2, [](int k) { return k < 10 ? inStep(k) : inStep(k - 3); }, inStep,
         2, 0},
        {"the capture stalls for three blocks", 2, [](int k) { return k < 10 ? inStep(k) : inStep(k + 3); },
         inStep, 0, 2},
        {"the output's clock runs slow by four blocks and then keeps step", 2,
         [](int k) { return inStep(k) - std::min(k, 512) * Block / 128; }, inStep, 3, 0},
        {"the devices started a block and a half apart", 2, [](int k) { return inStep(k) - 3 * Block / 2; }, inStep,
         0, 0},
        {"the play cursor started most of a ring behind", 2, [](int k) { return inStep(k) - 12 * Block; }, inStep, 0, 0},
        {"the largest offset, the play cursor a little behind", Blocks - 2,
         [](int k) { return inStep(k) - Block / 8; }, inStep, 0, 0},
    };
    for (const DriftCase& c : cases) {
        SCOPED_TRACE(c.name);
        TDSDuplexPlacement placement;
        placement.Reset(Block, Blocks);
        int dropped = 0;
        int skipped = 0;
        int lastBlock = -1;
        long firstLead = -1;
        long lastLead = -1;
        for (int k = 0; k < 600; ++k) {
            const TDSDuplexCursors cursors{static_cast<DWORD>(c.play(k) % Ring), static_cast<DWORD>(c.capture(k) % Ring)};
            const TDSDuplexPlace place = placement.Place(k % Blocks, c.offset, cursors);
            if (place.block < 0) {
                ++dropped;
                continue;
            }
            if (lastBlock >= 0) skipped += ((place.block - lastBlock - 1) & (Blocks - 1));
            lastBlock = place.block;
            lastLead = (place.block * Block - c.play(k) % Ring + Ring) % Ring;
            if (firstLead < 0) firstLead = lastLead;
        }
        EXPECT_EQ(dropped, c.dropped);
        EXPECT_EQ(skipped, c.skipped);
        EXPECT_NEAR(lastLead, firstLead, Block) << "how far ahead of the play cursor blocks go";
    }
}
