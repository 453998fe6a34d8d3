#include "platform/mmsys/AlsaMixer.h"

#include "platform/mmsys/AlsaMixerMap.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <array>
#include <cstdarg>
#include <poll.h>
#include <utility>

namespace {

void silent(const char*, int, const char*, int, const char*, ...) {}

// ALSA reports a missing device or sound server on stderr as well as in its result: the
// result is what the program acts on, so its chatter is kept off the terminal meanwhile.
class QuietAlsa {
public:
    QuietAlsa() { snd_lib_error_set_handler(&silent); }
    ~QuietAlsa() { snd_lib_error_set_handler(nullptr); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;
};

struct CardInfo {
    std::string id;
    std::string name;
};

bool cardInfo(const std::string& alsaName, CardInfo& info) {
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, alsaName.c_str(), 0) < 0) return false;
    snd_ctl_card_info_t* card = nullptr;
    snd_ctl_card_info_alloca(&card);
    const bool ok = snd_ctl_card_info(ctl, card) >= 0;
    if (ok) {
        info.id = snd_ctl_card_info_get_id(card);
        info.name = snd_ctl_card_info_get_name(card);
    }
    snd_ctl_close(ctl);
    return ok;
}

// An open ALSA mixer with its simple elements loaded; null when it cannot be opened.
snd_mixer_t* openMixer(const std::string& alsaName) {
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
    if (snd_mixer_attach(mixer, alsaName.c_str()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    return mixer;
}

bool hasElements(const std::string& alsaName) {
    snd_mixer_t* mixer = openMixer(alsaName);
    if (!mixer) return false;
    const bool any = snd_mixer_first_elem(mixer) != nullptr;
    snd_mixer_close(mixer);
    return any;
}

std::vector<int> channelsOf(snd_mixer_elem_t* elem, bool capture) {
    std::vector<int> channels;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(ch);
        if (capture ? snd_mixer_selem_has_capture_channel(elem, id)
                    : snd_mixer_selem_has_playback_channel(elem, id))
            channels.push_back(ch);
    }
    return channels;
}

AlsaElementInfo describe(snd_mixer_elem_t* elem) {
    AlsaElementInfo info;
    info.name = snd_mixer_selem_get_name(elem);
    info.index = snd_mixer_selem_get_index(elem);
    AlsaElementSide& play = info.playback;
    play.volume = snd_mixer_selem_has_playback_volume(elem);
    play.volumeJoined = snd_mixer_selem_has_playback_volume_joined(elem);
    play.switchPresent = snd_mixer_selem_has_playback_switch(elem);
    play.switchJoined = snd_mixer_selem_has_playback_switch_joined(elem);
    if (play.volume) snd_mixer_selem_get_playback_volume_range(elem, &play.minimum, &play.maximum);
    play.channels = channelsOf(elem, false);
    AlsaElementSide& rec = info.capture;
    rec.volume = snd_mixer_selem_has_capture_volume(elem);
    rec.volumeJoined = snd_mixer_selem_has_capture_volume_joined(elem);
    rec.switchPresent = snd_mixer_selem_has_capture_switch(elem);
    rec.switchJoined = snd_mixer_selem_has_capture_switch_joined(elem);
    if (rec.volume) snd_mixer_selem_get_capture_volume_range(elem, &rec.minimum, &rec.maximum);
    rec.channels = channelsOf(elem, true);
    if (snd_mixer_selem_is_enumerated(elem)) {
        rec.enumerated = snd_mixer_selem_is_enum_capture(elem);
        play.enumerated = !rec.enumerated;
        const int items = std::max(snd_mixer_selem_get_enum_items(elem), 0);
        for (int i = 0; i < items; ++i) {
            std::array<char, MIXER_LONG_NAME_CHARS> text{};
            if (snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(i), text.size(), text.data()) <
                0)
                text[0] = '\0';
            info.enumItems.emplace_back(text.data());
        }
    }
    return info;
}

snd_mixer_selem_channel_id_t channelId(int ch) {
    return static_cast<snd_mixer_selem_channel_id_t>(ch);
}

