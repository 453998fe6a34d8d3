#include "platform/files/PathResolver.h"

#include <algorithm>
#include <vector>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return i == a.size() && b[i] == '\0';
}

std::vector<std::string> splitComponents(const std::string& name) {
    std::vector<std::string> components;
    std::string current;
    for (char c : name) {
        if (c == '\\' || c == '/') {
            components.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    components.push_back(current);
    return components;
}

bool entryExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string joined(const std::string& directory, const std::string& entry) {
    if (directory.empty()) return entry;
    if (directory.back() == '/') return directory + entry;
    return directory + '/' + entry;
}

// The entries of directory that match component: the exact spelling first, then the
// others that differ only in case, in byte order.
std::vector<std::string> matchingEntries(const std::string& directory, const std::string& component) {
    std::vector<std::string> matches;
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return matches;
    while (const dirent* entry = readdir(dir))
        if (component != entry->d_name && equalsIgnoringCase(component, entry->d_name))
            matches.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(matches.begin(), matches.end());
    if (entryExists(joined(directory, component))) matches.insert(matches.begin(), component);
    return matches;
}

bool isSkipped(const std::string& component) {
    return component.empty() || component == ".";
}

std::string withRest(std::string path, const std::vector<std::string>& components, std::size_t index) {
    for (; index < components.size(); ++index)
        if (!isSkipped(components[index])) path = joined(path, components[index]);
    return path;
}

// Resolves components[index..] below path into result; true when every one exists. When
// several entries match a component, the first whose remaining path exists wins; when
// none does, the first candidate's best path is the result.
bool resolveFrom(std::string path, const std::vector<std::string>& components, std::size_t index,
                 std::string& result) {
    for (; index < components.size(); ++index) {
        const std::string& component = components[index];
        if (isSkipped(component)) continue;
        if (component == "..") {
            path = joined(path, component);
            continue;
        }
        std::vector<std::string> candidates = matchingEntries(path, component);
        if (candidates.empty()) {
            result = withRest(path, components, index);
            return false;
        }
        std::string best;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            std::string attempt;
            if (resolveFrom(joined(path, candidates[i]), components, index + 1, attempt)) {
                result = attempt;
                return true;
            }
            if (i == 0) best = attempt;
        }
        result = best;
        return false;
    }
    result = path;
    return true;
}

bool statResolved(const std::string& name, struct stat& info) {
    return !name.empty() && stat(ResolvePath(name).c_str(), &info) == 0;
}

} // namespace

std::string ResolvePath(const std::string& name) {
    if (name.empty()) return name;
    std::vector<std::string> components = splitComponents(name);
    bool absolute = components.front().empty();
    std::string written = withRest(absolute ? "/" : "", components, 0);
    std::string path;
    if (entryExists(written.empty() ? "." : written))
        path = written;
    else
        resolveFrom(absolute ? "/" : "", components, 0, path);
    return path.empty() ? "." : path;
}

bool FileExists(const std::string& name) {
    struct stat info;
    return statResolved(name, info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& name) {
    struct stat info;
    return statResolved(name, info) && S_ISDIR(info.st_mode);
}

FilePtr OpenFile(const std::string& name, const char* mode) {
    return FilePtr(std::fopen(ResolvePath(name).c_str(), mode));
}

FilePtr OpenRegularFile(const std::string& name) {
    if (name.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    // Non-blocking, so that a FIFO's open returns at once; the check below then refuses it.
    const int fd = ::open(ResolvePath(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int reason = !statted ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = reason;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return FilePtr(file);
}
