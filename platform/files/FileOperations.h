#pragma once
// The desktop's file operations as one call: copy, move, delete or rename lists of files
// and folders, with the confirmations, the progress window and the error messages a file
// manager shows, each of which the flags can switch off. Deleting with FOF_ALLOWUNDO goes
// to the desktop's trash. Names may be written the Windows way and the last part of a
// source may hold the wildcards "*" and "?".
//
// Safety rules: a file is never copied onto itself; a copy that fails leaves no partial
// file under the destination's name; a folder is never copied or moved into itself;
// deleting a folder removes links inside it as links, never what they point to; "/" is
// never deleted; a move whose removal of the source fails keeps both and fails. A move
// never deletes a source item it did not place: one the user kept by answering No to
// replacing stays in the source, with the folders above it, and the move goes on with
// the rest and ends as a partial move (ECANCELED, AnyOperationsAborted set).
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

constexpr unsigned FO_MOVE = 1;
constexpr unsigned FO_COPY = 2;
constexpr unsigned FO_DELETE = 3;
constexpr unsigned FO_RENAME = 4;

constexpr unsigned FOF_MULTIDESTFILES = 0x0001;    // To holds one destination per source
constexpr unsigned FOF_CONFIRMMOUSE = 0x0002;      // no effect
constexpr unsigned FOF_SILENT = 0x0004;            // no progress window
constexpr unsigned FOF_RENAMEONCOLLISION = 0x0008; // "name (copy)" instead of replacing
constexpr unsigned FOF_NOCONFIRMATION = 0x0010;    // yes to every question
constexpr unsigned FOF_ALLOWUNDO = 0x0040;         // delete to the trash
constexpr unsigned FOF_FILESONLY = 0x0080;         // wildcards match files only
constexpr unsigned FOF_SIMPLEPROGRESS = 0x0100;    // progress without file names
constexpr unsigned FOF_NOCONFIRMMKDIR = 0x0200;    // create missing folders without asking
constexpr unsigned FOF_NOERRORUI = 0x0400;         // no error messages

struct TShFileOp {
    unsigned Func = FO_COPY;
    std::vector<std::string> From;
    std::vector<std::string> To;
    unsigned Flags = 0;
    std::string ProgressTitle;
    // Set when the user cancelled, answered a question with Cancel or No to go on, or kept
    // a destination's item in a move.
    bool AnyOperationsAborted = false;
};

// Runs the operation: 0 on success, else the errno of the first failure (ECANCELED when
// the user stopped it, EINVAL for an empty source list or a missing destination).
int SHFileOperation(TShFileOp& operation);

// What the user sees while an operation runs. The desktop's is a progress window that lets
// the user cancel; tests install a recorder.
class FileOperationProgress {
public:
    virtual ~FileOperationProgress() = default;
    virtual void Begin(const std::string& title, std::int64_t total) = 0;
    // The item in progress (empty with FOF_SIMPLEPROGRESS) and the amount done out of the
    // total; false when the user cancelled.
    virtual bool Update(const std::string& item, std::int64_t done) = 0;
    virtual void End() = 0;
};

// Installs a progress display (nullptr: the desktop's window). The caller keeps ownership.
void SetFileOperationProgress(FileOperationProgress* progress);
// The progress window of the desktop (defined with the framework's widgets).
FileOperationProgress& DesktopFileOperationProgress();

// Records what an operation showed; can cancel at a given update and run a hook at each.
class RecordingFileProgress : public FileOperationProgress {
public:
    struct Step {
        std::string item;
        std::int64_t done = 0;
    };
    void Begin(const std::string& title, std::int64_t total) override;
    bool Update(const std::string& item, std::int64_t done) override;
    void End() override;

    std::vector<std::string> Titles() const;
    std::vector<Step> Updates() const;
    std::int64_t Total() const;
    int Ends() const;
    // Answer false at update number n (from 1); 0 never.
    void CancelAt(int n);
    // Runs before each update is answered, with its number.
    std::function<void(int n)> OnUpdate;

private:
    mutable std::mutex lock_;
    std::vector<std::string> titles_;
    std::vector<Step> updates_;
    std::int64_t total_ = 0;
    int ends_ = 0;
    int cancelAt_ = 0;
};

class ScopedFileProgressRecorder {
public:
    ScopedFileProgressRecorder();
    ~ScopedFileProgressRecorder();
    ScopedFileProgressRecorder(const ScopedFileProgressRecorder&) = delete;
    ScopedFileProgressRecorder& operator=(const ScopedFileProgressRecorder&) = delete;
    RecordingFileProgress& recorder() { return recorder_; }

private:
    RecordingFileProgress recorder_;
};

// Removes a file, a link or a whole folder tree without following links: 0, or the errno of
// the first failure (the rest is still removed). A missing path counts as removed.
int RemoveTree(const std::string& path);
// Empties a folder (its subfolders emptied and, with removeSubfolders, removed too) without
// following links: 0, or the errno of the first failure.
int ClearTree(const std::string& path, bool removeSubfolders);
// name matches pattern ("*" any run, "?" any one character, "*.*" everything), any case.
bool MatchesWildcard(const std::string& name, const std::string& pattern);
