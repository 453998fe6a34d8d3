// Capture objects: one device stream per capture device feeds every capturing buffer on it,
// each converted to its own format with the same exact phase stepping the mixer uses.
#include "platform/dsound/Capture.h"

#include "platform/dsound/Faults.h"
#include "platform/dsound/ReleaseTrace.h"
#include "platform/dsound/SoundBuffer.h"

#include <algorithm>
#include <cstring>
#include <map>

bool ResolveCaptureDevice(const GUID* guid, std::string& id);

namespace {

std::atomic<int> liveCaptureObjects{0};

// One buffer's capturing state. Everything but the constants is guarded by its device's lock.
struct CaptureState {
    WAVEFORMATEX format;
    DWORD flags = 0;
    DWORD size = 0;
    std::vector<BYTE> bytes;
    bool capturing = false;
    bool looping = false;
    DWORD position = 0;      // capture cursor in bytes
    std::uint64_t turns = 0; // times the capture cursor wrapped round
    std::uint32_t phase = 0; // resampling phase, in units of 1/device rate of a buffer frame
    std::vector<DSBPOSITIONNOTIFY> notifies;
    // Regions the owner has locked to read. The device does not write into them until they
    // are unlocked: a reader that falls a whole ring behind loses those frames instead of
    // reading bytes while they change.
    LockedRegions locked;
};

class CaptureDevice {
public:
    // The device of that backend id ("" = default), opened on first use and shared by every
    // capture object on it.
    static HRESULT Acquire(const std::string& id, std::shared_ptr<CaptureDevice>& device);
    static std::vector<std::shared_ptr<CaptureDevice>> Live();

    explicit CaptureDevice(std::string id) : id_(std::move(id)) {}
    ~CaptureDevice() {
        // Closing waits for a running callback, which still uses the lock and the states.
        if (stream_) stream_->close();
    }
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    std::mutex& lock() { return lock_; }
    const std::string& id() const { return id_; }
    void add(CaptureState* state) {
        std::lock_guard guard(lock_);
        states_.push_back(state);
    }
    void remove(CaptureState* state) {
        std::lock_guard guard(lock_);
        states_.erase(std::remove(states_.begin(), states_.end(), state), states_.end());
    }
    template <class Visit> void eachState(Visit visit) {
        std::lock_guard guard(lock_);
        for (CaptureState* s : states_)
            visit(*s);
    }
    static void stopLocked(CaptureState& s, std::vector<HANDLE>& fire) {
        if (!s.capturing) return;
        s.capturing = false;
        for (const auto& n : s.notifies)
            if (n.dwOffset == DSBPN_OFFSETSTOP) fire.push_back(n.hEventNotify);
    }

private:
    bool open() {
        DeviceFormat wanted;
        stream_ = CurrentAudioBackend().openCapture(
            id_, wanted, format_, [this](const std::int16_t* in, int frames) { feed(in, frames); });
        return stream_ != nullptr;
    }

    void feed(const std::int16_t* in, int frames) {
        std::vector<HANDLE> fire;
        {
            std::lock_guard guard(lock_);
            for (CaptureState* s : states_)
                if (s->capturing) feedOne(*s, in, frames, fire);
        }
        for (HANDLE h : fire)
            SetEvent(h);
    }

    void writeFrame(CaptureState& s, const std::int16_t* in) const {
        const DWORD end = s.position + s.format.nBlockAlign;
        if (!s.locked.Empty() && s.locked.Locked(s.position, end)) {
            s.locked.Passed(s.position, end);
            return;
        }
        const int left = in[0];
        const int right = format_.channels == 2 ? in[1] : in[0];
        const int values[2] = {s.format.nChannels == 2 ? left : (left + right) / 2, right};
        BYTE* out = s.bytes.data() + s.position;
        for (int c = 0; c < s.format.nChannels; ++c) {
            if (s.format.wBitsPerSample == 8) {
                out[c] = static_cast<BYTE>(((values[c] >> 8) + 128) & 0xFF);
            } else {
                const auto value = static_cast<std::int16_t>(values[c]);
                std::memcpy(out + 2 * c, &value, 2);
            }
        }
    }

    // A notification fires when the capture cursor reaches its offset: the bytes before it
    // are then captured. Offset 0 is reached when the cursor wraps from the end.
    static void collectReached(const CaptureState& s, DWORD from, DWORD to, std::vector<HANDLE>& fire) {
        for (const auto& n : s.notifies) {
            if (n.dwOffset == DSBPN_OFFSETSTOP) continue;
            const DWORD target = n.dwOffset == 0 ? s.size : n.dwOffset;
            if (target > from && target <= to) fire.push_back(n.hEventNotify);
        }
    }

