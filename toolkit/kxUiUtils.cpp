#include "toolkit/kxUiUtils.h"

#include <mutex>

namespace {

std::mutex probeLock;
std::function<bool()> foregroundProbe; // guarded by probeLock

std::string trimmedBlanks(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

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
    DWORD build =
        info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? info.dwBuildNumber & 0xFFFF : info.dwBuildNumber;
    return trimmedBlanks(FormatText("Windows %s %d.%.2d.%.3d %s", WindowsPlatformName(info).c_str(),
                                    static_cast<int>(info.dwMajorVersion),
                                    static_cast<int>(info.dwMinorVersion), static_cast<int>(build),
                                    info.szCSDVersion.c_str()));
}
