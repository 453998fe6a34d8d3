#pragma once
// The playback objects of the stand-in: the DirectSound object, its buffers and their
// notify interfaces, all on a shared DeviceMixer.
#include "platform/dsound/Mixer.h"

#include <atomic>
#include <mutex>

class RefCounted {
public:
    DWORD addRef() { return ++refs_; }
    // Answers the count left; the caller deletes at 0.
    DWORD dropRef() { return --refs_; }

private:
    std::atomic<DWORD> refs_{1};
};

// What a DirectSound object keeps beside its buffers: the cooperative level and the primary
// format, which outlives the primary buffer that set it. Shared with its primary buffers.
struct DirectSoundState {
    std::atomic<DWORD> level{0};
    std::mutex lock;
    bool primaryFormatSet = false; // guarded by lock
    WAVEFORMATEX primaryFormat;    // guarded by lock
};

class SoundBuffer final : public IDirectSoundBuffer {
public:
    SoundBuffer(std::shared_ptr<DeviceMixer> mixer, SoundVoice voice);
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override;

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetFormat(WAVEFORMATEX* format) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT GetPan(LONG* pan) override;
    HRESULT GetFrequency(DWORD* frequency) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                 DWORD flags) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD position) override;
    HRESULT SetFormat(const WAVEFORMATEX* format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetPan(LONG pan) override;
    HRESULT SetFrequency(DWORD frequency) override;
    HRESULT Stop() override;
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override;
    HRESULT Restore() override;
    HRESULT QueryNotify(IDirectSoundNotify** notify) override;

    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions);
    HRESULT GetPlayCount(std::uint64_t* played);
    HRESULT Read(DWORD offset, DWORD bytes, void* out);
    // A new buffer on the same sample memory, stopped at position 0.
    SoundBuffer* Duplicate();
    bool IsPrimary() const { return voice_.primary; }
    void SetWritesOnce();
    // A primary buffer sets its owner's primary format, with the owner's priority level.
    void SetOwner(std::shared_ptr<DirectSoundState> owner) { owner_ = std::move(owner); }

private:
    ~SoundBuffer() override;

    RefCounted refs_;
    std::shared_ptr<DeviceMixer> mixer_;
    SoundVoice voice_; // guarded by the mixer lock
    std::shared_ptr<DirectSoundState> owner_;
};

class DirectSoundObject final : public IDirectSound {
public:
    explicit DirectSoundObject(std::shared_ptr<DeviceMixer> mixer);
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override;
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer) override;
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD level) override;

    // Number of DirectSound objects alive, for leak checks in tests.
    static int LiveCount();
    // The live objects' device, cooperative level and primary format, for tests.
    static std::vector<DirectSoundInfo> AllObjects();

private:
    ~DirectSoundObject() override;
    HRESULT createPrimary(const DSBUFFERDESC& desc, IDirectSoundBuffer** buffer);

    RefCounted refs_;
    std::shared_ptr<DeviceMixer> mixer_;
    std::shared_ptr<DirectSoundState> state_ = std::make_shared<DirectSoundState>();
};

// Checks a PCM format a buffer can hold: 1 or 2 channels, 8 or 16 bits, a sane rate.
bool ValidPcmFormat(const WAVEFORMATEX& format);