class AlsaDevice : public MixerDevice {
public:
    explicit AlsaDevice(snd_mixer_t* mixer) : mixer_(mixer) {
        std::vector<AlsaElementInfo> infos;
        for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem; elem = snd_mixer_elem_next(elem)) {
            if (!snd_mixer_selem_is_active(elem)) continue;
            infos.push_back(describe(elem));
            elements_.push_back(elem);
        }
        map_ = MapAlsaElements(infos);
        places_ = PlaceControls(map_.layout);
        links_.resize(elements_.size());
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            links_[i] = {this, i};
            snd_mixer_elem_set_callback_private(elements_[i], &links_[i]);
            snd_mixer_elem_set_callback(elements_[i], &AlsaDevice::elementEvent);
        }
    }
    ~AlsaDevice() override {
        for (snd_mixer_elem_t* elem : elements_)
            if (elem) snd_mixer_elem_set_callback(elem, nullptr);
        snd_mixer_close(mixer_);
    }
    AlsaDevice(const AlsaDevice&) = delete;
    AlsaDevice& operator=(const AlsaDevice&) = delete;

    const MixerLayout& layout() const override { return map_.layout; }

    MMRESULT read(std::size_t control, std::vector<LONG>& values) override {
        const AlsaBinding& binding = map_.bindings.at(control);
        snd_mixer_elem_t* elem = elements_[binding.element];
        if (!elem) return MMSYSERR_NODRIVER;
        values.clear();
        if (binding.role == AlsaRole::PlaybackEnum || binding.role == AlsaRole::CaptureEnum)
            return readChoice(elem, binding, control, values);
        const std::size_t count = binding.uniform ? 1 : binding.channels.size();
        for (std::size_t c = 0; c < count; ++c) {
            long value = 0;
            if (!readChannel(elem, binding.role, channelId(binding.channels[c]), value))
                return MMSYSERR_ERROR;
            values.push_back(static_cast<LONG>(value));
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT write(std::size_t control, const std::vector<LONG>& values) override {
        const AlsaBinding& binding = map_.bindings.at(control);
        snd_mixer_elem_t* elem = elements_[binding.element];
        if (!elem) return MMSYSERR_NODRIVER;
        if (binding.role == AlsaRole::PlaybackEnum || binding.role == AlsaRole::CaptureEnum) {
            const auto chosen = std::find(values.begin(), values.end(), 1);
            const auto item = static_cast<unsigned>(chosen == values.end() ? 0 : chosen - values.begin());
            for (int ch : binding.channels)
                if (snd_mixer_selem_set_enum_item(elem, channelId(ch), item) < 0) return MMSYSERR_ERROR;
            return MMSYSERR_NOERROR;
        }
        for (std::size_t c = 0; c < binding.channels.size(); ++c) {
            const LONG value = values.at(binding.uniform ? 0 : c);
            if (!writeChannel(elem, binding.role, channelId(binding.channels[c]), value))
                return MMSYSERR_ERROR;
        }
        return MMSYSERR_NOERROR;
    }

    std::vector<int> changeDescriptors() override {
        std::vector<int> fds;
        for (const pollfd& p : pollDescriptors())
            fds.push_back(p.fd);
        return fds;
    }

    // Follows ALSA's protocol for its descriptors: ask which events are really there (a
    // plug-in may clear its own wake-up here), then handle them; element callbacks fill
    // pending_.
    std::vector<MixerChange> takeChanges() override {
        std::vector<pollfd> fds = pollDescriptors();
        ::poll(fds.data(), fds.size(), 0);
        unsigned short revents = 0;
        snd_mixer_poll_descriptors_revents(mixer_, fds.data(), static_cast<unsigned>(fds.size()), &revents);
        if (revents & (POLLIN | POLLERR | POLLNVAL)) snd_mixer_handle_events(mixer_);
        return std::exchange(pending_, {});
    }

private:
    struct Link {
        AlsaDevice* device = nullptr;
        std::size_t element = 0;
    };

    static int elementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
        auto* link = static_cast<Link*>(snd_mixer_elem_get_callback_private(elem));
        if (link && link->device) link->device->elementChanged(link->element, mask);
        return 0;
    }

    void elementChanged(std::size_t element, unsigned int mask) {
        const bool removed = mask == SND_CTL_EVENT_MASK_REMOVE;
        if (removed) elements_[element] = nullptr;
        for (std::size_t control = 0; control < map_.bindings.size(); ++control) {
            if (map_.bindings[control].element != element) continue;
            if (removed || (mask & (SND_CTL_EVENT_MASK_INFO | SND_CTL_EVENT_MASK_ADD)))
                pending_.push_back({true, control});
            else if (mask & SND_CTL_EVENT_MASK_VALUE)
                pending_.push_back({false, control});
        }
    }

    std::vector<pollfd> pollDescriptors() {
        const int count = snd_mixer_poll_descriptors_count(mixer_);
        std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 0)));
        const int got =
            fds.empty() ? 0
                        : snd_mixer_poll_descriptors(mixer_, fds.data(), static_cast<unsigned>(fds.size()));
        fds.resize(static_cast<std::size_t>(std::max(got, 0)));
        return fds;
    }

    static bool readChannel(snd_mixer_elem_t* elem, AlsaRole role, snd_mixer_selem_channel_id_t ch,
                            long& value) {
        int on = 0;
        switch (role) {
        case AlsaRole::PlaybackVolume:
            return snd_mixer_selem_get_playback_volume(elem, ch, &value) >= 0;
        case AlsaRole::CaptureVolume:
            return snd_mixer_selem_get_capture_volume(elem, ch, &value) >= 0;
        case AlsaRole::PlaybackMute:
            if (snd_mixer_selem_get_playback_switch(elem, ch, &on) < 0) return false;
            value = on ? 0 : 1; // sound on is "not muted"
            return true;
        case AlsaRole::CaptureSwitch:
            if (snd_mixer_selem_get_capture_switch(elem, ch, &on) < 0) return false;
            value = on ? 1 : 0;
            return true;
        default:
            return false;
        }
    }

    static bool writeChannel(snd_mixer_elem_t* elem, AlsaRole role, snd_mixer_selem_channel_id_t ch,
                             LONG value) {
        switch (role) {
        case AlsaRole::PlaybackVolume:
            return snd_mixer_selem_set_playback_volume(elem, ch, value) >= 0;
        case AlsaRole::CaptureVolume:
            return snd_mixer_selem_set_capture_volume(elem, ch, value) >= 0;
        case AlsaRole::PlaybackMute:
            return snd_mixer_selem_set_playback_switch(elem, ch, value ? 0 : 1) >= 0;
        case AlsaRole::CaptureSwitch:
            return snd_mixer_selem_set_capture_switch(elem, ch, value ? 1 : 0) >= 0;
        default:
            return false;
        }
    }

    MMRESULT readChoice(snd_mixer_elem_t* elem, const AlsaBinding& binding, std::size_t control,
                        std::vector<LONG>& values) const {
        unsigned item = 0;
        if (snd_mixer_selem_get_enum_item(elem, channelId(binding.channels.front()), &item) < 0)
            return MMSYSERR_ERROR;
        values.assign(ControlAt(map_.layout, places_.at(control)).items, 0);
        if (item < values.size()) values[item] = 1;
        return MMSYSERR_NOERROR;
    }

    snd_mixer_t* mixer_;
    std::vector<snd_mixer_elem_t*> elements_; // null once ALSA removed the element
    std::vector<Link> links_;
    AlsaMixerMap map_;
    std::vector<MixerControlPlace> places_;
    std::vector<MixerChange> pending_;
};

} // namespace

