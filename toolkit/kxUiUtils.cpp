#include "toolkit/kxUiUtils.h"

#include <mutex>

namespace {

std::mutex probeLock;
std::function<bool()> foregroundProbe; // guarded by probeLock

} // namespace

bool IsForegroundTask() {
    std::function<bool()> probe;
    {
        std::lock_guard<std::mutex> guard(probeLock);
        probe = foregroundProbe;
    }
    return probe && probe();
}

void SetForegroundTaskProbe(std::function<bool()> probe) {
    std::lock_guard<std::mutex> guard(probeLock);
    foregroundProbe = std::move(probe);
}

std::string FormatUiWindowsVersion(const TOSVersionInfo& info) {
    return FormatVersionInfo("Windows %s %d.%.2d.%.3d %s", info);
}
