#pragma once
// File routines for applications: a folder browser (TBrowseFolderDlg), the desktop's file
// operations with their confirmations and progress (TKxFileOperator), copying with
// progress, moving, deleting by mask, clearing folders, names and paths, file locks and
// the desktop's link files. Names may be written the Windows way ("data\gfx"); both "\"
// and "/" separate folders, and each part is matched against the disk without regard to
// case.
#include "platform/framework/Classes.h"
#include "platform/framework/DateTime.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class TFolderDialog;

enum TBrowseKind { bfFolders };
enum TDialogPosition { dpDefault, dpScreenCenter };

// Lets the user pick a folder from the file system's tree.
class TBrowseFolderDlg : public TComponent {
    VX_CLASS(TBrowseFolderDlg, TComponent)
public:
    explicit TBrowseFolderDlg(TComponent* owner);

    TBrowseKind BrowseKind() const { return browseKind_; }
    void SetBrowseKind(TBrowseKind kind) { browseKind_ = kind; }
    // The tree starts at the user's home and the file system (true) or at the file system
    // and the mounted drives (false).
    bool DesktopRoot() const { return desktopRoot_; }
    void SetDesktopRoot(bool desktopRoot) { desktopRoot_ = desktopRoot; }
    const std::string& DialogText() const { return dialogText_; }
    void SetDialogText(const std::string& text) { dialogText_ = text; }
    // Selected when the dialog opens (if it exists); the chosen folder afterwards.
    const std::string& FolderName() const { return folderName_; }
    void SetFolderName(const std::string& name) { folderName_ = name; }
    // Not 0: the dialog has a Help button that asks the application for this topic.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    TDialogPosition Position() const { return position_; }
    void SetPosition(TDialogPosition position) { position_ = position; }

    TNotifyEvent OnInitialized;
    TNotifyEvent OnSelChanged;

    // Shows the dialog; true when the user chose a folder (then in FolderName).
    virtual bool Execute();
    // While the dialog runs: the selected folder (empty when the selection is no folder),
    // and the dialog itself.
    const std::string& SelectedName() const { return selectedName_; }
    TFolderDialog* Dialog() const { return dialog_; }

private:
    void selectionChanged(const std::string& path);

    TBrowseKind browseKind_ = bfFolders;
    bool desktopRoot_ = true;
    std::string dialogText_;
    std::string folderName_;
    int helpContext_ = 0;
    TDialogPosition position_ = dpScreenCenter;
    std::string selectedName_;
    TFolderDialog* dialog_ = nullptr;
};

// A TBrowseFolderDlg owned by the application: true and folderName set when one was chosen.
bool BrowseDirectory(std::string& folderName, const std::string& dialogText, int helpContext);

enum TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperFlag {
    flAllowUndo,
    flConfirmMouse,
    flFilesOnly,
    flMultiDest,
    flNoConfirmation,
    flNoConfirmMkDir,
    flRenameOnCollision,
    flSilent,
    flSimpleProgress,
    flNoErrorUI
};

class TFileOperFlags {
public:
    TFileOperFlags(std::initializer_list<TFileOperFlag> flags = {});
    // The flags as a bit set, bit (1 << flag) per flag, as a published set holds them.
    static TFileOperFlags FromBits(unsigned bits);
    unsigned Bits() const { return bits_; }
    bool Contains(TFileOperFlag flag) const { return (bits_ >> flag) & 1u; }
    TFileOperFlags& Include(TFileOperFlag flag);
    TFileOperFlags& Exclude(TFileOperFlag flag);
    friend bool operator==(const TFileOperFlags&, const TFileOperFlags&) = default;

private:
    unsigned bits_ = 0;
};

// The shell operation code of an operation and the shell flags of a set of options.
unsigned FileOperationCode(TFileOperation operation);
unsigned FileOperationFlags(const TFileOperFlags& options);

// Copies, moves, deletes or renames the files and folders of Source (names separated by
// ";" or "|") as the desktop does.
class TKxFileOperator : public TComponent {
    VX_CLASS(TKxFileOperator, TComponent)
public:
    explicit TKxFileOperator(TComponent* owner);

    const std::string& Destination() const { return destination_; }
    void SetDestination(const std::string& destination) { destination_ = destination; }
    TFileOperation Operation() const { return operation_; }
    void SetOperation(TFileOperation operation) { operation_ = operation; }
    const TFileOperFlags& Options() const { return options_; }
    void SetOptions(const TFileOperFlags& options) { options_ = options; }
    const std::string& ProgressTitle() const { return progressTitle_; }
    void SetProgressTitle(const std::string& title) { progressTitle_ = title; }
    const std::string& Source() const { return source_; }
    void SetSource(const std::string& source) { source_ = source; }
    // Whether the user stopped the last operation.
    bool Aborted() const { return aborted_; }

    // True when the whole operation succeeded. An empty source list fails.
    virtual bool Execute();

private:
    std::string destination_;
    TFileOperation operation_ = foCopy;
    TFileOperFlags options_{flAllowUndo, flNoConfirmMkDir};
    std::string progressTitle_;
    std::string source_;
    bool aborted_ = false;
};

