// Capture and full duplex against a real sound server: a private PulseAudio whose null sink
// plays into its monitor, the default source. A tone player feeds the sink; the engines under
// test capture it, play it back into a second null sink ("Loop-Output") and a capture of that
// sink's monitor ("Loop-Input") hears what came out.
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/DSProc.h"
#include "sound/Eff_Echo.h"
#include "sound/PlugUser.h"
#include "sound/Plug_DSC.h"
#include "tests/SoundServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rate = 44100;
constexpr double ToneHz = 1000.0;
constexpr double ToneAmplitude = 8000.0;
constexpr int BlockBytes = 4096; // 1024 frames of 16-bit stereo, 23 ms

// The left channel of every block an engine hands out, and when each block arrived.
class Recording {
public:
    void Add(const BYTE* data, DWORD len) {
        std::lock_guard guard(lock_);
        const auto* samples = reinterpret_cast<const std::int16_t*>(data);
        for (DWORD i = 0; i < len / 4; ++i)
            left_.push_back(samples[2 * i]);
        arrivals_.push_back({Clock::now(), left_.size()});
    }
    std::vector<std::int16_t> Left() const {
        std::lock_guard guard(lock_);
        return left_;
    }
    bool WaitForFrames(std::size_t frames) {
        return WaitUntil([&] { return Left().size() >= frames; }, 10000);
    }
    // When the frame at index was captured, from the arrival of the block that ended after it.
    Clock::time_point TimeOf(std::size_t index) const {
        std::lock_guard guard(lock_);
        for (const Arrival& arrival : arrivals_)
            if (arrival.framesSoFar > index)
                return arrival.at - std::chrono::microseconds((arrival.framesSoFar - index) * 1000000 / Rate);
        return Clock::time_point::max();
    }

private:
    struct Arrival {
        Clock::time_point at;
        std::size_t framesSoFar;
    };
    mutable std::mutex lock_;
    std::vector<std::int16_t> left_;
    std::vector<Arrival> arrivals_;
};

// The index of the first sample louder than half the tone, or npos.
std::size_t Onset(const std::vector<std::int16_t>& samples, std::size_t from = 0) {
    for (std::size_t i = from; i < samples.size(); ++i)
        if (std::abs(samples[i]) > ToneAmplitude / 2) return i;
    return std::string::npos;
}

// Rising zero crossings, interpolated, over the span: cycles per second.
double Frequency(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t count) {
    double first = -1;
    double last = -1;
    int cycles = -1;
    for (std::size_t i = from + 1; i < from + count; ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            const double at =
                static_cast<double>(i - 1) + samples[i - 1] / double(samples[i - 1] - samples[i]);
            if (first < 0) first = at;
            last = at;
            ++cycles;
        }
    return cycles > 0 ? cycles * Rate / (last - first) : 0.0;
}

// The value below which the given share of the values lie.
double Quantile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

// The tone in the last second of a recording, block by block. A machine under load drops
// blocks on their way through the server (they come out quieter, or silent), never louder
// nor at another pitch: the level is taken from the upper quartile of the blocks, the
// pitch from the blocks at that level.
struct ToneReport {
    double level = 0;
    double frequency = 0;
    int toneBlocks = 0; // blocks within 10 % of the level
    int blocks = 0;
};

