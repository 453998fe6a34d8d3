// Capture and full duplex against a real sound server: a private PulseAudio whose null sink
// plays into its monitor, the default source. A tone player feeds the sink; the engines under
// test capture it, play it back into a second null sink ("Loop-Output") and a capture of that
// sink's monitor ("Loop-Input") hears what came out.
//
// The server works in real time and a loaded machine makes it drop or delay pieces of sound
// on their way through it; its capture can also fall behind the sink by whole seconds and
// catch up later. So the tone is judged only on stretches that came through whole, waiting
// (within a bound) until enough of them have come, and the processor's round trip is judged
// by where in its ring the sound comes back, not by how many turns of the ring that took.
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
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rate = 44100;
constexpr double ToneHz = 1000.0;
constexpr double ToneAmplitude = 8000.0;
constexpr int BlockBytes = 4096; // 1024 frames of 16-bit stereo, 23 ms
constexpr int BlockFrames = 1024;
constexpr int LongBlockBytes = 32768; // 8192 frames, 186 ms
constexpr int WindowFrames = 512; // the stretch a tone is judged on, 11.6 ms
constexpr int WholeWindowsWanted = 24;
constexpr int WaitMs = 10000;
// The engines default to the idle priority, whose threads a busy machine leaves waiting for
// whole blocks. A program that records or plays live sound raises them, and so do these tests.
constexpr TThreadPriority LivePriority = tpTimeCritical;

double Milliseconds(std::size_t frames) {
    return 1000.0 * static_cast<double>(frames) / Rate;
}

std::size_t Frames(double ms) {
    return static_cast<std::size_t>(ms * Rate / 1000.0);
}

