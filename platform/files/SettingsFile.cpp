#include "platform/files/SettingsFile.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/DiskCalls.h"
#include "platform/files/FileNames.h"
#include "platform/files/FileReplacement.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long long nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

template <class Stamp> Stamp stampOf(const struct stat& info) {
    return Stamp{info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
                 nanoseconds(info.st_ctim)};
}

// Whether a change made after readNs must show in the file's change time. That needs the
// file's last change to lie further back than the step of its timestamps: the kernel's
// clock tick (a few milliseconds), or whole seconds (two on some file systems) where the
// change time shows no fraction. The margin takes in a file server's clock running a
// little apart from ours.
bool settledAt(long long readNs, const struct stat& info) {
    const long long step = info.st_ctim.tv_nsec == 0 ? 3000000000LL : 100000000LL;
    return readNs - nanoseconds(info.st_ctim) >= step;
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

// The lock file of a settings file: its name with "." in front and ".lock" behind, as
// much of the name as the file system's name limit leaves room for.
std::string lockFileOf(const std::string& filePath) {
    const std::string target = ReplacedFile(filePath);
    const std::string folder = DiskFilePath(target);
    const std::size_t limit = FileNameLimit(folder);
    return folder + "." + ShortenedName(DiskFileName(target), limit > 6 ? limit - 6 : 0) + ".lock";
}

// Opens the lock file, making it when missing. One that the writer may not open for writing
// (another user's) can still be locked through a read-only descriptor.
int openLockFile(const std::string& path) {
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | flags, 0666);
    return fd >= 0 || errno != EACCES ? fd : open(path.c_str(), O_RDONLY | flags);
}

} // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

bool SettingsFile::Changed() {
    if (!known_) return true;
    const long long now = nanoseconds(Disk().Now());
    struct stat info;
    if (Disk().Status(path_, info) != 0) return stamp_.has_value();
    if (!stamp_ || !(stampOf<Stamp>(info) == *stamp_)) return true;
    if (settled_ || !S_ISREG(info.st_mode)) return false;
    const std::optional<std::string> text = readText();
    if (!text || *text != text_) return true;
    settled_ = settledAt(now, info);
    return false;
}

std::optional<std::string> SettingsFile::readText() const {
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text = readUpTo(fd, readLimit_, text_.size());
    close(fd);
    return text;
}

void SettingsFile::remember(const struct stat& info, long long readNs, std::string text) {
    stamp_ = stampOf<Stamp>(info);
    settled_ = settledAt(readNs, info);
    text_ = std::move(text);
    known_ = true;
}

SettingsFile::Contents SettingsFile::Read(std::size_t limit) {
    Contents contents;
    readLimit_ = limit == std::string::npos ? limit : limit + 1;
    const long long now = nanoseconds(Disk().Now());
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const bool missing = fd < 0 && errno == ENOENT;
    struct stat info;
    if (fd < 0 || Disk().Status(fd, info) != 0) {
        if (fd >= 0) close(fd);
        // A file missing when it was opened reads as missing, even when another writer makes
        // it a moment later: it is read when it is next looked at.
        struct stat other;
        contents.exists = !missing && Disk().Status(path_, other) == 0;
        contents.whole = !contents.exists;
        stamp_.reset();
        text_.clear();
        known_ = !contents.exists; // unreadable now: look again next time
        return contents;
    }
    contents.exists = true;
    if (S_ISREG(info.st_mode))
        contents.text = readUpTo(fd, readLimit_, static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    close(fd);
    remember(info, now, contents.text);
    if (contents.text.size() > limit) {
        contents.text.resize(limit);
        contents.whole = false;
    }
    return contents;
}

bool SettingsFile::Replace(std::string_view text, std::string& error) {
    if (!cleared_) RemoveAbandonedTemporaries(ReplacedFile(path_), AtomicFileSuffix);
    cleared_ = true;
    const long long now = nanoseconds(Disk().Now());
    struct stat info;
    if (!WriteFileAtomically(path_, text, error, &info)) return false;
    if (info.st_ino == 0)
        Forget();
    else
        remember(info, now, std::string(text.substr(0, std::min(text.size(), readLimit_))));
    return true;
}

void SettingsFile::Forget() {
    known_ = false;
}

SettingsWriteLock::SettingsWriteLock(const std::string& filePath) : path_(lockFileOf(filePath)) {
    for (;;) {
        fd_ = openLockFile(path_);
        if (fd_ < 0) return;
        int result;
        while ((result = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat held, named;
        if (result == 0 && fstat(fd_, &held) == 0 && lstat(path_.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return;
        // The holder before us removed the file we locked: the lock is the next file's.
        close(fd_);
        fd_ = -1;
        if (result != 0) return;
    }
}

SettingsWriteLock::~SettingsWriteLock() {
    if (fd_ < 0) return;
    unlink(path_.c_str()); // while still held, so that no writer locks it afterwards
    close(fd_);            // closing the only descriptor of the lock releases it
}
