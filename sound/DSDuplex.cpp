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

// The median of the first count distances read, in bytes, taken the short way round the ring.
int TDSDuplexPlacement::median(int count) const {
    std::array<int, Window> sorted = distances_;
    std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
    return sorted[static_cast<std::size_t>(count / 2)];
}

TDSDuplexPlace TDSDuplexPlacement::Place(int captured, int offset, const TDSDuplexCursors& cursors) {
    const int whole = static_cast<int>(ring());
    // How far the play cursor is ahead of the capture cursor, round the ring.
    const int distance =
        static_cast<int>((cursors.play % ring() + ring() - cursors.capture % ring()) % ring());
    if (readings_ == 0) first_ = distance;
    // Taken from the first reading, the readings stay clear of the ring's wrap, wherever
    // the devices started.
    const int moved = aroundRing(distance - first_);
    distances_[static_cast<std::size_t>(readings_ % Window)] = moved;
    // Where the devices stood when they started is where they are kept: the delay the run
    // began with is the one it goes on with.
    if (++readings_ == StartReadings) start_ = median(StartReadings);
    if (readings_ >= Window) {
        const int off = aroundRing(median(Window) - start_ - shift_ * blockSize_);
        // The cursors move in their devices' chunks and a stalled device is set right by its
        // stream: only more than a block is a drift of their own.
        if (off > blockSize_) {
            ++shift_;
        } else if (off < -blockSize_) {
            --shift_;
            shift_ = aroundRing(shift_ * blockSize_) / blockSize_;
            return {};
        }
        shift_ = aroundRing(shift_ * blockSize_) / blockSize_;
    }
    // How far ahead of the play cursor the block is meant to start: the play cursor gets
    // where the capture cursor is after the distance between them, and the capture cursor
    // has moved on since the block ended.
    const int sinceCaptured = static_cast<int>(
        (cursors.capture % ring() + ring() - static_cast<DWORD>((captured + 1) * blockSize_) % ring()) %
        ring());
    // Blocks from the captured block to its place: the offset's 1 to the whole ring, as far
    // as the cursors keep step.
    const int blocksOn = ((offset + 1) & (blocks_ - 1)) + 1 + shift_;
    // Devices that started further apart than the offset allows still get the delay they
    // started with, shorter or longer by what the ring takes, never a silence for good.
    const int planned = (((blocksOn - 1) * blockSize_ - first_ - start_) % whole + whole) % whole;
    const int lead = planned - sinceCaptured - aroundRing(moved - start_);
    if (lead < 0 || lead >= whole) return {};
    return {(captured + blocksOn) & (blocks_ - 1), lead > whole - blockSize_};
}

bool TDSDuplexPlacement::Sounding(int block, DWORD play) const {
    return static_cast<int>(play % ring()) / blockSize_ == block &&
           play % static_cast<DWORD>(blockSize_) != 0;
}

int TDSDuplexPlacement::aroundRing(int bytes) const {
    const int whole = static_cast<int>(ring());
    bytes %= whole;
    if (bytes >= whole / 2) bytes -= whole;
    if (bytes < -whole / 2) bytes += whole;
    return bytes;
}