// The left channel of every block an engine hands out, and when each block arrived.
class Recording {
public:
    void Add(const BYTE* data, DWORD len) {
        {
            std::lock_guard guard(lock_);
            const auto* samples = reinterpret_cast<const std::int16_t*>(data);
            for (DWORD i = 0; i < len / 4; ++i) {
                left_.push_back(samples[2 * i]);
                right_.push_back(samples[2 * i + 1]);
            }
            arrivals_.push_back({Clock::now(), left_.size()});
        }
        arrived_.notify_all();
    }
    std::vector<std::int16_t> Left() const {
        std::lock_guard guard(lock_);
        return left_;
    }
    std::vector<std::int16_t> Right() const {
        std::lock_guard guard(lock_);
        return right_;
    }
    // Waits until done holds for the samples so far, looking again each time two more
    // blocks have come; false after ms.
    bool Await(const std::function<bool(const std::vector<std::int16_t>&)>& done, int ms = WaitMs) {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
        std::size_t seen = 0;
        for (;;) {
            std::vector<std::int16_t> samples;
            {
                std::unique_lock guard(lock_);
                arrived_.wait_until(guard, deadline, [&] { return left_.size() >= seen + 2 * BlockFrames; });
                seen = left_.size();
                samples = left_;
            }
            if (done(samples)) return true;
            if (Clock::now() >= deadline) return false;
        }
    }
    bool AwaitFrames(std::size_t frames) {
        return Await([frames](const std::vector<std::int16_t>& samples) { return samples.size() >= frames; });
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
    std::condition_variable arrived_;
    std::vector<std::int16_t> left_;
    std::vector<std::int16_t> right_;
    std::vector<Arrival> arrivals_;
};

// The index of the first sample at least threshold loud, or npos.
std::size_t Onset(const std::vector<std::int16_t>& samples, std::size_t from = 0,
                  double threshold = ToneAmplitude / 2) {
    for (std::size_t i = from; i < samples.size(); ++i)
        if (std::abs(samples[i]) >= threshold) return i;
    return std::string::npos;
}

// A stretch of a recording judged as one sine. A pure tone obeys x[n] = c x[n-1] - x[n-2]
// with c = 2 cos(w), w its frequency in radians per frame, and x[n]^2 - x[n-1] x[n+1] equals
// A^2 sin^2(w) for its amplitude A at every sample. A gap, a lost or repeated piece or a
// jump in level breaks the first rule at the samples where it happens.
struct Stretch {
    double frequency = 0;
    double amplitude = 0;
    bool whole = false; // loud enough, and no sample strays from the rule
};

Stretch Judge(const std::vector<std::int16_t>& x, std::size_t from, std::size_t count) {
    Stretch stretch;
    if (count < 16 || from + count > x.size()) return stretch;
    const std::size_t end = from + count;
    auto at = [&](std::size_t i) { return static_cast<double>(x[i]); };
    double cross = 0;
    double square = 0;
    for (std::size_t n = from + 2; n < end; ++n) {
        cross += at(n - 1) * (at(n) + at(n - 2));
        square += at(n - 1) * at(n - 1);
    }
    if (square <= 0) return stretch;
    const double c = std::clamp(cross / square, -2.0, 2.0);
    const double w = std::acos(c / 2);
    double energy = 0;
    for (std::size_t n = from + 1; n + 1 < end; ++n)
        energy += at(n) * at(n) - at(n - 1) * at(n + 1);
    energy /= static_cast<double>(count - 2);
    stretch.frequency = w * Rate / (2 * M_PI);
    stretch.amplitude = energy > 0 && std::sin(w) > 0 ? std::sqrt(energy) / std::sin(w) : 0;
    // Rounding to 16 bits alone leaves a residue of a sample or two.
    const double tolerance = 0.03 * stretch.amplitude + 3;
    double worst = 0;
    for (std::size_t n = from + 2; n < end; ++n)
        worst = std::max(worst, std::abs(at(n) - c * at(n - 1) + at(n - 2)));
    stretch.whole = stretch.amplitude > ToneAmplitude / 4 && worst <= tolerance;
    return stretch;
}

// The tone over the whole windows of a recording from one sample on.
struct ToneReport {
    double frequency = 0; // the median over the whole windows
    double amplitude = 0; // the median over the whole windows
    int wholeWindows = 0;
    int windows = 0;
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

ToneReport AnalyseTone(const std::vector<std::int16_t>& samples, std::size_t from) {
    ToneReport report;
    std::vector<double> frequencies;
    std::vector<double> amplitudes;
    for (std::size_t start = from; start + WindowFrames <= samples.size(); start += WindowFrames) {
        ++report.windows;
        const Stretch stretch = Judge(samples, start, WindowFrames);
        if (!stretch.whole) continue;
        frequencies.push_back(stretch.frequency);
        amplitudes.push_back(stretch.amplitude);
    }
    report.wholeWindows = static_cast<int>(frequencies.size());
    report.frequency = Median(frequencies);
    report.amplitude = Median(amplitudes);
    return report;
}

// Where a burst of tone comes back at half its level, after from: the first sample louder than
// a third of the tone that begins 10 ms of one sine of about half its amplitude; npos if none.
std::size_t Return(const std::vector<std::int16_t>& samples, std::size_t from) {
    for (std::size_t i = Onset(samples, from, ToneAmplitude / 3); i != std::string::npos;
         i = Onset(samples, i + Frames(2), ToneAmplitude / 3)) {
        const Stretch stretch = Judge(samples, i + Frames(1), Frames(10));
        if (stretch.whole && std::abs(stretch.amplitude - ToneAmplitude / 2) < 0.15 * ToneAmplitude) return i;
    }
    return std::string::npos;
}

// A burst of tone joined by its echo. It is whole when the tone alone up to the step and the
// tone with its echo after it each came through as one sine; then the step is where the echo
// joined.
struct EchoedBurst {
    double echoMs;
    Stretch alone;
    Stretch joined;
};

// The frames of a burst before its onset that are judged with it.
constexpr std::size_t RisingFrames = 4;

// The whole bursts of a recording whose bursts last burstFrames; bursts counts every burst
// that began after a quiet stretch and stepped up.
std::vector<EchoedBurst> WholeEchoedBursts(const std::vector<std::int16_t>& out, std::size_t burstFrames,
                                           int& bursts) {
    std::vector<EchoedBurst> whole;
    bursts = 0;
    // Longer than any piece a loaded server drops from inside a burst.
    const std::size_t quiet = Frames(150);
    auto quietBefore = [&](std::size_t onset) {
        return onset >= quiet && std::all_of(out.begin() + static_cast<std::ptrdiff_t>(onset - quiet),
                                             out.begin() + static_cast<std::ptrdiff_t>(onset - Frames(5)),
                                             [](std::int16_t v) { return std::abs(v) < ToneAmplitude / 10; });
    };
    std::size_t onset = Onset(out, 0, 0.75 * ToneAmplitude);
    while (onset != std::string::npos && onset + burstFrames <= out.size()) {
        const std::size_t step = Onset(out, onset, 1.25 * ToneAmplitude);
        if (quietBefore(onset) && step != std::string::npos && step > onset + Frames(10) &&
            step + Frames(150) < out.size()) {
            ++bursts;
            // A burst starts on a rising zero of its sine, which is three quarters loud six
            // frames on: one whose start a loaded server lost or silenced has no rising
            // frames before its onset, and would show its echo early.
            const Stretch alone = Judge(out, onset - RisingFrames, step + RisingFrames - onset - Frames(2));
            const Stretch joined = Judge(out, step + Frames(1), Frames(140));
            if (alone.whole && joined.whole) whole.push_back({Milliseconds(step - onset), alone, joined});
        }
        onset = Onset(out, onset + burstFrames, 0.75 * ToneAmplitude);
    }
    return whole;
}

// Waits until the tone has sounded in rec and enough whole windows of it came after skipMs
// past its onset; answers the onset (npos when it never came).
std::size_t AwaitTone(Recording& rec, double skipMs = 20) {
    std::size_t onset = std::string::npos;
    rec.Await([&](const std::vector<std::int16_t>& samples) {
        onset = Onset(samples);
        return onset != std::string::npos &&
               AnalyseTone(samples, onset + Frames(skipMs)).wholeWindows >= WholeWindowsWanted;
    });
    return onset;
}

// A form with a user plug-in that plays the frames a pattern gives, and the player it feeds.
struct PatternPlayer {
    using Pattern = std::function<std::array<std::int16_t, 2>(long long frame)>;
    explicit PatternPlayer(Pattern pattern, const GUID* device = nullptr) {
        auto* user = new TSndUser(&owner);
        play = new TDSPlay(&owner);
        play->SetBufferSize(BlockBytes);
        play->SetPriority(LivePriority);
        play->SetpID(device);
        owner.LoadTree();
        user->SetOnInit([](TObject*, bool& result) { result = true; });
        user->SetOnProc([this, pattern](TObject*, BYTE* data, DWORD len, bool& more) {
            auto* samples = reinterpret_cast<std::int16_t*>(data);
            for (DWORD i = 0; i < len / 4; ++i, ++frame) {
                const std::array<std::int16_t, 2> values = pattern(frame);
                samples[2 * i] = values[0];
                samples[2 * i + 1] = values[1];
            }
            generated.store(frame);
            more = true;
        });
        play->SetOnProc([this](TObject*, BYTE*, DWORD) { blocks.Add(); });
        play->SetFileName("pattern");
    }
    // Starts and waits until the sink has asked for a few blocks past the prefill: a null
    // sink nobody plays into sleeps up to two seconds before it first asks.
    void StartAndWaitUntilPulled() {
        play->SetActive(true);
        ASSERT_TRUE(play->Active());
        ASSERT_TRUE(blocks.WaitFor(play->PrefillBlocks() + 4, WaitMs));
    }

