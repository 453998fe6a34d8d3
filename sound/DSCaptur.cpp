#include "sound/DSCaptur.h"

#include "platform/framework/Published.h"

#include <algorithm>
#include <cstring>

namespace {

// Publishes the engine base's properties only.
const bool capturePublished = RegisterPublishedClass("TDSCapture", "TSndEngine", {});

} // namespace

void SplitFrames(const WAVEFORMATEX& format, short* L, short* R, const void* first, DWORD firstLen,
                 const void* second, DWORD secondLen) {
    const auto* a = static_cast<const BYTE*>(first);
    const auto* b = static_cast<const BYTE*>(second);
    const bool stereo = format.nChannels == 2;
    if (format.wBitsPerSample == 16)
        stereo ? TSndEngine::GetBuf16Stereo(L, R, a, firstLen, b, secondLen)
               : TSndEngine::GetBuf16Mono(L, a, firstLen, b, secondLen);
    else
        stereo ? TSndEngine::GetBuf8Stereo(L, R, a, firstLen, b, secondLen)
               : TSndEngine::GetBuf8Mono(L, a, firstLen, b, secondLen);
}

void SilenceFrames(const WAVEFORMATEX& format, short* L, short* R, int count) {
    std::fill(L, L + count, short{0});
    if (format.nChannels == 2 && R) std::fill(R, R + count, short{0});
}

void ReadLatestCapture(IDirectSoundCaptureBuffer* buffer, DWORD ringMask, const WAVEFORMATEX& format, short* L,
                       short* R, int count) {
    const auto bytes = static_cast<DWORD>(count) * format.nBlockAlign;
    void* parts[2] = {};
    DWORD lengths[2] = {};
    DWORD read = 0;
    if (!buffer || FAILED(buffer->GetCurrentPosition(nullptr, &read)) ||
        FAILED(buffer->Lock((read - bytes) & ringMask, bytes, &parts[0], &lengths[0], &parts[1], &lengths[1], 0))) {
        SilenceFrames(format, L, R, count);
        return;
    }
    SplitFrames(format, L, R, parts[0], lengths[0], parts[1], lengths[1]);
    buffer->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
}

std::uint64_t CapturedBlockEnd(int block, std::uint64_t captured, DWORD blockSize, DWORD ringSize) {
    const std::uint64_t end = (static_cast<std::uint64_t>(block) + 1) * blockSize % ringSize;
    const std::uint64_t since = (captured % ringSize + ringSize - end) % ringSize;
    return since + blockSize <= captured ? captured - since : 0;
}

std::uint64_t CapturedOver(std::uint64_t end, std::uint64_t captured, DWORD blockSize, DWORD ringSize) {
    const std::uint64_t turnAfter = end - blockSize + ringSize;
    return captured > turnAfter ? captured - turnAfter : 0;
}

TDSCapture::TDSCapture(TComponent* owner) : TSndEngine(owner) {
    FixInitBuffer();
}

TDSCapture::~TDSCapture() {
    link_->Cut();
    SwitchOffForGood();
    WaitForStopThreads();
}

void TDSCapture::InitBuffer() {
    CreateBlockEvents("TDSCapture: Can't create event");
    steps_.MapBlockEvents();
}

void TDSCapture::SwitchLocked(bool active) {
    SwitchDevice(
        active, [this] { return switchOn(); }, [this] { Release(); });
}

