#include "platform/files/FileReplacement.h"

#include "platform/files/DiskCalls.h"
#include "platform/files/FileNames.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Numbers the temporary files of this process, so that two writers never pick one name.
std::atomic<unsigned> temporaryCounter{0};

// The most links followed in a row, as the kernel's own limit.
constexpr int linkLimit = 40;

// The process number in a temporary file's name made for target ("." name "." process "."
// number suffix, the name cut short where the file system's limit asked for it); 0 for a
// name of another kind.
pid_t temporaryOwner(const std::string& entry, const std::string& name, const std::string& suffix,
                     std::size_t limit) {
    if (entry.size() <= suffix.size() + 1 || entry[0] != '.' || !entry.ends_with(suffix)) return 0;
    const std::string_view rest(entry.data() + 1, entry.size() - 1 - suffix.size());
    const std::size_t numberDot = rest.find_last_of('.');
    const std::size_t processDot =
        numberDot == 0 ? std::string_view::npos : rest.find_last_of('.', numberDot - 1);
    if (processDot == std::string_view::npos) return 0;
    const std::string_view number = rest.substr(numberDot + 1);
    const std::string_view process = rest.substr(processDot + 1, numberDot - processDot - 1);
    const std::string_view shortened = rest.substr(0, processDot);
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() < 10 &&
               text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const bool cutShort = !shortened.empty() && name.starts_with(shortened) && entry.size() + 4 > limit;
    if (!digits(number) || !digits(process) || (shortened != name && !cutShort)) return 0;
    return static_cast<pid_t>(std::stol(std::string(process)));
}

bool processRuns(pid_t process) {
    return process == getpid() || kill(process, 0) == 0 || errno == EPERM;
}

// Makes a new entry beside target, named after it (as much of its name as the file system's
// name limit leaves room for), this process and a number, ending in suffix: make makes the
// entry of the name it is given, failing with EEXIST when the name is taken. The name goes to
// temporary; answers what make answered.
template <class Make>
int newEntryBeside(const std::string& target, const std::string& suffix, std::string& temporary, Make make) {
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
        const int result = make(temporary);
        if (result >= 0 || errno != EEXIST) return result;
    }
}

} // namespace

std::string ReplacedFile(const std::string& path) {
    std::string file = path;
    for (int followed = 0; followed < linkLimit; ++followed) {
        char target[PATH_MAX];
        const ssize_t length = readlink(file.c_str(), target, sizeof target - 1);
        if (length < 0) return file; // no link: the file itself, or none yet
        target[length] = '\0';
        file = target[0] == '/' ? std::string(target) : DiskFilePath(file) + target;
    }
    return path;
}

int CreateTemporaryBeside(const std::string& target, const std::string& suffix, mode_t mode,
                          std::string& temporary) {
    return newEntryBeside(target, suffix, temporary, [mode](const std::string& name) {
        return Disk().Open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    });
}

int CreateUnnamedBeside(const std::string& target, mode_t mode) {
    const std::string folder = DiskFilePath(target);
    return Disk().Open(folder.empty() ? "." : folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

bool NameTemporaryBeside(int fd, const std::string& target, const std::string& suffix,
                         std::string& temporary) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return newEntryBeside(target, suffix, temporary, [&self](const std::string& name) {
               return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
           }) == 0;
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

void RemoveAbandonedTemporaries(const std::string& target, const std::string& suffix) {
    const std::string folder = DiskFilePath(target);
    const std::string name = DiskFileName(target);
    const std::size_t limit = FileNameLimit(folder);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
        const pid_t owner = temporaryOwner(entry.path().filename().string(), name, suffix, limit);
        if (owner > 0 && !processRuns(owner)) unlink(entry.path().c_str());
    }
}
