#pragma once
// Helpers for the capture and full-duplex tests on the manual backend: device frames of a
// known value, a thread-safe record of the blocks an engine hands out, and a form that
// collects what the engines show.
#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

// Stereo device frames: every left sample is left, every right sample right.
inline std::vector<std::int16_t> DeviceFrames(int frames, std::int16_t left, std::int16_t right) {
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        samples.push_back(left);
        samples.push_back(right);
    }
    return samples;
}

// Every frame carries its own number, never silence: the left sample the low digit and the
// right the high one, in base 32767, each one more than the digit.
constexpr int NumberBase = 32767;
inline std::array<std::int16_t, 2> Numbered(long long frame) {
    return {static_cast<std::int16_t>(1 + frame % NumberBase),
            static_cast<std::int16_t>(1 + frame / NumberBase % NumberBase)};
}

// Stereo device frames numbered from first on.
inline std::vector<std::int16_t> NumberedFrames(long long first, int frames) {
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(frames) * 2);
    for (long long n = first; n < first + frames; ++n)
        for (const std::int16_t sample : Numbered(n))
            samples.push_back(sample);
    return samples;
}

// The number a frame carries, or -1 for a silent one.
inline long long NumberOf(std::int16_t left, std::int16_t right) {
    if (left <= 0 || right <= 0) return -1;
    return static_cast<long long>(right - 1) * NumberBase + (left - 1);
}

// Numbered frames heard in order, silence left out: how many, and how many of them were no
// later than one heard before (heard twice, or older).
struct NumberedHearing {
    long long heard = 0;
    long long outOfTurn = 0;
};

inline NumberedHearing JudgeNumbered(const std::vector<std::int16_t>& left,
                                     const std::vector<std::int16_t>& right) {
    NumberedHearing hearing;
    long long latest = -1;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const long long n = NumberOf(left[i], right[i]);
        if (n < 0) continue;
        ++hearing.heard;
        if (n <= latest) ++hearing.outOfTurn;
        latest = std::max(latest, n);
    }
    return hearing;
}

inline std::int16_t FirstSample(const BYTE* data) {
    std::int16_t value = 0;
    std::memcpy(&value, data, 2);
    return value;
}

// What an OnProc handler saw: the first 16-bit sample and the length of each part, in order.
class BlockLog {
public:
    void Add(const BYTE* data, DWORD len) {
        {
            std::lock_guard guard(lock_);
            firsts_.push_back(FirstSample(data));
            lengths_.push_back(len);
        }
        count_.Add();
    }
    std::vector<std::int16_t> Firsts() const {
        std::lock_guard guard(lock_);
        return firsts_;
    }
    std::vector<DWORD> Lengths() const {
        std::lock_guard guard(lock_);
        return lengths_;
    }
    int Count() const { return count_.Value(); }
    bool WaitFor(int count) { return count_.WaitFor(count); }

private:
    mutable std::mutex lock_;
    std::vector<std::int16_t> firsts_;
    std::vector<DWORD> lengths_;
    Counter count_;
};

// An OnProc handler that logs every block and holds its thread on the block whose first
// sample is holdAt: it sets held, then waits for release.
inline auto LogAndHoldAt(BlockLog& log, std::int16_t holdAt, Signal& held, Signal& release) {
    return [&log, holdAt, &held, &release](TObject*, BYTE* data, DWORD len) {
        log.Add(data, len);
        if (FirstSample(data) != holdAt) return;
        held.Set();
        release.Wait();
    };
}

// Waits until done() holds, giving other threads the processor meanwhile; false after ms.
template <class Done> bool WaitUntil(Done done, int ms = 5000) {
    Signal never;
    for (int waited = 0; waited < ms; ++waited) {
        if (done()) return true;
        never.Wait(1);
    }
    return done();
}

// Waits until no playback buffer has a region locked: an engine that handed a block to its
// OnProc handler has then also finished writing it.
inline bool WaitForUnlockedOutput(ManualBackend& backend) {
    return WaitUntil([&] {
        for (const BufferInfo& info : backend.Buffers())
            if (info.locked) return false;
        return true;
    });
}
