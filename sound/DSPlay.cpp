#include "sound/DSPlay.h"

#include "platform/framework/Published.h"
#include "sound/DSWave.h"
#include "sound/ThStop.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int PrefillSeconds = 3;

const bool playerPublished = RegisterPublishedClass(
    "TDSPlay", "TSndOutEngine",
    {
        Property("Volume", TypeInteger(), &TDSPlay::Volume, &TDSPlay::SetVolume, 0),
        Property("Paused", TypeBoolean(), &TSndOutEngine::Paused, &TSndOutEngine::SetPaused, false),
        Property("StopIfNoModule", TypeBoolean(), &TSndOutEngine::StopIfNoModule,
                 &TSndOutEngine::SetStopIfNoModule, false),
        Property("Loop", TypeBoolean(), &TSndOutEngine::Loop, &TSndOutEngine::SetLoop, false),
        Property("FileName", TypeString(), &TSndOutEngine::FileName, &TSndOutEngine::SetFileName),
    });

} // namespace

TDSPlay::TDSPlay(TComponent* owner) : TSndOutEngine(owner) {
    FixInitBuffer();
}

TDSPlay::~TDSPlay() {
    SwitchOffForGood();
    for (TDSWave* wave : waves_) {
        wave->SetPlayer(nullptr);
        RemoveFreeNotification(wave);
    }
    waves_.clear();
    WaitForStopThreads();
}

void TDSPlay::Loaded() {
    TSndOutEngine::Loaded();
    TComponent* owner = Owner();
    if (!owner) return;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (owner->Components(i)->ClassName() == TDSWave::StaticClassName) {
            auto* wave = static_cast<TDSWave*>(owner->Components(i));
            waves_.push_back(wave);
            wave->SetPlayer(this);
            FreeNotification(wave);
        }
}

void TDSPlay::Notification(TComponent* component, TOperation operation) {
    TSndOutEngine::Notification(component, operation);
    if (operation == opRemove) {
        TSndControlHold hold(Control);
        waves_.erase(std::remove(waves_.begin(), waves_.end(), component), waves_.end());
    }
}

void TDSPlay::InitBuffer() {
    CreateBlockEvents("TDSPlay: Can't create event");
    steps_.MapBlockEvents();
}

void TDSPlay::SwitchLocked(bool active) {
    SwitchDevice(
        active,
        [this] {
            SetPausedFlag(false);
            return switchOn();
        },
        [this] { Release(); });
}

bool TDSPlay::switchOn() {
    WorkingFormat = RequestedFormat;
    if (!ModulePlug()) {
        if (!FindModulePlug() && StopIfNoModule()) return false;
    } else {
        std::lock_guard decode(DecodeLock);
        ModulePlug()->Reset();
    }
    if (!steps_.OpenDirectSound(device_, &ds_,
                                "Can't create DirectSound object: device is busy or DirectSound subsystem "
                                "(DirectX 5 or better) is not properly installed") ||
        !steps_.SetPrimaryFormat(ds_, RequestedFormat))
        return false;
    for (TDSWave* wave : waves_)
        wave->Init();
    if (ModulePlug() && !createStream()) return false;
    SetActiveFlag(true);
    if (stream_) Start();
    return true;
}

bool TDSPlay::createStream() {
    if (!steps_.CreateSecondary(ds_, WorkingFormat, &stream_)) return false;
    stream_->SetVolume(volume_.load());
    if (!steps_.NotifyBlocks(stream_, "Query DirectSound Notify failed")) return false;
    DrainBlockEvents();
    if (!StartEventsThread()) return steps_.Fail("Can't create thread", DS_OK);
    return true;
}

void TDSPlay::Release() {
    if (HandedOff([this] {
            TSndControlHold hold(Control);
            Release();
        }))
        return;
    FireBeforeStop();
    Stop();
    StopEventsThread();
    for (TDSWave* wave : waves_)
        wave->Release();
    steps_.ReleaseNotify();
    if (stream_) stream_->Release();
    stream_ = nullptr;
    if (ds_) ds_->Release();
    ds_ = nullptr;
}

int TDSPlay::PrefillBlocks() const {
    const int seconds = static_cast<int>(WorkingFormat.nAvgBytesPerSec) * PrefillSeconds / BufferSize();
    return std::clamp(seconds, 2, BuffersCount());
}

