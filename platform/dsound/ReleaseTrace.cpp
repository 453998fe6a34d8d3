#include "platform/dsound/ReleaseTrace.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<bool> tracing{false};
std::mutex traceLock;
std::vector<std::string> trace; // guarded by traceLock

} // namespace

void TraceFinalRelease(const char* kind) {
    if (!tracing.load(std::memory_order_relaxed)) return;
    std::lock_guard guard(traceLock);
    trace.emplace_back(kind);
}

void StartReleaseTrace() {
    std::lock_guard guard(traceLock);
    trace.clear();
    tracing.store(true);
}

std::vector<std::string> StopReleaseTrace() {
    std::lock_guard guard(traceLock);
    tracing.store(false);
    std::vector<std::string> kinds;
    kinds.swap(trace);
    return kinds;
}
