#include "sound/Plug_DSC.h"

#include "platform/framework/Published.h"
#include "sound/ThEvent.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

const bool capturePlugPublished =
    RegisterPublishedClass("TDSCapturePlug", "TSndPlayPlug",
                           {Property("DSCapture", ClassType("TDSCapture"), &TDSCapturePlug::DSCapture,
                                     &TDSCapturePlug::SetDSCapture)});

} // namespace

TDSCapturePlug::TDSCapturePlug(TComponent* owner) : TSndPlayPlug(owner) {
    FileName = CaptureFileName;
}

TDSCapturePlug::~TDSCapturePlug() {
    Withdraw();
    Release();
    SetDSCapture(nullptr);
}

void TDSCapturePlug::SetDSCapture(TDSCapture* capture) {
    TDSCapture* old = capture_.exchange(capture);
    if (old == capture) return;
    if (old) RemoveFreeNotification(old);
    if (capture) FreeNotification(capture);
    std::lock_guard guard(linkLock_);
    link_ = capture ? capture->Link() : nullptr;
}

std::shared_ptr<TDSCaptureLink> TDSCapturePlug::link() const {
    std::lock_guard guard(linkLock_);
    return link_;
}

void TDSCapturePlug::Notification(TComponent* component, TOperation operation) {
    TSndPlayPlug::Notification(component, operation);
    if (operation != opRemove || component != capture_.load()) return;
    capture_.store(nullptr);
    std::lock_guard guard(linkLock_);
    link_.reset();
}

void TDSCapturePlug::giveFormat(TDSCapture& capture) const {
    capture.SetSamplesPerSec(Format.nSamplesPerSec);
    capture.SetBitsPerSample(Format.wBitsPerSample);
    capture.SetChannels(Format.nChannels);
}

void TDSCapturePlug::SetChannels(unsigned short channels) {
    TSndPlayPlug::SetChannels(channels);
    withCapture([&](TDSCapture& capture) { capture.SetChannels(channels); });
}

void TDSCapturePlug::SetBitsPerSample(unsigned short bits) {
    TSndPlayPlug::SetBitsPerSample(bits);
    withCapture([&](TDSCapture& capture) { capture.SetBitsPerSample(bits); });
}

void TDSCapturePlug::SetSamplesPerSec(unsigned long rate) {
    TSndPlayPlug::SetSamplesPerSec(rate);
    withCapture([&](TDSCapture& capture) { capture.SetSamplesPerSec(rate); });
}

std::string TDSCapturePlug::GetSupportTypes() {
    return "DirectSound Capture Emulation";
}

bool TDSCapturePlug::Init() {
    if (FileName != CaptureFileName) return false;
    reading_ = false;
    return withCapture([&](TDSCapture& capture) {
        capture.SetActive(false);
        giveFormat(capture);
        capture.SetActive(true);
    });
}

void TDSCapturePlug::Reset() {
    reading_ = false;
    withCapture([&](TDSCapture& capture) {
        const bool wasActive = capture.Active();
        capture.SetActive(false);
        giveFormat(capture);
        capture.SetActive(wasActive);
    });
}

void TDSCapturePlug::Release() {
    withCapture([](TDSCapture& capture) { capture.SetActive(false); });
}

void TDSCapturePlug::silence(unsigned char* data, unsigned long len) const {
    std::memset(data, Format.wBitsPerSample == 8 ? 0x80 : 0, len);
}

TDSCaptureRing TDSCapturePlug::captureRing() const {
    TDSCaptureRing ring;
    withCapture([&](TDSCapture& capture) { ring = capture.Ring(); });
    return ring;
}

// How far the capture has come in this session, from its cursor: it moves on while the
// capture engine's own thread may be held up.
std::uint64_t TDSCapturePlug::capturedBytes(const TDSCaptureRing& ring) {
    const auto block = static_cast<std::uint64_t>(ring.blockSize);
    const std::uint64_t ringBytes = block * static_cast<std::uint64_t>(ring.blocksMask + 1);
    DWORD cursor = 0;
    if (FAILED(ring.buffer->GetCurrentPosition(&cursor, nullptr))) return captured_;
    // The engine has counted what it handed out; a reader that was not asked for a turn of
    // the ring would otherwise lose the count of one.
    const std::uint64_t counted = ring.blocksDone * block;
    const std::uint64_t from = std::max(captured_, counted);
    captured_ = from + (cursor + ringBytes - from % ringBytes) % ringBytes;
    return captured_;
}