ToneReport AnalyseTone(const std::vector<std::int16_t>& samples) {
    constexpr std::size_t Block = 1024;
    ToneReport report;
    if (samples.size() < std::size_t(Rate)) return report;
    std::vector<double> levels;
    std::vector<double> frequencies;
    for (std::size_t from = samples.size() - Rate; from + Block <= samples.size(); from += Block) {
        double sum = 0;
        for (std::size_t i = from; i < from + Block; ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        levels.push_back(std::sqrt(sum / Block));
        frequencies.push_back(Frequency(samples, from, Block));
    }
    report.level = Quantile(levels, 0.75);
    report.blocks = static_cast<int>(levels.size());
    std::vector<double> whole;
    for (std::size_t b = 0; b < levels.size(); ++b)
        if (std::abs(levels[b] - report.level) < report.level * 0.1) whole.push_back(frequencies[b]);
    report.toneBlocks = static_cast<int>(whole.size());
    report.frequency = Quantile(whole, 0.5);
    return report;
}

// A form with a user plug-in that plays a 1 kHz sine (or silence) and the player it feeds.
// With a burst length the sine sounds only for that many frames, from where Burst() puts it.
struct TonePlayer {
    explicit TonePlayer(double amplitude = ToneAmplitude, const GUID* device = nullptr, long long burst = 0)
        : burstFrames(burst) {
        auto* tone = new TSndUser(&owner);
        play = new TDSPlay(&owner);
        play->SetBufferSize(BlockBytes);
        play->SetpID(device);
        owner.LoadTree();
        tone->SetOnInit([](TObject*, bool& result) { result = true; });
        tone->SetOnProc([this, amplitude](TObject*, BYTE* data, DWORD len, bool& more) {
            auto* samples = reinterpret_cast<std::int16_t*>(data);
            const long long from = burstFrom.load();
            for (DWORD i = 0; i < len / 4; ++i, ++frame) {
                const bool sounds =
                    burstFrames == 0 || (from >= 0 && frame >= from && frame < from + burstFrames);
                const double value =
                    sounds ? amplitude * std::sin(2 * M_PI * ToneHz * static_cast<double>(frame) / Rate)
                           : 0.0;
                samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(std::lround(value));
            }
            generated.store(frame);
            more = true;
        });
        play->SetOnProc([this](TObject*, BYTE*, DWORD) { blocks.Add(); });
        play->SetFileName("tone");
    }
    // Starts and waits until the sink has asked for a few blocks past the prefill: a null
    // sink nobody plays into sleeps up to two seconds before it first asks.
    void StartAndWaitUntilPulled() {
        play->SetActive(true);
        ASSERT_TRUE(play->Active());
        ASSERT_TRUE(blocks.WaitFor(play->PrefillBlocks() + 4, 10000));
    }
    // The burst goes into the next block the player fills.
    void Burst() { burstFrom.store(generated.load()); }

    TComponent owner{nullptr};
    TDSPlay* play = nullptr;
    Counter blocks;
    const long long burstFrames;
    long long frame = 0; // the player's events thread only
    std::atomic<long long> generated{0};
    std::atomic<long long> burstFrom{-1};
};

GUID FindDevice(HRESULT (*enumerate)(LPDSENUMCALLBACK, void*), const std::string& description) {
    struct Search {
        std::string wanted;
        GUID found;
        bool seen = false;
    } search{description, {}, false};
    enumerate(
        [](const GUID* guid, const char* text, const char*, void* context) {
            auto* s = static_cast<Search*>(context);
            if (guid && s->wanted == text) {
                s->found = *guid;
                s->seen = true;
            }
            return true;
        },
        &search);
    EXPECT_TRUE(search.seen) << description;
    return search.found;
}

class DuplexOnSoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.ready()) GTEST_SKIP() << "no sound server on this machine: " << server.why();
        ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        SetAudioBackend(nullptr);
    }
    // A second null sink and a source made of its monitor, which SDL lists by name.
    void addLoopSink() {
        std::string output;
        ASSERT_EQ(server.shell("pactl load-module module-null-sink sink_name=vx_loop "
                               "sink_properties=device.description=Loop-Output",
                               output),
                  0)
            << output;
        ASSERT_EQ(server.shell("pactl load-module module-remap-source master=vx_loop.monitor "
                               "source_name=vx_loop_in source_properties=device.description=Loop-Input",
                               output),
                  0)
            << output;
        loopOutput = FindDevice(DirectSoundEnumerate, "Loop-Output");
        loopInput = FindDevice(DirectSoundCaptureEnumerate, "Loop-Input");
    }
    // A capture engine on the device (null: the default source) recording into rec.
    TDSCapture* recorder(const GUID* device, Recording& rec) {
        auto* capture = new TDSCapture(&forms);
        capture->SetBufferSize(BlockBytes);
        capture->SetpID(device);
        capture->SetOnProc([&rec](TObject*, BYTE* data, DWORD len) { rec.Add(data, len); });
        return capture;
    }
    // The tone's frequency and level over the last second of a recording.
    static void expectTone(const std::vector<std::int16_t>& samples, const char* where,
                           double amplitude = ToneAmplitude) {
        const ToneReport tone = AnalyseTone(samples);
        EXPECT_NEAR(tone.frequency, ToneHz, 1.0) << where;
        EXPECT_NEAR(tone.level, amplitude / std::sqrt(2.0), amplitude * 0.05) << where;
        EXPECT_GE(tone.toneBlocks, tone.blocks / 4) << where << ": hardly any block came through whole";
        std::printf("%s: %.2f Hz, RMS %.0f, %d of %d blocks whole\n", where, tone.frequency, tone.level,
                    tone.toneBlocks, tone.blocks);
    }

    vx_test::ScopedSoundServer server;
    ScopedMessageRecorder messages;
    TComponent forms{nullptr};
    GUID loopOutput;
    GUID loopInput;
};

} // namespace