bool TDSCapture::switchOn() {
    Release();
    WorkingFormat = RequestedFormat;
    const HRESULT created = DirectSoundCaptureCreate(device_ ? &*device_ : nullptr, &capture_, nullptr);
    if (FAILED(created))
        return steps_.Report(
            "Can't create a DirectSoundCapture object: device is busy or the DirectSoundCapture "
            "subsystem (DirectX 5 or better) is not properly installed",
            created);
    DSCBUFFERDESC desc;
    desc.dwFlags = DSCBCAPS_WAVEMAPPED;
    desc.dwBufferBytes = static_cast<DWORD>(BuffersSize());
    desc.lpwfxFormat = &RequestedFormat;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    if (const HRESULT hr = capture_->CreateCaptureBuffer(&desc, &buffer, nullptr); FAILED(hr))
        return steps_.Fail("Can't create DirectSound Capture Buffer", hr);
    {
        std::lock_guard ring(ringLock_);
        buffer_ = buffer;
        currentBlock_ = 0;
        ringBlockSize_ = BufferSize();
        ringBlocksMask_ = BuffersCountMask();
        ringFormat_ = RequestedFormat;
    }
    if (!steps_.NotifyBlocks(buffer_, "Query DirectSoundCapture Notify failed")) return false;
    if (!StartEventsThread()) return steps_.Fail("Can't create thread", DS_OK);
    SetActiveFlag(true);
    Start();
    return true;
}

void TDSCapture::Release() {
    if (HandedOff([this] { Release(); })) return;
    TSndControlHold hold(Control);
    FireBeforeStop();
    Stop();
    StopEventsThread();
    steps_.ReleaseNotify();
    IDirectSoundCaptureBuffer* buffer = nullptr;
    {
        std::lock_guard ring(ringLock_);
        std::swap(buffer, buffer_);
    }
    if (buffer) buffer->Release();
    if (capture_) capture_->Release();
    capture_ = nullptr;
}

void TDSCapture::Start() {
    if (HandedOff([this] { Start(); })) return;
    TSndControlHold hold(Control);
    if (!Active()) return;
    Stop();
    {
        std::lock_guard ring(ringLock_);
        currentBlock_ = 0;
        blocksDone_ = 0;
        ++session_;
    }
    lastHandedOut_ = BuffersCountMask();
    std::uint64_t captured = 0;
    GetCaptureCount(buffer_, &captured);
    lastHandedEnd_ = captured;
    DrainBlockEvents();
    if (const HRESULT hr = buffer_->Start(DSCBSTART_LOOPING); FAILED(hr)) {
        steps_.SetLastResult(hr);
        SwitchLocked(false);
        ShowError("Start capture failed");
    }
}

void TDSCapture::Stop() {
    if (HandedOff([this] { Stop(); })) return;
    TSndControlHold hold(Control);
    if (buffer_) buffer_->Stop();
}

void TDSCapture::Process(int block) {
    if (!buffer_) return;
    const int mask = BuffersCountMask();
    const int completed = (block - 1) & mask;
    DWORD position = 0;
    if (FAILED(buffer_->GetCurrentPosition(&position, nullptr))) {
        handOut(completed);
        return;
    }
    const auto size = static_cast<DWORD>(BufferSize());
    // The block the cursor left last, and the oldest one it has not begun to write over.
    const int lastComplete = (static_cast<int>(position / size) - 1) & mask;
    const int oldestIntact = static_cast<int>((position + size - 1) / size) & mask;
    // The cursor has entered this block again since the one before it was handed out: the
    // ring was captured over while a handler held the thread, and the notifications still
    // waiting are a turn old. What is intact goes out oldest first; what the device wrote
    // over is lost.
    if (WaitForSingleObject(Events()[completed], 0) == WAIT_OBJECT_0) {
        DrainBlockEvents();
        for (int b = oldestIntact;; b = (b + 1) & mask) {
            handOut(b);
            if (b == lastComplete) break;
        }
        return;
    }
    // Only a block completed after the last one handed out is new.
    const int last = lastHandedOut_.load();
    const int ahead = (completed - last) & mask;
    if (ahead == 0 || ahead > ((lastComplete - last) & mask)) return;
    handOut(completed);
}