// Polls the capture cursor until the stream reaches wanted or a block's time has passed;
// ring is the capture's as last seen.
std::uint64_t TDSCapturePlug::awaitCaptured(std::uint64_t wanted, TDSCaptureRing& ring) {
    using Clock = std::chrono::steady_clock;
    const DWORD rate = ring.format.nAvgBytesPerSec ? ring.format.nAvgBytesPerSec : 1;
    const Clock::time_point due =
        Clock::now() + std::chrono::microseconds((wanted - readFrom_) * 1000000 / rate);
    std::uint64_t captured = captured_;
    while (captured < wanted && Clock::now() < due) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ring = captureRing();
        if (!ring.buffer || ring.session != session_) break;
        captured = capturedBytes(ring);
    }
    return captured;
}

bool TDSCapturePlug::Process(unsigned char* data, unsigned long len) {
    TDSCaptureRing ring = captureRing();
    if (!ring.buffer) {
        silence(data, len);
        return false;
    }
    const auto block = static_cast<std::uint64_t>(ring.blockSize);
    const std::uint64_t ringBytes = block * static_cast<std::uint64_t>(ring.blocksMask + 1);
    if (!reading_ || ring.session != session_) {
        reading_ = true;
        session_ = ring.session;
        captured_ = 0;
        // A block behind the newest sound: room for the capture to come a little late.
        const std::uint64_t captured = capturedBytes(ring);
        readFrom_ = captured > len + block ? captured - len - block : 0;
    }
    std::uint64_t captured = capturedBytes(ring);
    // Asked for on time, a block the capture has not finished is waited for, up to the
    // length of the block: silence in its place would put everything after it later for good.
    if (readFrom_ + len > captured && TSndEventsThread::Current()) {
        captured = awaitCaptured(readFrom_ + len, ring);
        if (!ring.buffer) {
            silence(data, len);
            return false;
        }
        if (ring.session != session_) {
            silence(data, len);
            return true;
        }
    }
    // What the capture has written over is lost; the reader goes on with the oldest sound
    // the ring still holds, a block clear of the cursor.
    const std::uint64_t oldest = captured + block > ringBytes ? captured + block - ringBytes : 0;
    if (readFrom_ < oldest) readFrom_ = oldest;
    if (readFrom_ + len > captured) {
        silence(data, len);
        return true;
    }
    void* parts[2] = {};
    DWORD lengths[2] = {};
    if (FAILED(ring.buffer->Lock(static_cast<DWORD>(readFrom_ % ringBytes), static_cast<DWORD>(len),
                                 &parts[0], &lengths[0], &parts[1], &lengths[1], 0))) {
        silence(data, len);
        return true;
    }
    if (parts[0]) std::memcpy(data, parts[0], lengths[0]);
    if (parts[1]) std::memcpy(data + lengths[0], parts[1], lengths[1]);
    ring.buffer->Unlock(parts[0], lengths[0], parts[1], lengths[1]);
    readFrom_ += len;
    return true;
}

void TDSCapturePlug::GetPosition(SND_POSITION* position) {
    position->dwLength = 0;
    position->dwPosition = 0;
    position->dwUnitsPerSec = Format.nAvgBytesPerSec;
    TDSCaptureRing ring;
    withCapture([&](TDSCapture& capture) {
        ring = capture.Ring();
        position->dwLength = static_cast<DWORD>(capture.BuffersSize());
    });
    if (!ring.buffer) return;
    // Positions are byte offsets in the ring, so its units are the capture format's bytes.
    position->dwUnitsPerSec = ring.format.nAvgBytesPerSec;
    DWORD read = 0;
    if (SUCCEEDED(ring.buffer->GetCurrentPosition(nullptr, &read))) position->dwPosition = read;
}

void TDSCapturePlug::SetPosition(SND_POSITION*) {}

bool TDSCapturePlug::GetFileInfo(const std::string&, SND_FILE_INFO* info) {
    info->szSize[0] = 0;
    info->szTime[0] = 0;
    info->szTitle[0] = 0;
    std::snprintf(info->szShortFormat, sizeof info->szShortFormat, "%s", "DirectSound Capture");
    std::snprintf(info->szFormat, sizeof info->szFormat, "%s", "DirectSound Capture");
    return true;
}