TEST_F(DuplexOnSoundServer, ATonePlayedIntoTheSinkIsCapturedFromItsMonitorAtItsFrequencyAndLevel) {
    Recording monitor;
    TDSCapture* capture = recorder(nullptr, monitor);
    capture->SetActive(true);
    ASSERT_TRUE(capture->Active());
    ASSERT_TRUE(monitor.WaitForFrames(Rate / 4)) << "capture runs on the server's clock";
    TonePlayer tone;
    const Clock::time_point started = Clock::now();
    tone.play->SetActive(true);
    ASSERT_TRUE(tone.play->Active());
    ASSERT_TRUE(monitor.WaitForFrames(monitor.Left().size() + Rate + Rate / 2));
    tone.play->SetActive(false);
    capture->SetActive(false);
    const std::vector<std::int16_t> heard = monitor.Left();
    expectTone(heard, "monitor");
    const std::size_t onset = Onset(heard);
    ASSERT_NE(onset, std::string::npos);
    const auto latency =
        std::chrono::duration_cast<std::chrono::milliseconds>(monitor.TimeOf(onset) - started);
    RecordProperty("play_to_capture_ms", static_cast<int>(latency.count()));
    std::printf("switch-on of the player to the tone in the capture: %lld ms\n",
                static_cast<long long>(latency.count()));
    EXPECT_LT(latency.count(), 2500);
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(DuplexOnSoundServer, ACapturePlugInFeedsAPlayerThatWritesTheCapturedSoundBackOut) {
    addLoopSink();
    Recording loop;
    TDSCapture* loopCapture = recorder(&loopInput, loop);
    loopCapture->SetActive(true);
    TonePlayer tone;
    tone.StartAndWaitUntilPulled();
    TonePlayer keeper(0.0, &loopOutput);
    keeper.StartAndWaitUntilPulled();
    TComponent chain(nullptr);
    auto* capture = new TDSCapture(&chain);
    capture->SetBufferSize(BlockBytes);
    auto* plug = new TDSCapturePlug(&chain);
    plug->SetDSCapture(capture);
    auto* player = new TDSPlay(&chain);
    player->SetBufferSize(BlockBytes);
    player->SetpID(&loopOutput);
    chain.LoadTree();
    player->SetFileName(TDSCapturePlug::CaptureFileName);
    player->SetActive(true);
    ASSERT_TRUE(player->Active());
    ASSERT_TRUE(capture->Active()) << "the plug-in switched its capture engine on";
    ASSERT_TRUE(WaitUntil([&] { return Onset(loop.Left()) != std::string::npos; }, 10000))
        << "the tone came back out";
    ASSERT_TRUE(loop.WaitForFrames(loop.Left().size() + Rate + Rate / 4));
    const std::vector<std::int16_t> heard = loop.Left();
    player->SetFileName("");
    EXPECT_FALSE(capture->Active());
    tone.play->SetActive(false);
    keeper.play->SetActive(false);
    loopCapture->SetActive(false);
    expectTone(heard, "capture plug-in through a player");
    EXPECT_TRUE(messages.Records().empty());
}

// With an echo of 100 ms at half gain, a 1 kHz tone (100 whole periods in the delay) is
// joined by itself in phase: the level steps to one and a half times 100 ms after the tone
// arrives.
TEST_F(DuplexOnSoundServer, TheProcessorPlaysWhatItCapturesIntoAnotherSinkWithItsEcho) {
    addLoopSink();
    Recording loop;
    TDSCapture* loopCapture = recorder(&loopInput, loop);
    loopCapture->SetActive(true);
    // Wake the second sink first, so the processor's output starts with its capture.
    TonePlayer keeper(0.0, &loopOutput);
    keeper.StartAndWaitUntilPulled();
    TComponent processorForm(nullptr);
    auto* proc = new TDSProcessor(&processorForm);
    auto* echo = new TSndEcho(&processorForm);
    echo->Delay = 100;
    echo->Gain = 64;
    echo->SetOnChange([](TObject*) {});
    echo->Enabled = true;
    proc->SetBufferSize(BlockBytes);
    proc->SetBufferOffset(2);
    proc->SetUseEffects(true);
    proc->SetpDSID(&loopOutput);
    processorForm.LoadTree();
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active());
    TonePlayer tone;
    tone.play->SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return Onset(loop.Left()) != std::string::npos; }, 10000));
    ASSERT_TRUE(loop.WaitForFrames(loop.Left().size() + Rate + Rate / 4));
    tone.play->SetActive(false);
    proc->SetActive(false);
    keeper.play->SetActive(false);
    loopCapture->SetActive(false);
    const std::vector<std::int16_t> out = loop.Left();
    expectTone(out, "processor output with its echo", 1.5 * ToneAmplitude);
    const std::size_t onset = Onset(out);
    std::size_t echoed = onset;
    while (echoed < out.size() && std::abs(out[echoed]) < 1.25 * ToneAmplitude)
        ++echoed;
    ASSERT_LT(echoed, out.size());
    const double delayMs = 1000.0 * static_cast<double>(echoed - onset) / Rate;
    std::printf("echo heard %.1f ms after the tone\n", delayMs);
    EXPECT_NEAR(delayMs, 100.0, 3.0);
    EXPECT_TRUE(messages.Records().empty());
}

