#pragma once
// Mixer devices for the fake backend: a studio card with a control of every class the
// mixer service knows, and a generated card of any size for benchmarks.
#include "platform/mmsys/MixerBackend.h"

#include <string>
#include <vector>

namespace mixer_fixtures {

inline MixerControlDesc control(DWORD type, const std::string& shortName, const std::string& name,
                                LONG minimum, LONG maximum, DWORD flags = 0) {
    MixerControlDesc c;
    c.type = type;
    c.flags = flags;
    c.minimum = minimum;
    c.maximum = maximum;
    c.steps = static_cast<DWORD>(maximum - minimum);
    c.shortName = shortName;
    c.name = name;
    return c;
}

inline MixerControlDesc list(DWORD type, const std::string& name, std::vector<std::string> items,
                             DWORD flags = MIXERCONTROL_CONTROLF_UNIFORM) {
    MixerControlDesc c = control(type, name, name, 0, 1, flags | MIXERCONTROL_CONTROLF_MULTIPLE);
    c.items = static_cast<DWORD>(items.size());
    c.itemNames = std::move(items);
    return c;
}

inline MixerLineDesc line(const std::string& shortName, const std::string& name, DWORD channels,
                          std::vector<MixerControlDesc> controls) {
    MixerLineDesc l;
    l.shortName = shortName;
    l.name = name;
    l.channels = channels;
    l.controls = std::move(controls);
    return l;
}

constexpr DWORD uniform = MIXERCONTROL_CONTROLF_UNIFORM;

// Playback with faders of three kinds, a stereo switch, a peak meter and controls the mixer
// control does not draw (pan, equaliser); sources with a volume whose minimum is below 0,
// a mono line, a number, a time and a custom control. Recording with a selection list and
// a signed meter. A third destination for "other".
inline MixerLayout StudioLayout() {
    MixerDestinationDesc playback;
    playback.line = line("Playback", "Speakers", 2,
                         {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Speaker Volume", 0, 65535),
                          control(MIXERCONTROL_CONTROLTYPE_BASS, "Bass", "Bass", 0, 100, uniform),
                          control(MIXERCONTROL_CONTROLTYPE_TREBLE, "Treble", "Treble", -12, 12, uniform),
                          control(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", "Mute", 0, 1, uniform),
                          control(MIXERCONTROL_CONTROLTYPE_LOUDNESS, "Loudness", "Loudness", 0, 1),
                          control(MIXERCONTROL_CONTROLTYPE_PEAKMETER, "Peak", "Output Level", -32768, 32767),
                          control(MIXERCONTROL_CONTROLTYPE_PAN, "Balance", "Balance", -100, 100, uniform),
                          control(MIXERCONTROL_CONTROLTYPE_EQUALIZER, "EQ", "Equaliser", 0, 100, uniform)});
    playback.sources = {
        line("Wave", "Wave", 2,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Wave Volume", -6000, 0),
              control(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", "Mute", 0, 1, uniform),
              control(MIXERCONTROL_CONTROLTYPE_PEAKMETER, "Peak", "Wave Level", -32768, 32767)}),
        line("Synth", "Synthesizer", 1,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Synth Volume", 10, 31),
              control(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", "Mute", 0, 1),
              control(MIXERCONTROL_CONTROLTYPE_SIGNED, "Transpose", "Transpose", -12, 12),
              control(MIXERCONTROL_CONTROLTYPE_MILLITIME, "Delay", "Reverb Delay", 0, 500),
              control(MIXERCONTROL_CONTROLTYPE_CUSTOM, "Patch", "Patch Data", 0, 0)}),
    };
    MixerDestinationDesc recording;
    recording.line =
        line("Recording", "Recording Control", 2,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Recording Volume", 0, 65535),
              list(MIXERCONTROL_CONTROLTYPE_MUX, "Source", {"Microphone", "Line In", "CD Audio"}),
              control(MIXERCONTROL_CONTROLTYPE_SIGNEDMETER, "Level", "Input Level", -32768, 32767)});
    recording.sources = {
        line("Microphone", "Microphone", 1,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Microphone Volume", 0, 65535),
              control(MIXERCONTROL_CONTROLTYPE_ONOFF, "Boost", "+20 dB Boost", 0, 1)}),
        line("Line In", "Line In", 2,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Line Volume", 0, 65535),
              list(MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, "Routes", {"Front", "Rear"})}),
    };
    MixerDestinationDesc monitor;
    monitor.line = line("Monitor", "Monitor Out", 2,
                        {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Monitor Volume", 0, 255)});
    return {playback, recording, monitor};
}

// One destination of lineCount lines (the destination and its sources), each with a
// stereo volume, a mute, a loudness switch and a peak meter.
inline MixerLayout WideLayout(int lineCount) {
    auto controls = [](const std::string& name) {
        return std::vector<MixerControlDesc>{
            control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", name + " Volume", 0, 65535),
            control(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", "Mute", 0, 1, uniform),
            control(MIXERCONTROL_CONTROLTYPE_LOUDNESS, "Loudness", "Loudness", 0, 1, uniform),
            control(MIXERCONTROL_CONTROLTYPE_PEAKMETER, "Peak", name + " Level", -32768, 32767)};
    };
    MixerDestinationDesc destination;
    destination.line = line("Playback", "Master", 2, controls("Master"));
    for (int i = 1; i < lineCount; ++i)
        destination.sources.push_back(line("In " + std::to_string(i), "Input " + std::to_string(i), 2,
                                           controls("Input " + std::to_string(i))));
    return {destination};
}

} // namespace mixer_fixtures
