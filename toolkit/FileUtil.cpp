#include "toolkit/FileUtil.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/FileCopy.h"
#include "platform/files/FileNames.h"
#include "platform/files/FileOperations.h"
#include "platform/files/PathResolver.h"
#include "platform/files/UserFolders.h"
#include "platform/framework/Application.h"
#include "platform/framework/FolderDialog.h"
#include "platform/framework/Published.h"
#include "toolkit/Kxprgrss.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t copyBlockSize = 8192;

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C:" or "C:\" (and "/"): a root that is never removed.
bool isRoot(const std::string& name) {
    if (name == "/") return true;
    return (name.size() == 2 || (name.size() == 3 && isSeparator(name[2]))) && isDriveLetter(name[0]) &&
           name[1] == ':';
}

std::string withoutTrailingSeparators(std::string name) {
    while (name.size() > 1 && isSeparator(name.back()))
        name.pop_back();
    return name;
}

// The separator a name already uses, "/" for one that uses none.
char separatorOf(const std::string& name) {
    return name.find('\\') != std::string::npos && name.find('/') == std::string::npos ? '\\' : '/';
}

std::string format(const char* pattern, const std::string& name) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, name);
    return text;
}

// Shows a copy on a progress display whose values are ints: a size beyond that is counted
// in coarser steps so that maximum and position stay in range together.
class ProgressScale {
public:
    explicit ProgressScale(const TCopyProgress& progress) : progress_(progress) {}
    ~ProgressScale() {
        if (progress_.SetPosition) progress_.SetPosition(0);
    }
    ProgressScale(const ProgressScale&) = delete;
    ProgressScale& operator=(const ProgressScale&) = delete;
    void start(std::int64_t size) {
        while ((size >> shift_) > INT_MAX)
            ++shift_;
        if (progress_.SetMax) progress_.SetMax(static_cast<int>(size >> shift_));
        if (progress_.SetMin) progress_.SetMin(0);
        if (progress_.SetPosition) progress_.SetPosition(0);
    }
    void at(std::int64_t done) {
        if (progress_.SetPosition) progress_.SetPosition(static_cast<int>(done >> shift_));
    }

private:
    const TCopyProgress& progress_;
    int shift_ = 0;
};

[[noreturn]] void raiseCopyFailure(const TCopyResult& result, const std::string& from,
                                   const std::string& to) {
    switch (result.Failure) {
    case TCopyFailure::OpenSource:
        throw EFOpenError(format("Cannot open file %s", from));
    case TCopyFailure::Read:
        throw EReadError("Stream read error");
    case TCopyFailure::Write:
        throw EWriteError("Stream write error");
    default:
        throw EFCreateError(format("Cannot create file %s", to));
    }
}

void shellTransfer(const std::string& from, const std::string& to, bool move, bool confirmOverwrite) {
    TKxFileOperator shell(nullptr);
    shell.SetSource(from);
    shell.SetDestination(to);
    if (move)
        shell.SetOperation(ResolvePath(ExtractFilePath(from)) == ResolvePath(ExtractFilePath(to)) ? foRename
                                                                                                  : foMove);
    TFileOperFlags options = shell.Options();
    options.Exclude(flAllowUndo);
    if (!confirmOverwrite) options.Include(flNoConfirmation);
    shell.SetOptions(options);
    if (!shell.Execute() || shell.Aborted()) Abort();
}

// The file a copy or move of from to `to` makes: inside `to` when it is a folder or is
// written as one (ending in a separator).
std::string destinationFor(const std::string& from, const std::string& to) {
    if (DirExists(to) || (!to.empty() && isSeparator(to.back())))
        return NormalDir(to) + ExtractFileName(from);
    return to;
}

std::string exactName(const std::string& name) {
    const std::string resolved = withoutTrailingSeparators(ResolvePath(name));
    struct stat info;
    return lstat(resolved.c_str(), &info) == 0 ? resolved : std::string();
}

int lockBytes(int handle, std::int64_t offset, std::int64_t length, short type) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    region.l_start = offset;
    region.l_len = length;
    // Locks of the open file itself, so that two descriptors of one process exclude each
    // other as two handles do elsewhere.
    return fcntl(handle, F_OFD_SETLK, &region) == 0 ? 0 : errno;
}

