// The game's module through the music engine with each effect enabled, rendered by the
// manual device into WAV files that sox measures (and draws as spectrograms, for a person to
// look at or listen to beside the test's scratch folder).
#include "../SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/Eff_Chor.h"
#include "sound/Eff_EQ.h"
#include "sound/Eff_Echo.h"
#include "sound/Eff_FFT.h"
#include "sound/Plug_MOD.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>

namespace {

constexpr int BlockFrames = 8192; // 32768 bytes of 16-bit stereo
constexpr int Blocks = 32;        // about six seconds

void WriteWave(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

// A figure of sox's "stat" report, e.g. "RMS     amplitude".
double Stat(const std::string& report, const std::string& name) {
    std::smatch match;
    if (std::regex_search(report, match, std::regex(name + ":\\s+(-?[0-9.]+)"))) return std::stod(match[1]);
    return -1;
}

struct Rendering {
    double rms = 0;
    double treble = 0; // RMS above 3 kHz
    std::vector<std::int16_t> samples;
};

// Plays the module for Blocks blocks with the effect (or none) that make() places on the form.
Rendering Render(const std::string& name, const std::function<TSndEffectBase*(TComponent*)>& make) {
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner(nullptr);
    new TSndMOD(&owner);
    TSndEffectBase* effect = make(&owner);
    auto* play = new TDSPlay(&owner);
    play->SetBufferSize(BlockFrames * 4);
    play->SetBuffersCount(4);
    owner.LoadTree();
    Counter blocks;
    play->SetOnProc([&](TObject*, BYTE*, DWORD) { blocks.Add(); });
    if (effect) {
        effect->SetOnChange([](TObject*) {});
        effect->Enabled = true;
        play->SetUseEffects(true);
    }
    play->SetFileName(VX_RUN_DIR "/data/music/ms-suxx1.mod");
    play->SetActive(true);
    Rendering result;
    for (int b = 0; b < Blocks; ++b) {
        const int before = blocks.Value();
        auto part = audio.backend().Render(BlockFrames);
        result.samples.insert(result.samples.end(), part.begin(), part.end());
        blocks.WaitFor(before + 1);
    }
    play->SetActive(false);
    // VX_RENDER_DIR keeps the files for listening; else they go with the scratch folder.
    const char* keep = std::getenv("VX_RENDER_DIR");
    const std::string folder = keep ? keep : VX_TEST_TMP;
    const std::string wav = folder + "/" + name + ".wav";
    WriteWave(wav, result.samples);
    const std::string report = Run("sox \"" + wav + "\" -n stat 2>&1");
    Run("sox \"" + wav + "\" -n spectrogram -x 800 -y 257 -t \"" + name + " render\" -o \"" + folder + "/" +
        name + ".png\" 2>&1");
    result.rms = Stat(report, "RMS\\s+amplitude");
    result.treble = Stat(Run("sox \"" + wav + "\" -n highpass 3000 stat 2>&1"), "RMS\\s+amplitude");
    std::printf("%s: RMS %.4f, above 3 kHz %.4f (%s)\n", name.c_str(), result.rms, result.treble,
                wav.c_str());
    return result;
}

bool HaveSox() {
    return std::system("command -v sox >/dev/null") == 0;
}

} // namespace

TEST(EffectRenders, TheGamesModuleThroughEachEffectMeasuresAsExpected) {
    if (!HaveSox()) GTEST_SKIP() << "sox missing";
    std::ifstream module(VX_RUN_DIR "/data/music/ms-suxx1.mod");
    if (!module) GTEST_SKIP() << "the game's data tree has not been generated";
    const Rendering dry = Render("dry", [](TComponent*) { return nullptr; });
    ASSERT_GT(dry.rms, 0.02) << "the module plays";

    const Rendering echo = Render("echo", [](TComponent* owner) { return new TSndEcho(owner); });
    EXPECT_GT(echo.rms, dry.rms * 1.05) << "a second copy at half level adds energy";

    const Rendering chorus = Render("chorus", [](TComponent* owner) { return new TSndChorus(owner); });
    EXPECT_NE(chorus.samples, dry.samples);
    EXPECT_GT(chorus.rms, dry.rms * 0.3);

    const Rendering bass = Render("eq-bass", [](TComponent* owner) {
        auto* eq = new TSndEQ(owner);
        for (int k = 1; k <= 6; ++k)
            eq->Gains[static_cast<std::size_t>(k)] = 12; // the upper six bands at -20 dB
        return eq;
    });
    EXPECT_LT(bass.treble, dry.treble * 0.3) << "the treble went";

    const Rendering lowPass = Render("fft-lowpass", [](TComponent* owner) {
        auto* fft = new TSndFFT(owner);
        for (int p = 12; p < TSndFFT::CurvePoints; ++p)
            fft->Curve[static_cast<std::size_t>(p)] = 0; // nothing above about 1 kHz
        return fft;
    });
    EXPECT_LT(lowPass.treble, dry.treble * 0.3);
    EXPECT_GT(lowPass.rms, dry.rms * 0.2) << "the bass and the drums stay";
}
