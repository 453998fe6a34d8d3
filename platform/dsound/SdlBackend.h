#pragma once
// Real output and capture devices through SDL2's audio subsystem. Headless runs use its
// "dummy" driver (SDL_AUDIODRIVER=dummy) or its "disk" driver, which writes the mixed
// stream to the file named by SDL_DISKAUDIOFILE.
#include "platform/dsound/AudioBackend.h"

class SdlBackend : public AudioBackend {
public:
    std::vector<AudioDeviceInfo> outputDevices() override;
    std::vector<AudioDeviceInfo> captureDevices() override;
    std::unique_ptr<AudioStream> openOutput(const std::string& device, const DeviceFormat& wanted,
                                            DeviceFormat& got, MixCallback mix) override;
    std::unique_ptr<AudioStream> openCapture(const std::string& device, const DeviceFormat& wanted,
                                             DeviceFormat& got, CaptureCallback feed) override;
};
