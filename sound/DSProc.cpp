#include "sound/DSProc.h"

#include "platform/framework/Published.h"
#include "sound/DSCaptur.h"

#include <algorithm>
#include <cstring>

namespace {

// The capture side's format is published beside the requested (playback) one.
const bool processorPublished = RegisterPublishedClass(
    "TDSProcessor", "TSndOutEngine",
    {
        Property("BufferOffset", TypeInteger(), &TDSProcessor::BufferOffset, &TDSProcessor::SetBufferOffset),
        Property("GetOutputBuffer", TypeBoolean(), &TDSProcessor::GetOutputBuffer,
                 &TDSProcessor::SetGetOutputBuffer, false),
        Property("UseWaveMapper", TypeBoolean(), &TDSProcessor::UseWaveMapper,
                 &TDSProcessor::SetUseWaveMapper, true),
        Property("CaptureChannels", IntegerType("Word"), &TDSProcessor::CaptureChannels,
                 &TDSProcessor::SetCaptChannels, 2),
        Property("CaptureBitsPerSample", IntegerType("Word"), &TDSProcessor::CaptureBitsPerSample,
                 &TDSProcessor::SetCaptBitsPerSample, 16),
        Property("CaptureSamplesPerSec", IntegerType("Cardinal"), &TDSProcessor::CaptureSamplesPerSec,
                 &TDSProcessor::SetCaptSamplesPerSec, 44100),
    });

} // namespace

TDSProcessor::TDSProcessor(TComponent* owner) : TSndOutEngine(owner), bufferOffset_(BuffersCount() - 2) {
    FixInitBuffer();
}

TDSProcessor::~TDSProcessor() {
    SwitchOffForGood();
    WaitForStopThreads();
}

void TDSProcessor::InitBuffer() {
    CreateBlockEvents("TDSProcessor: Can't create event");
    steps_.MapBlockEvents();
}

void TDSProcessor::SetBufferOffset(int offset) {
    bufferOffset_.store(std::clamp(offset, 0, BuffersCount() - 2));
}

unsigned short TDSProcessor::CaptureChannels() const {
    TSndControlHold hold(Control);
    return WorkingFormat.nChannels;
}

unsigned short TDSProcessor::CaptureBitsPerSample() const {
    TSndControlHold hold(Control);
    return WorkingFormat.wBitsPerSample;
}

unsigned long TDSProcessor::CaptureSamplesPerSec() const {
    TSndControlHold hold(Control);
    return WorkingFormat.nSamplesPerSec;
}

void TDSProcessor::SetCaptChannels(unsigned short channels) {
    SetFormatField(WorkingFormat, &WAVEFORMATEX::nChannels, channels);
}

void TDSProcessor::SetCaptBitsPerSample(unsigned short bits) {
    SetFormatField(WorkingFormat, &WAVEFORMATEX::wBitsPerSample, bits);
}

void TDSProcessor::SetCaptSamplesPerSec(unsigned long rate) {
    SetFormatField(WorkingFormat, &WAVEFORMATEX::nSamplesPerSec, rate);
}

void TDSProcessor::SetpDSID(const GUID* device) {
    ChangeDevice(outputDevice_, device);
}

void TDSProcessor::SetpDSCID(const GUID* device) {
    ChangeDevice(captureDevice_, device);
}

std::optional<GUID> TDSProcessor::OutputDevice() const {
    TSndControlHold hold(Control);
    return outputDevice_;
}

std::optional<GUID> TDSProcessor::CaptureDevice() const {
    TSndControlHold hold(Control);
    return captureDevice_;
}

void TDSProcessor::SwitchLocked(bool active) {
    SwitchDevice(
        active, [this] { return switchOn(); }, [this] { Release(); });
}

bool TDSProcessor::switchOn() {
    if (!steps_.OpenDirectSound(outputDevice_, &ds_,
                                "Can't create a DirectSound object: device is busy or the DirectSound "
                                "subsystem (DirectX 5 or better) is not properly installed"))
        return false;
    if (!createOutput() || !createCapture()) return false;
    if (!StartEventsThread()) return steps_.Fail("Can't create thread", DS_OK);
    SetActiveFlag(true);
    Start();
    return true;
}

