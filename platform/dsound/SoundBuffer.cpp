#include "platform/dsound/SoundBuffer.h"

#include "platform/dsound/Faults.h"
#include "platform/dsound/ReleaseTrace.h"

#include <algorithm>

namespace {

std::atomic<int> liveObjects{0};
std::mutex objectsLock;
std::vector<std::pair<const DirectSoundObject*, std::shared_ptr<DirectSoundState>>>
    objects; // guarded by objectsLock

class BufferNotify final : public IDirectSoundNotify {
public:
    explicit BufferNotify(SoundBuffer* buffer) : buffer_(buffer) { buffer_->AddRef(); }
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override {
        const DWORD left = refs_.dropRef();
        if (left == 0) delete this;
        return left;
    }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override {
        if (HRESULT fault = TakeFault(DsOp::SetNotificationPositions)) return fault;
        return buffer_->SetNotificationPositions(count, positions);
    }

private:
    ~BufferNotify() override {
        TraceFinalRelease("notify");
        buffer_->Release();
    }
    RefCounted refs_;
    SoundBuffer* buffer_;
};

void fireAll(const std::vector<HANDLE>& events) {
    for (HANDLE h : events)
        SetEvent(h);
}

} // namespace

bool ValidPcmFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= DSBFREQUENCY_MIN &&
           f.nSamplesPerSec <= DSBFREQUENCY_MAX && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

SoundBuffer::SoundBuffer(std::shared_ptr<DeviceMixer> mixer, SoundVoice voice)
    : mixer_(std::move(mixer)), voice_(std::move(voice)) {
    DeviceMixer::UpdateGains(voice_);
    mixer_->Add(&voice_);
}

SoundBuffer::~SoundBuffer() {
    TraceFinalRelease(voice_.primary ? "primary buffer" : "buffer");
    mixer_->Remove(&voice_);
}

DWORD SoundBuffer::Release() {
    const DWORD left = refs_.dropRef();
    if (left == 0) delete this;
    return left;
}

HRESULT SoundBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) {
    if (HRESULT fault = TakeFault(DsOp::GetCurrentPosition)) return fault;
    if (voice_.primary) return DSERR_INVALIDCALL;
    std::lock_guard guard(mixer_->Lock());
    const DWORD play = voice_.frame * voice_.format.nBlockAlign;
    if (playCursor) *playCursor = play;
    if (writeCursor) *writeCursor = (play + mixer_->WriteLeadLocked(voice_)) % voice_.size;
    return DS_OK;
}

HRESULT SoundBuffer::GetPlayCount(std::uint64_t* played) {
    if (HRESULT fault = TakeFault(DsOp::GetCurrentPosition)) return fault;
    if (voice_.primary) return DSERR_INVALIDCALL;
    if (!played) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    *played = voice_.turns * voice_.size + voice_.frame * voice_.format.nBlockAlign;
    return DS_OK;
}

HRESULT SoundBuffer::Read(DWORD offset, DWORD bytes, void* out) {
    if (voice_.primary) return DSERR_INVALIDCALL;
    if (!out || offset >= voice_.size || bytes > voice_.size) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    if (voice_.memory->lost) return DSERR_BUFFERLOST;
    const DWORD align = voice_.format.nBlockAlign;
    const BYTE silence = voice_.format.wBitsPerSample == 8 ? 0x80 : 0;
    auto* to = static_cast<BYTE*>(out);
    // Frame by frame, as the mixer hears them: its owner may be writing a locked one.
    for (DWORD done = 0; done < bytes; done += align) {
        const DWORD at = (offset + done) % voice_.size;
        const DWORD length = std::min(align, bytes - done);
        if (voice_.memory->locked.Locked(at, at + align))
            std::fill_n(to + done, length, silence);
        else
            std::copy_n(voice_.memory->bytes.data() + at, length, to + done);
    }
    return DS_OK;
}

