#pragma once
// How ALSA's simple mixer elements become the mixer service's lines. ALSA has no
// destinations: each element has a playback side, a capture side or both, each with a
// volume, a switch or an enumerated choice. The mapping builds two destinations:
//
//   Playback   the "Master" element's volume and switch (as Volume and Mute), with the
//              tone elements ("Bass", "Treble", "Tone Control - Bass"/"- Treble") as its
//              bass and treble; every other element with a playback side is a source line.
//   Recording  the "Capture" element's volume and switch, with the capture-source choice
//              ("Capture Source", "Input Source", ...) as its selection list; every other
//              element with a capture side is a source line.
//
// An ALSA playback switch means "sound on", so it shows as a Mute control with the value
// turned over. Volumes keep ALSA's own range, whose minimum need not be 0. A side whose
// channels are joined, or that has one channel, is a uniform control. ALSA has no level
// meters, so there are none.
#include "platform/mmsys/MixerBackend.h"

#include <string>
#include <vector>

struct AlsaElementSide {
    bool volume = false;
    bool volumeJoined = false;
    bool switchPresent = false;
    bool switchJoined = false;
    bool enumerated = false;
    std::vector<int> channels; // ALSA channel numbers present, in order
    long minimum = 0;
    long maximum = 0;
};

struct AlsaElementInfo {
    std::string name;
    unsigned index = 0;
    AlsaElementSide playback;
    AlsaElementSide capture;
    std::vector<std::string> enumItems;
};

enum class AlsaRole { PlaybackVolume, PlaybackMute, PlaybackEnum, CaptureVolume, CaptureSwitch, CaptureEnum };

struct AlsaBinding {
    std::size_t element = 0;
    AlsaRole role = AlsaRole::PlaybackVolume;
    // ALSA channels behind the control's channels (one entry for a uniform control that
    // sets every channel of the side).
    std::vector<int> channels;
    bool uniform = false;
};

struct AlsaMixerMap {
    MixerLayout layout;
    std::vector<AlsaBinding> bindings; // one per control, in the service's numbering
};

AlsaMixerMap MapAlsaElements(const std::vector<AlsaElementInfo>& elements);