// The block is copied out before the handler sees it: a handler that holds on to it for
// longer than the ring never keeps the device from writing there, and the block never comes
// out again a turn later with what it held before.
void TDSCapture::handOut(int index) {
    lastHandedOut_ = index;
    {
        std::lock_guard ring(ringLock_);
        currentBlock_ = index;
        ++blocksDone_;
    }
    if (!OnProc()) return;
    void* parts[2] = {};
    DWORD lengths[2] = {};
    const auto size = static_cast<DWORD>(BufferSize());
    if (FAILED(buffer_->Lock(static_cast<DWORD>(index) * size, size, &parts[0], &lengths[0], &parts[1],
                             &lengths[1], 0)))
        return;
    handedOut_.resize(size);
    std::memcpy(handedOut_.data(), parts[0], lengths[0]);
    if (parts[1]) std::memcpy(handedOut_.data() + lengths[0], parts[1], lengths[1]);
    // Counted with the block locked, the capture has not written into it since.
    std::uint64_t captured = 0;
    const bool counted = SUCCEEDED(GetCaptureCount(buffer_, &captured));
    buffer_->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
    if (counted && !takeLatestTurn(index, captured)) return;
    FireProc(handedOut_.data(), lengths[0] + lengths[1]);
}

// A capture that came round faster than the blocks were handed out (a device that delivers
// seconds at once) leaves in each block its latest turn, and at the start of the block the
// cursor is in again the beginning of the turn after. That beginning is silence here, and a
// turn no later than one handed out before does not go out again: the recording never
// sounds a stretch twice nor goes back a turn.
bool TDSCapture::takeLatestTurn(int index, std::uint64_t captured) {
    const auto size = static_cast<DWORD>(BufferSize());
    const auto ring = static_cast<DWORD>(BuffersSize());
    const std::uint64_t end = CapturedBlockEnd(index, captured, size, ring);
    if (end <= lastHandedEnd_) return false;
    lastHandedEnd_ = end;
    const auto over = static_cast<std::ptrdiff_t>(CapturedOver(end, captured, size, ring));
    std::fill_n(handedOut_.begin(), over, RequestedFormat.wBitsPerSample == 8 ? BYTE{0x80} : BYTE{0});
    return true;
}

void TDSCapture::GetCurrentBuffer(short* L, short* R, int count) {
    TSndControlHold hold(Control);
    if (count <= 0) return;
    ReadLatestCapture(buffer_, static_cast<DWORD>(BuffersSizeMask()), RequestedFormat, L, R, count);
}

void TDSCapture::SetChannels(unsigned short channels) {
    SetFormatField(RequestedFormat, &WAVEFORMATEX::nChannels, channels);
}

void TDSCapture::SetBitsPerSample(unsigned short bits) {
    SetFormatField(RequestedFormat, &WAVEFORMATEX::wBitsPerSample, bits);
}

void TDSCapture::SetSamplesPerSec(unsigned long rate) {
    SetFormatField(RequestedFormat, &WAVEFORMATEX::nSamplesPerSec, rate);
}

void TDSCapture::SetpID(const GUID* device) {
    ChangeDevice(device_, device);
}

std::optional<GUID> TDSCapture::Device() const {
    TSndControlHold hold(Control);
    return device_;
}

void TDSCapture::ShowError(const char* text) {
    steps_.ShowMessage(text);
}

int TDSCapture::CurrentBlock() const {
    std::lock_guard ring(ringLock_);
    return currentBlock_;
}

HRESULT TDSCapture::LastResult() const {
    TSndControlHold hold(Control);
    return steps_.LastResult();
}

TDSCaptureRing TDSCapture::Ring() const {
    std::lock_guard ring(ringLock_);
    TDSCaptureRing view;
    if (!buffer_) return view;
    view.session = session_;
    view.blocksDone = blocksDone_;
    buffer_->AddRef();
    view.buffer.reset(buffer_, [](IDirectSoundCaptureBuffer* held) { held->Release(); });
    view.blockSize = ringBlockSize_;
    view.blocksMask = ringBlocksMask_;
    view.currentBlock = currentBlock_;
    view.format = ringFormat_;
    return view;
}
