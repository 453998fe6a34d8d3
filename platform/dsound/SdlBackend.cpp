#include "platform/dsound/SdlBackend.h"

#include "platform/dsound/SilentStream.h"

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// SDL's PulseAudio driver can open a capture device that never delivers: its capture thread
// starts with the device paused and drains what the source has sent, and while the source
// keeps sending at the pace it drains, that drain never ends. A device that has delivered
// nothing after FirstCaptureMs is opened again, a few times at most.
constexpr int FirstCaptureMs = 300;
constexpr int CaptureOpenAttempts = 4;

// Holds the audio subsystem open for as long as it lives (SDL counts the references).
class SdlAudioRef {
public:
    SdlAudioRef() : ok_(initAudio()) {}
    ~SdlAudioRef() {
        if (ok_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudioRef(const SdlAudioRef&) = delete;
    SdlAudioRef& operator=(const SdlAudioRef&) = delete;
    bool ok() const { return ok_; }

private:
    static bool initAudio() {
        // SDL would turn Ctrl+C and kill into a quit event nobody reads; the program keeps
        // the ordinary signal behaviour.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }

    bool ok_;
};

std::vector<AudioDeviceInfo> listDevices(int capture) {
    SdlAudioRef audio;
    std::vector<AudioDeviceInfo> devices;
    if (!audio.ok()) return devices;
    const int count = SDL_GetNumAudioDevices(capture);
    for (int i = 0; i < count; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, capture)) devices.push_back({name, name});
    return devices;
}

class SdlStream : public AudioStream {
public:
    SdlStream(MixCallback mix, CaptureCallback feed) : mix_(std::move(mix)), feed_(std::move(feed)) {}
    ~SdlStream() override { close(); }

    bool open(const std::string& device, bool capture, const DeviceFormat& wanted, DeviceFormat& got) {
        if (!audio_.ok()) return false;
        SDL_AudioSpec want{};
        want.freq = wanted.rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(wanted.channels);
        want.samples = static_cast<Uint16>(wanted.frames);
        want.callback = &SdlStream::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // SDL converts any channel count or sample format; only the rate is taken as the device gives it.
        id_ = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), capture ? 1 : 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (id_ == 0) return false;
        channels_ = want.channels;
        got.rate = have.freq;
        got.channels = want.channels;
        got.frames = have.samples;
        SDL_PauseAudioDevice(id_, 0);
        return true;
    }

    void close() override {
        if (id_ != 0) SDL_CloseAudioDevice(id_);
        id_ = 0;
    }

    // True once a capture device has delivered frames; waits ms at most.
    bool awaitCapture(int ms) {
        std::unique_lock guard(deliveredLock_);
        return deliveredChanged_.wait_for(guard, std::chrono::milliseconds(ms),
                                          [this] { return delivered_; });
    }

private:
    static void SDLCALL callback(void* userdata, Uint8* stream, int length) {
        auto* self = static_cast<SdlStream*>(userdata);
        const int frames = length / static_cast<int>(sizeof(std::int16_t) * self->channels_);
        auto* samples = reinterpret_cast<std::int16_t*>(stream);
        if (self->mix_) {
            self->mix_(samples, frames);
        } else if (self->feed_) {
            self->feed_(samples, frames);
            self->markDelivered();
        }
    }

    void markDelivered() {
        std::lock_guard guard(deliveredLock_);
        if (delivered_) return;
        delivered_ = true;
        deliveredChanged_.notify_all();
    }

    SdlAudioRef audio_;
    MixCallback mix_;
    CaptureCallback feed_;
    SDL_AudioDeviceID id_ = 0;
    int channels_ = 2;
    std::mutex deliveredLock_;
    std::condition_variable deliveredChanged_;
    bool delivered_ = false; // guarded by deliveredLock_
};

} // namespace

std::vector<AudioDeviceInfo> SdlBackend::outputDevices() {
    return listDevices(0);
}

std::vector<AudioDeviceInfo> SdlBackend::captureDevices() {
    return listDevices(1);
}

std::unique_ptr<AudioStream> SdlBackend::openOutput(const std::string& device, const DeviceFormat& wanted,
                                                    DeviceFormat& got, MixCallback mix) {
    auto stream = std::make_unique<SdlStream>(mix, nullptr);
    if (stream->open(device, false, wanted, got)) return stream;
    // A machine without a sound card still plays the game: the default output goes silent.
    if (device.empty()) return OpenSilentOutput(wanted, got, std::move(mix));
    return nullptr;
}

std::unique_ptr<AudioStream> SdlBackend::openCapture(const std::string& device, const DeviceFormat& wanted,
                                                     DeviceFormat& got, CaptureCallback feed) {
    std::unique_ptr<SdlStream> stream;
    for (int attempt = 0; attempt < CaptureOpenAttempts; ++attempt) {
        // The stuck device is closed before the next one opens: SDL hands a closed device's
        // frames to nobody.
        stream.reset();
        stream = std::make_unique<SdlStream>(nullptr, feed);
        if (!stream->open(device, true, wanted, got)) return nullptr;
        if (stream->awaitCapture(FirstCaptureMs)) break;
    }
    // A machine too busy to deliver within the wait still gets the last device.
    return stream;
}
