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
    std::uint64_t captured = 0;
    GetCaptureCount(captureBuffer_, &captured);
    {
        std::lock_guard placing(placementLock_);
        placement_.Reset(BufferSize(), BuffersCount());
        waiting_ = {};
        lastCaptured_ = captured;
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

// Takes the captured block into block_. The capture may have come round to it again since it
// ended: what it wrote there belongs a turn later and is silence here; when nothing of the
// block is left, false.
bool TDSProcessor::copyCaptured(const Write& write) {
    void* in[2] = {};
    DWORD inLengths[2] = {};
    const auto size = static_cast<DWORD>(BufferSize());
    if (FAILED(captureBuffer_->Lock(static_cast<DWORD>(write.captured) * size, size, &in[0], &inLengths[0],
                                    &in[1], &inLengths[1], 0)))
        return false;
    const auto* first = static_cast<const BYTE*>(in[0]);
    block_.assign(first, first + inLengths[0]);
    if (in[1])
        block_.insert(block_.end(), static_cast<const BYTE*>(in[1]),
                      static_cast<const BYTE*>(in[1]) + inLengths[1]);
    // Counted with the block locked, the capture has not written into it since.
    std::uint64_t captured = 0;
    const bool counted = SUCCEEDED(GetCaptureCount(captureBuffer_, &captured));
    captureBuffer_->Unlock(in[0], inLengths[0], in[1], inLengths[1]);
    const std::uint64_t over =
        CapturedOver(write.capturedEnd, captured, size, static_cast<DWORD>(BuffersSize()));
    if (!counted || over >= block_.size()) return false;
    std::fill_n(block_.begin(), over, WorkingFormat.wBitsPerSample == 8 ? BYTE{0x80} : BYTE{0});
    return true;
}

// Writes the processed block into the locked output block, all but what the play cursor has
// passed: written there, it would sound a turn late.
void TDSProcessor::writeOutput(const Write& write, void* const* parts, const DWORD* lengths) {
    std::uint64_t played = 0;
    if (FAILED(GetPlayCount(output_, &played))) return;
    const std::uint64_t from = played > write.sounds ? played - write.sounds : 0;
    std::uint64_t at = 0;
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t begin = std::max(from, at);
        const std::uint64_t end = std::min<std::uint64_t>(at + lengths[i], block_.size());
        if (parts[i] && begin < end)
            std::memcpy(static_cast<BYTE*>(parts[i]) + (begin - at), block_.data() + begin, end - begin);
        at += lengths[i];
    }
}

void TDSProcessor::writeCaptured(const Write& write) {
    void* out[2] = {};
    DWORD outLengths[2] = {};
    if (!lockOutput(static_cast<DWORD>(write.block * BufferSize()), out, outLengths)) return;
    if (copyCaptured(write)) {
        FireProc(block_.data(), static_cast<DWORD>(block_.size()));
        if (UseEffects()) EffectsProcess(block_.data(), static_cast<DWORD>(block_.size()), nullptr, 0);
        writeOutput(write, out, outLengths);
    }
    output_->Unlock(out[0], outLengths[0], out[1], outLengths[1]);
}

void TDSProcessor::Process(int block) {
    // Without both cursors no block can be told on time: it is not copied, and its output
    // block stays silent.
    TDSDuplexCursors cursors;
    if (!output_ || FAILED(GetPlayCount(output_, &cursors.play)) ||
        FAILED(GetCaptureCount(captureBuffer_, &cursors.capture)))
        return;
    const int captured = (block - 1) & BuffersCountMask();
    const std::uint64_t end = CapturedBlockEnd(captured, cursors.capture, static_cast<DWORD>(BufferSize()),
                                               static_cast<DWORD>(BuffersSize()));
    // The blocks are written after the placement lock is let go: writing fires the OnProc
    // handler, which may call the engine back (GetCurrentBuffer takes Control), while Start
    // takes this lock under Control.
    Write writes[2];
    {
        std::lock_guard placing(placementLock_);
        // The block that waited for the cursor to leave its place is still in the capture ring.
        if (waiting_.block >= 0 && placement_.Free(waiting_.sounds, cursors.play)) writes[0] = waiting_;
        waiting_ = {};
        // Each turn of a capture block is taken once: an event a turn late finds the turn
        // after it there, and one seen before (or older) is not taken again.
        if (end > lastCaptured_) {
            lastCaptured_ = end;
            const TDSDuplexPlace place = placement_.Place(end, BufferOffset(), cursors);
            (place.waits ? waiting_ : writes[1]) = {captured, place.block, end, place.sounds};
        }
    }
    for (const Write& write : writes)
        if (write.block >= 0) writeCaptured(write);
}

void TDSProcessor::GetCurrentBuffer(short* L, short* R, int count) {
    TSndControlHold hold(Control);
    if (count <= 0) return;
    // The buffers hold the capture format, whatever the primary buffer was asked for.
    if (GetOutputBuffer()) {
        const auto bytes = static_cast<DWORD>(count) * WorkingFormat.nBlockAlign;
        // Read as the device hears it, without locking: a locked frame would sound as silence.
        std::vector<BYTE> heard(bytes);
        DWORD play = 0;
        if (output_ && SUCCEEDED(output_->GetCurrentPosition(&play, nullptr)) &&
            SUCCEEDED(ReadSoundBuffer(output_, play, bytes, heard.data())))
            SplitFrames(WorkingFormat, L, R, heard.data(), bytes, nullptr, 0);
        else
            SilenceFrames(WorkingFormat, L, R, count);
        return;
    }
    ReadLatestCapture(captureBuffer_, static_cast<DWORD>(BuffersSizeMask()), WorkingFormat, L, R, count);
}

void TDSProcessor::ShowError(const char* text) {
    steps_.ShowMessage(text);
}

HRESULT TDSProcessor::LastResult() const {
    TSndControlHold hold(Control);
    return steps_.LastResult();
}
