#include "platform/dsound/KeptOutput.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How often the keeper looks for devices that have lingered long enough.
constexpr std::chrono::milliseconds LookEvery{100};

// Where a device's callback goes: the mixer that holds the device, or nowhere (silence).
class Tap {
public:
    explicit Tap(int channels) : channels_(channels) {}
    // The device may give another channel count than was asked for.
    void SetChannels(int channels) {
        std::lock_guard guard(lock_);
        channels_ = channels;
    }
    void Mix(std::int16_t* out, int frames) {
        std::lock_guard guard(lock_);
        if (target_)
            target_(out, frames);
        else
            std::fill_n(out, static_cast<std::size_t>(frames) * channels_, std::int16_t{0});
    }
    // Waits for a callback that is running: after this the old target is not called again.
    void Point(MixCallback target) {
        std::lock_guard guard(lock_);
        target_ = std::move(target);
    }

private:
    std::mutex lock_;
    int channels_;       // guarded by lock_
    MixCallback target_; // guarded by lock_
};

struct Device {
    AudioBackend* backend = nullptr;
    std::string id;
    DeviceFormat wanted;
    DeviceFormat got;
    std::shared_ptr<Tap> tap;
    std::unique_ptr<AudioStream> stream;
    Clock::time_point letGo; // the last close
};

bool sameFormat(const DeviceFormat& a, const DeviceFormat& b) {
    return a.rate == b.rate && a.channels == b.channels && a.frames == b.frames;
}

bool lingeredAt(const Device& device, Clock::time_point now) {
    return now - device.letGo >= KeptOutputLinger;
}

void closeAll(std::vector<Device>& devices) {
    for (Device& device : devices)
        device.stream->close();
    devices.clear();
}

class Keeper {
public:
    // At the process's end. Devices still kept are left open: the end of the process closes
    // them at once, where closing a stream the sound server has only just opened would keep
    // the exit waiting for up to a couple of seconds.
    ~Keeper() {
        {
            std::lock_guard guard(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
        for (std::vector<Device>* devices : {&kept_, &lost_})
            for (Device& device : *devices)
                static_cast<void>(device.stream.release());
    }

    // A lost device is never handed back: it goes to the keeper's thread to be closed, and
    // the caller opens the device afresh.
    bool TakeBack(const std::string& id, const DeviceFormat& wanted, Device& device) {
        AudioBackend* backend = &CurrentAudioBackend();
        for (;;) {
            {
                std::lock_guard guard(lock_);
                const auto found = std::find_if(kept_.rbegin(), kept_.rend(), [&](const Device& d) {
                    return d.backend == backend && d.id == id && sameFormat(d.wanted, wanted);
                });
                if (found == kept_.rend()) return false;
                device = std::move(*found);
                kept_.erase(std::next(found).base());
            }
            // Asked outside the lock: the audio library may be busy closing another device.
            if (!device.stream->Lost()) return true;
            closeSoon(std::move(device));
        }
    }

    void Keep(Device device) {
        {
            std::lock_guard guard(lock_);
            if (!stopping_) {
                device.letGo = Clock::now();
                kept_.push_back(std::move(device));
                startThread();
                changed_.notify_all();
                return;
            }
        }
        device.stream->close();
    }

    void CloseLingering(Clock::time_point now) {
        std::vector<Device> closing;
        {
            std::lock_guard guard(lock_);
            const auto kept = std::stable_partition(kept_.begin(), kept_.end(),
                                                    [&](const Device& d) { return !lingeredAt(d, now); });
            std::move(kept, kept_.end(), std::back_inserter(closing));
            kept_.erase(kept, kept_.end());
            std::move(lost_.begin(), lost_.end(), std::back_inserter(closing));
            lost_.clear();
            closing_ += static_cast<int>(closing.size());
        }
        const int closed = static_cast<int>(closing.size());
        closeAll(closing);
        {
            std::lock_guard guard(lock_);
            closing_ -= closed;
        }
        changed_.notify_all();
    }

    // Also waits for closes that another thread has begun.
    void CloseAll() {
        std::vector<Device> all;
        {
            std::unique_lock guard(lock_);
            all.swap(kept_);
            std::move(lost_.begin(), lost_.end(), std::back_inserter(all));
            lost_.clear();
            changed_.wait(guard, [this] { return closing_ == 0; });
        }
        closeAll(all);
    }

private:
    void run() {
        std::unique_lock guard(lock_);
        while (!stopping_) {
            if (kept_.empty() && lost_.empty()) {
                changed_.wait(guard);
                continue;
            }
            if (lost_.empty()) changed_.wait_for(guard, LookEvery);
            if (stopping_) break;
            guard.unlock();
            CloseLingering(Clock::now());
            guard.lock();
        }
    }

    // Inside the lock.
    void startThread() {
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }

    void closeSoon(Device device) {
        {
            std::lock_guard guard(lock_);
            if (!stopping_) {
                lost_.push_back(std::move(device));
                startThread();
                changed_.notify_all();
                return;
            }
        }
        device.stream->close();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Device> kept_; // guarded by lock_, the longest kept first
    std::vector<Device> lost_; // to be closed at once; guarded by lock_
    int closing_ = 0;          // devices being closed outside the lock; guarded by lock_
    bool stopping_ = false;    // guarded by lock_
    std::thread thread_;
};

Keeper& keeper() {
    static Keeper instance;
    return instance;
}

// What the mixer holds: closing it hands the device to the keeper.
class KeptStream : public AudioStream {
public:
    explicit KeptStream(Device device) : device_(std::move(device)) {}
    ~KeptStream() override { close(); }

    void close() override {
        if (!device_.stream) return;
        device_.tap->Point(nullptr);
        keeper().Keep(std::move(device_));
    }

private:
    Device device_;
};

} // namespace

std::unique_ptr<AudioStream> OpenKeptOutput(const std::string& id, const DeviceFormat& wanted,
                                            DeviceFormat& got, MixCallback mix) {
    Device device;
    if (!keeper().TakeBack(id, wanted, device)) {
        device.backend = &CurrentAudioBackend();
        device.id = id;
        device.wanted = wanted;
        device.tap = std::make_shared<Tap>(wanted.channels);
        device.stream = device.backend->openOutput(
            id, wanted, device.got,
            [tap = device.tap](std::int16_t* out, int frames) { tap->Mix(out, frames); });
        if (!device.stream) return nullptr;
        device.tap->SetChannels(device.got.channels);
    }
    got = device.got;
    device.tap->Point(std::move(mix));
    return std::make_unique<KeptStream>(std::move(device));
}

void CloseLingeringOutputs(std::chrono::steady_clock::time_point now) {
    keeper().CloseLingering(now);
}

void CloseKeptOutputs() {
    keeper().CloseAll();
}
