#pragma once
// TDSProcessor: records and plays at once. Each block captured through DirectSound capture
// is copied into a later block of a looping playback buffer, handed to OnProc and run
// through the effect chain, so live input is heard processed after a set delay of blocks.
// Both buffers hold the capture format (the working format); the requested format is the
// primary buffer's.
#include "platform/dsound/DSound.h"
#include "sound/DSDuplex.h"
#include "sound/DSSteps.h"
#include "sound/SndOut.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

class TDSProcessor : public TSndOutEngine {
    VX_CLASS(TDSProcessor, TSndOutEngine)
public:
    explicit TDSProcessor(TComponent* owner);
    ~TDSProcessor() override;

    // Extra delay in blocks between capture and playback, 0..BuffersCount - 2; the next
    // block uses a new value.
    int BufferOffset() const { return bufferOffset_.load(); }
    void SetBufferOffset(int offset);
    // GetCurrentBuffer reads the playback buffer instead of the capture buffer.
    bool GetOutputBuffer() const { return getOutputBuffer_.load(); }
    void SetGetOutputBuffer(bool output) { getOutputBuffer_.store(output); }
    // Create the capture buffer with the wave-mapper flag; taken at the next switch-on.
    bool UseWaveMapper() const { return useWaveMapper_.load(); }
    void SetUseWaveMapper(bool use) { useWaveMapper_.store(use); }

    unsigned short CaptureChannels() const;
    unsigned short CaptureBitsPerSample() const;
    unsigned long CaptureSamplesPerSec() const;
    // Each restarts an active processor in the new capture format.
    void SetCaptChannels(unsigned short channels);
    void SetCaptBitsPerSample(unsigned short bits);
    void SetCaptSamplesPerSec(unsigned long rate);

    // The playback and capture devices, kept by value; null is the default device.
    void SetpDSID(const GUID* device);
    void SetpDSCID(const GUID* device);
    std::optional<GUID> OutputDevice() const;
    std::optional<GUID> CaptureDevice() const;

    void SetPaused(bool paused) override;
    void Start() override;
    void Stop() override;
    void Release() override;
    void Process(int block) override;
    void GetPosition(SND_POSITION* position) override;
    void ShowError(const char* text) override;
    void InitBuffer() override;
    // Frames of the capture buffer that end at its read position, or with GetOutputBuffer
    // those of the playback buffer that start at its play cursor; silence without one.
    void GetCurrentBuffer(short* L, short* R, int count) override;

    HRESULT LastResult() const;

protected:
    void SwitchLocked(bool active) override;

private:
    // A captured block on its way out: the capture block, the capture count at which it
    // ended, the output block and the play count at which that starts to sound, so that what
    // either device has moved past since is left out.
    struct Write {
        int captured = -1;
        int block = -1;
        std::uint64_t capturedEnd = 0;
        std::uint64_t sounds = 0;
    };

    bool switchOn();
    bool createOutput();
    bool createCapture();
    bool lockOutput(DWORD offset, void** parts, DWORD* lengths);
    bool copyCaptured(const Write& write);
    void writeOutput(const Write& write, void* const* parts, const DWORD* lengths);
    void writeCaptured(const Write& write);

    std::atomic<int> bufferOffset_;
    std::atomic<bool> getOutputBuffer_{false};
    std::atomic<bool> useWaveMapper_{true};
    std::optional<GUID> outputDevice_;                   // guarded by Control
    std::optional<GUID> captureDevice_;                  // guarded by Control
    TDSDeviceSteps steps_{*this, [this] { Release(); }}; // guarded by Control
    // Guarded by Control; the events thread uses them while it runs, and they change only
    // while it is stopped.
    IDirectSound* ds_ = nullptr;
    IDirectSoundBuffer* output_ = nullptr;
    IDirectSoundCapture* capture_ = nullptr;
    IDirectSoundCaptureBuffer* captureBuffer_ = nullptr;
    // Where the events thread puts the blocks; each start begins them again.
    std::mutex placementLock_;
    TDSDuplexPlacement placement_; // guarded by placementLock_
    Write waiting_;                // guarded by placementLock_
    // The capture count at which the last block taken ended; guarded by placementLock_.
    std::uint64_t lastCaptured_ = 0;
    // A block is handled and processed in a copy of its own (events thread) and only then
    // written.
    std::vector<BYTE> block_;
};
