#include "platform/files/FileReplacement.h"

#include "platform/files/FileNames.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Numbers the temporary files of this process, so that two writers never pick one name.
std::atomic<unsigned> temporaryCounter{0};

} // namespace

std::string ReplacedFile(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

int CreateTemporaryBeside(const std::string& target, const std::string& suffix, mode_t mode,
                          std::string& temporary) {
    const std::string folder = DiskFilePath(target);
    const std::string name = DiskFileName(target);
    const std::string process = "." + std::to_string(getpid()) + ".";
    const std::size_t limit = FileNameLimit(folder);
    for (;;) {
        const std::string number = std::to_string(temporaryCounter.fetch_add(1)) + suffix;
        // The target's own name may use up the file system's limit: the part of it that
        // fits goes in front; the process and the number keep the name unique.
        const std::size_t fixed = 1 + process.size() + number.size();
        temporary = folder + "." + ShortenedName(name, limit > fixed ? limit - fixed : 0) + process + number;
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}