    TComponent owner{nullptr};
    TDSPlay* play = nullptr;
    Counter blocks;
    long long frame = 0; // the player's events thread only
    std::atomic<long long> generated{0};
};

// A 1 kHz sine on both channels while sounding(frame) holds, silence otherwise.
PatternPlayer::Pattern Tone(double amplitude = ToneAmplitude,
                            std::function<bool(long long)> sounding = nullptr) {
    return [amplitude, sounding](long long frame) {
        const double value = !sounding || sounding(frame)
                                 ? amplitude * std::sin(2 * M_PI * ToneHz * static_cast<double>(frame) / Rate)
                                 : 0.0;
        const auto sample = static_cast<std::int16_t>(std::lround(value));
        return std::array<std::int16_t, 2>{sample, sample};
    };
}

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
        capture->SetPriority(LivePriority);
        capture->SetpID(device);
        capture->SetOnProc([&rec](TObject*, BYTE* data, DWORD len) { rec.Add(data, len); });
        return capture;
    }
    // The tone's frequency and amplitude over the whole windows from skipMs past the onset.
    static void expectTone(const std::vector<std::int16_t>& samples, std::size_t onset, const char* where,
                           double amplitude = ToneAmplitude, double skipMs = 20) {
        ASSERT_NE(onset, std::string::npos) << where;
        const ToneReport tone = AnalyseTone(samples, onset + Frames(skipMs));
        std::printf("%s: %.2f Hz, amplitude %.0f, %d of %d windows whole\n", where, tone.frequency,
                    tone.amplitude, tone.wholeWindows, tone.windows);
        ASSERT_GE(tone.wholeWindows, WholeWindowsWanted) << where << ": too little came through whole";
        EXPECT_NEAR(tone.frequency, ToneHz, 1.0) << where;
        EXPECT_NEAR(tone.amplitude, amplitude, amplitude * 0.05) << where;
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
    ASSERT_TRUE(monitor.AwaitFrames(Rate / 4)) << "capture runs on the server's clock";
    PatternPlayer tone(Tone());
    const Clock::time_point started = Clock::now();
    tone.play->SetActive(true);
    ASSERT_TRUE(tone.play->Active());
    const std::size_t onset = AwaitTone(monitor);
    tone.play->SetActive(false);
    capture->SetActive(false);
    ASSERT_NE(onset, std::string::npos) << "the tone never came";
    expectTone(monitor.Left(), onset, "monitor");
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
    PatternPlayer tone(Tone());
    tone.StartAndWaitUntilPulled();
    PatternPlayer keeper(Tone(0.0), &loopOutput);
    keeper.StartAndWaitUntilPulled();
    TComponent chain(nullptr);
    auto* capture = new TDSCapture(&chain);
    capture->SetBufferSize(BlockBytes);
    capture->SetPriority(LivePriority);
    auto* plug = new TDSCapturePlug(&chain);
    plug->SetDSCapture(capture);
    auto* player = new TDSPlay(&chain);
    player->SetBufferSize(BlockBytes);
    player->SetPriority(LivePriority);
    player->SetpID(&loopOutput);
    chain.LoadTree();
    player->SetFileName(TDSCapturePlug::CaptureFileName);
    player->SetActive(true);
    ASSERT_TRUE(player->Active());
    ASSERT_TRUE(capture->Active()) << "the plug-in switched its capture engine on";
    const std::size_t onset = AwaitTone(loop);
    const std::vector<std::int16_t> heard = loop.Left();
    player->SetFileName("");
    EXPECT_FALSE(capture->Active());
    tone.play->SetActive(false);
    keeper.play->SetActive(false);
    loopCapture->SetActive(false);
    expectTone(heard, onset, "capture plug-in through a player");
    EXPECT_TRUE(messages.Records().empty());
}

// With an echo of 100 ms at half gain, a 1 kHz tone (100 whole periods in the delay) is
// joined by itself in phase: the level steps to one and a half times 100 ms after the tone
// arrives. The tone sounds in bursts, so the step can be measured again on the next burst
// when a loaded server breaks one on its way.
TEST_F(DuplexOnSoundServer, TheProcessorPlaysWhatItCapturesIntoAnotherSinkWithItsEcho) {
    constexpr double BurstMs = 300;
    constexpr double PeriodMs = 600;
    constexpr double EchoMs = 100;
    addLoopSink();
    Recording loop;
    TDSCapture* loopCapture = recorder(&loopInput, loop);
    loopCapture->SetActive(true);
    // Wake the second sink first, so the processor's output starts with its capture.
    PatternPlayer keeper(Tone(0.0), &loopOutput);
    keeper.StartAndWaitUntilPulled();
    TComponent processorForm(nullptr);
    auto* proc = new TDSProcessor(&processorForm);
    auto* echo = new TSndEcho(&processorForm);
    echo->Delay = static_cast<int>(EchoMs);
    echo->Gain = 64;
    echo->SetOnChange([](TObject*) {});
    echo->Enabled = true;
    proc->SetBufferSize(BlockBytes);
    proc->SetPriority(LivePriority);
    proc->SetBufferOffset(2);
    proc->SetUseEffects(true);
    proc->SetpDSID(&loopOutput);
    processorForm.LoadTree();
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active());
    PatternPlayer tone(Tone(ToneAmplitude, [&](long long frame) {
        return static_cast<std::size_t>(frame) % Frames(PeriodMs) < Frames(BurstMs);
    }));
    tone.play->SetActive(true);

