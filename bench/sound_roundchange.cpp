// The music engine's round change: off with a new file name, on again, which re-creates
// the DirectSound objects and reloads the game's eleven sound effects (77 buffers).
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// Plays silence of any length: the cost measured is the engine's, not a decoder's.
class SilencePlug : public TSndPlayPlug {
    VX_CLASS(SilencePlug, TSndPlayPlug)
public:
    using TSndPlayPlug::TSndPlayPlug;
    std::string GetSupportTypes() override { return "Silence"; }
    bool Init() override { return true; }
    void Reset() override {}
    void Release() override {}
    bool Process(unsigned char* data, unsigned long len) override {
        std::memset(data, Format.wBitsPerSample == 8 ? 0x80 : 0, len);
        return true;
    }
    void GetPosition(SND_POSITION*) override {}
    void SetPosition(SND_POSITION*) override {}
    bool GetFileInfo(const std::string&, SND_FILE_INFO*) override { return false; }
};

std::string writeEffect(const std::filesystem::path& dir, int index, DWORD frames) {
    const DWORD dataBytes = frames * 2;
    std::vector<char> out;
    auto le32 = [&](DWORD v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<char>(v >> (8 * i)));
    };
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    le32(36 + dataBytes);
    for (char c : std::string("WAVEfmt "))
        out.push_back(c);
    le32(16);
    const char fmt[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, static_cast<char>(0xAC), 0, 0, 2, 0, 16, 0};
    out.insert(out.end(), fmt, fmt + 16);
    for (char c : std::string("data"))
        out.push_back(c);
    le32(dataBytes);
    out.resize(out.size() + dataBytes, 3);
    const auto path = dir / ("effect" + std::to_string(index) + ".wav");
    std::ofstream(path, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
    return path.string();
}

void BM_RoundChangeCycle(benchmark::State& state) {
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    const auto dir = std::filesystem::temp_directory_path() / "vx-bench-roundchange";
    std::filesystem::create_directories(dir);
    TComponent owner(nullptr);
    const int counts[11] = {5, 5, 5, 5, 1, 5, 4, 30, 10, 5, 1};
    for (int i = 0; i < 11; ++i) {
        auto* wave = new TDSWave(&owner);
        wave->SetFileName(writeEffect(dir, i, 22050 / 2 + 1000 * static_cast<DWORD>(i)));
        wave->SetNumBuffers(counts[i]);
    }
    new SilencePlug(&owner);
    auto* play = new TDSPlay(&owner);
    play->SetBuffersCount(4);
    play->SetLoop(true);
    owner.LoadTree();
    play->SetFileName("round0.mod");
    play->SetActive(true);
    int round = 0;
    for (auto _ : state) {
        play->SetFileName("round" + std::to_string(++round) + ".mod");
        play->SetActive(true);
    }
    state.counters["buffers"] = static_cast<double>(audio.backend().Buffers().size());
    play->SetActive(false);
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(BM_RoundChangeCycle)->Unit(benchmark::kMillisecond);
