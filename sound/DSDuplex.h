#pragma once
// TDSDuplexPlacement: where a full-duplex processor writes each captured block in its
// playback ring. A block goes the processor's offset plus two blocks after the one it was
// captured in, as long as the two devices keep step. Devices that do not (one stalls, their
// clocks differ) move their cursors apart, and a fixed place would then sound the block
// earlier or later by that much, until it sounds a whole turn of the ring late; written
// where the play cursor is, part of it would sound a turn early, between pieces of the block
// that place held before. So the placement follows the distance between the cursors: when it
// has changed by most of a block, the next block goes one further (the block passed over
// sounds silence) or one is dropped; a block that comes too late for its place is dropped,
// and one whose place still sounds waits until the cursor has left it. The delay stays
// within a block of where it started. Both cursors are counted without wrapping, so a block
// or a device a whole turn of the ring late is never taken for one on time.
#include "platform/kernel/Types.h"

#include <array>
#include <cstdint>

// The cursors of both rings read together, in bytes counted without wrapping.
struct TDSDuplexCursors {
    std::uint64_t play = 0;
    std::uint64_t capture = 0;
};

// Where one captured block goes: the output block and the play count at which it starts to
// sound, or block -1 when it is dropped; a block that waits is written once the play cursor
// has left its output block's turn before.
struct TDSDuplexPlace {
    int block = -1;
    std::uint64_t sounds = 0;
    bool waits = false;
};

class TDSDuplexPlacement {
public:
    // The distances are measured afresh from the next reading on.
    void Reset(int blockSize, int blocks);
    // The place of the block whose capture ended at the capture count capturedEnd, offset
    // blocks of delay beyond the least.
    TDSDuplexPlace Place(std::uint64_t capturedEnd, int offset, const TDSDuplexCursors& cursors);
    // Whether the play cursor has left the turn before of an output block that starts to
    // sound at the play count sounds.
    bool Free(std::uint64_t sounds, std::uint64_t play) const;

private:
    // The distance between the cursors is judged over this many blocks: each cursor moves in
    // steps of its device's chunks, and a device held up goes on late for a while before its
    // stream sets it right; only a distance that lasts is a drift of the devices' own.
    static constexpr int Window = 32;
    // The distance the devices started with is judged over the first readings.
    static constexpr int StartReadings = 8;

    std::int64_t median(int count) const;
    std::int64_t ring() const { return std::int64_t{blockSize_} * blocks_; }

    int blockSize_ = 0;
    int blocks_ = 0;
    int shift_ = 0;          // blocks beyond the offset
    std::int64_t first_ = 0; // the distance between the cursors at the first reading
    std::int64_t start_ = 0; // the distance between the cursors they started with, from first_
    std::array<std::int64_t, Window> distances_{};
    int readings_ = 0;
};