    std::vector<EchoedBurst> whole;
    int bursts = 0;
    auto measure = [&](const std::vector<std::int16_t>& out) {
        whole = WholeEchoedBursts(out, Frames(BurstMs), bursts);
        return whole.size() >= 2;
    };
    EXPECT_TRUE(loop.Await(measure)) << whole.size() << " of " << bursts << " bursts came through whole";
    tone.play->SetActive(false);
    proc->SetActive(false);
    keeper.play->SetActive(false);
    loopCapture->SetActive(false);
    ASSERT_FALSE(whole.empty());
    for (const EchoedBurst& burst : whole) {
        std::printf(
            "echo heard %.1f ms after the tone; %.2f Hz, amplitude %.0f alone and %.0f with the echo\n",
            burst.echoMs, burst.joined.frequency, burst.alone.amplitude, burst.joined.amplitude);
        EXPECT_NEAR(burst.echoMs, EchoMs, 3.0);
        EXPECT_NEAR(burst.alone.frequency, ToneHz, 1.0);
        EXPECT_NEAR(burst.joined.frequency, ToneHz, 1.0);
        EXPECT_NEAR(burst.alone.amplitude, ToneAmplitude, ToneAmplitude * 0.05);
        EXPECT_NEAR(burst.joined.amplitude, 1.5 * ToneAmplitude, 1.5 * ToneAmplitude * 0.05);
    }
    EXPECT_TRUE(messages.Records().empty());
}

