#pragma once
// TDSWave: a short sound effect, loaded into a static DirectSound buffer and duplicated
// into a set so that the effect can sound several times at once. It plays through the
// DirectSound object of the TDSPlay of its form, which loads it at each switch-on and
// releases it at each switch-off. Beneath it lie the buffer-set routines and the text of
// DirectSound result codes.
#include "platform/dsound/DSound.h"
#include "platform/framework/Classes.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

class TDSPlay;

// A wave's format and sample data. file owns the bytes when they were read from a file;
// a built-in resource needs no copy and lives as long as the program.
struct WaveData {
    std::vector<BYTE> file;
    WAVEFORMATEX format;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// The buffer set behind a loaded effect.
struct SoundObject {
    WaveData wave; // refills a lost buffer; alive as long as the record
    int count = 1;
    int current = 0; // the buffer played last
    std::vector<IDirectSoundBuffer*> buffers;
};

// Makes a RIFF WAVE image known under a name, as a "WAV" resource built into the program.
// The bytes must stay valid for the rest of the run; names match without regard to case.
void RegisterWaveResource(const std::string& name, const BYTE* bytes, std::size_t length);
void UnregisterWaveResource(const std::string& name);

// From the "WAV" resource called name, else from the file called name (at least 48 bytes).
bool LoadWaveResource(const std::string& name, WaveData& wave);
// Finds the format and the sample data of RIFF WAVE bytes; never reads past length.
bool ParseWaveData(const BYTE* riff, std::size_t length, WAVEFORMATEX* format, const BYTE** data,
                   DWORD* size);
IDirectSoundBuffer* CreateWaveBuffer(IDirectSound* ds, const std::string& name);
bool FillWaveBuffer(IDirectSoundBuffer* buffer, const BYTE* data, DWORD size);
// Null when the set cannot be made, at once for a count above MaxWaveBuffers.
SoundObject* CreateSoundObject(IDirectSound* ds, const std::string& name, int count);
void DestroySoundObject(SoundObject* sound);
IDirectSoundBuffer* PickSoundBuffer(SoundObject* sound);
bool PlaySoundObject(SoundObject* sound, DWORD flags, int volume, int pan);
const char* DirectSoundErrorText(HRESULT result);

// The static-buffer flags of an effect: static, frequency, pan and volume control,
// current-position-2.
constexpr DWORD WaveBufferFlags = 0x100E2;
// The most buffers a set can have. Copies share the wave's samples, so each is only a small
// record; but the mixer visits every buffer in each of its periods, which for 65536 idle
// copies already takes about half a millisecond, and for a million about eight.
constexpr int MaxWaveBuffers = 65536;

class TDSWave : public TComponent {
    VX_CLASS(TDSWave, TComponent)
public:
    explicit TDSWave(TComponent* owner);
    ~TDSWave() override;

    const std::string& FileName() const { return fileName_; }
    // Stores the name and reloads, also when the name is unchanged.
    void SetFileName(const std::string& name);
    // 0..256, 256 = full volume; read at each Play.
    int Volume() const { return volume_.load(); }
    void SetVolume(int volume) { volume_.store(volume); }
    int NumBuffers() const { return numBuffers_; }
    // Reloads with the new count; a count whose set cannot be made is reported and, while
    // a set is loaded, leaves that set and its count as they are.
    void SetNumBuffers(int count);

    // Reloads the buffer set through the player's DirectSound object.
    void Init();
    void Release();
    // Plays a free buffer of the set with DirectSound play flags and a pan in hundredths
    // of a decibel. False without a loaded set, and while the set is being reloaded.
    bool Play(DWORD flags, int pan);

    TDSPlay* Player() const { return player_; }
    void SetPlayer(TDSPlay* player) { player_ = player; }
    bool IsLoaded() const;

private:
    void reportLoadFailure() const;

    std::string fileName_;
    std::atomic<int> volume_{128};
    int numBuffers_ = 1;
    TDSPlay* player_ = nullptr;
    // Taken exclusively to load and release, shared by Play: a Play that meets a reload
    // gives up rather than touching buffers that are being released.
    mutable std::shared_mutex reload_;
    std::mutex play_;              // serialises the choice of the next buffer
    SoundObject* sound_ = nullptr; // guarded by reload_
};