    void feedOne(CaptureState& s, const std::int16_t* in, int frames, std::vector<HANDLE>& fire) const {
        const DWORD align = s.format.nBlockAlign;
        const auto deviceRate = static_cast<std::uint32_t>(format_.rate);
        for (int i = 0; i < frames && s.capturing; ++i) {
            s.phase += s.format.nSamplesPerSec;
            while (s.phase >= deviceRate && s.capturing) {
                s.phase -= deviceRate;
                writeFrame(s, in + static_cast<std::size_t>(i) * format_.channels);
                const DWORD before = s.position;
                s.position += align;
                const bool wrapped = s.position + align > s.size;
                collectReached(s, before, wrapped ? s.size : s.position, fire);
                if (wrapped) {
                    s.position = 0;
                    ++s.turns;
                    if (!s.looping) stopLocked(s, fire);
                }
            }
        }
    }

    std::string id_;
    DeviceFormat format_;
    std::unique_ptr<AudioStream> stream_;
    std::mutex lock_;
    std::vector<CaptureState*> states_; // guarded by lock_
};

std::mutex registryLock;
std::map<std::string, std::weak_ptr<CaptureDevice>>& registry() {
    static std::map<std::string, std::weak_ptr<CaptureDevice>> devices;
    return devices;
}

HRESULT CaptureDevice::Acquire(const std::string& id, std::shared_ptr<CaptureDevice>& device) {
    std::lock_guard guard(registryLock);
    auto& slot = registry()[id];
    device = slot.lock();
    if (device) return DS_OK;
    auto created = std::make_shared<CaptureDevice>(id);
    if (!created->open()) return DSERR_NODRIVER;
    slot = created;
    device = std::move(created);
    return DS_OK;
}

std::vector<std::shared_ptr<CaptureDevice>> CaptureDevice::Live() {
    std::lock_guard guard(registryLock);
    std::vector<std::shared_ptr<CaptureDevice>> devices;
    for (auto& [id, weak] : registry())
        if (auto device = weak.lock()) devices.push_back(device);
    return devices;
}

class CaptureBuffer;

class CaptureNotify final : public IDirectSoundNotify {
public:
    CaptureNotify(IDirectSoundCaptureBuffer* buffer, CaptureBuffer* target);
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override {
        const DWORD left = refs_.dropRef();
        if (left == 0) delete this;
        return left;
    }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override;

private:
    ~CaptureNotify() override {
        TraceFinalRelease("capture notify");
        buffer_->Release();
    }
    RefCounted refs_;
    IDirectSoundCaptureBuffer* buffer_;
    CaptureBuffer* target_;
};

class CaptureBuffer final : public IDirectSoundCaptureBuffer {
public:
    CaptureBuffer(std::shared_ptr<CaptureDevice> device, CaptureState state)
        : device_(std::move(device)), state_(std::move(state)) {
        device_->add(&state_);
    }
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override {
        const DWORD left = refs_.dropRef();
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetCurrentPosition(DWORD* capturePosition, DWORD* readPosition) override {
        if (HRESULT fault = TakeFault(DsOp::GetCurrentPosition)) return fault;
        std::lock_guard guard(device_->lock());
        if (capturePosition) *capturePosition = state_.position;
        if (readPosition) *readPosition = state_.position;
        return DS_OK;
    }
    HRESULT getCaptureCount(std::uint64_t* captured) {
        if (HRESULT fault = TakeFault(DsOp::GetCurrentPosition)) return fault;
        if (!captured) return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        *captured = state_.turns * state_.size + state_.position;
        return DS_OK;
    }
    HRESULT GetFormat(WAVEFORMATEX* format) override {
        if (!format) return DSERR_INVALIDPARAM;
        *format = state_.format;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD* status) override {
        if (HRESULT fault = TakeFault(DsOp::GetStatus)) return fault;
        if (!status) return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        *status = state_.capturing ? DSCBSTATUS_CAPTURING | (state_.looping ? DSCBSTATUS_LOOPING : 0) : 0;
        return DS_OK;
    }
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                 DWORD flags) override {
        if (HRESULT fault = TakeFault(DsOp::CaptureLock)) return fault;
        if (flags & DSCBLOCK_ENTIREBUFFER) bytes = state_.size;
        if (!part1 || !bytes1 || offset >= state_.size || bytes == 0 || bytes > state_.size)
            return DSERR_INVALIDPARAM;
        const DWORD first = std::min(bytes, state_.size - offset);
        const DWORD second = bytes - first;
        if (second > 0 && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        *part1 = state_.bytes.data() + offset;
        *bytes1 = first;
        if (part2) *part2 = second ? state_.bytes.data() : nullptr;
        if (bytes2) *bytes2 = second;
        state_.locked.Lock(offset, offset + first);
        if (second) state_.locked.Lock(0, second);
        return DS_OK;
    }
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override {
        const BYTE* base = state_.bytes.data();
        auto inside = [&](void* p, DWORD len) {
            const auto* b = static_cast<const BYTE*>(p);
            return !p || (b >= base && b + len <= base + state_.size);
        };
        if (!inside(part1, bytes1) || !inside(part2, bytes2)) return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        const BYTE silence = state_.format.wBitsPerSample == 8 ? 0x80 : 0;
        auto release = [&](void* p, DWORD len) {
            if (!p || len == 0) return;
            const auto start = static_cast<DWORD>(static_cast<const BYTE*>(p) - base);
            state_.locked.Unlock(start, start + len, state_.bytes, silence);
        };
        release(part1, bytes1);
        release(part2, bytes2);
        return DS_OK;
    }
    HRESULT Start(DWORD flags) override {
        if (HRESULT fault = TakeFault(DsOp::CaptureStart)) return fault;
        std::lock_guard guard(device_->lock());
        state_.capturing = true;
        state_.looping = (flags & DSCBSTART_LOOPING) != 0;
        return DS_OK;
    }
    HRESULT Stop() override {
        std::vector<HANDLE> fire;
        {
            std::lock_guard guard(device_->lock());
            CaptureDevice::stopLocked(state_, fire);
        }
        for (HANDLE h : fire)
            SetEvent(h);
        return DS_OK;
    }
    HRESULT QueryNotify(IDirectSoundNotify** notify) override {
        if (HRESULT fault = TakeFault(DsOp::QueryNotify)) return fault;
        if (!notify) return DSERR_INVALIDPARAM;
        *notify = new CaptureNotify(this, this);
        return DS_OK;
    }
    HRESULT setNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) {
        if (count > 0 && !positions) return DSERR_INVALIDPARAM;
        for (DWORD i = 0; i < count; ++i)
            if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= state_.size)
                return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        if (state_.capturing) return DSERR_INVALIDCALL;
        state_.notifies.assign(positions, positions + count);
        return DS_OK;
    }

private:
    ~CaptureBuffer() override {
        TraceFinalRelease("capture buffer");
        device_->remove(&state_);
    }
    RefCounted refs_;
    std::shared_ptr<CaptureDevice> device_;
    CaptureState state_;
};

