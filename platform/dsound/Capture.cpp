// Capture objects: a device stream feeds every capturing buffer of the object, each
// converted to its own format with the same exact phase stepping the mixer uses.
#include "platform/dsound/Faults.h"
#include "platform/dsound/SoundBuffer.h"

#include <algorithm>
#include <cstring>

bool ResolveCaptureDevice(const GUID* guid, std::string& id);

namespace {

struct CaptureState {
    WAVEFORMATEX format;
    DWORD size = 0;
    std::vector<BYTE> bytes;
    bool capturing = false;
    bool looping = false;
    DWORD position = 0; // bytes
    std::uint32_t phase = 0;
    std::vector<DSBPOSITIONNOTIFY> notifies;
};

class CaptureDevice {
public:
    bool open(const std::string& id) {
        DeviceFormat wanted;
        stream_ = CurrentAudioBackend().openCapture(
            id, wanted, format_, [this](const std::int16_t* in, int frames) { feed(in, frames); });
        return stream_ != nullptr;
    }
    ~CaptureDevice() {
        if (stream_) stream_->close();
    }
    std::mutex& lock() { return lock_; }
    void add(CaptureState* state) {
        std::lock_guard guard(lock_);
        states_.push_back(state);
    }
    void remove(CaptureState* state) {
        std::lock_guard guard(lock_);
        states_.erase(std::remove(states_.begin(), states_.end(), state), states_.end());
    }
    static void stopLocked(CaptureState& s, std::vector<HANDLE>& fire) {
        if (!s.capturing) return;
        s.capturing = false;
        for (const auto& n : s.notifies)
            if (n.dwOffset == DSBPN_OFFSETSTOP) fire.push_back(n.hEventNotify);
    }

private:
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

    void writeFrame(CaptureState& s, const std::int16_t* in) {
        const int deviceChannels = format_.channels;
        const int left = in[0];
        const int right = deviceChannels == 2 ? in[1] : in[0];
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

    void feedOne(CaptureState& s, const std::int16_t* in, int frames, std::vector<HANDLE>& fire) {
        const DWORD align = s.format.nBlockAlign;
        const auto deviceRate = static_cast<std::uint32_t>(format_.rate);
        for (int i = 0; i < frames && s.capturing; ++i) {
            s.phase += s.format.nSamplesPerSec;
            while (s.phase >= deviceRate && s.capturing) {
                s.phase -= deviceRate;
                writeFrame(s, in + static_cast<std::size_t>(i) * format_.channels);
                const DWORD before = s.position;
                s.position += align;
                for (const auto& n : s.notifies)
                    if (n.dwOffset != DSBPN_OFFSETSTOP && n.dwOffset >= before && n.dwOffset < s.position)
                        fire.push_back(n.hEventNotify);
                if (s.position + align > s.size) {
                    s.position = 0;
                    if (!s.looping) stopLocked(s, fire);
                }
            }
        }
    }

    DeviceFormat format_;
    std::unique_ptr<AudioStream> stream_;
    std::mutex lock_;
    std::vector<CaptureState*> states_; // guarded by lock_
};

class CaptureBuffer;

class CaptureNotify final : public IDirectSoundNotify {
public:
    explicit CaptureNotify(IDirectSoundCaptureBuffer* buffer, CaptureBuffer* target);
    DWORD AddRef() override { return refs_.addRef(); }
    DWORD Release() override {
        const DWORD left = refs_.dropRef();
        if (left == 0) delete this;
        return left;
    }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override;

private:
    ~CaptureNotify() override { buffer_->Release(); }
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
        std::lock_guard guard(device_->lock());
        if (capturePosition) *capturePosition = state_.position;
        if (readPosition) *readPosition = state_.position;
        return DS_OK;
    }
    HRESULT GetFormat(WAVEFORMATEX* format) override {
        if (!format) return DSERR_INVALIDPARAM;
        *format = state_.format;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD* status) override {
        if (!status) return DSERR_INVALIDPARAM;
        std::lock_guard guard(device_->lock());
        *status = state_.capturing ? DSCBSTATUS_CAPTURING | (state_.looping ? DSCBSTATUS_LOOPING : 0) : 0;
        return DS_OK;
    }
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                 DWORD flags) override {
        if (HRESULT fault = TakeFault(DsOp::Lock)) return fault;
        if (!part1 || !bytes1 || offset >= state_.size || bytes == 0 || bytes > state_.size)
            return DSERR_INVALIDPARAM;
        const DWORD first = std::min(bytes, state_.size - offset);
        const DWORD second = bytes - first;
        if (second > 0 && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
        *part1 = state_.bytes.data() + offset;
        *bytes1 = first;
        if (part2) *part2 = second ? state_.bytes.data() : nullptr;
        if (bytes2) *bytes2 = second;
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
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return DS_OK; }
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
    ~CaptureBuffer() override { device_->remove(&state_); }
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
    explicit CaptureObject(std::shared_ptr<CaptureDevice> device) : device_(std::move(device)) {}
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
        if (!ValidPcmFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
        CaptureState state;
        state.format = *desc->lpwfxFormat;
        state.size = desc->dwBufferBytes;
        state.bytes.assign(state.size, state.format.wBitsPerSample == 8 ? BYTE{0x80} : BYTE{0});
        *buffer = new CaptureBuffer(device_, std::move(state));
        return DS_OK;
    }

private:
    ~CaptureObject() override = default;
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
    auto captureDevice = std::make_shared<CaptureDevice>();
    if (!captureDevice->open(id)) return DSERR_NODRIVER;
    *object = new CaptureObject(std::move(captureDevice));
    return DS_OK;
}