// A desktop entry value: backslash, newline, tab and return escaped.
std::string entryValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A program's path as the one argument of an Exec line: quoted, its quote-level specials
// escaped, then escaped again as any string value is.
std::string execArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (char c : quoted) {
        if (c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out;
}

std::string fileUrl(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-_.~/", c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 15];
        }
    }
    return url;
}

std::string absolutePath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

} // namespace

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* owner) : TComponent(owner) {}

bool TBrowseFolderDlg::Execute() {
    TFolderDialogOptions options;
    options.Text = dialogText_;
    options.Roots = desktopRoot_ ? DesktopFolderRoots() : DriveFolderRoots();
    if (DirExists(folderName_)) options.InitialFolder = ResolvePath(folderName_);
    options.HelpButton = helpContext_ != 0;
    options.CenterOnScreen = position_ == dpScreenCenter;
    options.OnInitialized = [this] {
        if (OnInitialized) OnInitialized(this);
    };
    options.OnSelectionChanged = [this](const std::string& path) { selectionChanged(path); };
    options.OnHelp = [this] { Application->HelpContext(helpContext_); };
    TFolderDialog dialog(options);
    dialog_ = &dialog;
    selectedName_.clear();
    const bool chosen = dialog.Execute();
    dialog_ = nullptr;
    // The dialog's folders are names found on disk: a "\\" in them is part of the name.
    if (chosen) folderName_ = dialog.Folder();
    return chosen;
}

