#include "sound/DSWave.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Published.h"
#include "sound/DSPlay.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace {

constexpr std::size_t MinWaveFileBytes = 48;
constexpr DWORD FormatChunkMin = 16;

struct ResourceBytes {
    const BYTE* bytes;
    std::size_t length;
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::mutex resourcesLock;
std::map<std::string, ResourceBytes>& resources() {
    static std::map<std::string, ResourceBytes> table;
    return table;
}

bool findResource(const std::string& name, ResourceBytes& found) {
    std::lock_guard guard(resourcesLock);
    auto it = resources().find(lowerCase(name));
    if (it == resources().end()) return false;
    found = it->second;
    return true;
}

DWORD readLe32(const BYTE* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}
WORD readLe16(const BYTE* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

void readFormat(const BYTE* p, DWORD size, WAVEFORMATEX& format) {
    format.wFormatTag = readLe16(p);
    format.nChannels = readLe16(p + 2);
    format.nSamplesPerSec = readLe32(p + 4);
    format.nAvgBytesPerSec = readLe32(p + 8);
    format.nBlockAlign = readLe16(p + 12);
    format.wBitsPerSample = readLe16(p + 14);
    format.cbSize = size >= 18 ? readLe16(p + 16) : 0;
}

bool readWholeFile(const std::string& name, std::vector<BYTE>& bytes) {
    FilePtr file = OpenRegularFile(name);
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.get());
    if (length < static_cast<long>(MinWaveFileBytes) || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

} // namespace

void RegisterWaveResource(const std::string& name, const BYTE* bytes, std::size_t length) {
    std::lock_guard guard(resourcesLock);
    resources()[lowerCase(name)] = {bytes, length};
}

void UnregisterWaveResource(const std::string& name) {
    std::lock_guard guard(resourcesLock);
    resources().erase(lowerCase(name));
}

bool ParseWaveData(const BYTE* riff, std::size_t length, WAVEFORMATEX* format, const BYTE** data,
                   DWORD* size) {
    if (format) *format = WAVEFORMATEX{};
    if (data) *data = nullptr;
    if (size) *size = 0;
    if (!riff || length < 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    const DWORD riffSize = readLe32(riff + 4);
    if (riffSize <= 4) return false;
    // The chunks end where the RIFF size says, but never past the bytes there are.
    const std::uint64_t end = std::min<std::uint64_t>(8ull + riffSize, length);
    bool formatFound = !format;
    bool dataFound = !data && !size;
    std::uint64_t pos = 12;
    for (;;) {
        if (pos + 8 > end) return false;
        const BYTE* chunk = riff + pos;
        const DWORD chunkSize = readLe32(chunk + 4);
        const std::uint64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !formatFound) {
            if (chunkSize < FormatChunkMin || body + FormatChunkMin > end) return false;
            readFormat(riff + body, static_cast<DWORD>(std::min<std::uint64_t>(chunkSize, end - body)),
                       *format);
            formatFound = true;
            if (dataFound) return true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !dataFound) {
            if (data) *data = riff + body;
            if (size) *size = static_cast<DWORD>(std::min<std::uint64_t>(chunkSize, end - body));
            dataFound = true;
            if (formatFound) return true;
        }
        pos = body + chunkSize + (chunkSize & 1);
        if (pos >= end) return false;
    }
}

bool LoadWaveResource(const std::string& name, WaveData& wave) {
    wave = WaveData{};
    ResourceBytes resource{};
    if (findResource(name, resource) &&
        ParseWaveData(resource.bytes, resource.length, &wave.format, &wave.data, &wave.size))
        return true;
    if (!readWholeFile(name, wave.file)) {
        wave.file.clear();
        return false;
    }
    if (!ParseWaveData(wave.file.data(), wave.file.size(), &wave.format, &wave.data, &wave.size)) {
        wave = WaveData{};
        return false;
    }
    return true;
}

namespace {

IDirectSoundBuffer* createFilledBuffer(IDirectSound* ds, const WaveData& wave) {
    DSBUFFERDESC desc;
    desc.dwFlags = WaveBufferFlags;
    desc.dwBufferBytes = wave.size;
    desc.lpwfxFormat = &wave.format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(ds->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer) return nullptr;
    if (!FillWaveBuffer(buffer, wave.data, wave.size)) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

} // namespace

IDirectSoundBuffer* CreateWaveBuffer(IDirectSound* ds, const std::string& name) {
    WaveData wave;
    if (!ds || !LoadWaveResource(name, wave)) return nullptr;
    return createFilledBuffer(ds, wave);
}

bool FillWaveBuffer(IDirectSoundBuffer* buffer, const BYTE* data, DWORD size) {
    if (!buffer || !data || size == 0) return false;
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    if (FAILED(buffer->Lock(0, size, &part1, &bytes1, &part2, &bytes2, 0))) return false;
    std::memcpy(part1, data, bytes1);
    if (part2 && bytes2) std::memcpy(part2, data + bytes1, bytes2);
    buffer->Unlock(part1, bytes1, part2, bytes2);
    return true;
}

SoundObject* CreateSoundObject(IDirectSound* ds, const std::string& name, int count) {
    if (count > MaxWaveBuffers) return nullptr;
    auto sound = std::make_unique<SoundObject>();
    if (!ds || !LoadWaveResource(name, sound->wave)) return nullptr;
    sound->count = std::max(count, 1);
    sound->buffers.assign(static_cast<std::size_t>(sound->count), nullptr);
    // The first buffer comes from the data already read; only a refused duplicate reads
    // the wave again. Without it the set could never play, since picking starts there.
    sound->buffers[0] = createFilledBuffer(ds, sound->wave);
    if (!sound->buffers[0]) return nullptr;
    for (int i = 1; i < sound->count; ++i) {
        IDirectSoundBuffer* copy = nullptr;
        if (SUCCEEDED(ds->DuplicateSoundBuffer(sound->buffers[0], &copy)) && copy)
            sound->buffers[static_cast<std::size_t>(i)] = copy;
        else if (!(sound->buffers[static_cast<std::size_t>(i)] = CreateWaveBuffer(ds, name))) {
            DestroySoundObject(sound.release());
            return nullptr;
        }
    }
    return sound.release();
}

void DestroySoundObject(SoundObject* sound) {
    if (!sound) return;
    for (IDirectSoundBuffer* buffer : sound->buffers)
        if (buffer) buffer->Release();
    delete sound;
}

namespace {

bool isPlaying(IDirectSoundBuffer* buffer, DWORD* status) {
    if (FAILED(buffer->GetStatus(status))) *status = 0;
    return (*status & DSBSTATUS_PLAYING) != 0;
}

} // namespace

IDirectSoundBuffer* PickSoundBuffer(SoundObject* sound) {
    if (!sound) return nullptr;
    IDirectSoundBuffer* buffer = sound->buffers[static_cast<std::size_t>(sound->current)];
    if (!buffer) return nullptr;
    DWORD status = 0;
    if (isPlaying(buffer, &status)) {
        if (sound->count < 2) return nullptr;
        sound->current = (sound->current + 1) % sound->count;
        buffer = sound->buffers[static_cast<std::size_t>(sound->current)];
        if (SUCCEEDED(buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING)) {
            // The oldest sounding copy is cut off and starts again.
            buffer->Stop();
            buffer->SetCurrentPosition(0);
        }
    }
    if (status & DSBSTATUS_BUFFERLOST) {
        if (FAILED(buffer->Restore()) || !FillWaveBuffer(buffer, sound->wave.data, sound->wave.size))
            return nullptr;
    }
    return buffer;
}

bool PlaySoundObject(SoundObject* sound, DWORD flags, int volume, int pan) {
    if (!sound) return false;
    if ((flags & DSBPLAY_LOOPING) && sound->count != 1) return false;
    IDirectSoundBuffer* buffer = PickSoundBuffer(sound);
    if (!buffer) return false;
    const bool played = SUCCEEDED(buffer->Play(0, 0, flags));
    // The first moments sound at the buffer's previous volume and pan, as ever.
    buffer->SetVolume((volume - 256) * 24);
    buffer->SetPan(pan);
    return played;
}

const char* DirectSoundErrorText(HRESULT result) {
    switch (result) {
    case DSERR_UNSUPPORTED:
        return "The function called is not supported at this time";
    case DSERR_NOINTERFACE:
        return "The requested COM interface is not available";
    case DSERR_GENERIC:
        return "An undetermined error occurred inside the DirectSound subsystem";
    case DSERR_NOAGGREGATION:
        return "The object does not support aggregation";
    case DSERR_OUTOFMEMORY:
        return "The DirectSound subsystem could not allocate sufficient memory to complete the caller's "
               "request";
    case DSERR_INVALIDPARAM:
        return "An invalid parameter was passed to the returning function";
    case DSERR_ALLOCATED:
        return "The request failed because resources, such as a priority level, were already in use by "
               "another "
               "caller";
    case DSERR_CONTROLUNAVAIL:
        return "The buffer control (volume, pan, and so on) requested by the caller is not available";
    case DSERR_INVALIDCALL:
        return "This function is not valid for the current state of this object";
    case DSERR_PRIOLEVELNEEDED:
        return "The caller does not have the priority level required for the function to succeed";
    case DSERR_BADFORMAT:
        return "The specified wave format is not supported";
    case DSERR_NODRIVER:
        return "No sound driver is available for use";
    case DSERR_ALREADYINITIALIZED:
        return "The object is already initialized";
    case DSERR_BUFFERLOST:
        return "The buffer memory has been lost and must be restored";
    case DSERR_OTHERAPPHASPRIO:
        return "Another application has a higher priority level, preventing this call from succeeding";
    case DSERR_UNINITIALIZED:
        return "The Initialize method has not been called or has not been called successfully before other "
               "methods were called";
    case DS_OK:
        return "The request completed successfully";
    default:
        return "Unknow error";
    }
}

namespace {

const bool wavePublished = RegisterPublishedClass(
    "TDSWave", "TComponent",
    {
        Property("FileName", TypeString(), &TDSWave::FileName, &TDSWave::SetFileName),
        Property("Volume", TypeInteger(), &TDSWave::Volume, &TDSWave::SetVolume, 128),
        Property("NumBuffers", TypeInteger(), &TDSWave::NumBuffers, &TDSWave::SetNumBuffers, 1),
    });

} // namespace

TDSWave::TDSWave(TComponent* owner) : TComponent(owner) {}

TDSWave::~TDSWave() {
    Release();
}

void TDSWave::SetFileName(const std::string& name) {
    fileName_ = name;
    Init();
}

void TDSWave::SetNumBuffers(int count) {
    if (count == numBuffers_) return;
    bool made = true;
    bool kept = false;
    if (player_)
        player_->UseDirectSound([&](IDirectSound* ds) {
            if (!ds) return;
            // The new set is made beside the one that plays, which goes only once the new
            // one is there.
            SoundObject* set = CreateSoundObject(ds, fileName_, count);
            made = set != nullptr;
            std::unique_lock reload(reload_);
            kept = !made && sound_;
            if (made) std::swap(sound_, set);
            DestroySoundObject(set);
        });
    if (!kept) numBuffers_ = count;
    if (!made) reportLoadFailure();
}

void TDSWave::Init() {
    Release();
    if (!player_) return;
    bool failed = false;
    player_->UseDirectSound([&](IDirectSound* ds) {
        if (!ds) return;
        std::unique_lock reload(reload_);
        sound_ = CreateSoundObject(ds, fileName_, numBuffers_);
        failed = sound_ == nullptr;
    });
    if (failed) reportLoadFailure();
}

void TDSWave::reportLoadFailure() const {
    ShowMessageBox("Can't open wave file '" + fileName_ + "' or file is invalid", "DSWave: Fatal error",
                   MB_ICONERROR);
}

void TDSWave::Release() {
    std::unique_lock reload(reload_);
    DestroySoundObject(sound_);
    sound_ = nullptr;
}

bool TDSWave::IsLoaded() const {
    std::shared_lock reload(reload_);
    return sound_ != nullptr;
}

bool TDSWave::Play(DWORD flags, int pan) {
    std::shared_lock reload(reload_, std::try_to_lock);
    if (!reload.owns_lock() || !sound_) return false;
    std::lock_guard pick(play_);
    return PlaySoundObject(sound_, flags, volume_.load(), pan);
}
