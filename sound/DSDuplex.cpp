#include "sound/DSDuplex.h"

#include <algorithm>

void TDSDuplexPlacement::Reset(int blockSize, int blocks) {
    blockSize_ = blockSize;
    blocks_ = blocks;
    shift_ = 0;
    first_ = 0;
    start_ = 0;
    readings_ = 0;
}

// The median of the first count distances read, in bytes from the first one.
std::int64_t TDSDuplexPlacement::median(int count) const {
    std::array<std::int64_t, Window> sorted = distances_;
    std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
    return sorted[static_cast<std::size_t>(count / 2)];
}

TDSDuplexPlace TDSDuplexPlacement::Place(std::uint64_t capturedEnd, int offset,
                                         const TDSDuplexCursors& cursors) {
    const std::int64_t whole = ring();
    // How far the play cursor is ahead of the capture cursor.
    const auto distance = static_cast<std::int64_t>(cursors.play - cursors.capture);
    if (readings_ == 0) first_ = distance;
    const std::int64_t moved = distance - first_;
    distances_[static_cast<std::size_t>(readings_ % Window)] = moved;
    // Where the devices stood when they started is where they are kept: the delay the run
    // began with is the one it goes on with.
    if (++readings_ == StartReadings) start_ = median(StartReadings);
    if (readings_ >= Window) {
        const std::int64_t off = median(Window) - start_ - std::int64_t{shift_} * blockSize_;
        // The cursors move in their devices' chunks and a stalled device is set right by its
        // stream: only more than a block is a drift of their own.
        if (off > blockSize_) {
            ++shift_;
        } else if (off < -blockSize_) {
            --shift_;
            return {};
        }
    }
    // How far ahead of the play cursor the block is meant to start: the play cursor gets
    // where the capture cursor is after the distance between them, and the capture cursor
    // has moved on since the block ended.
    const auto sinceCaptured = static_cast<std::int64_t>(cursors.capture - capturedEnd);
    const auto captured = static_cast<int>((capturedEnd / static_cast<std::uint64_t>(blockSize_) - 1) %
                                           static_cast<std::uint64_t>(blocks_));
    // Blocks from the captured block to its place: the offset's 1 to the whole ring, and on
    // top the blocks the cursors have drifted apart.
    const int blocksOn = ((offset + 1) & (blocks_ - 1)) + 1;
    // Devices that started further apart than the offset allows still get the delay they
    // started with, shorter or longer by what the ring takes, never a silence for good.
    const std::int64_t planned =
        ((std::int64_t{blocksOn - 1} * blockSize_ - first_ - start_) % whole + whole) % whole;
    const std::int64_t lead = planned + std::int64_t{shift_} * blockSize_ - sinceCaptured - (moved - start_);
    if (lead < 0 || lead >= whole) return {};
    return {(captured + blocksOn + shift_) & (blocks_ - 1), cursors.play + static_cast<std::uint64_t>(lead),
            lead > whole - blockSize_};
}

bool TDSDuplexPlacement::Free(std::uint64_t sounds, std::uint64_t play) const {
    return play + static_cast<std::uint64_t>(ring()) >= sounds + static_cast<std::uint64_t>(blockSize_);
}
