#include "platform/files/AtomicFile.h"

#include "platform/files/FileNames.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> temporaryCounter{0};

bool fail(std::string& error, int code) {
    error = std::system_category().message(code);
    return false;
}

// The file a write to path really replaces: the target of a link, else path itself.
std::string replacedFile(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

int createTemporary(const std::string& target, std::string& temporary) {
    std::string directory = ExtractFilePath(target);
    std::string base(1, '.');
    base += ExtractFileName(target);
    base += '.';
    base += std::to_string(getpid());
    base += '.';
    for (;;) {
        temporary = directory + base + std::to_string(temporaryCounter.fetch_add(1)) + ".tmp";
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool fillTemporary(int fd, std::string_view data, const struct stat* existing) {
    if (existing) (void)fchmod(fd, existing->st_mode & 07777);
    return writeAll(fd, data) && fsync(fd) == 0;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error) {
    std::string target = replacedFile(path);
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return fail(error, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) return fail(error, EINVAL);
    if (exists && access(target.c_str(), W_OK) != 0) return fail(error, errno);

    std::string temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0) return fail(error, errno);
    bool filled = fillTemporary(fd, data, exists ? &existing : nullptr);
    int code = errno;
    if (close(fd) != 0 && filled) {
        filled = false;
        code = errno;
    }
    if (filled && rename(temporary.c_str(), target.c_str()) == 0) return true;
    if (filled) code = errno;
    unlink(temporary.c_str());
    return fail(error, code);
}
