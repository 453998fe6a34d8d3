#pragma once
// The mixer core: one DeviceMixer per open output device, shared by every DirectSound
// object and buffer on it. Each secondary buffer is a SoundVoice; the device callback mixes
// every playing voice into float frames, clips them to 16 bits and then sets the
// notification events the play cursors crossed, after the mixer lock is released.
#include "platform/dsound/AudioBackend.h"
#include "platform/dsound/DSound.h"
#include "platform/dsound/LockedRegions.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Sample memory, shared by a buffer and its duplicates.
struct SampleMemory {
    explicit SampleMemory(DWORD size) : bytes(size) {}
    std::vector<BYTE> bytes;
    bool lost = false; // guarded by the mixer lock
    // Regions locked by their owner, guarded by the mixer lock. Between Lock and Unlock the
    // owner writes there, so the mixer hears silence instead of reading bytes while they
    // change (a stream that falls behind its play cursor).
    LockedRegions locked;
};

// One buffer's playing state. Everything but the constants is guarded by the mixer lock.
struct SoundVoice {
    std::shared_ptr<SampleMemory> memory;
    WAVEFORMATEX format;
    DWORD flags = 0;
    DWORD size = 0;
    DWORD frames = 0;
    bool primary = false;

    bool playing = false;
    bool looping = false;
    bool writesOnce = false; // what the cursor passes turns to silence (SoundWritesOnce)
    DWORD frame = 0;         // play cursor in frames
    std::uint64_t turns = 0; // times the play cursor wrapped round
    DWORD frequency = 0;
    LONG volume = 0;
    LONG pan = 0;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
    std::vector<DSBPOSITIONNOTIFY> notifies;
    // Where the last mix left the cursor when it read the voice straight, at the device's
    // rate; none after any other mix.
    std::optional<DWORD> straightTo;
};

// What a test can see of a live buffer.
struct BufferInfo {
    std::string device;
    DWORD flags = 0;
    DWORD size = 0;
    WAVEFORMATEX format;
    bool primary = false;
    bool playing = false;
    bool looping = false;
    bool lost = false;
    bool locked = false; // a region is locked by its owner
    DWORD playCursor = 0;
    LONG volume = 0;
    LONG pan = 0;
    DWORD frequency = 0;
    const void* memory = nullptr; // equal for buffers that share sample memory
    std::vector<DSBPOSITIONNOTIFY> notifications;
    DWORD lockedBytes = 0; // locked by the owner for writing, heard as silence
};

// What a test can see of a live DirectSound object.
struct DirectSoundInfo {
    std::string device;
    DWORD cooperativeLevel = 0; // 0 until set
    bool primaryFormatSet = false;
    WAVEFORMATEX primaryFormat;
};

class VoiceResampler;

class DeviceMixer {
public:
    // The mixer of an output device ("" = default), opened on first use and shared.
    static HRESULT Acquire(const std::string& device, std::shared_ptr<DeviceMixer>& mixer);
    // Every buffer of every open device.
    static std::vector<BufferInfo> AllBuffers();

    explicit DeviceMixer(std::string device);
    ~DeviceMixer();
    DeviceMixer(const DeviceMixer&) = delete;
    DeviceMixer& operator=(const DeviceMixer&) = delete;

    std::mutex& Lock() { return lock_; }
    const DeviceFormat& Format() const { return format_; }
    const std::string& Device() const { return device_; }

    void Add(SoundVoice* voice);
    void Remove(SoundVoice* voice);
    // Stops a voice (lock held) and queues its stop notifications into fire.
    static void StopLocked(SoundVoice& voice, std::vector<HANDLE>& fire);
    // Loses the sample memory of every buffer on every device.
    static void LoseAll();
    // Bytes between a voice's play and write cursors (lock held).
    DWORD WriteLeadLocked(const SoundVoice& voice) const;
    static void UpdateGains(SoundVoice& voice);

    // The device callback: mixes frames of every playing voice.
    void Mix(std::int16_t* out, int frames);

private:
    bool open();
    void mixVoice(SoundVoice& voice, int frames);

    std::string device_;
    DeviceFormat format_;
    std::unique_ptr<AudioStream> stream_;
    std::mutex lock_;
    std::vector<SoundVoice*> voices_; // guarded by lock_
    std::vector<float> accum_;        // guarded by lock_
    std::vector<HANDLE> toFire_;      // guarded by lock_
    std::vector<HANDLE> firing_;      // device callback only
    // Hears each voice at the device's rate; guarded by lock_.
    std::unique_ptr<VoiceResampler> resampler_;
};

// The device identifier that enumeration reports for a backend device id.
GUID DeviceGuid(const std::string& id, bool capture);