// The round trip on one clock: the processor captures the sink's monitor and plays into the
// same sink at half the level, so a burst it captured comes back into the monitor one trip
// later at half its level; a second capture records the monitor. Block k goes to block
// k + 2 + offset of the ring; bursts 700 ms apart show that this holds through the run: the
// processor keeps its delay within a block of where it started and a loaded server adds its
// own jitter, but no trip is a turn of the ring (371 ms) longer.
TEST_F(DuplexOnSoundServer, TheProcessorsRoundTripNeverGrowsByATurnOfTheRingThroughoutARun) {
    constexpr int Offset = 2, Bursts = 12;
    constexpr int TripBlockFrames = 2048; // 46 ms: the server's own jitter is a block of 23 ms
    constexpr long long BurstFrames = Rate / 50, PeriodFrames = Rate * 7 / 10;
    std::atomic<long long> burstsFrom{-1};
    PatternPlayer source(Tone(ToneAmplitude, [&](long long frame) {
        const long long from = burstsFrom.load();
        return from >= 0 && frame >= from && frame < from + Bursts * PeriodFrames &&
               (frame - from) % PeriodFrames < BurstFrames;
    }));
    source.StartAndWaitUntilPulled();
    TComponent processorForm(nullptr);
    auto* proc = new TDSProcessor(&processorForm);
    proc->SetBufferSize(TripBlockFrames * 4);
    proc->SetBuffersCount(8);
    proc->SetPriority(LivePriority);
    proc->SetBufferOffset(Offset);
    processorForm.LoadTree();
    proc->SetOnProc([&](TObject*, BYTE* data, DWORD len) {
        auto* samples = reinterpret_cast<std::int16_t*>(data);
        for (DWORD i = 0; i < len / 2; ++i)
            samples[i] = static_cast<std::int16_t>(samples[i] / 2);
    });
    Recording captured;
    TDSCapture* monitor = recorder(nullptr, captured);
    monitor->SetActive(true);
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active() && monitor->Active());
    ASSERT_TRUE(captured.AwaitFrames(Rate / 4));
    burstsFrom.store(source.generated.load()); // from the next block the source fills
    std::vector<double> trips;
    int bursts = 0;
    EXPECT_TRUE(captured.Await(
        [&](const std::vector<std::int16_t>& in) {
            trips.clear();
            bursts = 0;
            std::size_t burst = Onset(in, 0, 0.75 * ToneAmplitude);
            if (burst == std::string::npos || in.size() < burst + Bursts * PeriodFrames) return false;
            for (; burst != std::string::npos && burst + PeriodFrames <= in.size(); ++bursts) {
                // A return comes before the next burst, also one a turn of the ring late.
                const std::size_t back = Return(in, burst + BurstFrames);
                if (back < burst + PeriodFrames - Rate / 20) trips.push_back(Milliseconds(back - burst));
                burst = Onset(in, burst + PeriodFrames - Rate / 20, 0.75 * ToneAmplitude);
            }
            return true;
        },
        2 * WaitMs));
    proc->SetActive(false);
    monitor->SetActive(false);
    source.play->SetActive(false);
    ASSERT_FALSE(trips.empty()) << "no burst came back";
    const double placedMs = Milliseconds((Offset + 2) * TripBlockFrames),
                 blockMs = Milliseconds(TripBlockFrames), halfRingMs = Milliseconds(4 * TripBlockFrames);
    const auto [shortest, longest] = std::minmax_element(trips.begin(), trips.end());
    RecordProperty("processor_round_trip_ms", static_cast<int>(trips.front()));
    std::printf(
        "processor round trips (blocks of 46 ms, offset 2), %zu of %d bursts back whole: %.1f to %.1f ms\n",
        trips.size(), bursts, *shortest, *longest);
    EXPECT_GE(3 * static_cast<int>(trips.size()), bursts) << "a third of the bursts or more come back whole";
    EXPECT_GE(*shortest, placedMs - blockMs) << "the four blocks the processor puts between them, less one";
    EXPECT_LT(*longest, placedMs + halfRingMs) << "a turn of the ring, or a server that holds sound back";
    EXPECT_LT(*longest - *shortest, halfRingMs)
        << "a trip a turn of the ring longer than another: " << testing::PrintToString(trips);
    EXPECT_TRUE(messages.Records().empty());
}

