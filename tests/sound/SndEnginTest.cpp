#include "sound/SndEngin.h"
#include "SoundTestKit.h"
#include "sound/ThStop.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

// The test engine's two counters own an event each.
constexpr std::size_t CounterEvents = 2;

// The smallest concrete engine: block events, a switch that records, nothing to play.
class RingEngine : public TSndEngine {
    VX_CLASS(RingEngine, TSndEngine)
public:
    explicit RingEngine(TComponent* owner) : TSndEngine(owner) { FixInitBuffer(); }
    ~RingEngine() override { SetActive(false); }
    void SetChannels(unsigned short) override {}
    void SetBitsPerSample(unsigned short) override {}
    void SetSamplesPerSec(unsigned long) override {}
    void SetActive(bool active) override {
        TSndControlHold hold(Control);
        SwitchLocked(active);
    }
    void ShowError(const char*) override {}
    void InitBuffer() override {
        ++initCount;
        CreateBlockEvents("RingEngine: Can't create event");
    }
    void Process(int block) override {
        {
            std::lock_guard guard(blocksLock);
            blocks.push_back(block);
        }
        processed.Add();
        if (onProcess) onProcess(block);
    }
    void GetCurrentBuffer(short*, short*, int) override {}

    std::vector<int> Blocks() {
        std::lock_guard guard(blocksLock);
        return blocks;
    }

    int initCount = 0;
    // Runs at the end of every Process call, on the events thread; set it before switching on.
    std::function<void(int)> onProcess;
    std::vector<bool> switches;
    bool withThread = false;
    Counter processed;
    Counter changes;

protected:
    void SwitchLocked(bool active) override {
        if (active == Active()) return;
        switches.push_back(active);
        SetActiveFlag(active);
        if (withThread && active) StartEventsThread();
        if (!active) StopEventsThread();
        changes.Add();
    }

private:
    std::mutex blocksLock;
    std::vector<int> blocks;
};

} // namespace

TEST(EngineRing, StartsWithSixteenBlocksOf32768BytesAndTheirEvents) {
    const std::size_t before = OpenEventCount();
    RingEngine engine(nullptr);
    EXPECT_EQ(engine.BufferSize(), 32768);
    EXPECT_EQ(engine.BuffersCount(), 16);
    EXPECT_EQ(engine.BuffersSize(), 524288);
    EXPECT_EQ(engine.EventCount(), 16);
    EXPECT_EQ(OpenEventCount() - before, 16u + CounterEvents);
    EXPECT_EQ(engine.Priority(), tpIdle);
    EXPECT_FALSE(engine.Active());
    EXPECT_EQ(engine.Channels(), 2);
    EXPECT_EQ(engine.BitsPerSample(), 16);
    EXPECT_EQ(engine.SamplesPerSec(), 44100u);
}

TEST(EngineRing, SizesAreTakenDownToAPowerOfTwoAndClamped) {
    struct Case {
        int asked, size;
    };
    RingEngine engine(nullptr);
    for (Case c :
         {Case{5000, 4096}, Case{100000, 32768}, Case{3, 4}, Case{0, 4}, Case{-7, 4}, Case{64, 64}}) {
        engine.SetBufferSize(c.asked);
        EXPECT_EQ(engine.BufferSize(), c.size) << c.asked;
    }
    for (Case c : {Case{5, 4}, Case{17, 16}, Case{1, 2}, Case{0, 2}, Case{8, 8}}) {
        engine.SetBuffersCount(c.asked);
        EXPECT_EQ(engine.BuffersCount(), c.size) << c.asked;
    }
}

TEST(EngineRing, ResizingRecomputesMasksAndReplacesTheEvents) {
    const std::size_t before = OpenEventCount();
    {
        RingEngine engine(nullptr);
        engine.SetBufferSize(4096);
        engine.SetBuffersCount(4);
        EXPECT_EQ(engine.BufferSizeMask(), 4095);
        EXPECT_EQ(engine.BuffersCountMask(), 3);
        EXPECT_EQ(engine.BuffersSize(), 16384);
        EXPECT_EQ(engine.BuffersSizeMask(), 16383);
        EXPECT_EQ(engine.EventCount(), 4);
        EXPECT_EQ(OpenEventCount() - before, 4u + CounterEvents);
    }
    EXPECT_EQ(OpenEventCount(), before);
}