void TBrowseFolderDlg::selectionChanged(const std::string& path) {
    selectedName_ = path;
    struct stat info;
    if (dialog_)
        dialog_->SetOkEnabled(!path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    if (OnSelChanged) OnSelChanged(this);
}

bool BrowseDirectory(std::string& folderName, const std::string& dialogText, int helpContext) {
    TBrowseFolderDlg dialog(Application);
    dialog.SetFolderName(folderName);
    dialog.SetDialogText(dialogText);
    dialog.SetHelpContext(helpContext);
    if (!dialog.Execute()) return false;
    folderName = dialog.FolderName();
    return true;
}

TFileOperFlags::TFileOperFlags(std::initializer_list<TFileOperFlag> flags) {
    for (TFileOperFlag flag : flags)
        Include(flag);
}

TFileOperFlags TFileOperFlags::FromBits(unsigned bits) {
    TFileOperFlags flags;
    flags.bits_ = bits;
    return flags;
}

TFileOperFlags& TFileOperFlags::Include(TFileOperFlag flag) {
    bits_ |= 1u << flag;
    return *this;
}

TFileOperFlags& TFileOperFlags::Exclude(TFileOperFlag flag) {
    bits_ &= ~(1u << flag);
    return *this;
}

unsigned FileOperationCode(TFileOperation operation) {
    static const unsigned codes[] = {FO_COPY, FO_DELETE, FO_MOVE, FO_RENAME};
    return codes[operation];
}

unsigned FileOperationFlags(const TFileOperFlags& options) {
    static const unsigned flags[] = {
        FOF_ALLOWUNDO,      FOF_CONFIRMMOUSE,      FOF_FILESONLY, FOF_MULTIDESTFILES, FOF_NOCONFIRMATION,
        FOF_NOCONFIRMMKDIR, FOF_RENAMEONCOLLISION, FOF_SILENT,    FOF_SIMPLEPROGRESS, FOF_NOERRORUI};
    unsigned result = 0;
    for (int flag = flAllowUndo; flag <= flNoErrorUI; ++flag)
        if (options.Contains(static_cast<TFileOperFlag>(flag))) result |= flags[flag];
    return result;
}

namespace {

TPropInfo fileOperFlagsProperty() {
    TPropInfo info;
    info.Name = "Options";
    info.PropType = &SetType(
        "TFileOperFlags",
        EnumerationType("TFileOperFlag", {"flAllowUndo", "flConfirmMouse", "flFilesOnly", "flMultiDest",
                                          "flNoConfirmation", "flNoConfirmMkDir", "flRenameOnCollision",
                                          "flSilent", "flSimpleProgress", "flNoErrorUI"}));
    info.Get = [](TObject& object) {
        return published::toValue(published::as<TKxFileOperator>(object).Options().Bits());
    };
    info.Set = [](TObject& object, const TPropValue& value) {
        published::as<TKxFileOperator>(object).SetOptions(
            TFileOperFlags::FromBits(published::fromValue<unsigned>(value, "Options")));
    };
    info.Default = TFileOperFlags{flAllowUndo, flNoConfirmMkDir}.Bits();
    return info;
}

const bool fileComponentsPublished =
    RegisterPublishedClass(
        "TBrowseFolderDlg", "TComponent",
        {
            Property("BrowseKind", EnumerationType("TBrowseKind", {"bfFolders"}),
                     &TBrowseFolderDlg::BrowseKind, &TBrowseFolderDlg::SetBrowseKind, bfFolders),
            Property("DesktopRoot", TypeBoolean(), &TBrowseFolderDlg::DesktopRoot,
                     &TBrowseFolderDlg::SetDesktopRoot, true),
            Property("DialogText", TypeString(), &TBrowseFolderDlg::DialogText,
                     &TBrowseFolderDlg::SetDialogText),
            Property("FolderName", TypeString(), &TBrowseFolderDlg::FolderName,
                     &TBrowseFolderDlg::SetFolderName),
            Property("HelpContext", TypeInteger(), &TBrowseFolderDlg::HelpContext,
                     &TBrowseFolderDlg::SetHelpContext, 0),
            Property("Position", EnumerationType("TDialogPosition", {"dpDefault", "dpScreenCenter"}),
                     &TBrowseFolderDlg::Position, &TBrowseFolderDlg::SetPosition, dpScreenCenter),
            EventProperty("OnInitialized", MethodType("TNotifyEvent"), &TBrowseFolderDlg::OnInitialized),
            EventProperty("OnSelChanged", MethodType("TNotifyEvent"), &TBrowseFolderDlg::OnSelChanged),
        }) &&
    RegisterPublishedClass(
        "TKxFileOperator", "TComponent",
        {
            Property("Destination", TypeString(), &TKxFileOperator::Destination,
                     &TKxFileOperator::SetDestination),
            Property("Operation",
                     EnumerationType("TFileOperation", {"foCopy", "foDelete", "foMove", "foRename"}),
                     &TKxFileOperator::Operation, &TKxFileOperator::SetOperation, foCopy),
            fileOperFlagsProperty(),
            Property("ProgressTitle", TypeString(), &TKxFileOperator::ProgressTitle,
                     &TKxFileOperator::SetProgressTitle),
            Property("Source", TypeString(), &TKxFileOperator::Source, &TKxFileOperator::SetSource),
        });

} // namespace

TKxFileOperator::TKxFileOperator(TComponent* owner) : TComponent(owner) {}

bool TKxFileOperator::Execute() {
    TShFileOp op;
    op.Func = FileOperationCode(operation_);
    op.Flags = FileOperationFlags(options_);
    op.From = SplitFileList(source_);
    op.To = SplitFileList(destination_);
    op.ProgressTitle = progressTitle_;
    const int result = SHFileOperation(op);
    aborted_ = op.AnyOperationsAborted;
    return result == 0;
}

std::vector<std::string> SplitFileList(const std::string& list) {
    std::vector<std::string> names;
    std::string current;
    for (char c : list + ';') {
        if (c == ';' || c == '|') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return names;
}

std::string NormalDir(const std::string& name) {
    if (name.empty()) return name;
    if (name.back() == ':' || isSeparator(name.back())) return name;
    return name + separatorOf(name);
}

std::string RemoveBackSlash(const std::string& name) {
    if (name.empty() || !isSeparator(name.back()) || isRoot(name)) return name;
    return name.substr(0, name.size() - 1);
}

bool DirExists(const std::string& name) {
    return !name.empty() && DirectoryExists(name);
}

bool ForceDirectories(const std::string& dir) {
    const std::string name = withoutTrailingSeparators(dir);
    if (name.empty() || isRoot(name) || DirExists(name)) return !name.empty();
    const std::string parent = withoutTrailingSeparators(ExtractFilePath(name));
    if (!parent.empty() && parent != name && !ForceDirectories(parent)) return false;
    return mkdir(ResolvePath(name).c_str(), 0777) == 0 || DirExists(name);
}

TCopyProgress ProgressOfControl(TControl* progressControl) {
    if (!progressControl) return {};
    return {[progressControl](int value) { SetProgressMax(progressControl, value); },
            [progressControl](int value) { SetProgressMin(progressControl, value); },
            [progressControl](int value) { SetProgressValue(progressControl, value); }};
}

void CopyFile(const std::string& from, const std::string& to, const TCopyProgress& progress) {
    CopyFileEx(from, to, false, false, progress);
}

void CopyFile(const std::string& from, const std::string& to, TControl* progressControl) {
    CopyFileEx(from, to, false, false, ProgressOfControl(progressControl));
}

void CopyFileEx(const std::string& from, const std::string& to, bool overwriteReadOnly, bool shellDialog,
                TControl* progressControl) {
    CopyFileEx(from, to, overwriteReadOnly, shellDialog, ProgressOfControl(progressControl));
}

void CopyFileEx(const std::string& from, const std::string& to, bool overwriteReadOnly, bool shellDialog,
                const TCopyProgress& progress) {
    if (shellDialog) {
        shellTransfer(from, to, false, !overwriteReadOnly);
        return;
    }
    const std::string target = destinationFor(from, to);
    const std::string source = ResolvePath(from);
    ProgressScale scale(progress);
    TCopyHooks hooks;
    hooks.Started = [&](std::int64_t size) {
        scale.start(size);
        ForceDirectories(ExtractFilePath(target));
    };
    hooks.Progress = [&](std::int64_t done) {
        scale.at(done);
        return true;
    };
    const TCopyResult result =
        CopyFileSafely(source, ResolvePath(target), copyBlockSize, overwriteReadOnly, hooks);
    if (!result) raiseCopyFailure(result, from, target);
}

void MoveFile(const std::string& from, const std::string& to) {
    const std::string source = ResolvePath(from);
    const std::string target = destinationFor(from, to);
    // A read-only destination stays, as a copy onto it would.
    struct stat existing;
    if (stat(ResolvePath(target).c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        !(existing.st_mode & S_IWUSR))
        throw EFCreateError(format("Cannot create file %s", target));
    ForceDirectories(ExtractFilePath(target));
    if (rename(source.c_str(), ResolvePath(target).c_str()) == 0) return;
    struct stat info;
    if (lstat(source.c_str(), &info) != 0) throw EFOpenError(format("Cannot open file %s", from));
    CopyFile(from, target);
    // The copy is whole before the source may go; when it cannot, both stay.
    if (unlink(source.c_str()) != 0 && errno != ENOENT) {
        const int code = errno;
        throw EOSError(format("Cannot delete file %s", from) + ": " + std::system_category().message(code),
                       code);
    }
}

void MoveFileEx(const std::string& from, const std::string& to, bool shellDialog) {
    if (shellDialog)
        shellTransfer(from, to, true, true);
    else
        MoveFile(from, to);
}

std::int64_t GetFileSize(const std::string& name) {
    struct stat info;
    if (stat(ResolvePath(name).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
    return info.st_size;
}

TDateTime FileDateTime(const std::string& name) {
    struct stat info;
    if (stat(ResolvePath(name).c_str(), &info) != 0) return 0.0;
    std::tm local{};
    if (!localtime_r(&info.st_mtim.tv_sec, &local)) return 0.0;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
        !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time))
        return 0.0;
    return date >= 0 ? date + time : date - time;
}

int FileGetAttr(const std::string& name) {
    const std::string path = withoutTrailingSeparators(ResolvePath(name));
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return -1;
    int attributes = 0;
    if (S_ISLNK(info.st_mode)) {
        attributes |= faSymLink;
        struct stat target;
        if (stat(path.c_str(), &target) == 0) info = target;
    }
    if (!(info.st_mode & S_IWUSR)) attributes |= faReadOnly;
    if (ExtractFileName(path).rfind('.', 0) == 0) attributes |= faHidden;
    if (S_ISDIR(info.st_mode))
        attributes |= faDirectory;
    else if (S_ISREG(info.st_mode))
        attributes |= faArchive;
    else
        attributes |= faSysFile;
    return attributes;
}

bool HasAttr(const std::string& name, int attributes) {
    const int found = FileGetAttr(name);
    return found >= 0 && (found & attributes) == attributes;
}

bool DeleteFiles(const std::string& mask) {
    const std::string folder = ExtractFilePath(mask);
    const std::string pattern = ExtractFileName(mask);
    const std::string resolvedFolder = folder.empty() ? "." : withoutTrailingSeparators(ResolvePath(folder));
    DIR* listing = opendir(resolvedFolder.c_str());
    if (!listing) return false;
    std::vector<std::string> names;
    for (dirent* entry; (entry = readdir(listing)) != nullptr;)
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 &&
            MatchesWildcard(entry->d_name, pattern))
            names.emplace_back(entry->d_name);
    closedir(listing);
    for (const std::string& name : names) {
        std::string path = resolvedFolder;
        path += '/';
        path += name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        // A file that went away meanwhile is as deleted as it can be.
        if (unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    }
    return true;
}

bool DeleteFilesEx(const std::vector<std::string>& masks) {
    for (const std::string& mask : masks)
        if (!DeleteFiles(mask)) return false;
    return true;
}

bool ClearDir(const std::string& dir, bool deleteDir) {
    if (!DirExists(dir)) return false;
    const std::string path = withoutTrailingSeparators(ResolvePath(dir));
    if (ClearTree(path, deleteDir) != 0) return false;
    if (!deleteDir || isRoot(withoutTrailingSeparators(dir)) || absolutePath(path) == "/") return true;
    return rmdir(path.c_str()) == 0;
}

std::string GetTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = tmp && *tmp == '/' ? tmp : "/tmp";
    return NormalDir(dir);
}

std::string GetSystemDir() {
    void* library = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return {};
    link_map* loaded = nullptr;
    std::string path;
    if (dlinfo(library, RTLD_DI_LINKMAP, &loaded) == 0 && loaded && loaded->l_name) path = loaded->l_name;
    dlclose(library);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool ValidFileName(const std::string& fileName) {
    return !fileName.empty() && fileName.find_first_of("<>\"[]|") == std::string::npos &&
           ExtractFileName(fileName).find('\\') == std::string::npos;
}

int FileLock(int handle, std::int32_t offset, std::int32_t lockSize) {
    return FileLock(handle, std::int64_t{offset}, std::int64_t{lockSize});
}

int FileUnlock(int handle, std::int32_t offset, std::int32_t lockSize) {
    return FileUnlock(handle, std::int64_t{offset}, std::int64_t{lockSize});
}

int FileLock(int handle, std::int64_t offset, std::int64_t lockSize) {
    if (offset < 0 || lockSize <= 0) return EINVAL;
    return lockBytes(handle, offset, lockSize, F_WRLCK);
}

int FileUnlock(int handle, std::int64_t offset, std::int64_t lockSize) {
    if (offset < 0 || lockSize <= 0) return EINVAL;
    return lockBytes(handle, offset, lockSize, F_UNLCK);
}

std::string ShortToLongFileName(const std::string& shortName) {
    const std::string found = exactName(shortName);
    return found.empty() ? found : ExtractFileName(found);
}

std::string LongToShortFileName(const std::string& longName) {
    return ShortToLongFileName(longName);
}

std::string ShortToLongPath(const std::string& shortName) {
    return exactName(shortName);
}

std::string LongToShortPath(const std::string& longName) {
    return exactName(longName);
}

std::string FileLinkPath(const std::string& displayName, int specialFolder) {
    const std::string folder = SpecialFolderPath(specialFolder);
    return folder.empty() ? folder : folder + "/" + displayName + ".desktop";
}

void CreateFileLink(const std::string& target, const std::string& displayName, int specialFolder) {
    if (displayName.empty() || displayName.find('/') != std::string::npos || displayName == "." ||
        displayName == "..")
        throw EOSError(format("Cannot create file %s", displayName) + ": not a file name", EINVAL);
    const std::string link = FileLinkPath(displayName, specialFolder);
    if (link.empty()) throw EOSError("No such special folder", ENOENT);
    const std::string path = absolutePath(ResolvePath(target));
    struct stat info;
    const bool program =
        stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
    std::string entry = "[Desktop Entry]\nVersion=1.0\n";
    entry += program ? "Type=Application\nExec=" + execArgument(path) + "\n"
                     : "Type=Link\nURL=" + fileUrl(path) + "\n";
    entry += "Name=" + entryValue(displayName) + "\n";
    std::string error;
    if (!ForceDirectories(ExtractFilePath(link)) || !WriteFileAtomically(link, entry, error))
        throw EOSError(format("Cannot create file %s", link) + (error.empty() ? "" : ": " + error), EIO);
    // Desktops start only the launchers the user may run.
    chmod(link.c_str(), 0755);
}

bool DeleteFileLink(const std::string& displayName, int specialFolder) {
    if (displayName.empty() || displayName.find('/') != std::string::npos) return false;
    const std::string link = FileLinkPath(displayName, specialFolder);
    return !link.empty() && unlink(link.c_str()) == 0;
}
