#include "platform/files/Trash.h"

#include "platform/files/FileNames.h"
#include "platform/files/UserFolders.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view infoExtension = ".trashinfo";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeTrash() {
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') data = environment("HOME") + "/.local/share";
    return data + "/Trash";
}

// The mount point of the file system that holds path: walk up while the device stays the same.
std::string topDirectory(const std::string& path, dev_t device) {
    std::string current = path;
    for (;;) {
        const std::size_t slash = current.find_last_of('/');
        const std::string parent = slash == 0 || slash == std::string::npos ? "/" : current.substr(0, slash);
        struct stat info;
        if (current == "/" || stat(parent.c_str(), &info) != 0 || info.st_dev != device) return current;
        current = parent;
    }
}

// The shared trash an administrator prepared: a real directory with the sticky bit.
bool usableSharedTrash(const std::string& top) {
    struct stat info;
    return lstat((top + "/.Trash").c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX);
}

// A path in the form trash info files keep it: every byte outside the unreserved URI
// characters and "/" written as %XX.
std::string escaped(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-_.~/", c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool fail(std::string& error, int code) {
    error = std::system_category().message(code);
    return false;
}

// rename that never replaces what is already at `to` (EEXIST instead).
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot refuse by itself: look first.
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

// The name of the trash entry: the item's own name, numbered from the second attempt on,
// and short enough for its info file's name too. The info file keeps the whole path.
std::string entryName(const std::string& name, int attempt, std::size_t limit) {
    const std::string number = attempt == 1 ? std::string() : "." + std::to_string(attempt);
    const std::size_t fixed = number.size() + infoExtension.size();
    return ShortenedName(name, limit > fixed ? limit - fixed : 0) + number;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

} // namespace

std::string TrashFolderFor(const std::string& path) {
    struct stat item, home;
    const std::string full = absolute(path);
    if (lstat(full.c_str(), &item) != 0) return {};
    std::string homeTrashDir = homeTrash();
    MakeFolders(homeTrashDir, 0700);
    if (stat(homeTrashDir.c_str(), &home) == 0 && home.st_dev == item.st_dev) return homeTrashDir;
    const std::string top = topDirectory(full, item.st_dev);
    const std::string uid = std::to_string(getuid());
    if (usableSharedTrash(top)) return top + "/.Trash/" + uid;
    return top + (top == "/" ? "" : "/") + ".Trash-" + uid;
}

bool MoveToTrash(const std::string& path, std::string& error) {
    std::string full = absolute(path);
    while (full.size() > 1 && full.back() == '/')
        full.pop_back();
    struct stat item;
    if (lstat(full.c_str(), &item) != 0) return fail(error, errno);
    if (full == "/") return fail(error, EPERM);
    const std::string trash = TrashFolderFor(full);
    if (trash.empty() || !MakeFolders(trash + "/files", 0700) || !MakeFolders(trash + "/info", 0700))
        return fail(error, errno ? errno : EACCES);

    // A trash at the top of a file system records paths relative to that top.
    const bool homeTrashUsed = trash == homeTrash();
    std::string recorded = full;
    if (!homeTrashUsed) {
        const std::string top = topDirectory(full, item.st_dev);
        if (top != "/")
            recorded = full.substr(top.size() + 1);
        else
            recorded = full.substr(1);
    }
    const std::string name = DiskFileName(full);
    const std::size_t limit = FileNameLimit(trash + "/info");
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string entry = entryName(name, attempt, limit);
        std::string info = trash;
        info += "/info/";
        info += entry;
        info += infoExtension;
        // The info file is made first and exclusively: it reserves the name.
        const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return fail(error, errno);
        std::string record = "[Trash Info]\nPath=";
        record += escaped(recorded);
        record += "\nDeletionDate=";
        record += deletionDate();
        record += '\n';
        const bool written = writeAll(fd, record);
        const int writeError = errno;
        if (close(fd) != 0 || !written) {
            unlink(info.c_str());
            return fail(error, written ? errno : writeError);
        }
        std::string target = trash;
        target += "/files/";
        target += entry;
        if (moveWithoutReplacing(full, target)) return true;
        const int code = errno;
        unlink(info.c_str());
        if (code == EEXIST) continue; // a stray file without an info entry holds the name
        return fail(error, code);
    }
    return fail(error, EEXIST);
}