void TDSPlay::Start() {
    // An active player without a file has nothing to stream (a seek on it lands here).
    if (!stream_) return;
    HRESULT played = DS_OK;
    {
        std::lock_guard decode(DecodeLock);
        if (UseEffects()) EffectsInit();
        endBlock_ = -1;
        looped_ = false;
        CurrentBlock = -1;
        PlayedBlock = 0;
        DrainBlockEvents();
        {
            const TSndProcessScope processing;
            for (int i = 0; i < PrefillBlocks() - 1; ++i)
                Process(-1);
        }
        stream_->SetCurrentPosition(0);
        played = stream_->Play(0, 0, DSBPLAY_LOOPING);
    }
    // Handled outside the decode lock: switching off waits for the events thread, which
    // may be waiting for that lock.
    if (FAILED(played)) {
        steps_.Report("Play failed", played);
        SwitchLocked(false);
    }
}

void TDSPlay::Stop() {
    if (stream_) stream_->Stop();
}

bool TDSPlay::lockBlock(DWORD offset, void** p1, DWORD* l1, void** p2, DWORD* l2) {
    const auto size = static_cast<DWORD>(BufferSize());
    HRESULT hr = stream_->Lock(offset, size, p1, l1, p2, l2, 0);
    if (hr == DSERR_BUFFERLOST) {
        stream_->Restore();
        hr = stream_->Lock(offset, size, p1, l1, p2, l2, 0);
    }
    return SUCCEEDED(hr);
}

bool TDSPlay::decodeNextBlock(BlockParts& block) {
    const int mask = BuffersCountMask();
    const int index = (CurrentBlock.load() + 1) & mask;
    CurrentBlock = index;
    if (!lockBlock(static_cast<DWORD>(index * BufferSize()), &block.data[0], &block.length[0], &block.data[1],
                   &block.length[1]))
        return false;
    TSndPlayPlug* plug = ModulePlug();
    for (int i = 0; i < 2; ++i) {
        if (!block.data[i] || block.length[i] == 0 || !plug) continue;
        if (!plug->Process(static_cast<BYTE*>(block.data[i]), block.length[i])) {
            if (Loop()) {
                plug->Reset();
                looped_ = true;
            } else {
                endBlock_ = (index + 1) & mask;
            }
        }
    }
    if (endBlock_.load() >= 0) silenceBlocksPastTheEnd();
    return true;
}

// The blocks from the end of the data up to the one playing still hold what they played a
// ring ago, and the cursor reaches them before the stop thread can stop the buffer.
void TDSPlay::silenceBlocksPastTheEnd() {
    const int mask = BuffersCountMask();
    for (int block = endBlock_.load(); block != PlayedBlock.load(); block = (block + 1) & mask)
        silenceBlock(block);
}

void TDSPlay::silencePlayedBlock(int block) {
    silenceBlock((block - 1) & BuffersCountMask());
}

void TDSPlay::silenceBlock(int index) {
    void* parts[2] = {};
    DWORD lengths[2] = {};
    if (!lockBlock(static_cast<DWORD>(index * BufferSize()), &parts[0], &lengths[0], &parts[1], &lengths[1]))
        return;
    const int silence = WorkingFormat.wBitsPerSample == 16 ? 0 : 0x80;
    for (int i = 0; i < 2; ++i)
        if (parts[i]) std::memset(parts[i], silence, lengths[i]);
    stream_->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
}

void TDSPlay::Process(int block) {
    if (!stream_) return;
    BlockParts parts;
    {
        std::lock_guard decode(DecodeLock);
        if (block >= 0) PlayedBlock = (PlayedBlock.load() + 1) & BuffersCountMask();
        if (endBlock_.load() >= 0) {
            if (block == endBlock_.load()) TSndStopThread::Launch(this);
            silencePlayedBlock(block);
            return;
        }
        if (!decodeNextBlock(parts)) return;
    }
    // Handlers run outside the decode lock, so one that calls the engine back never
    // waits on a caller that waits on this thread.
    for (int i = 0; i < 2; ++i)
        if (parts.data[i] && parts.length[i]) FireProc(static_cast<BYTE*>(parts.data[i]), parts.length[i]);
    if (UseEffects())
        EffectsProcess(static_cast<BYTE*>(parts.data[0]), parts.length[0], static_cast<BYTE*>(parts.data[1]),
                       parts.length[1]);
    stream_->Unlock(parts.data[0], parts.length[0], parts.data[1], parts.length[1]);
}