bool TDSProcessor::createOutput() {
    if (!steps_.SetPrimaryFormat(ds_, RequestedFormat) ||
        !steps_.CreateSecondary(ds_, WorkingFormat, &output_))
        return false;
    // A block sounds once: when this thread is held up past its place, the ring plays silence,
    // never the sound of a turn before.
    SoundWritesOnce(output_);
    return true;
}

bool TDSProcessor::createCapture() {
    const HRESULT created =
        DirectSoundCaptureCreate(captureDevice_ ? &*captureDevice_ : nullptr, &capture_, nullptr);
    if (FAILED(created))
        return steps_.Fail(
            "Can't create DirectSoundCapture object: device is busy or the DirectSoundCapture subsystem "
            "(DirectX 5 or better) is not properly installed",
            created);
    DSCBUFFERDESC desc;
    desc.dwFlags = UseWaveMapper() ? DSCBCAPS_WAVEMAPPED : 0;
    desc.dwBufferBytes = static_cast<DWORD>(BuffersSize());
    desc.lpwfxFormat = &WorkingFormat;
    if (const HRESULT hr = capture_->CreateCaptureBuffer(&desc, &captureBuffer_, nullptr); FAILED(hr))
        return steps_.Fail("Can't create DirectSoundCapture Buffer", hr);
    return steps_.NotifyBlocks(captureBuffer_, "Query DirectSoundCapture Notify failed");
}

void TDSProcessor::Release() {
    if (HandedOff([this] { Release(); })) return;
    TSndControlHold hold(Control);
    FireBeforeStop();
    Stop();
    StopEventsThread();
    steps_.ReleaseNotify();
    if (captureBuffer_) captureBuffer_->Release();
    captureBuffer_ = nullptr;
    if (capture_) capture_->Release();
    capture_ = nullptr;
    if (output_) output_->Release();
    output_ = nullptr;
    if (ds_) ds_->Release();
    ds_ = nullptr;
}

void TDSProcessor::Start() {
    if (HandedOff([this] { Start(); })) return;
    TSndControlHold hold(Control);
    if (!captureBuffer_ || !output_) return;
    if (UseEffects()) EffectsInit();
    {
        std::lock_guard placing(placementLock_);
        placement_.Reset(BufferSize(), BuffersCount());
        waiting_ = {};
    }
    DrainBlockEvents();
    if (const HRESULT hr = captureBuffer_->Start(DSCBSTART_LOOPING); FAILED(hr)) {
        steps_.SetLastResult(hr);
        SwitchLocked(false);
        ShowError("Start capture failed");
        return;
    }
    output_->SetCurrentPosition(0);
    if (const HRESULT hr = output_->Play(0, 0, DSBPLAY_LOOPING); FAILED(hr)) {
        steps_.SetLastResult(hr);
        SwitchLocked(false);
        ShowError("Play failed");
    }
}

void TDSProcessor::Stop() {
    if (HandedOff([this] { Stop(); })) return;
    TSndControlHold hold(Control);
    if (captureBuffer_) captureBuffer_->Stop();
    if (output_) output_->Stop();
}

void TDSProcessor::SetPaused(bool) {}

void TDSProcessor::GetPosition(SND_POSITION*) {}

bool TDSProcessor::lockOutput(DWORD offset, void** parts, DWORD* lengths) {
    const auto size = static_cast<DWORD>(BufferSize());
    HRESULT hr = output_->Lock(offset, size, &parts[0], &lengths[0], &parts[1], &lengths[1], 0);
    if (hr == DSERR_BUFFERLOST) {
        output_->Restore();
        hr = output_->Lock(offset, size, &parts[0], &lengths[0], &parts[1], &lengths[1], 0);
    }
    return SUCCEEDED(hr);
}

void TDSProcessor::copyCaptured(int captured, void* const* out, const DWORD* outLengths) {
    void* in[2] = {};
    DWORD inLengths[2] = {};
    const auto size = static_cast<DWORD>(BufferSize());
    if (FAILED(captureBuffer_->Lock(static_cast<DWORD>(captured) * size, size, &in[0], &inLengths[0], &in[1],
                                    &inLengths[1], 0)))
        return;
    // The block as it stands, then the captured sound over its first part: both regions are
    // whole blocks at block boundaries, one part each, of one length.
    const auto* first = static_cast<const BYTE*>(out[0]);
    block_.assign(first, first + outLengths[0]);
    if (out[1])
        block_.insert(block_.end(), static_cast<const BYTE*>(out[1]),
                      static_cast<const BYTE*>(out[1]) + outLengths[1]);
    std::memcpy(block_.data(), in[0], std::min(outLengths[0], inLengths[0]));
    captureBuffer_->Unlock(in[0], inLengths[0], in[1], inLengths[1]);
    FireProc(block_.data(), outLengths[0]);
    if (UseEffects())
        EffectsProcess(block_.data(), outLengths[0], out[1] ? block_.data() + outLengths[0] : nullptr,
                       outLengths[1]);
    std::lock_guard writing(outputBlocksLock_);
    std::memcpy(out[0], block_.data(), outLengths[0]);
    if (out[1]) std::memcpy(out[1], block_.data() + outLengths[0], outLengths[1]);
}