// The round trip measured on one clock: the processor captures the sink's monitor and plays
// into the same sink, so a burst it captured comes back into its own capture one trip later.
TEST_F(DuplexOnSoundServer, TheProcessorsRoundTripShowsInItsOwnCaptureAsTheBurstComingBack) {
    constexpr long long BurstFrames = Rate / 50; // 20 ms
    TonePlayer source(ToneAmplitude, nullptr, BurstFrames);
    source.StartAndWaitUntilPulled();
    TComponent processorForm(nullptr);
    auto* proc = new TDSProcessor(&processorForm);
    proc->SetBufferSize(BlockBytes);
    // Two blocks more than the least delay: a loaded machine's output can lag a block behind
    // its capture, and a block written just behind the play cursor sounds a ring later.
    proc->SetBufferOffset(2);
    processorForm.LoadTree();
    Recording captured;
    proc->SetOnProc([&](TObject*, BYTE* data, DWORD len) { captured.Add(data, len); });
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active());
    ASSERT_TRUE(captured.WaitForFrames(Rate / 4));
    source.Burst();
    ASSERT_TRUE(WaitUntil([&] { return Onset(captured.Left()) != std::string::npos; }, 10000));
    ASSERT_TRUE(captured.WaitForFrames(Onset(captured.Left()) + Rate));
    proc->SetActive(false);
    source.play->SetActive(false);
    const std::vector<std::int16_t> in = captured.Left();
    const std::size_t first = Onset(in);
    const std::size_t again = Onset(in, first + BurstFrames + Rate / 200);
    ASSERT_NE(again, std::string::npos) << "the burst came round";
    const double roundTripMs = 1000.0 * static_cast<double>(again - first) / Rate;
    RecordProperty("processor_round_trip_ms", static_cast<int>(roundTripMs));
    std::printf("processor round trip (blocks of 23 ms, offset 2): %.1f ms\n", roundTripMs);
    EXPECT_GE(roundTripMs, 4 * 23.2) << "at least the four blocks the processor puts between them";
    // A loaded machine can let the output fall far enough behind its capture that a block
    // sounds a whole ring later.
    EXPECT_LT(roundTripMs, 2 * 16 * 23.2) << "within two turns of the ring";
    EXPECT_TRUE(messages.Records().empty());
}
