#pragma once
// The device side of the software mixer: where mixed 16-bit frames go and captured frames
// come from. The SDL backend drives real devices; the manual backend lets a test mix and
// capture on demand. The mixer core never knows which one runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct DeviceFormat {
    int rate = 44100;
    int channels = 2;
    // Frames the device asks for at a time.
    int frames = 512;
};

struct AudioDeviceInfo {
    std::string id;
    std::string description;
};

// Fills frames of interleaved signed 16-bit samples (or consumes them, for capture).
using MixCallback = std::function<void(std::int16_t* samples, int frames)>;
using CaptureCallback = std::function<void(const std::int16_t* samples, int frames)>;

// An open device stream; closing it (or destroying it) stops the callbacks before it returns.
class AudioStream {
public:
    virtual ~AudioStream() = default;
    virtual void close() = 0;
    // Whether what is mixed into the stream reaches no device and never will again: the
    // device stopped or was removed, its server went away, or the stream only stands in for
    // a device that could not be opened. Capture streams answer false.
    virtual bool Lost() const { return false; }
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    virtual std::vector<AudioDeviceInfo> outputDevices() = 0;
    virtual std::vector<AudioDeviceInfo> captureDevices() = 0;
    // device "" is the system's default device. Null when the device cannot be opened.
    virtual std::unique_ptr<AudioStream> openOutput(const std::string& device, const DeviceFormat& wanted,
                                                    DeviceFormat& got, MixCallback mix) = 0;
    virtual std::unique_ptr<AudioStream> openCapture(const std::string& device, const DeviceFormat& wanted,
                                                     DeviceFormat& got, CaptureCallback feed) = 0;
};

// The backend devices are opened on from now on (null: the SDL backend). The caller keeps
// ownership and must not remove a backend while a device is open on it; the output devices
// kept open for a next mixer (KeptOutput.h) are closed here first, and the SDL backend lets
// go of its audio library, so that it starts again with the driver the environment names.
void SetAudioBackend(AudioBackend* backend);
AudioBackend& CurrentAudioBackend();