void TDSProcessor::writeCaptured(int captured, int target) {
    void* out[2] = {};
    DWORD outLengths[2] = {};
    if (!lockOutput(static_cast<DWORD>(target * BufferSize()), out, outLengths)) return;
    copyCaptured(captured, out, outLengths);
    output_->Unlock(out[0], outLengths[0], out[1], outLengths[1]);
}

void TDSProcessor::Process(int block) {
    if (!output_) return;
    const int captured = (block - 1) & BuffersCountMask();
    TDSDuplexCursors cursors;
    if (FAILED(output_->GetCurrentPosition(&cursors.play, nullptr)) ||
        FAILED(captureBuffer_->GetCurrentPosition(&cursors.capture, nullptr))) {
        writeCaptured(captured, (captured + BufferOffset() + 2) & BuffersCountMask());
        return;
    }
    // The blocks are written after the placement lock is let go: writing fires the OnProc
    // handler, which may call the engine back (GetCurrentBuffer takes Control), while Start
    // takes this lock under Control.
    struct Write {
        int captured = -1;
        int block = -1;
    } writes[2];
    {
        std::lock_guard placing(placementLock_);
        // The block that waited for the cursor to leave its place is still in the capture ring.
        if (waiting_.block >= 0 && !placement_.Sounding(waiting_.block, cursors.play))
            writes[0] = {waitingCaptured_, waiting_.block};
        const TDSDuplexPlace place = placement_.Place(captured, BufferOffset(), cursors);
        waiting_ = place.waits ? place : TDSDuplexPlace{};
        waitingCaptured_ = captured;
        if (place.block >= 0 && !place.waits) writes[1] = {captured, place.block};
    }
    for (const Write& write : writes)
        if (write.block >= 0) writeCaptured(write.captured, write.block);
}

void TDSProcessor::GetCurrentBuffer(short* L, short* R, int count) {
    TSndControlHold hold(Control);
    if (count <= 0) return;
    // The buffers hold the capture format, whatever the primary buffer was asked for.
    const auto bytes = static_cast<DWORD>(count) * WorkingFormat.nBlockAlign;
    void* parts[2] = {};
    DWORD lengths[2] = {};
    const bool fromOutput = GetOutputBuffer();
    bool locked = false;
    if (fromOutput) {
        DWORD play = 0;
        locked = output_ && SUCCEEDED(output_->GetCurrentPosition(&play, nullptr)) &&
                 SUCCEEDED(output_->Lock(play, bytes, &parts[0], &lengths[0], &parts[1], &lengths[1], 0));
    } else {
        DWORD read = 0;
        locked = captureBuffer_ && SUCCEEDED(captureBuffer_->GetCurrentPosition(nullptr, &read)) &&
                 SUCCEEDED(captureBuffer_->Lock((read - bytes) & static_cast<DWORD>(BuffersSizeMask()), bytes,
                                                &parts[0], &lengths[0], &parts[1], &lengths[1], 0));
    }
    if (!locked) {
        SilenceFrames(WorkingFormat, L, R, count);
        return;
    }
    if (fromOutput) {
        {
            std::lock_guard reading(outputBlocksLock_);
            SplitFrames(WorkingFormat, L, R, parts[0], lengths[0], parts[1], lengths[1]);
        }
        output_->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
    } else {
        SplitFrames(WorkingFormat, L, R, parts[0], lengths[0], parts[1], lengths[1]);
        captureBuffer_->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
    }
}

void TDSProcessor::ShowError(const char* text) {
    steps_.ShowMessage(text);
}

HRESULT TDSProcessor::LastResult() const {
    TSndControlHold hold(Control);
    return steps_.LastResult();
}
