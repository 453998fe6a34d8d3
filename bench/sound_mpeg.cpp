// Decoding speed of the MPEG audio decoder per layer and synthesis quality, in multiples
// of real time, with ffmpeg's decoder timed on the same streams for comparison.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "sound/MpgDecoder.h"
#include "sound/MpgFrame.h"

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 60.0;

std::filesystem::path WorkDir() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() / ("vx_bench_mpeg_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Music-like test signal: a few partials with vibrato and short noise bursts.
std::filesystem::path SignalWav() {
    const auto path = WorkDir() / "signal.wav";
    std::minstd_rand noise(7);
    std::uniform_real_distribution<double> uniform(-1, 1);
    const uint32_t frames = uint32_t(kRate * kSeconds);
    std::vector<uint8_t> out(44 + frames * 4);
    auto put = [&out](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + size_t(i)] = uint8_t(value >> (8 * i));
    };
    const char* tags[4] = {"RIFF", "WAVE", "fmt ", "data"};
    const size_t tagAt[4] = {0, 8, 12, 36};
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 4; ++i)
            out[tagAt[t] + size_t(i)] = uint8_t(tags[t][i]);
    put(4, 36 + frames * 4, 4);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, kRate, 4);
    put(28, kRate * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    put(40, frames * 4, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double burst = std::fmod(t, 0.75) < 0.04 ? 0.3 * uniform(noise) : 0.0;
        const double base = 220 * (1 + 0.01 * std::sin(2 * M_PI * 5 * t));
        double left = burst, right = 0.8 * burst;
        for (int h = 1; h <= 6; ++h) {
            left += 0.25 / h * std::sin(2 * M_PI * base * h * t);
            right += 0.2 / h * std::sin(2 * M_PI * base * 1.5 * h * t + h);
        }
        put(44 + size_t(i) * 4, uint32_t(int16_t(left * 30000)) & 0xFFFF, 2);
        put(46 + size_t(i) * 4, uint32_t(int16_t(right * 30000)) & 0xFFFF, 2);
    }
    WriteBytes(path, out);
    return path;
}

// Layer I frames at 128 kbit/s joint stereo with random (valid) content: no layer I
// encoder is at hand, and decoding cost hardly depends on what the frames say.
std::vector<uint8_t> LayerOneStream() {
    std::mt19937 random(3);
    const size_t frameBytes = 12000 * 128 / kRate * 4;
    const int frames = int(kSeconds * kRate / 384);
    std::vector<uint8_t> stream;
    while (stream.size() < frameBytes * size_t(frames)) {
        uint8_t frame[1024] = {};
        size_t bit = 0;
        auto put = [&](uint32_t value, int count) {
            for (int i = count - 1; i >= 0; --i, ++bit)
                if ((value >> i) & 1) frame[bit / 8] |= uint8_t(0x80 >> (bit % 8));
        };
        put(0xFFF, 12), put(0xF, 4), put(4, 4), put(0, 4), put(1 << 2 | 3, 4), put(0, 4);
        int nb[32] = {};
        for (int sb = 0; sb < 32; ++sb) {
            const int allocation = sb < 8 ? 1 + int(random() % 3) : sb < 16 ? int(random() % 2) : 0;
            nb[sb] = allocation ? allocation + 1 : 0;
            put(uint32_t(allocation), 4);
            if (sb < 16) put(uint32_t(allocation), 4);
        }
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < 2; ++ch)
                if (nb[sb]) put(20 + random() % 20, 6);
        for (int slot = 0; slot < 12; ++slot)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < (sb < 16 ? 2 : 1); ++ch)
                    if (nb[sb]) put(uint32_t(random() % ((1u << nb[sb]) - 1)), nb[sb]);
        if (bit <= frameBytes * 8) stream.insert(stream.end(), frame, frame + frameBytes);
    }
    return stream;
}

struct TBenchStream {
    std::vector<uint8_t> bytes;
    std::filesystem::path path;
    double ffmpegRealtime = 0;
};

// CPU seconds (user and system, all threads) that ffmpeg spends decoding a file.
double FfmpegCpuSeconds(const std::filesystem::path& path) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const std::string command =
        "ffmpeg -nostdin -v error -threads 1 -f mp3 -i '" + path.string() + "' -f null - 2>/dev/null";
    if (std::system(command.c_str()) != 0) return 0;
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
           seconds(before.ru_stime);
}

const TBenchStream& Stream(int layer) {
    static const std::vector<TBenchStream> streams = [] {
        const auto wav = SignalWav();
        std::vector<TBenchStream> all(3);
        all[0].bytes = LayerOneStream();
        all[0].path = WorkDir() / "layer1.mp1";
        WriteBytes(all[0].path, all[0].bytes);
        all[1].path = WorkDir() / "layer2.mp2";
        all[2].path = WorkDir() / "layer3.mp3";
        const std::string quiet = " >/dev/null 2>&1";
        if (std::system(
                ("twolame --quiet -b 128 -m j '" + wav.string() + "' '" + all[1].path.string() + "'" + quiet)
                    .c_str()) != 0 ||
            std::system(
                ("lame -t --quiet -b 128 -m j '" + wav.string() + "' '" + all[2].path.string() + "'" + quiet)
                    .c_str()) != 0)
            std::fprintf(stderr, "encoding the benchmark streams failed\n");
        all[1].bytes = ReadBytes(all[1].path);
        all[2].bytes = ReadBytes(all[2].path);
        for (auto& stream : all) {
            std::vector<uint8_t> oneFrame(
                stream.bytes.begin(), stream.bytes.begin() + std::min<long>(1500, long(stream.bytes.size())));
            const auto tiny = WorkDir() / "tiny.mpa";
            WriteBytes(tiny, oneFrame);
            double best = 1e9, startup = 1e9;
            for (int run = 0; run < 3; ++run) {
                best = std::min(best, FfmpegCpuSeconds(stream.path));
                startup = std::min(startup, FfmpegCpuSeconds(tiny));
            }
            stream.ffmpegRealtime = kSeconds / std::max(best - startup, 1e-4);
        }
        std::filesystem::remove_all(WorkDir());
        return all;
    }();
    return streams[size_t(layer - 1)];
}

void DecodeMpeg(benchmark::State& state) {
    const int layer = int(state.range(0));
    const auto quality = TSndMP3Quality(state.range(1));
    const TBenchStream& stream = Stream(layer);
    TMpegFrameReader reader;
    TMpegDecoder decoder;
    decoder.SetQuality(quality);
    TMpegFrame frame;
    static int16_t out[TMpegDecoder::kMaxPairs * 2];
    double seconds = 0;
    double elapsed = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        reader.Attach(stream.bytes.data(), stream.bytes.size());
        int pairs = 0;
        while (reader.ReadFrame(frame)) {
            decoder.DecodeFrame(frame, reader.Body(), reader.BodySize(), out);
            pairs += MpegFramePairs(frame);
        }
        benchmark::DoNotOptimize(out);
        elapsed += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        seconds += double(pairs) / kRate;
    }
    const double realtime = seconds / elapsed;
    state.counters["x_realtime"] = realtime;
    state.counters["ffmpeg_x_realtime"] = stream.ffmpegRealtime;
    state.counters["ratio_to_ffmpeg"] = realtime / stream.ffmpegRealtime;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.bytes.size()));
}

BENCHMARK(DecodeMpeg)
    ->ArgNames({"layer", "quality"})
    ->ArgsProduct({{1, 2, 3}, {smqFull, smqHalf, smqQuarter}})
    ->Unit(benchmark::kMillisecond);

} // namespace
