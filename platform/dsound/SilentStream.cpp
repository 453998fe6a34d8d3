#include "platform/dsound/SilentStream.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

class SilentStream : public AudioStream {
public:
    SilentStream(const DeviceFormat& format, MixCallback mix)
        : format_(format), mix_(std::move(mix)), thread_([this] { run(); }) {}
    ~SilentStream() override { close(); }

    void close() override {
        running_.store(false);
        if (thread_.joinable()) thread_.join();
    }
    // It only stands in for a device that could not be opened: the next user tries again.
    bool Lost() const override { return true; }

private:
    // Asks for one device chunk each time the real clock has played one, so the buffers'
    // cursors and notifications move as they would on a card.
    void run() {
        using clock = std::chrono::steady_clock;
        std::vector<std::int16_t> chunk(std::size_t(format_.frames) * std::size_t(format_.channels));
        const auto period = std::chrono::microseconds(std::int64_t(format_.frames) * 1000000 / format_.rate);
        auto due = clock::now();
        while (running_.load()) {
            mix_(chunk.data(), format_.frames);
            due += period;
            std::this_thread::sleep_until(due);
        }
    }

    DeviceFormat format_;
    MixCallback mix_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace

std::unique_ptr<AudioStream> OpenSilentOutput(const DeviceFormat& wanted, DeviceFormat& got,
                                              MixCallback mix) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) std::fprintf(stderr, "No sound device could be opened: playing silently.\n");
    got = wanted;
    if (got.rate <= 0) got.rate = 44100;
    if (got.channels <= 0) got.channels = 2;
    if (got.frames <= 0) got.frames = 512;
    return std::make_unique<SilentStream>(got, std::move(mix));
}
