#include "platform/files/AtomicFile.h"

#include "platform/files/FileReplacement.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(std::string& error, int code) {
    error = std::system_category().message(code);
    return false;
}

bool fillTemporary(int fd, std::string_view data, const struct stat* existing) {
    if (existing) (void)fchmod(fd, existing->st_mode & 07777);
    return WriteAll(fd, data) && fsync(fd) == 0;
}

// Why target may not be replaced, or 0.
int refusal(const std::string& target, const struct stat* existing) {
    if (existing && S_ISDIR(existing->st_mode)) return EISDIR;
    if (existing && !S_ISREG(existing->st_mode)) return EINVAL;
    if (existing && access(target.c_str(), W_OK) != 0) return errno;
    return 0;
}

} // namespace

bool FileCanBeWritten(const std::string& path, std::string& error) {
    std::string target = ReplacedFile(path);
    struct stat existing;
    if (int code = refusal(target, stat(target.c_str(), &existing) == 0 ? &existing : nullptr))
        return fail(error, code);
    std::string temporary;
    int fd = CreateTemporaryBeside(target, ".tmp", 0666, temporary);
    if (fd < 0) return fail(error, errno);
    close(fd);
    unlink(temporary.c_str());
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error) {
    std::string target = ReplacedFile(path);
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    if (int code = refusal(target, exists ? &existing : nullptr)) return fail(error, code);

    std::string temporary;
    int fd = CreateTemporaryBeside(target, ".tmp", 0666, temporary);
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
