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
// within a block of where it started.
#include "platform/kernel/Types.h"

#include <array>

// The cursors of both rings read together, in bytes.
struct TDSDuplexCursors {
    DWORD play = 0;
    DWORD capture = 0;
};

// Where one captured block goes: the output block, or -1 when it is dropped; a block that
// waits is written once the play cursor has left its output block.
struct TDSDuplexPlace {
    int block = -1;
    bool waits = false;
};

class TDSDuplexPlacement {
public:
    // Both cursors start at the start of their rings.
    void Reset(int blockSize, int blocks);
    // The place of the block captured at index, offset blocks of delay beyond the least.
    TDSDuplexPlace Place(int captured, int offset, const TDSDuplexCursors& cursors);
    // Whether the play cursor is inside the output block.
    bool Sounding(int block, DWORD play) const;

private:
    // The distance between the cursors is judged over this many blocks: each cursor moves in
    // steps of its device's chunks, and a device held up goes on late for a while before its
    // stream sets it right; only a distance that lasts is a drift of the devices' own.
    static constexpr int Window = 32;
    // The distance the devices started with is judged over the first readings.
    static constexpr int StartReadings = 8;

    int median(int count) const;
    DWORD ring() const { return static_cast<DWORD>(blockSize_ * blocks_); }
    // Bytes taken the short way round the ring: -ring/2 up to ring/2.
    int aroundRing(int bytes) const;

    int blockSize_ = 0;
    int blocks_ = 0;
    int shift_ = 0; // blocks beyond the offset, the short way round the ring
    int first_ = 0; // the distance between the cursors at the first reading
    int start_ = 0; // the distance between the cursors they started with, from first_
    std::array<int, Window> distances_{};
    int readings_ = 0;
};
