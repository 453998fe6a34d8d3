#include "platform/mmsys/AlsaMixerMap.h"

#include <gtest/gtest.h>

namespace {

AlsaElementSide volumeAndSwitch(std::vector<int> channels, long minimum, long maximum,
                                bool joinedSwitch = true) {
    AlsaElementSide side;
    side.volume = true;
    side.switchPresent = true;
    side.switchJoined = joinedSwitch;
    side.channels = std::move(channels);
    side.minimum = minimum;
    side.maximum = maximum;
    return side;
}

AlsaElementInfo playback(const std::string& name, AlsaElementSide side, unsigned index = 0) {
    AlsaElementInfo e;
    e.name = name;
    e.index = index;
    e.playback = std::move(side);
    return e;
}

AlsaElementInfo capture(const std::string& name, AlsaElementSide side) {
    AlsaElementInfo e;
    e.name = name;
    e.capture = std::move(side);
    return e;
}

AlsaElementInfo choice(const std::string& name, bool onCapture, std::vector<std::string> items) {
    AlsaElementInfo e;
    e.name = name;
    (onCapture ? e.capture : e.playback).enumerated = true;
    (onCapture ? e.capture : e.playback).channels = {0};
    e.enumItems = std::move(items);
    return e;
}

std::vector<std::string> names(const std::vector<MixerLineDesc>& lines) {
    std::vector<std::string> out;
    for (const MixerLineDesc& line : lines)
        out.push_back(line.name);
    return out;
}

} // namespace

