#include "platform/files/FileOperations.h"

#include "platform/files/FileCopy.h"
#include "platform/files/FileNames.h"
#include "platform/files/PathResolver.h"
#include "platform/files/Trash.h"
#include "platform/framework/MessageService.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex progressLock;
FileOperationProgress* installedProgress = nullptr; // guarded by progressLock

FileOperationProgress& currentProgress() {
    std::lock_guard guard(progressLock);
    return installedProgress ? *installedProgress : DesktopFileOperationProgress();
}

constexpr std::size_t copyBlock = 64 * 1024;

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string realPath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : std::string();
}

bool exists(const std::string& path, struct stat* info = nullptr) {
    struct stat local;
    return lstat(path.c_str(), info ? info : &local) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "name (copy).ext", "name (copy 2).ext" ...: the first that does not exist. A name that
// leaves no room for the mark under the file system's limit gives up the end of its stem.
std::string collisionName(const std::string& target) {
    const std::string folder = parentOf(target);
    const std::string name = DiskFileName(target);
    const std::size_t limit = FileNameLimit(folder);
    const std::size_t dot = name.find_last_of('.');
    for (int n = 1;; ++n) {
        const std::string mark = n == 1 ? std::string(" (copy)") : " (copy " + std::to_string(n) + ")";
        // An extension too long to stand beside the mark counts as part of the stem.
        const bool keepsExtension =
            dot != std::string::npos && dot > 0 && name.size() - dot + mark.size() < limit;
        const std::size_t stemEnd = keepsExtension ? dot : name.size();
        const std::size_t room = limit - std::min(limit, mark.size() + name.size() - stemEnd);
        const std::string candidate =
            join(folder, ShortenedName(name.substr(0, stemEnd), room) + mark + name.substr(stemEnd));
        if (!exists(candidate)) return candidate;
    }
}

// Adds write permission for the owner to a folder that lacks it, so that its entries can be
// removed as a read-only folder's can on other systems.
void allowChanges(int folder) {
    struct stat info;
    if (fstat(folder, &info) == 0 && !(info.st_mode & S_IWUSR))
        (void)fchmod(folder, (info.st_mode & 07777) | S_IWUSR);
}

int clearAt(int folder, bool removeSubfolders, bool removeFolder, int parent, const char* name);

// Removes entry `name` of the open folder `parent`: a file or link with unlink, a folder
// emptied first. Links are never followed; an entry that is already gone counts as removed.
int removeAt(int parent, const char* name) {
    if (unlinkat(parent, name, 0) == 0 || errno == ENOENT) return 0;
    if (errno != EISDIR && errno != EPERM) return errno;
    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return errno == ENOENT ? 0 : errno;
    return clearAt(folder, true, true, parent, name);
}

// Clears the open folder (the descriptor is taken over) and, when asked, removes it from
// its parent afterwards.
int clearAt(int folder, bool removeSubfolders, bool removeFolder, int parent, const char* name) {
    allowChanges(folder);
    DIR* listing = fdopendir(folder);
    if (!listing) {
        const int code = errno;
        close(folder);
        return code;
    }
    int first = 0;
    std::vector<std::string> names;
    for (dirent* entry; (entry = readdir(listing)) != nullptr;)
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    for (const std::string& entry : names) {
        struct stat info;
        if (fstatat(dirfd(listing), entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT && first == 0) first = errno;
            continue;
        }
        int result = 0;
        if (S_ISDIR(info.st_mode) && !removeSubfolders) {
            const int sub =
                openat(dirfd(listing), entry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            result = sub < 0 ? (errno == ENOENT ? 0 : errno) : clearAt(sub, false, false, -1, nullptr);
        } else {
            result = removeAt(dirfd(listing), entry.c_str());
        }
        if (result != 0 && first == 0) first = result;
    }
    closedir(listing);
    if (removeFolder && first == 0 && unlinkat(parent, name, AT_REMOVEDIR) != 0 && errno != ENOENT)
        first = errno;
    return first;
}

// The size of what copying path would read, links not followed.
std::int64_t treeSize(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) return S_ISREG(info.st_mode) ? info.st_size : 0;
    std::int64_t total = 0;
    if (DIR* listing = opendir(path.c_str())) {
        for (dirent* entry; (entry = readdir(listing)) != nullptr;)
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                total += treeSize(join(path, entry->d_name));
        closedir(listing);
    }
    return total;
}

// The names in a folder without "." and "..", sorted: 0, or the errno of listing it.
int entriesOf(const std::string& folder, std::vector<std::string>& names) {
    DIR* listing = opendir(folder.c_str());
    if (!listing) return errno;
    for (dirent* entry; (entry = readdir(listing)) != nullptr;)
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    closedir(listing);
    std::sort(names.begin(), names.end());
    return 0;
}

class Operation {
public:
    explicit Operation(TShFileOp& op) : op_(op), progress_(currentProgress()) {}

    int run() {
        op_.AnyOperationsAborted = false;
        if (op_.From.empty() || (op_.Func != FO_DELETE && op_.To.empty())) return EINVAL;
        if (op_.Func == FO_RENAME && (op_.From.size() != 1 || op_.To.size() != 1)) return EINVAL;
        if ((op_.Flags & FOF_MULTIDESTFILES) && op_.Func != FO_DELETE && op_.To.size() != op_.From.size())
            return EINVAL;
        std::vector<std::string> sources;
        for (const std::string& from : op_.From) {
            const int result = expand(from, sources);
            if (result != 0) return report(result, from);
        }
        if (sources.empty()) return report(ENOENT, op_.From.front());
        if (!(op_.Flags & FOF_SILENT)) progress_.Begin(op_.ProgressTitle, totalOf(sources));
        const int result = dispatch(sources);
        if (!(op_.Flags & FOF_SILENT)) progress_.End();
        if (result != 0 || !kept_) return result;
        // The user kept some of the destination's items, so their sources stayed: the move
        // went on with the rest and is partial.
        op_.AnyOperationsAborted = true;
        return ECANCELED;
    }

private:
    int dispatch(const std::vector<std::string>& sources) {
        switch (op_.Func) {
        case FO_DELETE:
            return removeAll(sources);
        case FO_RENAME:
            return renameOne(sources.front());
        case FO_COPY:
        case FO_MOVE:
            return transferAll(sources, op_.Func == FO_MOVE);
        default:
            return EINVAL;
        }
    }

    std::int64_t totalOf(const std::vector<std::string>& sources) const {
        if (op_.Func == FO_DELETE || op_.Func == FO_RENAME) return static_cast<std::int64_t>(sources.size());
        std::int64_t total = 0;
        for (const std::string& source : sources)
            total += treeSize(source);
        return total;
    }

    // The source name resolved, its last part's wildcards expanded.
    int expand(const std::string& from, std::vector<std::string>& sources) const {
        const std::string resolved = withoutTrailingSlash(ResolvePath(from));
        const std::string pattern = DiskFileName(resolved);
        if (pattern.find_first_of("*?") == std::string::npos) {
            if (!exists(resolved)) return ENOENT;
            sources.push_back(resolved);
            return 0;
        }
        const std::string folder = DiskFilePath(resolved);
        DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
        if (!listing) return errno;
        std::vector<std::string> found;
        for (dirent* entry; (entry = readdir(listing)) != nullptr;) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || !MatchesWildcard(name, pattern)) continue;
            if ((op_.Flags & FOF_FILESONLY) && isDirectory(folder + name)) continue;
            found.push_back(folder + name);
        }
        closedir(listing);
        std::sort(found.begin(), found.end());
        sources.insert(sources.end(), found.begin(), found.end());
        return 0;
    }

    bool step(const std::string& item, std::int64_t advance) {
        done_ += advance;
        if (op_.Flags & FOF_SILENT) return true;
        const bool goOn = progress_.Update(op_.Flags & FOF_SIMPLEPROGRESS ? std::string() : item, done_);
        if (!goOn) op_.AnyOperationsAborted = true;
        return goOn;
    }

    int report(int error, const std::string& name) {
        if (error == ECANCELED) {
            op_.AnyOperationsAborted = true;
            return error;
        }
        if (!(op_.Flags & FOF_NOERRORUI)) {
            static const char* const verbs[] = {"", "move", "copy", "delete", "rename"};
            const char* verb = op_.Func <= FO_RENAME ? verbs[op_.Func] : "use";
            ShowMessageBox(
                std::string("Cannot ") + verb + " " + name + ": " + std::system_category().message(error),
                op_.ProgressTitle.empty() ? "File operation" : op_.ProgressTitle, MB_OK | MB_ICONERROR);
        }
        return error;
    }

    // Yes, No or Cancel; every question is a yes with FOF_NOCONFIRMATION.
    int ask(const std::string& question, unsigned buttons) {
        if (op_.Flags & FOF_NOCONFIRMATION) return IDYES;
        const int answer = ShowMessageBox(question, op_.ProgressTitle.empty() ? "Confirm" : op_.ProgressTitle,
                                          buttons | MB_ICONQUESTION);
        if (answer != IDYES && (buttons != MB_YESNOCANCEL || answer == IDCANCEL))
            op_.AnyOperationsAborted = true;
        return answer;
    }

    int removeAll(const std::vector<std::string>& sources) {
        const std::string what = sources.size() == 1 ? "'" + DiskFileName(sources.front()) + "'"
                                                     : std::to_string(sources.size()) + " items";
        const std::string question =
            op_.Flags & FOF_ALLOWUNDO ? "Move " + what + " to the trash?" : "Delete " + what + " for good?";
        if (ask(question, MB_YESNO) != IDYES) return ECANCELED;
        for (const std::string& source : sources) {
            const int result = removeOne(source);
            if (result != 0) return report(result, source);
            if (!step(source, 1)) return ECANCELED;
        }
        return 0;
    }

    int removeOne(const std::string& source) {
        if (realPath(source) == "/") return EPERM;
        if (op_.Flags & FOF_ALLOWUNDO) {
            std::string error;
            return MoveToTrash(source, error) ? 0 : (errno ? errno : EIO);
        }
        return RemoveTree(source);
    }

    int renameOne(const std::string& source) {
        std::string target = ResolvePath(op_.To.front());
        if (target.find('/') == std::string::npos) target = join(parentOf(source), target);
        if (exists(target)) return report(EEXIST, target);
        if (rename(source.c_str(), target.c_str()) != 0) return report(errno, source);
        return step(source, 1) ? 0 : ECANCELED;
    }

    int transferAll(const std::vector<std::string>& sources, bool move) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            std::string target;
            const int placed = targetFor(sources, i, target);
            if (placed != 0) return placed == ECANCELED ? placed : report(placed, sources[i]);
            const int result = transfer(sources[i], target, move, true);
            if (result != 0) return report(result, sources[i]);
        }
        return 0;
    }

    // Where source i goes: its own destination, or the destination folder (made when
    // missing, after asking) plus its name.
    int targetFor(const std::vector<std::string>& sources, std::size_t i, std::string& target) {
        if (op_.Flags & FOF_MULTIDESTFILES) {
            target = withoutTrailingSlash(ResolvePath(op_.To[std::min(i, op_.To.size() - 1)]));
            return makeFolder(parentOf(target));
        }
        const std::string destination = withoutTrailingSlash(ResolvePath(op_.To.front()));
        const bool intoFolder = isDirectory(destination) || sources.size() > 1 ||
                                op_.To.front().back() == '/' || op_.To.front().back() == '\\';
        if (!intoFolder) {
            target = destination;
            return makeFolder(parentOf(target));
        }
        target = join(destination, DiskFileName(sources[i]));
        return makeFolder(destination);
    }

    int makeFolder(const std::string& folder) {
        if (isDirectory(folder)) return 0;
        if (!(op_.Flags & FOF_NOCONFIRMMKDIR) &&
            ask("The folder '" + folder + "' does not exist. Create it?", MB_YESNO) != IDYES)
            return ECANCELED;
        const int parent = makeFolderQuietly(parentOf(folder));
        if (parent != 0) return parent;
        return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
    }

    static int makeFolderQuietly(const std::string& folder) {
        if (isDirectory(folder) || folder == "/" || folder == ".") return 0;
        const int parent = makeFolderQuietly(parentOf(folder));
        if (parent != 0) return parent;
        return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
    }

    // Copies or moves one item; top marks a source named by the caller (not a folder's entry).
    int transfer(const std::string& source, std::string target, bool move, bool top) {
        struct stat from, to;
        if (lstat(source.c_str(), &from) != 0) return errno;
        if (S_ISDIR(from.st_mode)) {
            const std::string inside = realPath(source);
            const std::string destinationFolder = realPath(parentOf(target));
            if (!inside.empty() &&
                (destinationFolder == inside || destinationFolder.rfind(inside + "/", 0) == 0))
                return EINVAL; // a folder into itself would never end
        }
        const bool occupied = lstat(target.c_str(), &to) == 0;
        const bool sameItem = occupied && from.st_dev == to.st_dev && from.st_ino == to.st_ino;
        const bool merge = occupied && S_ISDIR(from.st_mode) && S_ISDIR(to.st_mode) && !sameItem;
        if (occupied && !merge) {
            if (sameItem && !(top && (op_.Flags & FOF_RENAMEONCOLLISION))) return EINVAL;
            if (op_.Flags & FOF_RENAMEONCOLLISION) {
                target = collisionName(target);
            } else {
                const int answer = ask("'" + target + "' already exists. Replace it?", MB_YESNOCANCEL);
                if (answer == IDCANCEL) return ECANCELED;
                if (answer == IDNO) {
                    kept_ = kept_ || move;
                    return step(source, treeSize(source)) ? 0 : ECANCELED;
                }
                if (S_ISDIR(from.st_mode) != S_ISDIR(to.st_mode))
                    return S_ISDIR(to.st_mode) ? EISDIR : ENOTDIR;
            }
        }
        if (move && !merge && rename(source.c_str(), target.c_str()) == 0)
            return step(source, treeSize(target)) ? 0 : ECANCELED;
        if (move && S_ISDIR(from.st_mode)) return moveFolder(source, target, from, merge);
        const int copied = copyItem(source, target, from);
        if (copied != 0 || !move) return copied;
        // The copy is whole; only now may the source go. If it cannot, both stay.
        return RemoveTree(source);
    }

    int copyItem(const std::string& source, const std::string& target, const struct stat& from) {
        if (S_ISLNK(from.st_mode)) {
            std::string link(PATH_MAX, '\0');
            const ssize_t length = readlink(source.c_str(), link.data(), link.size());
            if (length < 0) return errno;
            link.resize(static_cast<std::size_t>(length));
            unlink(target.c_str());
            if (symlink(link.c_str(), target.c_str()) != 0) return errno;
            return step(source, 0) ? 0 : ECANCELED;
        }
        if (S_ISDIR(from.st_mode)) return copyFolder(source, target, from);
        if (!S_ISREG(from.st_mode)) return EINVAL;
        const std::int64_t before = done_;
        TCopyHooks hooks;
        hooks.Progress = [&](std::int64_t copied) { return step(source, before + copied - done_); };
        const TCopyResult result = CopyFileSafely(source, target, copyBlock, true, hooks);
        return result ? 0 : result.Error;
    }

    int copyFolder(const std::string& source, const std::string& target, const struct stat& from) {
        if (mkdir(target.c_str(), (from.st_mode & 07777) | S_IWUSR | S_IXUSR) != 0 && errno != EEXIST)
            return errno;
        std::vector<std::string> names;
        if (const int listed = entriesOf(source, names); listed != 0) return listed;
        for (const std::string& name : names) {
            const int result = transfer(join(source, name), join(target, name), false, false);
            // An entry that vanished while the folder was copied is simply not there to copy.
            if (result != 0 && result != ENOENT) return result;
        }
        return 0;
    }

    // Moves a folder that cannot simply be renamed (one merging into the folder at target,
    // one going to another file system) entry by entry, and removes the source folder only
    // once it is empty: what the user kept stays where it was, with the folders above it,
    // and nothing the move did not place is deleted.
    int moveFolder(const std::string& source, const std::string& target, const struct stat& from,
                   bool merge) {
        if (!merge && mkdir(target.c_str(), (from.st_mode & 07777) | S_IWUSR | S_IXUSR) != 0 &&
            errno != EEXIST)
            return errno;
        std::vector<std::string> names;
        if (const int listed = entriesOf(source, names); listed != 0) return listed;
        // A folder without write permission gives up its entries, as a read-only folder's
        // entries can be moved on other systems; it gets its permissions back if it stays.
        const bool locked = !(from.st_mode & S_IWUSR);
        if (locked) (void)chmod(source.c_str(), (from.st_mode & 07777) | S_IWUSR);
        int result = 0;
        for (std::size_t i = 0; i < names.size() && result == 0; ++i) {
            result = transfer(join(source, names[i]), join(target, names[i]), true, false);
            if (result == ENOENT) result = 0; // gone meanwhile: nothing to move
        }
        int stays = 0;
        if (result == 0 && rmdir(source.c_str()) != 0 && errno != ENOENT) stays = errno;
        if (stays != 0 && !(kept_ && (stays == ENOTEMPTY || stays == EEXIST))) result = stays;
        if (locked && (result != 0 || stays != 0)) (void)chmod(source.c_str(), from.st_mode & 07777);
        return result;
    }

    TShFileOp& op_;
    FileOperationProgress& progress_;
    std::int64_t done_ = 0;
    bool kept_ = false; // a move left a source item where it was at the user's word
};

} // namespace

