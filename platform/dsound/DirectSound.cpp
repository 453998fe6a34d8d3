#include "platform/dsound/Faults.h"
#include "platform/dsound/SoundBuffer.h"

namespace {

// Finds the backend device whose identifier is guid; "" for the default device.
bool resolveDevice(const GUID* guid, const std::vector<AudioDeviceInfo>& devices, bool capture,
                   std::string& id) {
    id.clear();
    if (!guid) return true;
    for (const AudioDeviceInfo& device : devices)
        if (DeviceGuid(device.id, capture) == *guid) {
            id = device.id;
            return true;
        }
    return false;
}

HRESULT enumerate(const std::vector<AudioDeviceInfo>& devices, const char* defaultName, bool capture,
                  LPDSENUMCALLBACK callback, void* context) {
    if (!callback) return DSERR_INVALIDPARAM;
    if (!callback(nullptr, defaultName, "", context)) return DS_OK;
    for (const AudioDeviceInfo& device : devices) {
        const GUID guid = DeviceGuid(device.id, capture);
        if (!callback(&guid, device.description.c_str(), device.id.c_str(), context)) break;
    }
    return DS_OK;
}

} // namespace

HRESULT DirectSoundCreate(const GUID* device, IDirectSound** object, void* outer) {
    if (HRESULT fault = TakeFault(DsOp::Create)) return fault;
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    std::string id;
    if (!resolveDevice(device, CurrentAudioBackend().outputDevices(), false, id)) return DSERR_NODRIVER;
    std::shared_ptr<DeviceMixer> mixer;
    if (HRESULT hr = DeviceMixer::Acquire(id, mixer); FAILED(hr)) return hr;
    *object = new DirectSoundObject(std::move(mixer));
    return DS_OK;
}

HRESULT DirectSoundEnumerate(LPDSENUMCALLBACK callback, void* context) {
    return enumerate(CurrentAudioBackend().outputDevices(), "Default output device", false, callback,
                     context);
}

HRESULT DirectSoundCaptureEnumerate(LPDSENUMCALLBACK callback, void* context) {
    return enumerate(CurrentAudioBackend().captureDevices(), "Default capture device", true, callback,
                     context);
}

bool ResolveCaptureDevice(const GUID* guid, std::string& id) {
    return resolveDevice(guid, CurrentAudioBackend().captureDevices(), true, id);
}
