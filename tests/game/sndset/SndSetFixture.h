#pragma once
// The sound dialog wired to sound objects set up like the main form's: a music engine on the
// manual audio backend (two cards besides the default device), a ramp plug-in standing for
// the music files, the MPEG plug-in and eleven effects, each with a tone of its own. The
// music choice behaves like the main form's: it reads the game's music mirror.
#include "../../sound/SoundTestKit.h"
#include "../rules/GameHarness.h"
#include "game/SndSet.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/DevCmbDS.h"
#include "sound/Plug_MP3.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sndset_test {

// The first sample of effect i's tone; every effect sounds differently.
inline std::int16_t EffectTone(std::size_t i) {
    return static_cast<std::int16_t>(1000 * (i + 1));
}

class SndSetFixture : public ::testing::Test {
protected:
    SndSetFixture();
    void SetUp() override;
    void TearDown() override;

    // A new dialog, created as the application creates it and connected like the main form does.
    void makeForm();
    // What a user's choice in a drop-down list does: the index, then the change event.
    static void choose(TComboBox* box, int index);
    // The engine's streaming buffer; an empty record while nothing streams.
    BufferInfo stream();
    // The effect buffers that are playing.
    std::vector<BufferInfo> soundingEffects();
    bool musicMirror();
    bool effectsMirror();

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    game_test::TTestGame game;
    TComponent owner{nullptr};
    RampPlug* plug = nullptr;
    TSndMP3* mp3 = nullptr;
    std::array<TDSWave*, SoundCueCount> waves{};
    TDSPlay* player = nullptr;
    TSndSetForm* form = nullptr;
    std::vector<std::string> playlist{"ramp-one", "ramp-two", "ramp-three"};
    int picks = 0;
    int switches = 0;

private:
    void playRandomTrack();
};

} // namespace sndset_test
