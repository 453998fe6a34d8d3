// The music engine with the game's three plug-ins, in the game's component order and
// output format: a WAV file streams to the device sample for sample and plays out.
#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/Plug_MOD.h"
#include "sound/Plug_MP3.h"
#include "sound/Plug_WAV.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace {

std::vector<BYTE> eightBitStereoWave(const std::vector<BYTE>& frames, DWORD rate) {
    auto le32 = [](std::vector<BYTE>& out, DWORD v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    auto le16 = [](std::vector<BYTE>& out, WORD v) {
        out.push_back(static_cast<BYTE>(v));
        out.push_back(static_cast<BYTE>(v >> 8));
    };
    std::vector<BYTE> out{'R', 'I', 'F', 'F'};
    le32(out, static_cast<DWORD>(36 + frames.size()));
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<BYTE>(c));
    le32(out, 16);
    le16(out, WAVE_FORMAT_PCM);
    le16(out, 2);
    le32(out, rate);
    le32(out, rate * 2);
    le16(out, 2);
    le16(out, 8);
    for (char c : std::string("data"))
        out.push_back(static_cast<BYTE>(c));
    le32(out, static_cast<DWORD>(frames.size()));
    out.insert(out.end(), frames.begin(), frames.end());
    return out;
}

} // namespace

TEST(PlayerWithGamePlugIns, AWavFileInTheGameFormatReachesTheDeviceAndPlaysOut) {
    ScopedManualAudio audio({22050, 2, 441});
    ScopedMessageRecorder messages;
    std::vector<BYTE> samples(2 * 22050);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<BYTE>(128 + std::lround(100 * std::sin(static_cast<double>(i) * 0.01)));
    const std::string path = std::string(VX_TEST_TMP) + "/music.wav";
    const auto image = eightBitStereoWave(samples, 22050);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));

    TComponent form(nullptr);
    auto* wav = new TSndWav(&form);
    new TSndMOD(&form);
    new TSndMP3(&form);
    auto* play = new TDSPlay(&form);
    play->SetPriority(tpNormal);
    play->SetBuffersCount(4);
    play->SetSamplesPerSec(22050);
    play->SetBitsPerSample(8);
    play->SetChannels(2);
    form.LoadTree();
    Counter changes;
    play->SetOnActiveChange([&](TObject*) { changes.Add(); });

    play->SetFileName(path);
    play->SetActive(true);
    ASSERT_TRUE(play->Active()) << (messages.Records().empty() ? "" : messages.Records()[0].text);
    EXPECT_EQ(play->ModulePlug(), wav);

    const std::vector<std::int16_t> out = audio.backend().Render(22050);
    for (std::size_t i = 0; i < out.size(); i += 997)
        ASSERT_EQ(out[i], (samples[i] - 128) * 256) << "sample " << i;

    // The file is one second in a ring of four 16384-frame blocks: the player switches
    // itself off when the block after the last data is entered.
    audio.backend().Render(3 * 16384);
    ASSERT_TRUE(changes.WaitFor(2));
    EXPECT_FALSE(play->Active());
    EXPECT_TRUE(messages.Records().empty());
}

// A directory reads as a file of absurd size and a FIFO's open waits for a writer: every
// player and the sound effects refuse both at once.
TEST(PlayerWithGamePlugIns, EveryReaderRefusesADirectoryAndAFifoWithoutWaiting) {
    ScopedMessageRecorder messages;
    const std::string folder = std::string(VX_TEST_TMP) + "/folder.mp3";
    const std::string fifo = std::string(VX_TEST_TMP) + "/fifo.mp3";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TComponent form(nullptr);
    TSndPlayPlug* plugs[] = {new TSndWav(&form), new TSndMOD(&form), new TSndMP3(&form)};
    for (const std::string& name : {folder, fifo}) {
        FinishesWithin(
            10000,
            [&] {
                for (TSndPlayPlug* plug : plugs) {
                    plug->FileName = name;
                    EXPECT_FALSE(plug->Init()) << plug->ClassName() << " " << name;
                    SND_FILE_INFO info{};
                    EXPECT_FALSE(plug->GetFileInfo(name, &info)) << plug->ClassName() << " " << name;
                    EXPECT_FALSE(plug->GetMP3Info(name, &info)) << name;
                }
                WaveData data;
                EXPECT_FALSE(LoadWaveResource(name, data)) << name;
            },
            "opening a directory or a FIFO");
    }
    EXPECT_TRUE(messages.Records().empty());
}
