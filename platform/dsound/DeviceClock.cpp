#include "platform/dsound/DeviceClock.h"

#include <algorithm>

DeviceClock::DeviceClock(int rate, int chunkFrames)
    : rate_(rate), chunkFrames_(chunkFrames), paceRequests_(std::max(rate / std::max(chunkFrames, 1), 8)) {}

std::int64_t DeviceClock::Missed(TimePoint now) {
    if (requests_ < SettlingRequests) {
        ++requests_;
        start_ = now;
        delivered_ = 0;
        return 0;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
    const std::int64_t late = elapsed * rate_ / 1000000 - behind_ - delivered_;
    followDevice(late);
    return std::max<std::int64_t>(late - static_cast<std::int64_t>(BufferedChunks) * chunkFrames_, 0);
}

void DeviceClock::followDevice(std::int64_t late) {
    earliest_ = paced_ == 0 ? late : std::min(earliest_, late);
    if (++paced_ < paceRequests_) return;
    behind_ += earliest_;
    paced_ = 0;
}

void DeviceClock::Delivered(std::int64_t frames) {
    delivered_ += frames;
}