std::vector<MixerDeviceInfo> AlsaMixerBackend::listDevices() {
    QuietAlsa quiet;
    entries_.clear();
    std::vector<std::string> cardIds;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        const std::string alsaName = "hw:" + std::to_string(card);
        CardInfo info;
        if (!cardInfo(alsaName, info)) continue;
        cardIds.push_back(info.id);
        entries_.push_back({alsaName, info.name});
    }
    // The default device comes first when it is more than one of the cards under another
    // name (a sound server's mixer, typically).
    CardInfo defaults;
    if (cardInfo("default", defaults) &&
        std::find(cardIds.begin(), cardIds.end(), defaults.id) == cardIds.end() && hasElements("default"))
        entries_.insert(entries_.begin(), {"default", defaults.name.empty() ? "Default" : defaults.name});
    listed_ = true;
    return devices();
}

std::vector<MixerDeviceInfo> AlsaMixerBackend::devices() {
    if (!listed_) return listDevices();
    std::vector<MixerDeviceInfo> infos;
    for (const Entry& entry : entries_)
        infos.push_back({entry.name, 2}); // playback and recording
    return infos;
}

MMRESULT AlsaMixerBackend::open(UINT device, std::unique_ptr<MixerDevice>& opened) {
    if (!listed_) listDevices();
    if (device >= entries_.size()) return MMSYSERR_BADDEVICEID;
    QuietAlsa quiet;
    snd_mixer_t* mixer = openMixer(entries_[device].alsaName);
    if (!mixer) return MMSYSERR_NODRIVER;
    opened = std::make_unique<AlsaDevice>(mixer);
    return MMSYSERR_NOERROR;
}
