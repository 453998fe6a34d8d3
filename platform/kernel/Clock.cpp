#include "platform/kernel/Clock.h"

#include <chrono>
#include <thread>

namespace {

class SystemClock : public TickSource {
public:
    DWORD Now() override {
        using namespace std::chrono;
        auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        return static_cast<DWORD>(static_cast<std::uint64_t>(ms));
    }
    void SleepFor(DWORD ms) override {
        if (ms == 0) {
            std::this_thread::yield();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

SystemClock systemClock;
std::atomic<TickSource*> currentSource{&systemClock};

} // namespace

DWORD GetTickCount() {
    return currentSource.load(std::memory_order_acquire)->Now();
}

void Sleep(DWORD ms) {
    currentSource.load(std::memory_order_acquire)->SleepFor(ms);
}

void SetTickSource(TickSource* source) {
    currentSource.store(source ? source : &systemClock, std::memory_order_release);
}

TestClock::TestClock(DWORD start, bool sleepAdvances) : now_(start), sleepAdvances_(sleepAdvances) {}

DWORD TestClock::Now() {
    return now_.load();
}

void TestClock::SleepFor(DWORD ms) {
    if (sleepAdvances_) now_.fetch_add(ms);
    // Give other threads a real moment so a loop that sleeps does not spin a core.
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TestClock::Set(DWORD ms) {
    now_.store(ms);
}

void TestClock::Advance(DWORD ms) {
    now_.fetch_add(ms);
}

ScopedTestClock::ScopedTestClock(DWORD start, bool sleepAdvances) : clock_(start, sleepAdvances) {
    SetTickSource(&clock_);
}

ScopedTestClock::~ScopedTestClock() {
    SetTickSource(nullptr);
}
