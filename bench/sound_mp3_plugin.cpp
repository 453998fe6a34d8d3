// The MP3 player's whole path (frames, decoder, output conversion, block handling) on 300 s
// of 128 kbit/s joint-stereo pink noise encoded by lame, at the file's own rate into 16-bit
// stereo blocks of 32768 bytes, keeping nothing; with ffmpeg's decoder side by side.
//
// WholeProcessVsFfmpeg times processes: this program run again in its decode-only mode,
// and `ffmpeg -threads 1` decoding the same file to 16-bit PCM, turn about; it reports the
// CPU time (user and system) of each and their ratio. InProcess times the same decoding
// inside this process, without start-up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sound/Plug_MP3.h"
#include "sound/Sndutils.h"

namespace {

constexpr int kSeconds = 300;
constexpr unsigned long kBlockBytes = 32768;
constexpr const char* kDecodeOnly = "VX_BENCH_MP3_DECODE";

// Decodes the whole file as the engine's events thread would; answers the blocks filled.
long DecodeFile(const std::string& path) {
    TSndMP3 plug(nullptr);
    plug.FileName = path;
    plug.Format.nChannels = 2;
    plug.Format.wBitsPerSample = 16;
    plug.Format.nSamplesPerSec = 44100;
    UpdateWaveFormat(&plug.Format);
    if (!plug.Init()) return -1;
    plug.SetSamplesPerSec(44100);
    plug.SetBitsPerSample(16);
    plug.SetChannels(2);
    std::vector<unsigned char> block(kBlockBytes);
    long blocks = 1;
    while (plug.Process(block.data(), block.size())) {
        benchmark::DoNotOptimize(block.data());
        ++blocks;
    }
    return blocks;
}

// Started with kDecodeOnly set, the program decodes that file and ends before the
// benchmarks run: the whole-process case times exactly this.
[[maybe_unused]] const bool decodeOnlyRun = [] {
    if (const char* path = std::getenv(kDecodeOnly)) std::_Exit(DecodeFile(path) > 0 ? 0 : 1);
    return false;
}();

const std::string& PinkNoise() {
    static const std::string path = [] {
        const auto dir =
            std::filesystem::temp_directory_path() / ("vx_bench_mp3_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        const std::string wav = (dir / "pink.wav").string();
        const std::string mp3 = (dir / "pink.mp3").string();
        const std::string make = "sox -R -n -r 44100 -c 2 -b 16 '" + wav + "' synth " +
                                 std::to_string(kSeconds) +
                                 " pinknoise gain -3 >/dev/null 2>&1 && lame --quiet -b 128 -m j '" + wav +
                                 "' '" + mp3 + "' >/dev/null 2>&1";
        const bool made = std::system(make.c_str()) == 0;
        std::filesystem::remove(wav);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("vx_bench_mp3_" + std::to_string(getpid())),
                                        ignored);
        });
        return made ? mp3 : std::string();
    }();
    return path;
}

struct TProcessTime {
    double cpu = 0; // user and system seconds
    double wall = 0;
};

double Seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Runs argv with the environment given to it, quietly, and measures the child alone.
TProcessTime RunTimed(const std::vector<std::string>& args, const char* decodeFile) {
    TProcessTime time;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (decodeFile) setenv(kDecodeOnly, decodeFile, 1);
        std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
        (void)quiet;
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return {};
    time.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    time.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return time;
}

void WholeProcessVsFfmpeg(benchmark::State& state) {
    const std::string& file = PinkNoise();
    if (file.empty()) {
        state.SkipWithError("sox and lame could not make the pink noise");
        return;
    }
    const std::vector<std::string> ours = {"/proc/self/exe"};
    const std::vector<std::string> ffmpeg = {"ffmpeg", "-nostdin", "-v", "error", "-threads", "1",
                                             "-i",     file,       "-f", "s16le", "-y",       "/dev/null"};
    TProcessTime oursTotal, ffmpegTotal;
    for (auto _ : state) {
        const TProcessTime our = RunTimed(ours, file.c_str());
        const TProcessTime their = RunTimed(ffmpeg, nullptr);
        if (our.cpu == 0 || their.cpu == 0) {
            state.SkipWithError("a decoding process failed");
            return;
        }
        state.SetIterationTime(our.wall);
        oursTotal.cpu += our.cpu;
        oursTotal.wall += our.wall;
        ffmpegTotal.cpu += their.cpu;
        ffmpegTotal.wall += their.wall;
    }
    const double runs = double(state.iterations());
    state.counters["ours_cpu_ms"] = 1000 * oursTotal.cpu / runs;
    state.counters["ffmpeg_cpu_ms"] = 1000 * ffmpegTotal.cpu / runs;
    state.counters["cpu_ratio"] = oursTotal.cpu / ffmpegTotal.cpu;
    state.counters["ours_wall_ms"] = 1000 * oursTotal.wall / runs;
    state.counters["ffmpeg_wall_ms"] = 1000 * ffmpegTotal.wall / runs;
    state.counters["wall_ratio"] = oursTotal.wall / ffmpegTotal.wall;
    state.counters["x_realtime"] = kSeconds * runs / oursTotal.cpu;
}

void InProcess(benchmark::State& state) {
    const std::string& file = PinkNoise();
    if (file.empty()) {
        state.SkipWithError("sox and lame could not make the pink noise");
        return;
    }
    long blocks = 0;
    for (auto _ : state)
        blocks += DecodeFile(file);
    state.SetBytesProcessed(blocks * long(kBlockBytes));
    state.counters["x_realtime"] =
        benchmark::Counter(double(kSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(WholeProcessVsFfmpeg)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(InProcess)->Unit(benchmark::kMillisecond);

} // namespace
