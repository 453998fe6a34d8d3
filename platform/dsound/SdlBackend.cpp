#include "platform/dsound/SdlBackend.h"

#include "platform/dsound/DeviceClock.h"
#include "platform/dsound/PulseCapture.h"
#include "platform/dsound/SilentStream.h"
#include "platform/kernel/SdlCall.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

// One start of SDL's audio subsystem, held by the backend and by every device opened in it;
// the subsystem stops when the last holder lets go. Each start connects to the sound server
// and each stop closes every device still open, so the backend keeps one start for as long
// as the process uses sound.
class SdlAudio {
    struct Started {};

public:
    // Null when the subsystem cannot start (no driver, or no server to connect to).
    static std::shared_ptr<SdlAudio> Start() {
        SdlCall call;
        // SDL would turn Ctrl+C and kill into a quit event nobody reads; the program keeps
        // the ordinary signal behaviour.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
        return std::make_shared<SdlAudio>(Started{});
    }
    explicit SdlAudio(Started) {}
    ~SdlAudio() {
        SdlCall call;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;
};

namespace {

constexpr int MinimumOutputChunk = 1024;

// Inside an SdlCall.
bool driverIs(const char* name) {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver && std::strcmp(driver, name) == 0;
}

class SdlStream : public AudioStream {
public:
    SdlStream(std::shared_ptr<SdlAudio> library, MixCallback mix, CaptureCallback feed)
        : library_(std::move(library)), mix_(std::move(mix)), feed_(std::move(feed)) {}
    ~SdlStream() override { close(); }

    bool open(const std::string& device, bool capture, const DeviceFormat& wanted, DeviceFormat& got) {
        if (!library_) return false;
        SDL_AudioSpec want{};
        want.freq = wanted.rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(wanted.channels);
        want.samples = static_cast<Uint16>(wanted.frames);
        want.callback = &SdlStream::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        SdlCall call;
        // SDL converts any channel count or sample format; only the rate is taken as the device gives it.
        id_ = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), capture ? 1 : 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (id_ == 0) return false;
        channels_ = want.channels;
        got.rate = have.freq;
        got.channels = want.channels;
        got.frames = have.samples;
        // The disk driver writes the stream to a file, where nothing is lost by being late.
        if (!capture && !driverIs("disk")) {
            clock_.emplace(have.freq, have.samples);
            skipped_.resize(static_cast<std::size_t>(have.samples) * channels_);
        }
        SDL_PauseAudioDevice(id_, 0);
        return true;
    }

    void close() override {
        if (id_ == 0) return;
        SdlCall call;
        SDL_CloseAudioDevice(id_);
        id_ = 0;
    }

    // SDL stops a device whose server has gone or that was removed, and from then on runs its
    // callback into nowhere.
    bool Lost() const override {
        SdlCall call;
        return SDL_GetAudioDeviceStatus(id_) == SDL_AUDIO_STOPPED;
    }

private:
    static void SDLCALL callback(void* userdata, Uint8* stream, int length) {
        auto* self = static_cast<SdlStream*>(userdata);
        const int frames = length / static_cast<int>(sizeof(std::int16_t) * self->channels_);
        auto* samples = reinterpret_cast<std::int16_t*>(stream);
        if (self->mix_) {
            if (self->clock_) self->keepTime();
            self->mix_(samples, frames);
            if (self->clock_) self->clock_->Delivered(frames);
        } else if (self->feed_) {
            self->feed_(samples, frames);
        }
    }

    // Mixes away what a stall of this thread has cost, so the cursors stand where the
    // device's clock says.
    void keepTime() {
        const auto chunk = static_cast<std::int64_t>(skipped_.size()) / channels_;
        for (std::int64_t missed = clock_->Missed(std::chrono::steady_clock::now()); missed > 0;) {
            const auto frames = static_cast<int>(std::min(missed, chunk));
            mix_(skipped_.data(), frames);
            clock_->Delivered(frames);
            missed -= frames;
        }
    }

    std::shared_ptr<SdlAudio> library_;
    MixCallback mix_;
    CaptureCallback feed_;
    SDL_AudioDeviceID id_ = 0;
    int channels_ = 2;
    std::optional<DeviceClock> clock_;  // output to a device only; device callback
    std::vector<std::int16_t> skipped_; // device callback
};

} // namespace

std::shared_ptr<SdlAudio> SdlBackend::library() {
    std::lock_guard guard(lock_);
    if (!library_) library_ = SdlAudio::Start();
    return library_;
}

void SdlBackend::LetGoOfLibrary() {
    std::shared_ptr<SdlAudio> letGo; // outlives the guard: the library stops outside the lock
    std::lock_guard guard(lock_);
    letGo.swap(library_);
}

std::vector<AudioDeviceInfo> SdlBackend::listDevices(int capture) {
    const std::shared_ptr<SdlAudio> started = library();
    std::vector<AudioDeviceInfo> devices;
    if (!started) return devices;
    SdlCall call;
    const int count = SDL_GetNumAudioDevices(capture);
    for (int i = 0; i < count; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, capture)) devices.push_back({name, name});
    return devices;
}

bool SdlBackend::currentDriverIs(const char* name) {
    const std::shared_ptr<SdlAudio> started = library();
    if (!started) return false;
    SdlCall call;
    return driverIs(name);
}

std::vector<AudioDeviceInfo> SdlBackend::outputDevices() {
    return listDevices(0);
}

std::vector<AudioDeviceInfo> SdlBackend::captureDevices() {
    return listDevices(1);
}

std::unique_ptr<AudioStream> SdlBackend::openOutput(const std::string& device, const DeviceFormat& wanted,
                                                    DeviceFormat& got, MixCallback mix) {
    auto stream = std::make_unique<SdlStream>(library(), mix, nullptr);
    // SDL's PulseAudio driver keeps a single chunk in the server. Chunks of 512 frames run
    // dry each time a busy machine is late to wake the device thread by 12 ms; 1024 frames
    // ride out most such delays.
    DeviceFormat asked = wanted;
    asked.frames = std::max(wanted.frames, MinimumOutputChunk);
    if (stream->open(device, false, asked, got)) return stream;
    // A machine without a sound card still plays the game: the default output goes silent.
    if (device.empty()) return OpenSilentOutput(wanted, got, std::move(mix));
    return nullptr;
}

std::unique_ptr<AudioStream> SdlBackend::openCapture(const std::string& device, const DeviceFormat& wanted,
                                                     DeviceFormat& got, CaptureCallback feed) {
    if (currentDriverIs("pulseaudio")) return OpenPulseCapture(device, wanted, got, std::move(feed));
    auto stream = std::make_unique<SdlStream>(library(), nullptr, std::move(feed));
    if (!stream->open(device, true, wanted, got)) return nullptr;
    return stream;
}
