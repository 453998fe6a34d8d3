#pragma once
// Helpers for the capture and full-duplex tests on the manual backend: device frames of a
// known value, a thread-safe record of the blocks an engine hands out, and a form that
// collects what the engines show.
#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"

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
