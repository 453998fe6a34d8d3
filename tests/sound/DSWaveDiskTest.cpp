// The whole road of a sound effect to a real SDL device: the "disk" driver writes the
// mixed stream to a file, which must hold the effect exactly.
#include "platform/dsound/KeptOutput.h"
#include "platform/dsound/Mixer.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::vector<BYTE> stereoWave(const std::vector<std::int16_t>& samples) {
    auto le32 = [](std::vector<BYTE>& out, DWORD v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    const DWORD dataBytes = static_cast<DWORD>(samples.size() * 2);
    std::vector<BYTE> out{'R', 'I', 'F', 'F'};
    le32(out, 36 + dataBytes);
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<BYTE>(c));
    le32(out, 16);
    const BYTE fmt[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0, 4, 0, 16, 0};
    out.insert(out.end(), fmt, fmt + 16);
    for (char c : std::string("data"))
        out.push_back(static_cast<BYTE>(c));
    le32(out, dataBytes);
    const auto* bytes = reinterpret_cast<const BYTE*>(samples.data());
    out.insert(out.end(), bytes, bytes + dataBytes);
    return out;
}

bool effectPlaying() {
    for (const BufferInfo& info : DeviceMixer::AllBuffers())
        if (info.playing) return true;
    return false;
}

} // namespace

TEST(WaveOnSdlDisk, TheDiskDriverFileHoldsTheEffectSampleForSample) {
    const std::string output = std::string(VX_TEST_TMP) + "/disk-output.raw";
    std::filesystem::remove(output);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);

    std::vector<std::int16_t> effect(2 * 4410);
    for (std::size_t i = 0; i < effect.size(); ++i)
        effect[i] = static_cast<std::int16_t>(1000 + (i * 37) % 20000 * ((i & 1) ? -1 : 1));
    static std::vector<BYTE> image;
    image = stereoWave(effect);
    RegisterWaveResource("disk-effect", image.data(), image.size());

    ScopedMessageRecorder messages;
    TComponent owner(nullptr);
    auto* wave = new TDSWave(&owner);
    wave->SetFileName("disk-effect");
    wave->SetVolume(256);
    auto* play = new TDSPlay(&owner);
    owner.LoadTree();
    play->SetActive(true);
    ASSERT_TRUE(play->Active()) << (messages.Records().empty() ? "" : messages.Records()[0].text);
    ASSERT_TRUE(wave->Play(0, 0));

    // The device runs in real time on SDL's thread; wait (bounded) until the effect is done.
    HANDLE never = CreateEvent(true, false);
    for (int i = 0; i < 500 && effectPlaying(); ++i)
        WaitForSingleObject(never, 10);
    CloseHandle(never);
    play->SetActive(false);
    // The device outlives the player for a while; the driver's file is whole once it closes.
    CloseKeptOutputs();
    UnregisterWaveResource("disk-effect");

    std::ifstream file(output, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> written(raw.size() / 2);
    std::memcpy(written.data(), raw.data(), written.size() * 2);
    auto first = std::find_if(written.begin(), written.end(), [](std::int16_t s) { return s != 0; });
    ASSERT_NE(first, written.end()) << "nothing but silence was written";
    const auto offset = static_cast<std::size_t>(first - written.begin());
    EXPECT_EQ(offset % 2, 0u) << "the effect starts on a frame";
    ASSERT_GE(written.size() - offset, effect.size());
    const std::vector<std::int16_t> heard(first, first + static_cast<std::ptrdiff_t>(effect.size()));
    EXPECT_EQ(heard, effect);
    EXPECT_TRUE(std::all_of(first + static_cast<std::ptrdiff_t>(effect.size()), written.end(),
                            [](std::int16_t s) { return s == 0; }));
}