HRESULT SoundBuffer::GetFormat(WAVEFORMATEX* format) {
    if (!format) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    *format = voice_.format;
    return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LONG* volume) {
    if (!(voice_.flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard guard(mixer_->Lock());
    *volume = voice_.volume;
    return DS_OK;
}

HRESULT SoundBuffer::GetPan(LONG* pan) {
    if (!(voice_.flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard guard(mixer_->Lock());
    *pan = voice_.pan;
    return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(DWORD* frequency) {
    if (!(voice_.flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard guard(mixer_->Lock());
    *frequency = voice_.frequency;
    return DS_OK;
}

HRESULT SoundBuffer::GetStatus(DWORD* status) {
    if (HRESULT fault = TakeFault(DsOp::GetStatus)) return fault;
    if (!status) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    DWORD s = 0;
    if (voice_.playing) s |= DSBSTATUS_PLAYING | (voice_.looping ? DSBSTATUS_LOOPING : 0);
    if (voice_.memory && voice_.memory->lost) s |= DSBSTATUS_BUFFERLOST;
    *status = s;
    return DS_OK;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                          DWORD flags) {
    if (HRESULT fault = TakeFault(DsOp::Lock)) return fault;
    if (voice_.primary) return DSERR_PRIOLEVELNEEDED;
    if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    if (voice_.memory->lost) return DSERR_BUFFERLOST;
    if (flags & DSBLOCK_FROMWRITECURSOR)
        offset = (voice_.frame * voice_.format.nBlockAlign + mixer_->WriteLeadLocked(voice_)) % voice_.size;
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = voice_.size;
    if (offset >= voice_.size || bytes == 0 || bytes > voice_.size) return DSERR_INVALIDPARAM;
    BYTE* base = voice_.memory->bytes.data();
    const DWORD first = std::min(bytes, voice_.size - offset);
    *part1 = base + offset;
    *bytes1 = first;
    const DWORD second = bytes - first;
    if (second > 0 && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
    if (part2) *part2 = second ? base : nullptr;
    if (bytes2) *bytes2 = second;
    auto& locked = voice_.memory->locked;
    locked.Lock(offset, offset + first);
    if (second) locked.Lock(0, second);
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) {
    if (HRESULT fault = TakeFault(DsOp::Unlock)) return fault;
    if (voice_.primary) return DSERR_INVALIDCALL;
    const BYTE* base = voice_.memory->bytes.data();
    auto inside = [&](void* p, DWORD len) {
        const auto* b = static_cast<const BYTE*>(p);
        return !p || (b >= base && b + len <= base + voice_.size);
    };
    if (!inside(part1, bytes1) || !inside(part2, bytes2)) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    SampleMemory& memory = *voice_.memory;
    const BYTE silence = voice_.format.wBitsPerSample == 8 ? 0x80 : 0;
    auto release = [&](void* p, DWORD len) {
        if (!p || len == 0) return;
        const auto start = static_cast<DWORD>(static_cast<const BYTE*>(p) - base);
        memory.locked.Unlock(start, start + len, memory.bytes, silence);
    };
    release(part1, bytes1);
    release(part2, bytes2);
    return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
    if (HRESULT fault = TakeFault(DsOp::Play)) return fault;
    if (reserved != 0) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    if (voice_.primary) return DS_OK;
    if (voice_.memory->lost) return DSERR_BUFFERLOST;
    voice_.playing = true;
    voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD position) {
    if (HRESULT fault = TakeFault(DsOp::SetCurrentPosition)) return fault;
    if (voice_.primary) return DSERR_INVALIDCALL;
    if (position >= voice_.size) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    voice_.frame = position / voice_.format.nBlockAlign;
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(const WAVEFORMATEX* format) {
    if (HRESULT fault = TakeFault(DsOp::SetFormat)) return fault;
    if (!voice_.primary) return DSERR_INVALIDCALL;
    if (!format) return DSERR_INVALIDPARAM;
    if (owner_ && owner_->level.load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    if (!ValidPcmFormat(*format)) return DSERR_BADFORMAT;
    {
        std::lock_guard guard(mixer_->Lock());
        voice_.format = *format;
    }
    if (owner_) {
        std::lock_guard guard(owner_->lock);
        owner_->primaryFormat = *format;
        owner_->primaryFormatSet = true;
    }
    return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG volume) {
    if (HRESULT fault = TakeFault(DsOp::SetVolume)) return fault;
    if (!(voice_.flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    voice_.volume = volume;
    DeviceMixer::UpdateGains(voice_);
    return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG pan) {
    if (HRESULT fault = TakeFault(DsOp::SetPan)) return fault;
    if (!(voice_.flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    voice_.pan = pan;
    DeviceMixer::UpdateGains(voice_);
    return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD frequency) {
    if (HRESULT fault = TakeFault(DsOp::SetFrequency)) return fault;
    if (!(voice_.flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency == DSBFREQUENCY_ORIGINAL) frequency = voice_.format.nSamplesPerSec;
    if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    voice_.frequency = frequency;
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    if (HRESULT fault = TakeFault(DsOp::Stop)) return fault;
    std::vector<HANDLE> fire;
    {
        std::lock_guard guard(mixer_->Lock());
        DeviceMixer::StopLocked(voice_, fire);
    }
    fireAll(fire);
    return DS_OK;
}

HRESULT SoundBuffer::Restore() {
    if (HRESULT fault = TakeFault(DsOp::Restore)) return fault;
    std::lock_guard guard(mixer_->Lock());
    if (voice_.memory && voice_.memory->lost) {
        // The memory comes back, its contents do not: the owner refills it.
        std::fill(voice_.memory->bytes.begin(), voice_.memory->bytes.end(),
                  voice_.format.wBitsPerSample == 8 ? BYTE{0x80} : BYTE{0});
        voice_.memory->lost = false;
    }
    return DS_OK;
}

HRESULT SoundBuffer::QueryNotify(IDirectSoundNotify** notify) {
    if (HRESULT fault = TakeFault(DsOp::QueryNotify)) return fault;
    if (!notify) return DSERR_INVALIDPARAM;
    if (!(voice_.flags & DSBCAPS_CTRLPOSITIONNOTIFY)) {
        *notify = nullptr;
        return DSERR_NOINTERFACE;
    }
    *notify = new BufferNotify(this);
    return DS_OK;
}

HRESULT SoundBuffer::SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) {
    if (count > 0 && !positions) return DSERR_INVALIDPARAM;
    for (DWORD i = 0; i < count; ++i)
        if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= voice_.size)
            return DSERR_INVALIDPARAM;
    std::lock_guard guard(mixer_->Lock());
    if (voice_.playing) return DSERR_INVALIDCALL;
    voice_.notifies.assign(positions, positions + count);
    return DS_OK;
}

void SoundBuffer::SetWritesOnce() {
    std::lock_guard guard(mixer_->Lock());
    voice_.writesOnce = !voice_.primary;
}

void SoundWritesOnce(IDirectSoundBuffer* buffer) {
    static_cast<SoundBuffer*>(buffer)->SetWritesOnce();
}

HRESULT GetPlayCount(IDirectSoundBuffer* buffer, std::uint64_t* played) {
    return static_cast<SoundBuffer*>(buffer)->GetPlayCount(played);
}

HRESULT ReadSoundBuffer(IDirectSoundBuffer* buffer, DWORD offset, DWORD bytes, void* out) {
    return static_cast<SoundBuffer*>(buffer)->Read(offset, bytes, out);
}

SoundBuffer* SoundBuffer::Duplicate() {
    SoundVoice copy;
    {
        std::lock_guard guard(mixer_->Lock());
        copy.memory = voice_.memory;
        copy.format = voice_.format;
        copy.flags = voice_.flags;
        copy.size = voice_.size;
        copy.frames = voice_.frames;
        copy.frequency = voice_.frequency;
        copy.volume = voice_.volume;
        copy.pan = voice_.pan;
    }
    return new SoundBuffer(mixer_, std::move(copy));
}

DirectSoundObject::DirectSoundObject(std::shared_ptr<DeviceMixer> mixer) : mixer_(std::move(mixer)) {
    ++liveObjects;
    std::lock_guard guard(objectsLock);
    objects.emplace_back(this, state_);
}

DirectSoundObject::~DirectSoundObject() {
    TraceFinalRelease("DirectSound");
    --liveObjects;
    std::lock_guard guard(objectsLock);
    objects.erase(
        std::remove_if(objects.begin(), objects.end(), [this](const auto& o) { return o.first == this; }),
        objects.end());
}

int DirectSoundObject::LiveCount() {
    return liveObjects.load();
}

std::vector<DirectSoundInfo> DirectSoundObject::AllObjects() {
    std::vector<DirectSoundInfo> all;
    std::lock_guard guard(objectsLock);
    for (const auto& [object, state] : objects) {
        DirectSoundInfo info;
        info.device = object->mixer_->Device();
        info.cooperativeLevel = state->level.load();
        std::lock_guard stateGuard(state->lock);
        info.primaryFormatSet = state->primaryFormatSet;
        info.primaryFormat = state->primaryFormat;
        all.push_back(info);
    }
    return all;
}

DWORD DirectSoundObject::Release() {
    const DWORD left = refs_.dropRef();
    if (left == 0) delete this;
    return left;
}

HRESULT DirectSoundObject::SetCooperativeLevel(HWND window, DWORD level) {
    if (HRESULT fault = TakeFault(DsOp::SetCooperativeLevel)) return fault;
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    state_->level.store(level);
    return DS_OK;
}

HRESULT DirectSoundObject::createPrimary(const DSBUFFERDESC& desc, IDirectSoundBuffer** buffer) {
    if (desc.dwBufferBytes != 0 || desc.lpwfxFormat) return DSERR_INVALIDPARAM;
    SoundVoice voice;
    voice.primary = true;
    voice.flags = desc.dwFlags;
    voice.format.nChannels = static_cast<WORD>(mixer_->Format().channels);
    voice.format.wBitsPerSample = 16;
    voice.format.nSamplesPerSec = static_cast<DWORD>(mixer_->Format().rate);
    voice.format.nBlockAlign = static_cast<WORD>(voice.format.nChannels * 2);
    voice.format.nAvgBytesPerSec = voice.format.nBlockAlign * voice.format.nSamplesPerSec;
    {
        std::lock_guard guard(state_->lock);
        if (state_->primaryFormatSet) voice.format = state_->primaryFormat;
    }
    auto* primary = new SoundBuffer(mixer_, std::move(voice));
    primary->SetOwner(state_);
    *buffer = primary;
    return DS_OK;
}

HRESULT DirectSoundObject::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                             void* outer) {
    if (HRESULT fault = TakeFault(DsOp::CreateSoundBuffer)) return fault;
    if (outer) return DSERR_NOAGGREGATION;
    if (!desc || !buffer || desc->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (state_->level.load() == 0) return DSERR_UNINITIALIZED;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return createPrimary(*desc, buffer);
    if (!desc->lpwfxFormat || desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    if (!ValidPcmFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
    SoundVoice voice;
    voice.format = *desc->lpwfxFormat;
    voice.flags = desc->dwFlags;
    voice.size = desc->dwBufferBytes;
    voice.frames = voice.size / voice.format.nBlockAlign;
    voice.frequency = voice.format.nSamplesPerSec;
    voice.memory = std::make_shared<SampleMemory>(voice.size);
    if (voice.format.wBitsPerSample == 8)
        std::fill(voice.memory->bytes.begin(), voice.memory->bytes.end(), BYTE{0x80});
    *buffer = new SoundBuffer(mixer_, std::move(voice));
    return DS_OK;
}

HRESULT DirectSoundObject::DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                                IDirectSoundBuffer** duplicate) {
    if (HRESULT fault = TakeFault(DsOp::DuplicateSoundBuffer)) return fault;
    if (!original || !duplicate) return DSERR_INVALIDPARAM;
    auto* source = static_cast<SoundBuffer*>(original);
    if (source->IsPrimary()) return DSERR_INVALIDCALL;
    *duplicate = source->Duplicate();
    return DS_OK;
}
