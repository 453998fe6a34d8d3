#pragma once
// TDSCapture: records through DirectSound capture. A looping capture buffer of BuffersCount
// blocks in the requested format signals one event per block, and the events thread hands
// each completed block to the application through OnProc.
#include "platform/dsound/DSound.h"
#include "sound/DSSteps.h"
#include "sound/SndEngin.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Splits frames of a locked region in the given format into 16-bit left and right samples
// (left only for mono), the two parts read as one stream.
void SplitFrames(const WAVEFORMATEX& format, short* L, short* R, const void* first, DWORD firstLen,
                 const void* second, DWORD secondLen);
// Zeroes count samples of L, and of R for a stereo format.
void SilenceFrames(const WAVEFORMATEX& format, short* L, short* R, int count);
// Splits the count frames a capture ring of ringMask + 1 bytes wrote last, before its read
// cursor; silence when there is no buffer or it cannot be read.
void ReadLatestCapture(IDirectSoundCaptureBuffer* buffer, DWORD ringMask, const WAVEFORMATEX& format, short* L,
                       short* R, int count);

// The capture count (the bytes captured, counted without wrapping) at which the last turn of
// a block of a capture ring ended; 0 while the capture has not been round to it.
std::uint64_t CapturedBlockEnd(int block, std::uint64_t captured, DWORD blockSize, DWORD ringSize);
// The bytes at the start of a block whose turn ended at the capture count end that the capture
// has written over since, for the turn after; the block's size or more once it came past it.
std::uint64_t CapturedOver(std::uint64_t end, std::uint64_t captured, DWORD blockSize, DWORD ringSize);

// What a reader on another thread may use of a running capture: the buffer, held for as
// long as the reader keeps this, the ring it was built with, and the block handed out last.
struct TDSCaptureRing {
    std::shared_ptr<IDirectSoundCaptureBuffer> buffer; // null while the engine is off
    int blockSize = 0;
    int blocksMask = 0;
    int currentBlock = 0;
    // Each start of capture begins a new session on a fresh ring, whose block i lies at
    // ring offset (i mod blocks) * blockSize.
    unsigned session = 0;
    // Blocks completed in this session.
    std::uint64_t blocksDone = 0;
    WAVEFORMATEX format;
};

class TDSCapture;

// The tie between a capture engine and the plug-ins that read it, shared by them all. The
// engine cuts it first thing when it is destroyed, waiting for a call in flight, so a reader
// on another thread never reaches an engine that is going away.
class TDSCaptureLink {
public:
    explicit TDSCaptureLink(TDSCapture* engine) : engine_(engine) {}
    // Runs use with the engine while it lives; false once the tie is cut.
    template <class Use> bool With(Use use) {
        std::lock_guard guard(lock_);
        if (!engine_) return false;
        use(*engine_);
        return true;
    }
    void Cut() {
        std::lock_guard guard(lock_);
        engine_ = nullptr;
    }

private:
    std::recursive_mutex lock_;
    TDSCapture* engine_; // guarded by lock_
};

class TDSCapture : public TSndEngine {
    VX_CLASS(TDSCapture, TSndEngine)
public:
    explicit TDSCapture(TComponent* owner);
    ~TDSCapture() override;

    // Each restarts an active engine in the new format.
    void SetChannels(unsigned short channels) override;
    void SetBitsPerSample(unsigned short bits) override;
    void SetSamplesPerSec(unsigned long rate) override;
    void ShowError(const char* text) override;
    void InitBuffer() override;
    void Process(int block) override;
    // The count frames that end at the read position, as 16-bit samples; silence without a
    // capture buffer.
    void GetCurrentBuffer(short* L, short* R, int count) override;

    // The capture device, kept by value; null is the default device. An active engine moves
    // to a different device at once.
    void SetpID(const GUID* device);
    std::optional<GUID> Device() const;
    void Release();
    void Start();
    void Stop();

    int CurrentBlock() const;
    HRESULT LastResult() const;
    TDSCaptureRing Ring() const;
    std::shared_ptr<TDSCaptureLink> Link() const { return link_; }

protected:
    void SwitchLocked(bool active) override;

private:
    bool switchOn();
    // Copies the block at index out of the ring and hands the copy to OnProc.
    void handOut(int index);
    // Whether the block just copied holds a turn not handed out yet, its beginning silenced
    // where the capture has written the turn after over it.
    bool takeLatestTurn(int index, std::uint64_t captured);

    std::shared_ptr<TDSCaptureLink> link_ = std::make_shared<TDSCaptureLink>(this);
    std::optional<GUID> device_;                         // guarded by Control
    TDSDeviceSteps steps_{*this, [this] { Release(); }}; // guarded by Control
    IDirectSoundCapture* capture_ = nullptr;             // guarded by Control
    // Set and cleared under Control and ringLock_ while the events thread is stopped, so
    // the events thread reads it bare; other threads read it through Ring().
    IDirectSoundCaptureBuffer* buffer_ = nullptr;

    mutable std::mutex ringLock_;
    int currentBlock_ = 0;         // guarded by ringLock_
    unsigned session_ = 0;         // guarded by ringLock_
    std::uint64_t blocksDone_ = 0; // guarded by ringLock_
    int ringBlockSize_ = 0;        // guarded by ringLock_
    int ringBlocksMask_ = 0;       // guarded by ringLock_
    WAVEFORMATEX ringFormat_;      // guarded by ringLock_
    // Set again by each start of capture, used by the events thread.
    std::atomic<int> lastHandedOut_{0};
    // The capture count at which the last block handed out ended.
    std::atomic<std::uint64_t> lastHandedEnd_{0};
    std::vector<BYTE> handedOut_; // events thread
};