void TDSPlay::GetPosition(SND_POSITION* position) {
    // The decode lock alone: it keeps the plug-in and the ring counters still, and an
    // OnProc handler on the events thread may ask for the position.
    std::lock_guard decode(DecodeLock);
    if (!Active() || !position) return;
    if (TSndPlayPlug* plug = ModulePlug()) plug->GetPosition(position);
    const int head = endBlock_.load() >= 0 ? endBlock_.load() : CurrentBlock.load();
    const std::int64_t queued =
        static_cast<std::int64_t>((head - PlayedBlock.load()) & BuffersCountMask()) * BufferSize();
    std::int64_t heard = position->dwPosition;
    if (const DWORD rate = WorkingFormat.nAvgBytesPerSec)
        heard -= ((queued / 1024) * static_cast<std::int64_t>(position->dwUnitsPerSec) / rate) * 1024;
    const std::int64_t length = position->dwLength;
    if (Loop() && length) {
        // Before the first loop a position short of the start is the start, not the end.
        if (heard < 0 && !looped_.load()) heard = 0;
        while (heard < 0)
            heard += length;
        while (heard > length)
            heard -= length;
    } else {
        heard = std::clamp<std::int64_t>(heard, 0, length);
    }
    position->dwPosition = static_cast<DWORD>(heard);
    position->dwBuffersCount = static_cast<DWORD>(BuffersCount());
    position->dwBufferSize = static_cast<DWORD>(BufferSize());
    position->dwReserved1 = 0;
    position->dwReserved2 = 0;
}

void TDSPlay::SetVolume(int volume) {
    TSndControlHold hold(Control);
    volume_ = volume;
    if (stream_) stream_->SetVolume(volume);
}

std::optional<GUID> TDSPlay::Device() const {
    return device_;
}

void TDSPlay::SetpID(const GUID* device) {
    ChangeDevice(device_, device);
}

void TDSPlay::SetPaused(bool paused) {
    if (HandedOff([this, paused] { SetPaused(paused); })) return;
    TSndControlHold hold(Control);
    if (!Active()) {
        SetPausedFlag(false);
        return;
    }
    if (paused == Paused()) return;
    if (stream_) {
        if (paused) {
            stream_->GetCurrentPosition(&savedPosition_, nullptr);
            stream_->Stop();
        } else {
            if (FAILED(stream_->Play(0, 0, DSBPLAY_LOOPING))) {
                SwitchLocked(false);
                return;
            }
            stream_->SetCurrentPosition(savedPosition_);
        }
    }
    SetPausedFlag(paused);
}

void TDSPlay::ShowError(const char* text) {
    steps_.ShowMessage(text);
}

void TDSPlay::GetCurrentBuffer(short* L, short* R, int count) {
    TSndControlHold hold(Control);
    if (count <= 0) return;
    const bool stereo = Channels() == 2;
    const auto bytes = static_cast<DWORD>(count * Channels() * BitsPerSample() / 8);
    // Read as the device hears it, without locking: a locked frame would sound as silence.
    std::vector<BYTE> heard(bytes);
    DWORD play = 0;
    if (!stream_ || FAILED(stream_->GetCurrentPosition(&play, nullptr)) ||
        FAILED(ReadSoundBuffer(stream_, play, bytes, heard.data()))) {
        std::fill(L, L + count, short{0});
        if (stereo && R) std::fill(R, R + count, short{0});
        return;
    }
    if (BitsPerSample() == 16)
        stereo ? GetBuf16Stereo(L, R, heard.data(), bytes, nullptr, 0)
               : GetBuf16Mono(L, heard.data(), bytes, nullptr, 0);
    else
        stereo ? GetBuf8Stereo(L, R, heard.data(), bytes, nullptr, 0)
               : GetBuf8Mono(L, heard.data(), bytes, nullptr, 0);
}

void TDSPlay::UseDirectSound(const std::function<void(IDirectSound*)>& use) {
    TSndControlHold hold(Control);
    use(ds_);
}
