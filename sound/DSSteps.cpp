#include "sound/DSSteps.h"

#include "platform/framework/MessageService.h"
#include "sound/DSWave.h"

namespace {

// Looping ring: current-position-2, global focus, position notify, volume, pan and
// frequency control.
constexpr DWORD RingBufferFlags = 0x181E0;

} // namespace

TDSDeviceSteps::TDSDeviceSteps(TSndEngine& engine, std::function<void()> release)
    : engine_(engine), release_(std::move(release)) {}

void TDSDeviceSteps::ShowMessage(const char* text) const {
    std::string message = text;
    if (lastResult_ != DS_OK) message += std::string(" (") + DirectSoundErrorText(lastResult_) + ")";
    ShowMessageBox(message, engine_.ClassName(), MB_ICONWARNING);
}

bool TDSDeviceSteps::Report(const char* text, HRESULT result) {
    lastResult_ = result;
    engine_.ShowError(text);
    return false;
}

bool TDSDeviceSteps::Fail(const char* text, HRESULT result) {
    Report(text, result);
    release_();
    return false;
}

void TDSDeviceSteps::MapBlockEvents() {
    for (int i = 0; i < engine_.BuffersCount(); ++i)
        notifyTable_[i] = {static_cast<DWORD>(engine_.BufferSize() * i), engine_.Events()[i]};
}

bool TDSDeviceSteps::OpenDirectSound(const std::optional<GUID>& device, IDirectSound** ds,
                                     const char* createText) {
    if (const HRESULT created = DirectSoundCreate(device ? &*device : nullptr, ds, nullptr); FAILED(created))
        return Report(createText, created);
    if (const HRESULT hr = (*ds)->SetCooperativeLevel(nullptr, DSSCL_PRIORITY); FAILED(hr))
        return Fail("Could not set Cooperative Level on DirectSound object!", hr);
    return true;
}

bool TDSDeviceSteps::SetPrimaryFormat(IDirectSound* ds, const WAVEFORMATEX& format) {
    DSBUFFERDESC desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (const HRESULT hr = ds->CreateSoundBuffer(&desc, &primary, nullptr); FAILED(hr))
        return Fail("Can't create DirectSound Primary Buffer", hr);
    const HRESULT hr = primary->SetFormat(&format);
    primary->Release();
    if (FAILED(hr)) return Fail("Set PrimaryBuffer format failed", hr);
    return true;
}

bool TDSDeviceSteps::CreateSecondary(IDirectSound* ds, const WAVEFORMATEX& format,
                                     IDirectSoundBuffer** buffer) {
    DSBUFFERDESC desc;
    desc.dwFlags = RingBufferFlags;
    desc.dwBufferBytes = static_cast<DWORD>(engine_.BuffersSize());
    desc.lpwfxFormat = &format;
    if (const HRESULT hr = ds->CreateSoundBuffer(&desc, buffer, nullptr); FAILED(hr))
        return Fail("Can't create DirectSound Secondary Buffer", hr);
    return true;
}

bool TDSDeviceSteps::setNotificationPositions() {
    if (const HRESULT hr =
            notify_->SetNotificationPositions(static_cast<DWORD>(engine_.BuffersCount()), notifyTable_);
        FAILED(hr))
        return Fail("Set notification positions failed", hr);
    return true;
}

void TDSDeviceSteps::ReleaseNotify() {
    if (notify_) notify_->Release();
    notify_ = nullptr;
}