TEST(EngineRing, SettingTheCurrentSizeCreatesNoEvents) {
    RingEngine engine(nullptr);
    const int inits = engine.initCount;
    engine.SetBufferSize(32768);
    engine.SetBuffersCount(16);
    EXPECT_EQ(engine.initCount, inits);
}

TEST(EngineRing, ResizingAnActiveEngineSwitchesItOffAndOnAgain) {
    RingEngine engine(nullptr);
    engine.SetActive(true);
    engine.switches.clear();
    engine.SetBuffersCount(4);
    EXPECT_EQ(engine.switches, (std::vector<bool>{false, true}));
    EXPECT_TRUE(engine.Active());
}

TEST(EngineSplit, EightBitMonoMapsUnsignedBytesToSignedSamplesAndBack) {
    const BYTE bytes[3] = {0x00, 0x80, 0xFF};
    short samples[3];
    TSndEngine::GetBuf8Mono(samples, bytes, 3, nullptr, 0);
    EXPECT_EQ(samples[0], -32768);
    EXPECT_EQ(samples[1], 0);
    EXPECT_EQ(samples[2], 32512);
    BYTE back[3] = {};
    TSndEngine::PutBuf8Mono(samples, back, 3, nullptr, 0);
    EXPECT_EQ(back[0], 0x00);
    EXPECT_EQ(back[1], 0x80);
    EXPECT_EQ(back[2], 0xFF);
}

TEST(EngineSplit, SixteenBitStereoContinuesFromTheFirstPartIntoTheSecond) {
    const short first[2] = {100, -200};
    const short second[2] = {300, -400};
    short L[2], R[2];
    TSndEngine::GetBuf16Stereo(L, R, reinterpret_cast<const BYTE*>(first), 4,
                               reinterpret_cast<const BYTE*>(second), 4);
    EXPECT_EQ(L[0], 100);
    EXPECT_EQ(R[0], -200);
    EXPECT_EQ(L[1], 300);
    EXPECT_EQ(R[1], -400);
    short out1[2] = {}, out2[2] = {};
    TSndEngine::PutBuf16Stereo(L, R, reinterpret_cast<BYTE*>(out1), 4, reinterpret_cast<BYTE*>(out2), 4);
    EXPECT_EQ(out1[1], -200);
    EXPECT_EQ(out2[0], 300);
}

TEST(EngineSplit, SixteenBitMonoPlacesTheSecondPartAfterTheFirstPartsWholeSamples) {
    const short first[3] = {1, 2, 3};
    const short second[2] = {4, 5};
    short M[5] = {};
    TSndEngine::GetBuf16Mono(M, reinterpret_cast<const BYTE*>(first), 6,
                             reinterpret_cast<const BYTE*>(second), 4);
    EXPECT_EQ(M[2], 3);
    EXPECT_EQ(M[3], 4);
    short back[2] = {};
    TSndEngine::PutBuf16Mono(M, reinterpret_cast<BYTE*>(back), 4, nullptr, 0);
    EXPECT_EQ(back[1], 2);
}

TEST(EngineSplit, EightBitStereoSplitsPairsAndJoinsHighBytes) {
    const BYTE first[2] = {0x81, 0x7F};
    const BYTE second[2] = {0x00, 0xFF};
    short L[2], R[2];
    TSndEngine::GetBuf8Stereo(L, R, first, 2, second, 2);
    EXPECT_EQ(L[0], 256);
    EXPECT_EQ(R[0], -256);
    EXPECT_EQ(L[1], -32768);
    EXPECT_EQ(R[1], 32512);
    L[0] = 0x12FF; // only the high byte survives
    BYTE out1[2], out2[2];
    TSndEngine::PutBuf8Stereo(L, R, out1, 2, out2, 2);
    EXPECT_EQ(out1[0], 0x92);
    EXPECT_EQ(out2[1], 0xFF);
}

TEST(EngineEventsThread, CallsProcessWithTheIndexOfEachSignalledBlock) {
    RingEngine engine(nullptr);
    engine.SetBuffersCount(4);
    engine.withThread = true;
    engine.SetActive(true);
    SetEvent(engine.Events()[2]);
    ASSERT_TRUE(engine.processed.WaitFor(1));
    SetEvent(engine.Events()[0]);
    ASSERT_TRUE(engine.processed.WaitFor(2));
    engine.SetActive(false);
    EXPECT_EQ(engine.Blocks(), (std::vector<int>{2, 0}));
    SetEvent(engine.Events()[1]);
    EXPECT_EQ(engine.processed.Value(), 2) << "no thread listens once the engine is off";
}

