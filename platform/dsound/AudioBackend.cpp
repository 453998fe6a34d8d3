#include "platform/dsound/AudioBackend.h"

#include "platform/dsound/KeptOutput.h"
#include "platform/dsound/SdlBackend.h"

#include <atomic>

namespace {

std::atomic<AudioBackend*> installed{nullptr};

SdlBackend& sdlBackend() {
    static SdlBackend sdl;
    return sdl;
}

} // namespace

void SetAudioBackend(AudioBackend* backend) {
    CloseKeptOutputs();
    sdlBackend().LetGoOfLibrary();
    installed.store(backend, std::memory_order_release);
}

AudioBackend& CurrentAudioBackend() {
    if (AudioBackend* backend = installed.load(std::memory_order_acquire)) return *backend;
    return sdlBackend();
}
