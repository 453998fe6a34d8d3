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
    bool Lost() const override { return owner_.lost(this); }
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
    const auto open = openOutputs_.find(device);
    if (openFails_ || (open != openOutputs_.end() && !open->second.lost)) return nullptr;
    got = format_;
    auto stream = std::make_unique<Stream>(*this, "out:" + device);
    openOutputs_[device] = {stream.get(), std::move(mix)};
    return stream;
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

void ManualBackend::SetOnClose(std::function<void()> onClose) {
    std::lock_guard guard(lock_);
    onClose_ = std::move(onClose);
}

void ManualBackend::forget(const Stream* stream) {
    std::function<void()> onClose;
    {
        std::unique_lock guard(lock_);
        closesFreed_.wait(guard, [this] { return !closesHeld_; });
        onClose = onClose_;
    }
    if (onClose) onClose();
    std::lock_guard callbacks(callbackLock_);
    std::lock_guard guard(lock_);
    const std::string& key = stream->key();
    if (key.rfind("out:", 0) != 0) {
        capturers_.erase(key.substr(3));
        return;
    }
    // A lost device may be open again on another stream by now.
    const auto open = openOutputs_.find(key.substr(4));
    if (open != openOutputs_.end() && open->second.stream == stream) openOutputs_.erase(open);
}

bool ManualBackend::lost(const Stream* stream) const {
    if (stream->key().rfind("out:", 0) != 0) return false;
    std::lock_guard guard(lock_);
    const auto open = openOutputs_.find(stream->key().substr(4));
    return open == openOutputs_.end() || open->second.stream != stream || open->second.lost;
}

std::vector<std::int16_t> ManualBackend::Render(int frames, const std::string& device) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * format_.channels);
    std::lock_guard callbacks(callbackLock_);
    MixCallback mix;
    {
        std::lock_guard guard(lock_);
        auto it = openOutputs_.find(device);
        if (it != openOutputs_.end() && !it->second.lost) mix = it->second.mix;
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
    return openOutputs_.count(device) != 0;
}

void ManualBackend::LoseOutputDevice(const std::string& device) {
    std::lock_guard guard(lock_);
    const auto open = openOutputs_.find(device);
    if (open != openOutputs_.end()) open->second.lost = true;
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
