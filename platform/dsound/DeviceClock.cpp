#include "platform/dsound/DeviceClock.h"

#include <algorithm>

DeviceClock::DeviceClock(int rate, int chunkFrames) : rate_(rate), chunkFrames_(chunkFrames) {}

std::int64_t DeviceClock::Missed(TimePoint now) {
    if (requests_ < SettlingRequests) {
        ++requests_;
        start_ = now;
        delivered_ = 0;
        return 0;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
    const std::int64_t due = elapsed * rate_ / 1000000;
    const std::int64_t beyondBuffer =
        due - delivered_ - static_cast<std::int64_t>(BufferedChunks) * chunkFrames_;
    return std::max<std::int64_t>(beyondBuffer, 0);
}

void DeviceClock::Delivered(std::int64_t frames) {
    delivered_ += frames;
}
