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

// Only the owner may open the new file at first, with the rights the old file gives its
// owner, since the new file starts as the writer's (the administrator's, say) and may not
// give anyone more than the old one does until it has the old one's owner and group. A file
// made anew gets what every new file of the writer gets.
mode_t creationMode(const struct stat* existing) {
    return existing ? existing->st_mode & S_IRWXU : 0666;
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

// The new file, beside the one it replaces. It is made without a name where the file system
// can, so that nobody opens it while it is written and a writer killed meanwhile leaves
// nothing behind; it is named only once its data are on the disk, to be renamed at once.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (!name_.empty()) unlink(name_.c_str());
        if (fd_ >= 0) close(fd_);
    }

    int Fd() const { return fd_; }
    bool MakeUnnamed(const std::string& target, mode_t mode) {
        fd_ = CreateUnnamedBeside(target, mode);
        return fd_ >= 0;
    }
    // In place of an unnamed file made before.
    bool MakeNamed(const std::string& target, mode_t mode) {
        if (fd_ >= 0) close(fd_);
        std::string name;
        fd_ = CreateTemporaryBeside(target, AtomicFileSuffix, mode, name);
        if (fd_ >= 0) name_ = name;
        return fd_ >= 0;
    }
    bool GiveName(const std::string& target) {
        std::string name;
        if (!NameTemporaryBeside(fd_, target, AtomicFileSuffix, name)) return false;
        name_ = name;
        return true;
    }
    bool TakeNameOf(const std::string& target) {
        if (Disk().Rename(name_, target) != 0) return false;
        name_.clear();
        return true;
    }

private:
    int fd_ = -1;
    std::string name_; // while the file has one of its own
};

// The data are on the disk before the file takes the name: a power cut in between leaves
// the old file, one after it the new, whole either way.
bool filled(const Temporary& temporary, std::string_view data, const struct stat* existing) {
    return fillTemporary(temporary.Fd(), data, existing) && Disk().Flush(temporary.Fd()) == 0;
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

// Renames the temporary, its data on the disk, over target, and puts the folder's entry on
// the disk before the write returns.
bool takeName(Temporary& temporary, const std::string& target, std::string& error, struct stat* written) {
    if (!temporary.TakeNameOf(target)) return fail(error, errno);
    if (written && Disk().Status(temporary.Fd(), *written) != 0) *written = {};
    flushFolderOf(target, temporary.Fd());
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error,
                         struct stat* written) {
    const std::string target = ReplacedFile(path);
    struct stat status;
    const struct stat* existing = stat(target.c_str(), &status) == 0 ? &status : nullptr;
    error = refusal(target, existing);
    if (!error.empty()) return false;
    const mode_t mode = creationMode(existing);
    Temporary temporary;
    if (temporary.MakeUnnamed(target, mode)) {
        if (!filled(temporary, data, existing)) return fail(error, errno);
        if (temporary.GiveName(target)) return takeName(temporary, target, error, written);
    }
    // Where no unnamed file can be made or named (no /proc to name it through), the data go
    // to a named one.
    if (!temporary.MakeNamed(target, mode) || !filled(temporary, data, existing)) return fail(error, errno);
    return takeName(temporary, target, error, written);
}

bool FileCanBeWritten(const std::string& path, std::string& error) {
    const std::string target = ReplacedFile(path);
    struct stat existing;
    error = refusal(target, stat(target.c_str(), &existing) == 0 ? &existing : nullptr);
    if (!error.empty()) return false;
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, AtomicFileSuffix, 0600, temporary);
    if (fd < 0) return fail(error, errno);
    close(fd);
    unlink(temporary.c_str());
    return true;
}
