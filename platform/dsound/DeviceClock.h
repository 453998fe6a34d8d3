#pragma once
// Keeps an output stream's cursor on the real clock. A device whose thread is held up (a busy
// machine) stops asking for frames, the sound server plays silence meanwhile, and the stream
// then goes on where it stopped: each stall would put everything played after it later, for
// good, and a cursor that other cursors are measured against (capture, notifications) would
// drift away from them. A card's cursor never stops, so neither does this one: the frames a
// stall took are mixed and thrown away.
//
// A card's clock is not the system's: one a few parts per million slower asks for frames a
// little later each time, and measured by the system clock alone it would seem to fall a
// chunk behind within minutes and lose a frame at every request after. So the clock follows
// the device's own pace: each second it moves to where the device's most punctual request of
// that second put it, and only a request later than that by more than the server buffers is
// a stall.
#include <chrono>
#include <cstdint>

class DeviceClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // rate in frames per second; chunkFrames is what the device asks for at a time.
    DeviceClock(int rate, int chunkFrames);
    // Called when the device asks for frames, before they are mixed: the frames a stall took
    // beyond the server's buffer, to skip first (0 while the stream keeps up). The first
    // requests only set the clock: a server may wait a while after the first one before it
    // starts to play.
    std::int64_t Missed(TimePoint now);
    // The frames handed to the device, skipped ones included.
    void Delivered(std::int64_t frames);

private:
    static constexpr int SettlingRequests = 4;
    // The server keeps about a chunk of sound ahead of what it plays: a wake-up that late only
    // empties it, and of a longer stall it plays silence for the rest alone. That rest is what
    // is skipped; skipping the part the buffer covered would throw sound away the server had
    // not played yet.
    static constexpr int BufferedChunks = 1;

    // Moves the clock to the device's pace once a second of requests has come.
    void followDevice(std::int64_t late);

    int rate_;
    int chunkFrames_;
    int requests_ = 0;
    TimePoint start_;
    std::int64_t delivered_ = 0; // frames since start_
    std::int64_t behind_ = 0;    // frames the device's clock has fallen behind the system's
    int paceRequests_;           // requests in a second, at least a few
    int paced_ = 0;              // requests since the clock last moved
    std::int64_t earliest_ = 0;  // the least lateness among them
};
