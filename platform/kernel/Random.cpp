#include "platform/kernel/Random.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace {

struct Generator {
    std::mutex lock;
    DWORD seed = 0;
    std::function<SystemTime()> timeSource;
};

Generator& generator() {
    static Generator instance;
    return instance;
}

// A 32-bit linear congruential step (full period modulo 2^32); the high bits are the good
// ones, so a draw scales the whole state rather than taking a remainder.
DWORD step(DWORD seed) {
    return seed * 134775813u + 1u;
}

SystemTime systemLocalTime() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm parts{};
    localtime_r(&t, &parts);
    SystemTime st;
    st.year = parts.tm_year + 1900;
    st.month = parts.tm_mon + 1;
    st.day = parts.tm_mday;
    st.dayOfWeek = parts.tm_wday;
    st.hour = parts.tm_hour;
    st.minute = parts.tm_min;
    st.second = parts.tm_sec;
    st.milliseconds = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return st;
}

} // namespace

int Random(int n) {
    if (n <= 0) return 0;
    Generator& g = generator();
    std::lock_guard guard(g.lock);
    g.seed = step(g.seed);
    return static_cast<int>((static_cast<std::uint64_t>(g.seed) * static_cast<std::uint64_t>(n)) >> 32);
}

double RandomFloat() {
    Generator& g = generator();
    std::lock_guard guard(g.lock);
    g.seed = step(g.seed);
    return static_cast<double>(g.seed) / 4294967296.0;
}

void Randomize() {
    SystemTime t = GetLocalTime();
    DWORD ms = static_cast<DWORD>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds);
    SetRandSeed(ms);
}

void SetRandSeed(DWORD seed) {
    Generator& g = generator();
    std::lock_guard guard(g.lock);
    g.seed = seed;
}

DWORD RandSeed() {
    Generator& g = generator();
    std::lock_guard guard(g.lock);
    return g.seed;
}

SystemTime GetLocalTime() {
    std::function<SystemTime()> source;
    {
        Generator& g = generator();
        std::lock_guard guard(g.lock);
        source = g.timeSource;
    }
    return source ? source() : systemLocalTime();
}

void SetLocalTimeSource(std::function<SystemTime()> source) {
    Generator& g = generator();
    std::lock_guard guard(g.lock);
    g.timeSource = std::move(source);
}