TEST(AlsaElementMap, TheSoundServersMasterAndCaptureBecomeThePlaybackAndRecordingLines) {
    const AlsaMixerMap map = MapAlsaElements({playback("Master", volumeAndSwitch({0, 1}, 0, 65536)),
                                              capture("Capture", volumeAndSwitch({0, 1}, 0, 65536))});
    ASSERT_EQ(map.layout.size(), 2u);
    const MixerLineDesc& master = map.layout[0].line;
    EXPECT_EQ(master.shortName, "Playback");
    EXPECT_EQ(master.name, "Master");
    EXPECT_EQ(master.channels, 2u);
    ASSERT_EQ(master.controls.size(), 2u);
    EXPECT_EQ(master.controls[0].type, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(master.controls[0].flags, 0u) << "a volume per channel";
    EXPECT_EQ(master.controls[0].maximum, 65536);
    EXPECT_EQ(master.controls[0].shortName, "Volume");
    EXPECT_EQ(master.controls[1].type, MIXERCONTROL_CONTROLTYPE_MUTE);
    EXPECT_EQ(master.controls[1].flags, MIXERCONTROL_CONTROLF_UNIFORM) << "one joined switch";
    EXPECT_TRUE(map.layout[0].sources.empty());
    const MixerLineDesc& recording = map.layout[1].line;
    EXPECT_EQ(recording.shortName, "Recording");
    EXPECT_EQ(recording.name, "Capture");
    ASSERT_EQ(recording.controls.size(), 2u);
    EXPECT_EQ(recording.controls[1].type, MIXERCONTROL_CONTROLTYPE_ONOFF);
    ASSERT_EQ(map.bindings.size(), 4u);
    EXPECT_EQ(map.bindings[1].role, AlsaRole::PlaybackMute);
    EXPECT_EQ(map.bindings[1].channels, (std::vector<int>{0, 1})) << "a uniform switch still sets both";
    EXPECT_EQ(map.bindings[2].role, AlsaRole::CaptureVolume);
    EXPECT_EQ(map.bindings[2].element, 1u);
}

TEST(AlsaElementMap, ACardsOtherElementsBecomeSourcesOfTheirSideInOrder) {
    AlsaElementInfo mic = playback("Mic", volumeAndSwitch({0, 1}, 0, 31, false));
    mic.capture = volumeAndSwitch({0, 1}, 0, 46);
    const AlsaMixerMap map = MapAlsaElements({
        playback("Master", volumeAndSwitch({0}, 0, 87)),
        playback("Headphone", volumeAndSwitch({0, 1}, 0, 87, false)),
        playback("PCM", volumeAndSwitch({0, 1}, 0, 255)),
        mic,
        capture("Capture", volumeAndSwitch({0, 1}, 0, 63, false)),
        choice("Input Source", true, {"Mic", "Internal Mic", "Line"}),
        choice("Auto-Mute Mode", false, {"Disabled", "Enabled"}),
        playback("Mic", volumeAndSwitch({0, 1}, 0, 3), 1),
    });
    EXPECT_EQ(names(map.layout[0].sources),
              (std::vector<std::string>{"Headphone", "PCM", "Mic", "Auto-Mute Mode", "Mic 1"}));
    EXPECT_EQ(names(map.layout[1].sources), (std::vector<std::string>{"Mic"}));
    const MixerLineDesc& headphone = map.layout[0].sources[0];
    EXPECT_EQ(headphone.controls[1].type, MIXERCONTROL_CONTROLTYPE_MUTE);
    EXPECT_EQ(headphone.controls[1].flags, 0u) << "a switch per channel";
    const MixerLineDesc& autoMute = map.layout[0].sources[3];
    ASSERT_EQ(autoMute.controls.size(), 1u);
    EXPECT_EQ(autoMute.controls[0].type, MIXERCONTROL_CONTROLTYPE_SINGLESELECT);
    EXPECT_EQ(autoMute.controls[0].itemNames, (std::vector<std::string>{"Disabled", "Enabled"}));
    const MixerLineDesc& recording = map.layout[1].line;
    ASSERT_EQ(recording.controls.size(), 3u);
    EXPECT_EQ(recording.controls[2].type, MIXERCONTROL_CONTROLTYPE_MUX);
    EXPECT_EQ(recording.controls[2].items, 3u);
    EXPECT_EQ(recording.controls[2].flags, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);
    EXPECT_EQ(map.layout[0].line.controls[0].flags, MIXERCONTROL_CONTROLF_UNIFORM) << "a mono Master";
    std::size_t controls = 0;
    for (const MixerDestinationDesc& d : map.layout) {
        controls += d.line.controls.size();
        for (const MixerLineDesc& s : d.sources)
            controls += s.controls.size();
    }
    EXPECT_EQ(map.bindings.size(), controls) << "one binding per control";
    EXPECT_EQ(map.bindings.back().role, AlsaRole::CaptureSwitch);
    EXPECT_EQ(map.bindings.back().element, 3u) << "the capture side of Mic";
}

TEST(AlsaElementMap, VolumesKeepTheirOwnRangeAndToneElementsJoinThePlaybackLine) {
    AlsaElementSide usb = volumeAndSwitch({0, 1}, -15360, -256);
    AlsaElementSide tone;
    tone.volume = true;
    tone.volumeJoined = true;
    tone.channels = {0, 1};
    tone.maximum = 40;
    AlsaElementSide huge = volumeAndSwitch({0}, -5000000000L, 5000000000L);
    const AlsaMixerMap map = MapAlsaElements(
        {playback("PCM", usb), playback("Tone Control - Bass", tone), playback("Treble", tone),
         playback("Master", volumeAndSwitch({0, 1}, 0, 100)), playback("Huge", huge)});
    const MixerLineDesc& master = map.layout[0].line;
    ASSERT_EQ(master.controls.size(), 4u);
    EXPECT_EQ(master.controls[2].type, MIXERCONTROL_CONTROLTYPE_BASS);
    EXPECT_EQ(master.controls[2].flags, MIXERCONTROL_CONTROLF_UNIFORM);
    EXPECT_EQ(master.controls[3].type, MIXERCONTROL_CONTROLTYPE_TREBLE);
    EXPECT_EQ(names(map.layout[0].sources), (std::vector<std::string>{"PCM", "Huge"}));
    const MixerControlDesc& pcm = map.layout[0].sources[0].controls[0];
    EXPECT_EQ(pcm.minimum, -15360);
    EXPECT_EQ(pcm.maximum, -256);
    const MixerControlDesc& clamped = map.layout[0].sources[1].controls[0];
    EXPECT_EQ(clamped.minimum, INT32_MIN);
    EXPECT_EQ(clamped.maximum, INT32_MAX);
}

TEST(AlsaElementMap, ACardWithoutMasterOrCaptureStillHasBothDestinations) {
    const AlsaMixerMap map = MapAlsaElements({playback("IEC958", volumeAndSwitch({0, 1}, 0, 1))});
    ASSERT_EQ(map.layout.size(), 2u);
    EXPECT_EQ(map.layout[0].line.name, "Playback");
    EXPECT_TRUE(map.layout[0].line.controls.empty());
    EXPECT_EQ(names(map.layout[0].sources), (std::vector<std::string>{"IEC958"}));
    EXPECT_EQ(map.layout[1].line.name, "Recording");
    EXPECT_TRUE(map.layout[1].sources.empty());
}