// The processor at its default priority, whatever load the machine has: a numbered pattern
// played into the second sink is captured from its monitor and played into ours, whose
// monitor a second capture records. A block the processor takes late, or while the capture
// writes over it, may go missing, but what it plays never sounds a frame twice nor one older
// than a frame it sounded before.
TEST_F(DuplexOnSoundServer, TheProcessorNeverSoundsWhatItCapturedTwiceNorAfterSomethingLater) {
    constexpr std::size_t HeardFrames = 4 * Rate;
    addLoopSink();
    // The source takes a ring of three seconds: a server that falls behind and catches up at
    // once may run past a ring of the processor's or the recording's, never past the source's,
    // which would sound again what it played a turn before.
    PatternPlayer source(Numbered, &loopOutput);
    source.play->SetBufferSize(LongBlockBytes);
    source.StartAndWaitUntilPulled();
    TComponent processorForm(nullptr);
    auto* proc = new TDSProcessor(&processorForm);
    proc->SetpDSCID(&loopInput);
    processorForm.LoadTree();
    Recording out;
    TDSCapture* monitor = recorder(nullptr, out);
    monitor->SetActive(true);
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active() && monitor->Active());
    EXPECT_TRUE(out.Await(
        [](const std::vector<std::int16_t>& left) {
            return static_cast<std::size_t>(std::count_if(
                       left.begin(), left.end(), [](std::int16_t v) { return v > 0; })) >= HeardFrames;
        },
        3 * WaitMs))
        << "too little came through";
    proc->SetActive(false);
    monitor->SetActive(false);
    source.play->SetActive(false);
    const NumberedHearing hearing = JudgeNumbered(out.Left(), out.Right());
    std::printf("numbered frames heard: %lld, of them %lld no later than one before\n", hearing.heard,
                hearing.outOfTurn);
    EXPECT_EQ(hearing.outOfTurn, 0);
    EXPECT_TRUE(messages.Records().empty());
}