// Names split at ";" and "|", empty ones left out.
std::vector<std::string> SplitFileList(const std::string& list);

// Where a copy shows its progress: the maximum, minimum and position of a progress display.
struct TCopyProgress {
    std::function<void(int)> SetMax;
    std::function<void(int)> SetMin;
    std::function<void(int)> SetPosition;
};

class TControl;
// A copy's progress on any progress control registered with the progress-control registry
// (nullptr: none).
TCopyProgress ProgressOfControl(TControl* progressControl);

// Appends a separator unless name is empty or ends in one (or ":"). A one-letter name is a
// folder like any other: there are no drive letters.
std::string NormalDir(const std::string& name);
// Removes one trailing separator, unless the name is a root ("/", "C:\").
std::string RemoveBackSlash(const std::string& name);
bool DirExists(const std::string& name);
// Makes the folder and every missing folder above it; true when it exists afterwards.
bool ForceDirectories(const std::string& dir);
// Copies the file (into a folder when to is one) without the shell, refusing read-only
// destinations; raises EFOpenError, EFCreateError, EReadError or EWriteError. The
// destination holds either its old contents or the whole copy, never part of one.
void CopyFile(const std::string& from, const std::string& to, const TCopyProgress& progress = {});
void CopyFile(const std::string& from, const std::string& to, TControl* progressControl);
// With overwriteReadOnly a read-only destination is replaced too; with shellDialog the
// desktop's operation copies, and a failure or cancel raises EAbort.
void CopyFileEx(const std::string& from, const std::string& to, bool overwriteReadOnly, bool shellDialog,
                const TCopyProgress& progress = {});
void CopyFileEx(const std::string& from, const std::string& to, bool overwriteReadOnly, bool shellDialog,
                TControl* progressControl);
// Renames, or copies and deletes where renaming cannot be done (another file system). A
// read-only destination is refused as CopyFile refuses it (EFCreateError). When the source
// cannot be deleted afterwards both files stay and EOSError is raised.
void MoveFile(const std::string& from, const std::string& to);
void MoveFileEx(const std::string& from, const std::string& to, bool shellDialog);
// The size in bytes; -1 for a folder or a missing file.
std::int64_t GetFileSize(const std::string& name);
// The local modification time; NullDate when there is none to be had.
TDateTime FileDateTime(const std::string& name);

constexpr int faReadOnly = 0x01; // no write permission for the owner
constexpr int faHidden = 0x02;   // the name starts with "."
constexpr int faSysFile = 0x04;  // a device, pipe or socket
constexpr int faVolumeID = 0x08; // never set
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20; // a regular file
constexpr int faSymLink = 0x40;
// The attributes of a file or folder (not following a final link), -1 when it is missing.
int FileGetAttr(const std::string& name);
// All the attribute bits are set.
bool HasAttr(const std::string& name, int attributes);

// Deletes the files (and links) that mask finds ("dir\*.tmp"), folders left alone, stopping
// at the first failure; true when every one went.
bool DeleteFiles(const std::string& mask);
bool DeleteFilesEx(const std::vector<std::string>& masks);
// Deletes the folder's contents (links inside removed, never followed), its subfolders
// emptied and, with deleteDir, removed with the folder itself ("/" and drive roots stay).
bool ClearDir(const std::string& dir, bool deleteDir);
// The temporary folder, with a trailing separator.
std::string GetTempDir();
// The system's folder of shared libraries (the one the C library came from), without a
// trailing separator; empty when it cannot be told.
std::string GetSystemDir();
// Not empty, none of < > " [ ] | in it, no "\" in its last part.
bool ValidFileName(const std::string& fileName);

// Locks or unlocks bytes of an open file for every other descriptor of it: 0, or the errno.
int FileLock(int handle, std::int32_t offset, std::int32_t lockSize);
int FileUnlock(int handle, std::int32_t offset, std::int32_t lockSize);
int FileLock(int handle, std::int64_t offset, std::int64_t lockSize);
int FileUnlock(int handle, std::int64_t offset, std::int64_t lockSize);

// A name or path as the disk spells it; empty when it does not exist. There are no
// separate short names here, so both directions give the disk's own spelling.
std::string ShortToLongFileName(const std::string& shortName);
std::string LongToShortFileName(const std::string& longName);
std::string ShortToLongPath(const std::string& shortName);
std::string LongToShortPath(const std::string& longName);

// Makes a desktop link file "<displayName>.desktop" in a special folder (a CSIDL value)
// that opens target: a launcher for a program, a link for any other file or folder.
// Raises EOSError when it cannot be written.
void CreateFileLink(const std::string& target, const std::string& displayName, int specialFolder);
bool DeleteFileLink(const std::string& displayName, int specialFolder);
// The path of that link file; empty when the special folder does not exist here.
std::string FileLinkPath(const std::string& displayName, int specialFolder);
