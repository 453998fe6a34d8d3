#include "platform/dsound/Mixer.h"

#include "platform/dsound/KeptOutput.h"
#include "platform/dsound/Resampler.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

std::mutex registryLock;
std::map<std::string, std::weak_ptr<DeviceMixer>>& registry() {
    static std::map<std::string, std::weak_ptr<DeviceMixer>> mixers;
    return mixers;
}

std::vector<std::shared_ptr<DeviceMixer>> liveMixers() {
    std::lock_guard guard(registryLock);
    std::vector<std::shared_ptr<DeviceMixer>> mixers;
    for (auto& [id, weak] : registry())
        if (auto mixer = weak.lock()) mixers.push_back(mixer);
    return mixers;
}

float decibelGain(LONG hundredths) {
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

// Queues the events whose offsets the cursor crossed moving `advanced` bytes from `from`.
void collectCrossed(const SoundVoice& v, DWORD from, std::uint64_t advanced, bool ended,
                    std::vector<HANDLE>& fire) {
    for (const DSBPOSITIONNOTIFY& n : v.notifies) {
        if (n.dwOffset == DSBPN_OFFSETSTOP) {
            if (ended) fire.push_back(n.hEventNotify);
            continue;
        }
        std::uint64_t distance = (static_cast<std::uint64_t>(n.dwOffset) + v.size - from) % v.size;
        if (distance == 0) distance = v.size;
        // A one-shot buffer that ran out stops at its end; it does not reach offset 0 again.
        if (distance < advanced || (distance == advanced && !ended)) fire.push_back(n.hEventNotify);
    }
}

} // namespace

GUID DeviceGuid(const std::string& id, bool capture) {
    // FNV-1a over the id, spread over the identifier's fields; stable across runs.
    std::uint64_t hash = 1469598103934665603ull ^ (capture ? 0x5A : 0xA5);
    for (unsigned char c : id)
        hash = (hash ^ c) * 1099511628211ull;
    GUID guid;
    guid.Data1 = static_cast<DWORD>(hash >> 32);
    guid.Data2 = static_cast<WORD>(hash >> 16);
    guid.Data3 = static_cast<WORD>(hash);
    for (int i = 0; i < 8; ++i) {
        hash = (hash ^ static_cast<std::uint64_t>(i)) * 1099511628211ull;
        guid.Data4[i] = static_cast<BYTE>(hash >> 56);
    }
    return guid;
}

HRESULT DeviceMixer::Acquire(const std::string& device, std::shared_ptr<DeviceMixer>& mixer) {
    std::lock_guard guard(registryLock);
    auto& slot = registry()[device];
    mixer = slot.lock();
    if (mixer) return DS_OK;
    auto created = std::make_shared<DeviceMixer>(device);
    if (!created->open()) return DSERR_NODRIVER;
    slot = created;
    mixer = std::move(created);
    return DS_OK;
}

std::vector<BufferInfo> DeviceMixer::AllBuffers() {
    std::vector<BufferInfo> all;
    for (auto& mixer : liveMixers()) {
        std::lock_guard guard(mixer->lock_);
        for (SoundVoice* v : mixer->voices_) {
            BufferInfo info;
            info.device = mixer->device_;
            info.flags = v->flags;
            info.size = v->size;
            info.format = v->format;
            info.primary = v->primary;
            info.playing = v->playing;
            info.looping = v->looping;
            info.lost = v->memory && v->memory->lost;
            info.locked = v->memory && !v->memory->locked.Empty();
            info.playCursor = v->frame * v->format.nBlockAlign;
            info.volume = v->volume;
            info.pan = v->pan;
            info.frequency = v->frequency;
            info.memory = v->memory.get();
            info.notifications = v->notifies;
            if (v->memory) info.lockedBytes = v->memory->locked.LockedBytes();
            all.push_back(info);
        }
    }
    return all;
}

void DeviceMixer::LoseAll() {
    for (auto& mixer : liveMixers()) {
        std::vector<HANDLE> fire;
        {
            std::lock_guard guard(mixer->lock_);
            for (SoundVoice* v : mixer->voices_) {
                if (!v->memory) continue;
                if (v->playing) StopLocked(*v, fire);
                v->memory->lost = true;
            }
        }
        for (HANDLE h : fire)
            SetEvent(h);
    }
}

DeviceMixer::DeviceMixer(std::string device)
    : device_(std::move(device)), resampler_(std::make_unique<VoiceResampler>()) {}

DeviceMixer::~DeviceMixer() {
    if (stream_) stream_->close();
}

bool DeviceMixer::open() {
    DeviceFormat wanted;
    stream_ =
        OpenKeptOutput(device_, wanted, format_, [this](std::int16_t* out, int frames) { Mix(out, frames); });
    return stream_ != nullptr;
}

void DeviceMixer::Add(SoundVoice* voice) {
    std::lock_guard guard(lock_);
    voices_.push_back(voice);
}

void DeviceMixer::Remove(SoundVoice* voice) {
    std::lock_guard guard(lock_);
    voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
    resampler_->Forget(voice);
}

void DeviceMixer::StopLocked(SoundVoice& voice, std::vector<HANDLE>& fire) {
    const bool wasPlaying = voice.playing;
    voice.playing = false;
    if (!wasPlaying) return;
    for (const DSBPOSITIONNOTIFY& n : voice.notifies)
        if (n.dwOffset == DSBPN_OFFSETSTOP) fire.push_back(n.hEventNotify);
}

DWORD DeviceMixer::WriteLeadLocked(const SoundVoice& voice) const {
    if (!voice.playing) return 0;
    const std::uint64_t frames =
        (static_cast<std::uint64_t>(format_.frames) * voice.frequency + format_.rate - 1) / format_.rate;
    return static_cast<DWORD>(std::min<std::uint64_t>(frames, voice.frames) * voice.format.nBlockAlign);
}

void DeviceMixer::UpdateGains(SoundVoice& voice) {
    const float gain = decibelGain(voice.volume);
    voice.gainLeft = gain * (voice.pan > 0 ? decibelGain(-voice.pan) : 1.0f);
    voice.gainRight = gain * (voice.pan < 0 ? decibelGain(voice.pan) : 1.0f);
}

void DeviceMixer::mixVoice(SoundVoice& v, int frames) {
    const DWORD from = v.frame * v.format.nBlockAlign;
    const VoiceRun run = resampler_->Mix(v, accum_.data(), frames, format_);
    if (run.ended) v.playing = false;
    if (!v.notifies.empty())
        collectCrossed(v, from, static_cast<std::uint64_t>(run.advanced) * v.format.nBlockAlign, run.ended,
                       toFire_);
}

void DeviceMixer::Mix(std::int16_t* out, int frames) {
    const std::size_t samples = static_cast<std::size_t>(frames) * format_.channels;
    {
        std::lock_guard guard(lock_);
        accum_.assign(samples, 0.0f);
        for (SoundVoice* v : voices_)
            if (v->playing && !v->primary && v->frames > 0 && !v->memory->lost) mixVoice(*v, frames);
        for (std::size_t i = 0; i < samples; ++i) {
            const float value = std::nearbyint(accum_[i]);
            out[i] = static_cast<std::int16_t>(std::clamp(value, -32768.0f, 32767.0f));
        }
        firing_.swap(toFire_);
        toFire_.clear();
    }
    for (HANDLE h : firing_)
        SetEvent(h);
    firing_.clear();
}
