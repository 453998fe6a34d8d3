#pragma once
// A DirectSound-style audio device: playback objects with primary and secondary buffers,
// position notifications, duplicates, volume, pan and frequency, and capture objects.
// Every buffer of one output device is mixed in software into that device's stream; the
// device itself is reached through the current AudioBackend.
#include "platform/dsound/WaveFormat.h"
#include "platform/kernel/Events.h"

#include <cstdint>
#include <string>

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    BYTE Data4[8] = {};
    friend bool operator==(const GUID&, const GUID&) = default;
};

using LONG = std::int32_t;
using HWND = void*;

// Result codes.
constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000Au);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88780082u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x887800A0u);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AAu);

// Buffer capabilities.
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_STATIC = 0x00000002;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;

constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

// A notification at this offset fires when the buffer stops.
constexpr DWORD DSBPN_OFFSETSTOP = 0xFFFFFFFF;

constexpr DWORD DSCBCAPS_WAVEMAPPED = 0x80000000;
constexpr DWORD DSCBSTART_LOOPING = 0x00000001;
constexpr DWORD DSCBLOCK_ENTIREBUFFER = 0x00000001;
constexpr DWORD DSCBSTATUS_CAPTURING = 0x00000001;
constexpr DWORD DSCBSTATUS_LOOPING = 0x00000002;

struct DSBUFFERDESC {
    DWORD dwSize = sizeof(DSBUFFERDESC);
    DWORD dwFlags = 0;
    DWORD dwBufferBytes = 0;
    DWORD dwReserved = 0;
    const WAVEFORMATEX* lpwfxFormat = nullptr;
    GUID guid3DAlgorithm;
};

struct DSCBUFFERDESC {
    DWORD dwSize = sizeof(DSCBUFFERDESC);
    DWORD dwFlags = 0;
    DWORD dwBufferBytes = 0;
    DWORD dwReserved = 0;
    const WAVEFORMATEX* lpwfxFormat = nullptr;
};

struct DSBPOSITIONNOTIFY {
    DWORD dwOffset = 0;
    HANDLE hEventNotify = NULL_HANDLE;
};

// Objects are reference counted: Release drops one reference and frees the object with
// the last; a buffer's notify interface keeps its buffer alive.
class IUnknownLike {
public:
    virtual DWORD AddRef() = 0;
    virtual DWORD Release() = 0;

protected:
    virtual ~IUnknownLike() = default;
};

class IDirectSoundNotify : public IUnknownLike {
public:
    virtual HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) = 0;
};

class IDirectSoundBuffer : public IUnknownLike {
public:
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetFormat(WAVEFORMATEX* format) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    // Locks bytes at offset; a region that runs past the end continues at the start as
    // the second part (null and 0 when the region does not wrap).
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    // Hundredths of a decibel, DSBVOLUME_MIN..DSBVOLUME_MAX.
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) = 0;
    virtual HRESULT Restore() = 0;
    virtual HRESULT QueryNotify(IDirectSoundNotify** notify) = 0;
};

class IDirectSound : public IUnknownLike {
public:
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
};

class IDirectSoundCaptureBuffer : public IUnknownLike {
public:
    virtual HRESULT GetCurrentPosition(DWORD* capturePosition, DWORD* readPosition) = 0;
    virtual HRESULT GetFormat(WAVEFORMATEX* format) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Start(DWORD flags) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) = 0;
    virtual HRESULT QueryNotify(IDirectSoundNotify** notify) = 0;
};

class IDirectSoundCapture : public IUnknownLike {
public:
    virtual HRESULT CreateCaptureBuffer(const DSCBUFFERDESC* desc, IDirectSoundCaptureBuffer** buffer,
                                        void* outer) = 0;
};

// Enumeration callbacks get the device's identifier (null for the default device), its
// description and its module name; answering false stops the enumeration.
using LPDSENUMCALLBACK = bool (*)(const GUID* guid, const char* description, const char* module,
                                  void* context);

// Opens the output device (null: the default device). outer must be null.
HRESULT DirectSoundCreate(const GUID* device, IDirectSound** object, void* outer);
// Lists the default output device first, then every output device of the backend.
HRESULT DirectSoundEnumerate(LPDSENUMCALLBACK callback, void* context);
HRESULT DirectSoundCaptureCreate(const GUID* device, IDirectSoundCapture** object, void* outer);
HRESULT DirectSoundCaptureEnumerate(LPDSENUMCALLBACK callback, void* context);

// Our own addition for a looping buffer that its owner streams into: what is written sounds
// once. Every frame the play cursor passes turns to silence until the owner writes it again,
// so an owner held up for a turn of the ring or longer leaves a gap instead of sounding again
// what it wrote a turn before; a frame passed while the owner had it locked sounded as
// silence and stays silent when the owner lets go. A primary buffer is left as it is.
void SoundWritesOnce(IDirectSoundBuffer* buffer);

// Our own additions for an owner that must tell one turn of a looping buffer from the next:
// the cursor counted without wrapping, its position plus the buffer's size for every time it
// wrapped round since the buffer was made.
HRESULT GetPlayCount(IDirectSoundBuffer* buffer, std::uint64_t* played);
HRESULT GetCaptureCount(IDirectSoundCaptureBuffer* buffer, std::uint64_t* captured);

// Our own addition for a caller that shows what a buffer sounds: copies bytes from offset
// on, round the end, as the mixer hears them (a frame its owner has locked is silence),
// without locking any, so the sound shown is never cut.
HRESULT ReadSoundBuffer(IDirectSoundBuffer* buffer, DWORD offset, DWORD bytes, void* out);
