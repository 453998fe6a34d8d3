#include "platform/files/FileNames.h"

#include <mutex>

#include <limits.h>
#include <unistd.h>

namespace {

std::mutex exeNameLock;
std::string exeNameOverride; // guarded by exeNameLock

std::size_t lastSeparator(const std::string& fileName) {
    return fileName.find_last_of("/\\");
}

std::string readExeLink() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

} // namespace

std::string ExeName() {
    {
        std::lock_guard<std::mutex> guard(exeNameLock);
        if (!exeNameOverride.empty()) return exeNameOverride;
    }
    return readExeLink();
}

std::string ExeDir() {
    return ExtractFilePath(ExeName());
}

void SetExeName(const std::string& path) {
    std::lock_guard<std::mutex> guard(exeNameLock);
    exeNameOverride = path;
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    std::size_t dot = fileName.find_last_of('.');
    std::size_t separator = lastSeparator(fileName);
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

std::string ExtractFilePath(const std::string& fileName) {
    std::size_t separator = lastSeparator(fileName);
    return separator == std::string::npos ? std::string() : fileName.substr(0, separator + 1);
}

std::string ExtractFileName(const std::string& fileName) {
    std::size_t separator = lastSeparator(fileName);
    return separator == std::string::npos ? fileName : fileName.substr(separator + 1);
}

std::string DiskFilePath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DiskFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::size_t FileNameLimit(const std::string& folder) {
    const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

std::string ShortenedName(const std::string& name, std::size_t limit) {
    if (name.size() <= limit) return name;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}
