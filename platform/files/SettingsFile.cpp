#include "platform/files/SettingsFile.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/FileReplacement.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long long nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

template <class Stamp> Stamp stampOf(const struct stat& info) {
    return Stamp{info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

// Reads up to limit bytes; more stays unread.
std::string readUpTo(int fd, std::size_t limit, std::size_t expected) {
    std::string text;
    text.reserve(std::min(limit, expected));
    char buffer[65536];
    while (text.size() < limit) {
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

// The folder a write to path replaces an entry of ("." for a bare name).
std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(ReplacedFile(path)).parent_path().string();
    return folder.empty() ? "." : folder;
}

} // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

SettingsFile::~SettingsFile() {
    if (held_ >= 0) close(held_);
}

bool SettingsFile::Changed() const {
    if (!known_) return true;
    struct stat info;
    if (stat(path_.c_str(), &info) != 0) return stamp_.has_value();
    return !stamp_ || !(stampOf<Stamp>(info) == *stamp_);
}

void SettingsFile::remember(int fd, std::optional<Stamp> stamp) {
    if (held_ >= 0) close(held_);
    held_ = fd;
    stamp_ = stamp;
    known_ = true;
}

SettingsFile::Contents SettingsFile::Read(std::size_t limit) {
    Contents contents;
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0) close(fd);
        struct stat other;
        contents.exists = stat(path_.c_str(), &other) == 0;
        contents.whole = !contents.exists;
        remember(-1, std::nullopt);
        if (contents.exists) known_ = false; // unreadable now: look again next time
        return contents;
    }
    contents.exists = true;
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        remember(-1, stampOf<Stamp>(info));
        return contents;
    }
    const std::size_t wanted = limit == std::string::npos ? limit : limit + 1;
    contents.text = readUpTo(fd, wanted, static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    if (contents.text.size() > limit) {
        contents.text.resize(limit);
        contents.whole = false;
    }
    remember(fd, stampOf<Stamp>(info));
    return contents;
}

bool SettingsFile::Replace(std::string_view text, std::string& error) {
    const int fd = ReplaceFileKeepingItOpen(path_, text, error);
    if (fd < 0) return false;
    struct stat info;
    const bool stamped = fstat(fd, &info) == 0;
    remember(fd, stamped ? std::optional<Stamp>(stampOf<Stamp>(info)) : std::nullopt);
    if (!stamped) Forget();
    unsynced_ = true;
    return true;
}

void SettingsFile::Forget() {
    known_ = false;
}

void SettingsFile::Sync() {
    if (!unsynced_) return;
    unsynced_ = false;
    if (held_ >= 0) fsync(held_);
    const int folder = open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    fsync(folder);
    close(folder);
}

SettingsWriteLock::SettingsWriteLock(const std::string& filePath) {
    folder_ = open(folderOf(filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return;
    int result;
    while ((result = flock(folder_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        close(folder_);
        folder_ = -1;
    }
}

SettingsWriteLock::~SettingsWriteLock() {
    if (folder_ >= 0) close(folder_); // closing the only descriptor of the lock releases it
}
