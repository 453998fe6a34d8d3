#include "sound/Plug_DSC.h"

#include <cstdio>
#include <cstring>

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

bool TDSCapturePlug::Process(unsigned char* data, unsigned long len) {
    TDSCaptureRing ring;
    withCapture([&](TDSCapture& capture) { ring = capture.Ring(); });
    if (!ring.buffer) {
        silence(data, len);
        return false;
    }
    const auto block = static_cast<std::uint64_t>(ring.blockSize);
    const std::uint64_t ringBytes = block * static_cast<std::uint64_t>(ring.blocksMask + 1);
    const std::uint64_t captured = ring.blocksDone * block;
    // The block before the newest one, where the copying starts and starts again when the
    // reader has fallen so far behind that the device is writing over what it would read.
    const std::uint64_t start = captured >= 2 * block ? captured - 2 * block : 0;
    const std::uint64_t oldest = captured + block > ringBytes ? captured + block - ringBytes : 0;
    if (!reading_ || ring.session != session_ || readFrom_ < oldest) {
        reading_ = true;
        session_ = ring.session;
        readFrom_ = start;
    }
    // Two devices never ask at exactly the same pace: the newest block stays back, and a
    // request that finds nothing new gets silence rather than the old sound again.
    if (readFrom_ + len + block > captured) {
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