int SHFileOperation(TShFileOp& operation) {
    return Operation(operation).run();
}

void SetFileOperationProgress(FileOperationProgress* progress) {
    std::lock_guard guard(progressLock);
    installedProgress = progress;
}

int RemoveTree(const std::string& path) {
    const std::string clean = withoutTrailingSlash(path);
    if (clean.empty()) return ENOENT;
    if (realPath(clean) == "/") return EPERM;
    const std::string parent = parentOf(clean);
    const int folder = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno == ENOENT ? 0 : errno;
    const int result = removeAt(folder, DiskFileName(clean).c_str());
    close(folder);
    return result;
}

int ClearTree(const std::string& path, bool removeSubfolders) {
    const int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno;
    return clearAt(folder, removeSubfolders, false, -1, nullptr);
}

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    // Iterative matching with one backtrack point: the last star seen.
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

void RecordingFileProgress::Begin(const std::string& title, std::int64_t total) {
    std::lock_guard guard(lock_);
    titles_.push_back(title);
    total_ = total;
}

bool RecordingFileProgress::Update(const std::string& item, std::int64_t done) {
    int n = 0;
    {
        std::lock_guard guard(lock_);
        updates_.push_back({item, done});
        n = static_cast<int>(updates_.size());
    }
    if (OnUpdate) OnUpdate(n);
    std::lock_guard guard(lock_);
    return cancelAt_ == 0 || n < cancelAt_;
}

void RecordingFileProgress::End() {
    std::lock_guard guard(lock_);
    ++ends_;
}

std::vector<std::string> RecordingFileProgress::Titles() const {
    std::lock_guard guard(lock_);
    return titles_;
}

std::vector<RecordingFileProgress::Step> RecordingFileProgress::Updates() const {
    std::lock_guard guard(lock_);
    return updates_;
}

std::int64_t RecordingFileProgress::Total() const {
    std::lock_guard guard(lock_);
    return total_;
}

int RecordingFileProgress::Ends() const {
    std::lock_guard guard(lock_);
    return ends_;
}

void RecordingFileProgress::CancelAt(int n) {
    std::lock_guard guard(lock_);
    cancelAt_ = n;
}

ScopedFileProgressRecorder::ScopedFileProgressRecorder() {
    SetFileOperationProgress(&recorder_);
}

ScopedFileProgressRecorder::~ScopedFileProgressRecorder() {
    SetFileOperationProgress(nullptr);
}
