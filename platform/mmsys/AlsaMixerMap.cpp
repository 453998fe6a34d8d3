#include "platform/mmsys/AlsaMixerMap.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

std::string displayName(const AlsaElementInfo& element) {
    return element.index == 0 ? element.name : element.name + " " + std::to_string(element.index);
}

LONG toLong(long value) {
    return static_cast<LONG>(
        std::clamp<long>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

bool hasPlayback(const AlsaElementInfo& e) {
    return e.playback.volume || e.playback.switchPresent || e.playback.enumerated;
}

bool hasCapture(const AlsaElementInfo& e) {
    return e.capture.volume || e.capture.switchPresent || e.capture.enumerated;
}

DWORD toneType(const AlsaElementInfo& e) {
    if (e.index != 0 || !e.playback.volume) return 0;
    if (e.name == "Bass" || e.name == "Tone Control - Bass") return MIXERCONTROL_CONTROLTYPE_BASS;
    if (e.name == "Treble" || e.name == "Tone Control - Treble") return MIXERCONTROL_CONTROLTYPE_TREBLE;
    return 0;
}

struct LineBuilder {
    MixerLineDesc line;
    std::vector<AlsaBinding> bindings;

    // Per-channel when the side's channels are its own and match the line's; else one value
    // for all of them.
    void add(MixerControlDesc control, std::size_t element, AlsaRole role, const std::vector<int>& channels,
             bool joined) {
        AlsaBinding binding{element, role, channels.empty() ? std::vector<int>{0} : channels, false};
        binding.uniform = joined || binding.channels.size() <= 1 || binding.channels.size() != line.channels;
        if (binding.uniform) control.flags |= MIXERCONTROL_CONTROLF_UNIFORM;
        line.controls.push_back(std::move(control));
        bindings.push_back(std::move(binding));
    }

    void addVolume(const AlsaElementInfo& e, std::size_t element, bool capture, DWORD type,
                   const std::string& shortName, const std::string& name) {
        const AlsaElementSide& side = capture ? e.capture : e.playback;
        MixerControlDesc control;
        control.type = type;
        control.minimum = toLong(std::min(side.minimum, side.maximum));
        control.maximum = toLong(side.maximum);
        control.steps = static_cast<DWORD>(static_cast<std::int64_t>(control.maximum) - control.minimum);
        control.shortName = shortName;
        control.name = name;
        add(std::move(control), element, capture ? AlsaRole::CaptureVolume : AlsaRole::PlaybackVolume,
            side.channels, side.volumeJoined);
    }

    void addSwitch(const AlsaElementInfo& e, std::size_t element, bool capture) {
        const AlsaElementSide& side = capture ? e.capture : e.playback;
        MixerControlDesc control;
        control.type = capture ? MIXERCONTROL_CONTROLTYPE_ONOFF : MIXERCONTROL_CONTROLTYPE_MUTE;
        control.maximum = 1;
        control.steps = 2;
        control.shortName = control.name = capture ? "Capture" : "Mute";
        add(std::move(control), element, capture ? AlsaRole::CaptureSwitch : AlsaRole::PlaybackMute,
            side.channels, side.switchJoined);
    }

    // An enumerated choice is one selection for the whole element.
    void addChoice(const AlsaElementInfo& e, std::size_t element, bool capture, DWORD type) {
        const AlsaElementSide& side = capture ? e.capture : e.playback;
        MixerControlDesc control;
        control.type = type;
        control.flags = MIXERCONTROL_CONTROLF_MULTIPLE;
        control.items = static_cast<DWORD>(e.enumItems.size());
        control.maximum = 1;
        control.shortName = control.name = displayName(e);
        control.itemNames = e.enumItems;
        add(std::move(control), element, capture ? AlsaRole::CaptureEnum : AlsaRole::PlaybackEnum,
            side.channels, true);
    }

    void addSide(const AlsaElementInfo& e, std::size_t element, bool capture) {
        const AlsaElementSide& side = capture ? e.capture : e.playback;
        if (side.volume)
            addVolume(e, element, capture, MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume",
                      displayName(e) + " Volume");
        if (side.switchPresent) addSwitch(e, element, capture);
        if (side.enumerated && !e.enumItems.empty())
            addChoice(e, element, capture, MIXERCONTROL_CONTROLTYPE_SINGLESELECT);
    }
};

LineBuilder sourceLine(const AlsaElementInfo& e, std::size_t element, bool capture) {
    LineBuilder builder;
    builder.line.shortName = builder.line.name = displayName(e);
    const AlsaElementSide& side = capture ? e.capture : e.playback;
    builder.line.channels = static_cast<DWORD>(std::max<std::size_t>(side.channels.size(), 1));
    builder.addSide(e, element, capture);
    return builder;
}

void append(AlsaMixerMap& map, LineBuilder& destination, std::vector<LineBuilder>& sources) {
    MixerDestinationDesc desc;
    desc.line = std::move(destination.line);
    map.bindings.insert(map.bindings.end(), destination.bindings.begin(), destination.bindings.end());
    for (LineBuilder& source : sources) {
        desc.sources.push_back(std::move(source.line));
        map.bindings.insert(map.bindings.end(), source.bindings.begin(), source.bindings.end());
    }
    map.layout.push_back(std::move(desc));
}

std::size_t find(const std::vector<AlsaElementInfo>& elements, bool (*matches)(const AlsaElementInfo&)) {
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (matches(elements[i])) return i;
    return elements.size();
}

void mapPlayback(const std::vector<AlsaElementInfo>& elements, AlsaMixerMap& map) {
    const std::size_t master = find(elements, [](const AlsaElementInfo& e) {
        return e.name == "Master" && e.index == 0 && (e.playback.volume || e.playback.switchPresent);
    });
    LineBuilder destination;
    destination.line.shortName = "Playback";
    destination.line.name = master < elements.size() ? displayName(elements[master]) : "Playback";
    if (master < elements.size()) {
        const AlsaElementInfo& e = elements[master];
        destination.line.channels = static_cast<DWORD>(std::max<std::size_t>(e.playback.channels.size(), 1));
        destination.addSide(e, master, false);
    }
    std::vector<bool> taken(elements.size(), false);
    if (master < elements.size()) taken[master] = true;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (const DWORD type = toneType(elements[i]); type && !taken[i]) {
            destination.addVolume(elements[i], i, false, type,
                                  type == MIXERCONTROL_CONTROLTYPE_BASS ? "Bass" : "Treble",
                                  type == MIXERCONTROL_CONTROLTYPE_BASS ? "Bass" : "Treble");
            taken[i] = true;
        }
    }
    std::vector<LineBuilder> sources;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (!taken[i] && hasPlayback(elements[i])) sources.push_back(sourceLine(elements[i], i, false));
    append(map, destination, sources);
}

void mapRecording(const std::vector<AlsaElementInfo>& elements, AlsaMixerMap& map) {
    const std::size_t main = find(elements, [](const AlsaElementInfo& e) {
        return e.name == "Capture" && e.index == 0 && (e.capture.volume || e.capture.switchPresent);
    });
    const std::size_t selector = find(elements, [](const AlsaElementInfo& e) {
        return e.capture.enumerated && !e.enumItems.empty() && e.name.find("Source") != std::string::npos;
    });
    LineBuilder destination;
    destination.line.shortName = "Recording";
    destination.line.name = main < elements.size() ? displayName(elements[main]) : "Recording";
    if (main < elements.size()) {
        const AlsaElementInfo& e = elements[main];
        destination.line.channels = static_cast<DWORD>(std::max<std::size_t>(e.capture.channels.size(), 1));
        destination.addSide(e, main, true);
    }
    if (selector < elements.size())
        destination.addChoice(elements[selector], selector, true, MIXERCONTROL_CONTROLTYPE_MUX);
    std::vector<LineBuilder> sources;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (i != main && i != selector && hasCapture(elements[i]))
            sources.push_back(sourceLine(elements[i], i, true));
    append(map, destination, sources);
}

} // namespace

AlsaMixerMap MapAlsaElements(const std::vector<AlsaElementInfo>& elements) {
    AlsaMixerMap map;
    mapPlayback(elements, map);
    mapRecording(elements, map);
    return map;
}
