#include "platform/dsound/ManualBackend.h"

#include "platform/dsound/SoundBuffer.h"
#include "platform/kernel/Thread.h"

#include <algorithm>

class ManualBackend::Stream : public AudioStream {
public:
    Stream(ManualBackend& owner, std::string key) : owner_(owner), key_(std::move(key)) {}
    ~Stream() override { close(); }
    void close() override {
        if (!closed_) owner_.forget(this);
        closed_ = true;
    }
    const std::string& key() const { return key_; }

private:
    ManualBackend& owner_;
    std::string key_;
    bool closed_ = false;
};

ManualBackend::ManualBackend(DeviceFormat format)
    : format_(format), outputs_{{"manual-out-1", "Manual output"}}, captures_{
                                                                        {"manual-in-1", "Manual input"}} {}

std::vector<AudioDeviceInfo> ManualBackend::outputDevices() {
    std::lock_guard guard(lock_);
    return outputs_;
}

std::vector<AudioDeviceInfo> ManualBackend::captureDevices() {
    std::lock_guard guard(lock_);
    return captures_;
}

void ManualBackend::SetOutputDevices(std::vector<AudioDeviceInfo> devices) {
    std::lock_guard guard(lock_);
    outputs_ = std::move(devices);
}

void ManualBackend::SetCaptureDevices(std::vector<AudioDeviceInfo> devices) {
    std::lock_guard guard(lock_);
    captures_ = std::move(devices);
}

void ManualBackend::SetOpenFails(bool fails) {
    std::lock_guard guard(lock_);
    openFails_ = fails;
}

std::unique_ptr<AudioStream> ManualBackend::openOutput(const std::string& device, const DeviceFormat&,
                                                       DeviceFormat& got, MixCallback mix) {
    std::lock_guard guard(lock_);
    if (openFails_ || mixers_.count(device)) return nullptr;
    got = format_;
    mixers_[device] = std::move(mix);
    return std::make_unique<Stream>(*this, "out:" + device);
}

std::unique_ptr<AudioStream> ManualBackend::openCapture(const std::string& device, const DeviceFormat&,
                                                        DeviceFormat& got, CaptureCallback feed) {
    std::lock_guard guard(lock_);
    if (openFails_ || capturers_.count(device) || vanished_.count(device)) return nullptr;
    got = format_;
    capturers_[device] = std::move(feed);
    return std::make_unique<Stream>(*this, "in:" + device);
}

void ManualBackend::SetClosesHeld(bool held) {
    {
        std::lock_guard guard(lock_);
        closesHeld_ = held;
    }
    closesFreed_.notify_all();
}

void ManualBackend::forget(const Stream* stream) {
    {
        std::unique_lock guard(lock_);
        closesFreed_.wait(guard, [this] { return !closesHeld_; });
    }
    std::lock_guard callbacks(callbackLock_);
    std::lock_guard guard(lock_);
    const std::string& key = stream->key();
    if (key.rfind("out:", 0) == 0)
        mixers_.erase(key.substr(4));
    else
        capturers_.erase(key.substr(3));
}

std::vector<std::int16_t> ManualBackend::Render(int frames, const std::string& device) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * format_.channels);
    std::lock_guard callbacks(callbackLock_);
    MixCallback mix;
    {
        std::lock_guard guard(lock_);
        auto it = mixers_.find(device);
        if (it != mixers_.end()) mix = it->second;
    }
    if (mix) mix(samples.data(), frames);
    return samples;
}

std::vector<std::int16_t> ManualBackend::RenderChunks(int chunks, const std::string& device) {
    std::vector<std::int16_t> all;
    for (int i = 0; i < chunks; ++i) {
        std::vector<std::int16_t> chunk = Render(format_.frames, device);
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    return all;
}

void ManualBackend::FeedCapture(const std::vector<std::int16_t>& samples, const std::string& device) {
    std::lock_guard callbacks(callbackLock_);
    CaptureCallback feed;
    bool vanished = false;
    {
        std::lock_guard guard(lock_);
        auto it = capturers_.find(device);
        if (it != capturers_.end()) feed = it->second;
        vanished = vanished_.count(device) != 0;
    }
    if (!feed) return;
    const int frames = static_cast<int>(samples.size() / format_.channels);
    if (vanished) {
        const std::vector<std::int16_t> silence(samples.size(), 0);
        feed(silence.data(), frames);
    } else {
        feed(samples.data(), frames);
    }
}

void ManualBackend::VanishCaptureDevice(const std::string& device) {
    std::lock_guard guard(lock_);
    vanished_.insert(device);
    captures_.erase(std::remove_if(captures_.begin(), captures_.end(),
                                   [&](const AudioDeviceInfo& info) { return info.id == device; }),
                    captures_.end());
}

bool ManualBackend::OutputOpen(const std::string& device) const {
    std::lock_guard guard(lock_);
    return mixers_.count(device) != 0;
}

int ManualBackend::LiveDirectSoundObjects() const {
    return DirectSoundObject::LiveCount();
}

std::vector<DirectSoundInfo> ManualBackend::DirectSoundObjects() const {
    return DirectSoundObject::AllObjects();
}

ScopedManualAudio::ScopedManualAudio(DeviceFormat format) : backend_(format) {
    ClearFaults();
    ClearThreadCreationFault();
    SetAudioBackend(&backend_);
}

ScopedManualAudio::~ScopedManualAudio() {
    SetAudioBackend(nullptr);
    ClearFaults();
    ClearThreadCreationFault();
}
