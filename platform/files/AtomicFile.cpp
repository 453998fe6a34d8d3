#include "platform/files/AtomicFile.h"

#include "platform/files/DiskCalls.h"
#include "platform/files/FileNames.h"
#include "platform/files/FileReplacement.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool fail(std::string& error, int code) {
    error = std::system_category().message(code);
    return false;
}

const char* kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of an unknown kind";
}

// Why target may not be replaced, or nothing; existing is its status when it exists.
std::string refusal(const std::string& target, const struct stat* existing) {
    struct stat link;
    if (!existing && lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        return std::system_category().message(ELOOP);
    if (!existing) return {};
    if (S_ISDIR(existing->st_mode)) return std::system_category().message(EISDIR);
    if (!S_ISREG(existing->st_mode))
        return std::string("not a regular file but ") + kindOf(existing->st_mode);
    if (access(target.c_str(), W_OK) != 0) return std::system_category().message(errno);
    return {};
}

// The new file takes the old one's owner and group before its permission bits, since a
// change of owner clears the set-user and set-group bits. Only the administrator may give a
// file away: for anyone else the file stays theirs.
bool fillTemporary(int fd, std::string_view data, const struct stat* existing) {
    if (existing) {
        struct stat made;
        if (fstat(fd, &made) == 0 && (made.st_uid != existing->st_uid || made.st_gid != existing->st_gid))
            (void)fchown(fd, existing->st_uid, existing->st_gid);
        (void)fchmod(fd, existing->st_mode & 07777);
    }
    return WriteAll(fd, data);
}

// Puts the folder's entry of the renamed file on the disk. A folder that may not be read
// cannot be opened to be flushed; the whole file system is flushed instead.
void flushFolderOf(const std::string& target, int fileFd) {
    const std::string folder = DiskFilePath(target);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        (void)syncfs(fileFd);
        return;
    }
    (void)Disk().Flush(fd);
    close(fd);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error,
                         struct stat* written) {
    const std::string target = ReplacedFile(path);
    struct stat existing;
    const bool exists = stat(target.c_str(), &existing) == 0;
    error = refusal(target, exists ? &existing : nullptr);
    if (!error.empty()) return false;
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, AtomicFileSuffix, 0666, temporary);
    if (fd < 0) return fail(error, errno);
    // The data are on the disk before the file takes the name: a power cut in between
    // leaves the old file, one after it the new, whole either way.
    if (!fillTemporary(fd, data, exists ? &existing : nullptr) || Disk().Flush(fd) != 0 ||
        Disk().Rename(temporary, target) != 0) {
        const int code = errno;
        close(fd);
        unlink(temporary.c_str());
        return fail(error, code);
    }
    if (written && Disk().Status(fd, *written) != 0) *written = {};
    flushFolderOf(target, fd);
    close(fd);
    return true;
}

bool FileCanBeWritten(const std::string& path, std::string& error) {
    const std::string target = ReplacedFile(path);
    struct stat existing;
    error = refusal(target, stat(target.c_str(), &existing) == 0 ? &existing : nullptr);
    if (!error.empty()) return false;
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, AtomicFileSuffix, 0666, temporary);
    if (fd < 0) return fail(error, errno);
    close(fd);
    unlink(temporary.c_str());
    return true;
}
