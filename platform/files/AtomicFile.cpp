#include "platform/files/AtomicFile.h"

#include "platform/files/FileReplacement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int fail(std::string& error, int code) {
    error = std::system_category().message(code);
    return -1;
}

bool fillTemporary(int fd, std::string_view data, const struct stat* existing, bool flush) {
    if (existing) (void)fchmod(fd, existing->st_mode & 07777);
    return WriteAll(fd, data) && (!flush || fsync(fd) == 0);
}

// Why target may not be replaced, or 0.
int refusal(const std::string& target, const struct stat* existing) {
    if (existing && S_ISDIR(existing->st_mode)) return EISDIR;
    if (existing && !S_ISREG(existing->st_mode)) return EINVAL;
    if (existing && access(target.c_str(), W_OK) != 0) return errno;
    return 0;
}

// The replacement, with its descriptor still open; -1 on failure.
int replace(const std::string& path, std::string_view data, bool flush, std::string& error) {
    std::string target = ReplacedFile(path);
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    if (int code = refusal(target, exists ? &existing : nullptr)) return fail(error, code);

    std::string temporary;
    int fd = CreateTemporaryBeside(target, ".tmp", 0666, temporary);
    if (fd < 0) return fail(error, errno);
    if (!fillTemporary(fd, data, exists ? &existing : nullptr, flush)) {
        const int code = errno;
        close(fd);
        unlink(temporary.c_str());
        return fail(error, code);
    }
    // Unflushed, the new file is swapped with the old one rather than renamed over it: ext4
    // flushes a file renamed over another before the rename returns (milliseconds), and a
    // swap is just as atomic for every reader. The old file then goes. Where the file
    // system cannot swap, a rename does.
    if (!flush && exists &&
        renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        unlink(temporary.c_str());
        return fd;
    }
    if (rename(temporary.c_str(), target.c_str()) == 0) return fd;
    const int code = errno;
    close(fd);
    unlink(temporary.c_str());
    return fail(error, code);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error) {
    int fd = replace(path, data, true, error);
    if (fd < 0) return false;
    close(fd); // the data reached the disk before the rename
    return true;
}

int ReplaceFileKeepingItOpen(const std::string& path, std::string_view data, std::string& error) {
    return replace(path, data, false, error);
}

bool FileCanBeWritten(const std::string& path, std::string& error) {
    std::string target = ReplacedFile(path);
    struct stat existing;
    int code = refusal(target, stat(target.c_str(), &existing) == 0 ? &existing : nullptr);
    std::string temporary;
    int fd = code ? -1 : CreateTemporaryBeside(target, ".tmp", 0666, temporary);
    if (fd < 0) {
        fail(error, code ? code : errno);
        return false;
    }
    close(fd);
    unlink(temporary.c_str());
    return true;
}