TEST(EngineEventsThread, BlocksSignalledTogetherAcrossTheEndOfTheRingAreProcessedInRingOrder) {
    RingEngine engine(nullptr);
    engine.SetBuffersCount(4);
    engine.withThread = true;
    Signal held;
    Signal release;
    engine.onProcess = [&](int block) {
        if (block != 2) return;
        held.Set();
        release.Wait();
    };
    engine.SetActive(true);
    SetEvent(engine.Events()[2]);
    ASSERT_TRUE(held.Wait());
    // While block 2 is processed the cursor reaches block 3 and then wraps to block 0.
    SetEvent(engine.Events()[3]);
    SetEvent(engine.Events()[0]);
    release.Set();
    ASSERT_TRUE(engine.processed.WaitFor(3));
    SetEvent(engine.Events()[1]);
    ASSERT_TRUE(engine.processed.WaitFor(4));
    engine.SetActive(false);
    EXPECT_EQ(engine.Blocks(), (std::vector<int>{2, 3, 0, 1}));
}

TEST(EngineEventsThread, ResizingTheRingRestartsTheThreadOnTheNewEvents) {
    RingEngine engine(nullptr);
    engine.withThread = true;
    engine.SetActive(true);
    engine.SetBuffersCount(2); // off, resize, on
    EXPECT_TRUE(engine.Active());
    SetEvent(engine.Events()[1]);
    ASSERT_TRUE(engine.processed.WaitFor(1));
    engine.SetActive(false);
    EXPECT_EQ(engine.Blocks(), (std::vector<int>{1}));
}

// Lowers the priority only (raises the nice value), which every user may do.
TEST(EngineEventsThread, APriorityGivenWhileTheThreadStartsIsTheOneItRunsAt) {
    RingEngine engine(nullptr);
    engine.withThread = true;
    std::atomic<int> nice{0};
    engine.onProcess = [&](int) { nice = ::getpriority(PRIO_PROCESS, 0); };
    engine.SetPriority(tpLowest);
    engine.SetActive(true);
    engine.SetPriority(tpIdle);
    SetEvent(engine.Events()[0]);
    ASSERT_TRUE(engine.processed.WaitFor(1));
    engine.SetActive(false);
    EXPECT_EQ(nice.load(), 19);
}

TEST(EngineStopThread, ActsOnlyOnTheSessionThatStartedIt) {
    RingEngine engine(nullptr);
    engine.SetActive(true);
    const unsigned first = engine.Session();
    engine.SetActive(false);
    engine.SetActive(true);
    engine.StopSession(first);
    EXPECT_TRUE(engine.Active()) << "a stop meant for an earlier run is ignored";
    engine.StopSession(engine.Session());
    EXPECT_FALSE(engine.Active());
}

TEST(EngineStopThread, SwitchesTheEngineOffAndTheEngineWaitsForItWhenDestroyed) {
    for (int i = 0; i < 20; ++i) {
        auto engine = std::make_unique<RingEngine>(nullptr);
        engine->SetActive(true);
        TSndStopThread::Launch(engine.get());
        if (i % 2 == 0) {
            ASSERT_TRUE(engine->changes.WaitFor(2));
            EXPECT_FALSE(engine->Active());
        }
        engine.reset(); // never under a stop thread still running
    }
}

TEST(EngineControl, ALentLockLetsOnlyItsGuestInUntilTakenBack) {
    TSndControlLock lock;
    lock.Acquire();
    lock.Acquire(); // re-entrant on its holder
    std::atomic<std::thread::id> guestId{};
    const int depth = lock.Suspend(&guestId);
    std::atomic<bool> otherIn{false};
    std::thread other([&] {
        lock.Acquire();
        otherIn = true;
        lock.Release();
    });
    std::atomic<bool> guestIn{false};
    std::thread guest([&] {
        guestId.store(std::this_thread::get_id());
        lock.Acquire();
        guestIn = true;
        lock.Release();
    });
    guest.join();
    EXPECT_TRUE(guestIn.load());
    lock.Resume(depth);
    EXPECT_FALSE(otherIn.load());
    lock.Release();
    EXPECT_FALSE(otherIn.load()) << "still held once";
    lock.Release();
    other.join();
    EXPECT_TRUE(otherIn.load());
}
