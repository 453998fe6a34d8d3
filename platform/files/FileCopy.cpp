#include "platform/files/FileCopy.h"

#include "platform/files/FileReplacement.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when closing reported a failed write.
    bool closeNow() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

TCopyResult failed(TCopyFailure failure, int error) {
    return TCopyResult{failure, error};
}

// Copies the open source into the open temporary file.
TCopyResult copyBlocks(int source, int target, std::size_t blockSize, const TCopyHooks& hooks) {
    std::vector<char> buffer(blockSize > 0 ? blockSize : 8192);
    std::int64_t done = 0;
    for (;;) {
        const ssize_t got = read(source, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failed(TCopyFailure::Read, errno);
        if (!WriteAll(target, std::string_view(buffer.data(), static_cast<std::size_t>(got))))
            return failed(TCopyFailure::Write, errno);
        done += got;
        if (hooks.Progress && !hooks.Progress(done)) return failed(TCopyFailure::Cancelled, ECANCELED);
        if (static_cast<std::size_t>(got) < buffer.size()) return {};
    }
}

} // namespace

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

TCopyResult CopyFileSafely(const std::string& from, const std::string& to, std::size_t blockSize,
                           bool replaceReadOnly, const TCopyHooks& hooks) {
    // Opened without waiting, so that a pipe or a device is refused instead of read forever.
    Descriptor source(open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sourceInfo;
    if (source.get() < 0) return failed(TCopyFailure::OpenSource, errno);
    if (fstat(source.get(), &sourceInfo) != 0) return failed(TCopyFailure::OpenSource, errno);
    if (S_ISDIR(sourceInfo.st_mode)) return failed(TCopyFailure::OpenSource, EISDIR);
    if (!S_ISREG(sourceInfo.st_mode)) return failed(TCopyFailure::OpenSource, EINVAL);
    (void)fcntl(source.get(), F_SETFL, fcntl(source.get(), F_GETFL) & ~O_NONBLOCK);
    const std::string target = ReplacedFile(to);
    struct stat targetInfo;
    if (stat(target.c_str(), &targetInfo) == 0) {
        if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)
            return failed(TCopyFailure::SameFile, EINVAL);
        if (S_ISDIR(targetInfo.st_mode)) return failed(TCopyFailure::CreateTarget, EISDIR);
        // Read-only is the file's own mark (no write permission for its owner), whoever runs us.
        if (!replaceReadOnly && !(targetInfo.st_mode & S_IWUSR))
            return failed(TCopyFailure::CreateTarget, EACCES);
    }
    if (hooks.Started) hooks.Started(static_cast<std::int64_t>(sourceInfo.st_size));

    std::string temporary;
    Descriptor output(CreateTemporaryBeside(target, ".part", 0600, temporary));
    if (output.get() < 0) return failed(TCopyFailure::CreateTarget, errno);
    TCopyResult result = copyBlocks(source.get(), output.get(), blockSize, hooks);
    if (result) {
        (void)fchmod(output.get(), sourceInfo.st_mode & 07777);
        const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
        (void)futimens(output.get(), times);
        if (fsync(output.get()) != 0) result = failed(TCopyFailure::Write, errno);
    }
    if (!output.closeNow() && result) result = failed(TCopyFailure::Write, errno);
    if (result && rename(temporary.c_str(), target.c_str()) != 0) result = failed(TCopyFailure::Write, errno);
    if (!result) unlink(temporary.c_str());
    return result;
}