CaptureNotify::CaptureNotify(IDirectSoundCaptureBuffer* buffer, CaptureBuffer* target)
    : buffer_(buffer), target_(target) {
    buffer_->AddRef();
}

HRESULT CaptureNotify::SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) {
    if (HRESULT fault = TakeFault(DsOp::SetNotificationPositions)) return fault;
    return target_->setNotificationPositions(count, positions);
}

class CaptureObject final : public IDirectSoundCapture {
public:
    explicit CaptureObject(std::shared_ptr<CaptureDevice> device) : device_(std::move(device)) {
        ++liveCaptureObjects;
    }
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override {
        const DWORD left = refs_.dropRef();
        if (left == 0) delete this;
        return left;
    }
    HRESULT CreateCaptureBuffer(const DSCBUFFERDESC* desc, IDirectSoundCaptureBuffer** buffer,
                                void* outer) override {
        if (HRESULT fault = TakeFault(DsOp::CreateCaptureBuffer)) return fault;
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || !buffer || desc->dwSize != sizeof(DSCBUFFERDESC) || !desc->lpwfxFormat ||
            desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
            return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (!ValidPcmFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
        CaptureState state;
        state.format = *desc->lpwfxFormat;
        state.flags = desc->dwFlags;
        state.size = desc->dwBufferBytes;
        state.bytes.assign(state.size, state.format.wBitsPerSample == 8 ? BYTE{0x80} : BYTE{0});
        *buffer = new CaptureBuffer(device_, std::move(state));
        return DS_OK;
    }

private:
    ~CaptureObject() override {
        TraceFinalRelease("capture object");
        --liveCaptureObjects;
    }
    RefCounted refs_;
    std::shared_ptr<CaptureDevice> device_;
};

} // namespace

HRESULT DirectSoundCaptureCreate(const GUID* device, IDirectSoundCapture** object, void* outer) {
    if (HRESULT fault = TakeFault(DsOp::CaptureCreate)) return fault;
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    std::string id;
    if (!ResolveCaptureDevice(device, id)) return DSERR_NODRIVER;
    std::shared_ptr<CaptureDevice> captureDevice;
    if (HRESULT hr = CaptureDevice::Acquire(id, captureDevice); FAILED(hr)) return hr;
    *object = new CaptureObject(std::move(captureDevice));
    return DS_OK;
}

std::vector<CaptureBufferInfo> AllCaptureBuffers() {
    std::vector<CaptureBufferInfo> all;
    for (auto& device : CaptureDevice::Live())
        device->eachState([&](const CaptureState& s) {
            CaptureBufferInfo info;
            info.device = device->id();
            info.flags = s.flags;
            info.size = s.size;
            info.format = s.format;
            info.capturing = s.capturing;
            info.looping = s.looping;
            info.position = s.position;
            all.push_back(info);
        });
    return all;
}

HRESULT GetCaptureCount(IDirectSoundCaptureBuffer* buffer, std::uint64_t* captured) {
    return static_cast<CaptureBuffer*>(buffer)->getCaptureCount(captured);
}

int LiveCaptureObjects() {
    return liveCaptureObjects.load();
}
