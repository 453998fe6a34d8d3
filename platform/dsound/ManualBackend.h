#pragma once
// The test backend: devices that mix or capture only when told. A test renders frames of
// an output device, feeds capture frames, lists the live buffers, injects a failure into
// the next call of any operation and loses every buffer.
#include "platform/dsound/AudioBackend.h"
#include "platform/dsound/Capture.h"
#include "platform/dsound/Faults.h"
#include "platform/dsound/Mixer.h"
#include "platform/dsound/ReleaseTrace.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

class ManualBackend : public AudioBackend {
public:
    explicit ManualBackend(DeviceFormat format = {44100, 2, 441});

    std::vector<AudioDeviceInfo> outputDevices() override;
    std::vector<AudioDeviceInfo> captureDevices() override;
    std::unique_ptr<AudioStream> openOutput(const std::string& device, const DeviceFormat& wanted,
                                            DeviceFormat& got, MixCallback mix) override;
    std::unique_ptr<AudioStream> openCapture(const std::string& device, const DeviceFormat& wanted,
                                             DeviceFormat& got, CaptureCallback feed) override;

    // The devices enumeration lists after the default one.
    void SetOutputDevices(std::vector<AudioDeviceInfo> devices);
    void SetCaptureDevices(std::vector<AudioDeviceInfo> devices);
    // Opening any device fails while set.
    void SetOpenFails(bool fails);
    // While set, closing a device waits until it is cleared, as a sound server can keep a
    // close waiting for seconds.
    void SetClosesHeld(bool held);
    // Runs on the closing thread each time a device closes.
    void SetOnClose(std::function<void()> onClose);

    // Mixes frames on an open output device ("" = default) and answers the interleaved
    // samples; silence when the device is not open.
    std::vector<std::int16_t> Render(int frames, const std::string& device = "");
    // Renders in device-sized chunks, as a real device would ask for them.
    std::vector<std::int16_t> RenderChunks(int chunks, const std::string& device = "");
    // Hands interleaved frames of the device format to an open capture device.
    void FeedCapture(const std::vector<std::int16_t>& samples, const std::string& device = "");
    // The capture device is unplugged: it leaves the list and cannot be opened again, and an
    // open stream of it goes on delivering silence, as a disconnected device does through SDL.
    void VanishCaptureDevice(const std::string& device = "");
    bool OutputOpen(const std::string& device = "") const;
    // The open output device is lost, as when its sound server goes away: its stream says
    // so, what is mixed into it is heard no more, and the device can be opened again.
    void LoseOutputDevice(const std::string& device = "");

    const DeviceFormat& Format() const { return format_; }
    void FailNext(DsOp op, HRESULT result, int skip = 0) { FailNextCall(op, result, skip); }
    void LoseAllBuffers() { DeviceMixer::LoseAll(); }
    std::vector<BufferInfo> Buffers() const { return DeviceMixer::AllBuffers(); }
    std::vector<CaptureBufferInfo> CaptureBuffers() const { return AllCaptureBuffers(); }
    std::vector<DirectSoundInfo> DirectSoundObjects() const;
    int LiveDirectSoundObjects() const;
    int LiveCaptureObjects() const { return ::LiveCaptureObjects(); }

private:
    class Stream;
    friend class Stream;
    struct Output {
        const Stream* stream = nullptr;
        MixCallback mix;
        bool lost = false;
    };
    void forget(const Stream* stream);
    bool lost(const Stream* stream) const;

    DeviceFormat format_;
    mutable std::mutex lock_;
    // Held while a device callback runs, so closing a device waits for it.
    std::mutex callbackLock_;
    std::vector<AudioDeviceInfo> outputs_;
    std::vector<AudioDeviceInfo> captures_;
    bool openFails_ = false;
    bool closesHeld_ = false;       // guarded by lock_
    std::function<void()> onClose_; // guarded by lock_
    std::condition_variable closesFreed_;
    std::map<std::string, Output> openOutputs_;        // guarded by lock_
    std::map<std::string, CaptureCallback> capturers_; // guarded by lock_
    std::set<std::string> vanished_;                   // guarded by lock_
};

// Installs a manual backend for a test's scope and clears pending faults (DirectSound and
// thread creation) on both ends.
class ScopedManualAudio {
public:
    explicit ScopedManualAudio(DeviceFormat format = {44100, 2, 441});
    ~ScopedManualAudio();
    ScopedManualAudio(const ScopedManualAudio&) = delete;
    ScopedManualAudio& operator=(const ScopedManualAudio&) = delete;
    ManualBackend& backend() { return backend_; }

private:
    ManualBackend backend_;
};
