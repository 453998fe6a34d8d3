#pragma once
// Real output and capture devices through SDL2's audio subsystem. Headless runs use its
// "dummy" driver (SDL_AUDIODRIVER=dummy) or its "disk" driver, which writes the mixed
// stream to the file named by SDL_DISKAUDIOFILE.
#include "platform/dsound/AudioBackend.h"

#include <memory>
#include <mutex>

class SdlAudio;

class SdlBackend : public AudioBackend {
public:
    std::vector<AudioDeviceInfo> outputDevices() override;
    std::vector<AudioDeviceInfo> captureDevices() override;
    std::unique_ptr<AudioStream> openOutput(const std::string& device, const DeviceFormat& wanted,
                                            DeviceFormat& got, MixCallback mix) override;
    std::unique_ptr<AudioStream> openCapture(const std::string& device, const DeviceFormat& wanted,
                                             DeviceFormat& got, CaptureCallback feed) override;
    // Lets go of the audio library: it stops once its last device has closed, and the next
    // use starts it again with the driver the environment names then.
    void LetGoOfLibrary();

private:
    // The audio library, started at the first use and kept started from then on; null while
    // it cannot start.
    std::shared_ptr<SdlAudio> library();
    std::vector<AudioDeviceInfo> listDevices(int capture);
    bool currentDriverIs(const char* name);

    std::mutex lock_;
    std::shared_ptr<SdlAudio> library_; // guarded by lock_
};
