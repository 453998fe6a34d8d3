#pragma once
// TDSPlay: plays a file through DirectSound by streaming. A looping secondary buffer of
// BuffersCount blocks is refilled block by block on the events thread from the current
// plug-in, with the effect chain run over each block. It also owns the DirectSound object
// the form's sound effects play through: switching on loads them, switching off releases them.
#include "platform/dsound/DSound.h"
#include "sound/DSSteps.h"
#include "sound/SndOut.h"

#include <functional>
#include <optional>
#include <vector>

class TDSWave;

class TDSPlay : public TSndOutEngine {
    VX_CLASS(TDSPlay, TSndOutEngine)
public:
    explicit TDSPlay(TComponent* owner);
    ~TDSPlay() override;

    // Hundredths of a decibel as DirectSound takes them (0 full, -10000 silent). The
    // property keeps any value; the buffer ignores one it refuses.
    int Volume() const { return volume_.load(); }
    void SetVolume(int volume);
    // The device to open, kept by value; null is the default device. An active player
    // moves to a different device at once.
    void SetpID(const GUID* device);
    std::optional<GUID> Device() const;

    void SetPaused(bool paused) override;
    void Start() override;
    void Stop() override;
    void Release() override;
    void Process(int block) override;
    void GetPosition(SND_POSITION* position) override;
    void ShowError(const char* text) override;
    void InitBuffer() override;
    void GetCurrentBuffer(short* L, short* R, int count) override;

    // Runs use with the DirectSound object (null while off), with the player held still.
    void UseDirectSound(const std::function<void(IDirectSound*)>& use);
    const std::vector<TDSWave*>& Waves() const { return waves_; }
    HRESULT LastResult() const { return steps_.LastResult(); }
    // Blocks Start fills before playing: about three seconds, never the whole ring.
    int PrefillBlocks() const;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void SwitchLocked(bool active) override;

private:
    bool switchOn();
    bool createStream();
    bool lockBlock(DWORD offset, void** p1, DWORD* l1, void** p2, DWORD* l2);
    struct BlockParts {
        void* data[2] = {};
        DWORD length[2] = {};
    };
    // Locks the next block and fills it from the plug-in (decode lock held).
    bool decodeNextBlock(BlockParts& block);
    void silenceBlocksPastTheEnd();
    void silencePlayedBlock(int block);
    void silenceBlock(int index);

    std::optional<GUID> device_; // guarded by Control
    std::atomic<int> volume_{0};
    std::atomic<int> endBlock_{-1};
    // The stream has run past the end of the file at least once in this session, so a
    // heard position before the start lies at the end of the previous run.
    std::atomic<bool> looped_{false};
    DWORD savedPosition_ = 0; // guarded by Control
    std::vector<TDSWave*> waves_;
    TDSDeviceSteps steps_{*this, [this] { Release(); }}; // guarded by Control
    IDirectSound* ds_ = nullptr;                         // guarded by Control
    IDirectSoundBuffer* stream_ = nullptr; // guarded by Control; the events thread uses it while it runs
};
