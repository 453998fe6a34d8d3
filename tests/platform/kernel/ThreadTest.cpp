#include "platform/kernel/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <sys/resource.h>
#include <system_error>

namespace {

class CountingThread : public TThread {
public:
    explicit CountingThread(bool suspended) : TThread(suspended) {}
    std::atomic<int> passes{0};

protected:
    void Execute() override {
        while (!Terminated())
            passes.fetch_add(1);
        ReturnValue = 7;
    }
};

class ThrowingThread : public TThread {
public:
    ThrowingThread() : TThread(true) {}

protected:
    void Execute() override { throw std::runtime_error("frame handler failed"); }
};

class SynchronizingThread : public TThread {
public:
    SynchronizingThread() : TThread(true) {}
    std::thread::id ranOn;

protected:
    void Execute() override {
        Synchronize([this] { ranOn = std::this_thread::get_id(); });
    }
};

// Reads its own nice value once the test lets it.
class NiceReadingThread : public TThread {
public:
    NiceReadingThread() : TThread(true) {}
    std::promise<void> look;
    std::atomic<int> nice{0};

protected:
    void Execute() override {
        look.get_future().wait();
        nice = ::getpriority(PRIO_PROCESS, 0); // this thread's own value on Linux
    }
};

// Registers the test's thread as the main thread for the length of a test.
// Makes this thread the main one for a test and gives back the registration it found, which
// the framework's tests in the same process rely on.
struct MainThreadScope {
    const bool wasMain = IsMainThread();
    MainThreadScope() { SetMainThread(std::this_thread::get_id()); }
    ~MainThreadScope() { SetMainThread(wasMain ? std::this_thread::get_id() : std::thread::id()); }
};

} // namespace

TEST(Thread, CreatedSuspendedDoesNotRunUntilResumed) {
    CountingThread t(true);
    EXPECT_TRUE(t.Suspended());
    EXPECT_EQ(t.passes.load(), 0);
    t.Resume();
    while (t.passes.load() == 0) {
    }
    t.Terminate();
    EXPECT_EQ(t.WaitFor(), 7u);
    EXPECT_TRUE(t.Finished());
}

TEST(Thread, ATerminatedSuspendedThreadEndsWithoutRunningExecute) {
    CountingThread t(true);
    t.Terminate();
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(t.passes.load(), 0);
    EXPECT_EQ(t.FatalException(), "");
}

TEST(Thread, AnExceptionEndsTheThreadNotTheProcess) {
    ThrowingThread t;
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(t.FatalException(), "frame handler failed");
}

TEST(Thread, SynchronizeWithoutAMainThreadRunsAtOnce) {
    SynchronizingThread t;
    t.Resume();
    t.WaitFor();
    EXPECT_NE(t.ranOn, std::thread::id());
}

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileItWaitsForTheWorker) {
    MainThreadScope main;
    SynchronizingThread t;
    t.Resume();
    // The main thread blocks in WaitFor; the worker's Synchronize must still get through.
    t.WaitFor();
    EXPECT_EQ(t.ranOn, std::this_thread::get_id());
}

TEST(Thread, FreeOnTerminateDeletesTheObjectWhenExecuteEnds) {
    static std::atomic<bool> destroyed{false};
    class SelfFreeing : public TThread {
    public:
        SelfFreeing() : TThread(true) { FreeOnTerminate = true; }
        ~SelfFreeing() override { destroyed = true; }

    protected:
        void Execute() override {}
    };
    auto* t = new SelfFreeing;
    t->Resume();
    while (!destroyed.load()) {
        std::this_thread::yield();
    }
    SUCCEED();
}

TEST(Thread, OnTerminateRunsThroughSynchronize) {
    MainThreadScope main;
    CountingThread t(true);
    std::thread::id ranOn;
    t.OnTerminate = [&](TThread*) { ranOn = std::this_thread::get_id(); };
    t.Resume();
    t.Terminate();
    t.WaitFor();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Thread, AnInjectedCreationFaultRefusesOnlyTheChosenCreation) {
    FailNextThreadCreation(1);
    CountingThread first(true);
    EXPECT_THROW(CountingThread(true), std::system_error);
    CountingThread third(true);
    ClearThreadCreationFault();
}

// Only ever lowers the priority (raises the nice value), which every user may do.
TEST(Thread, APrioritySetWhileTheThreadStartsIsTheOneItRunsAt) {
    for (int round = 0; round < 20; ++round) {
        NiceReadingThread t;
        t.SetPriority(tpLowest);
        t.Resume();
        t.SetPriority(tpIdle);
        t.look.set_value();
        t.WaitFor();
        EXPECT_EQ(t.Priority(), tpIdle);
        EXPECT_EQ(t.nice.load(), 19) << "round " << round;
    }
}

// Threads of earlier tests that free themselves may still be ending meanwhile; they only
// ever lower the count.
TEST(Thread, ALiveThreadCountsUntilItHasEnded) {
    CountingThread joined(true);
    const int withJoined = LiveThreadCount();
    joined.Resume();
    joined.Terminate();
    joined.WaitFor();
    EXPECT_LT(LiveThreadCount(), withJoined) << "counted from its creation until WaitFor returned";
    class SelfFreeing : public TThread {
    public:
        SelfFreeing() : TThread(true) { FreeOnTerminate = true; }

    protected:
        void Execute() override {}
    };
    auto* selfFreeing = new SelfFreeing;
    const int withSelfFreeing = LiveThreadCount();
    selfFreeing->Resume();
    // Counted until after it has deleted itself; the loop ends only when that happened.
    while (LiveThreadCount() >= withSelfFreeing)
        std::this_thread::yield();
}
