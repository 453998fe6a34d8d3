#pragma once
// What the settings files (TIniFile, the registry stand-in) share: a file that is read
// whole, kept parsed while it does not change, replaced whole, and a lock that writers in
// any process take around their read-modify-write so that none loses another's change.
//
// Durability: every replacement is atomic and on the disk before Replace returns (see
// AtomicFile.h), so no reader, crashed program or power cut ever meets a torn or empty
// file: after a power cut the file is the one of the last replacement that returned, or
// the one before it when the cut came while a replacement was under way. Writers that
// store many values gather them into one replacement (TIniFile's and TRegistry's
// BeginUpdate and EndUpdate), since each replacement waits for the disk.
//
// No file is held open between calls: a file changed since it was read is told by its
// identity (device and inode), size and timestamps. Timestamps have a step (a clock tick,
// a whole second on some file systems), and a change made within the step of the last one
// leaves them as they were; so while the file's last change is that recent, its contents
// are compared as well. An inode number given again to a new file is told apart the same
// way: the new file's change time is later than the read.
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

class SettingsFile {
public:
    explicit SettingsFile(std::string path);

    const std::string& Path() const { return path_; }
    // True until the file has been read, and whenever the file on disk may no longer be the
    // one last read or written: another file renamed over it, or this one changed.
    bool Changed();

    struct Contents {
        // Empty for a missing file, and for one that is no regular file: a FIFO or a device is
        // opened without waiting and never read, since reading it could block for ever.
        std::string text;
        bool exists = false;
        // False when the file is longer than the limit it was read to, or could not be read:
        // writing what was read would lose the rest.
        bool whole = true;
    };
    // Reads the file up to limit bytes and remembers it as the file read.
    Contents Read(std::size_t limit = std::string::npos);
    // Replaces the file with text, on the disk when it returns, and remembers the new file as
    // the file read. A missing file is made; a file that may not be written, or is no regular
    // file, is refused. The first replacement also clears away the temporary files that
    // writers killed before they were done left beside the file.
    bool Replace(std::string_view text, std::string& error);
    // Forgets what was read, so that the next Changed answers true.
    void Forget();

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        long long changedNs = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    void remember(const struct stat& info, long long readNs, std::string text);
    std::optional<std::string> readText() const;

    std::string path_;
    std::optional<Stamp> stamp_; // of the file read; none when it was missing
    bool known_ = false;
    bool cleared_ = false; // the abandoned temporary files were cleared away
    // The stamp was taken long enough after the file's last change that any later change
    // shows in it; until then text_ is compared too.
    bool settled_ = false;
    std::string text_;                          // what the file held, up to readLimit_ bytes
    std::size_t readLimit_ = std::string::npos; // the limit of Read, and one byte more
};

// An exclusive advisory lock held by a writer from before it reads a settings file until
// its replacement is in place. It is taken on a lock file beside the settings file (named
// after it, "." in front and ".lock" behind), made for the length of the lock: making it
// needs only the rights that writing the settings file needs, in a folder that cannot be
// listed too. The lock is not taken on the settings file itself, since every write renames a
// new file over it: one writer would lock the old inode and the next the new one. The
// holder removes the lock file before it lets go, and a writer that finds the file it locked
// removed meanwhile locks the next one. It is a flock, which belongs to the open descriptor:
// two writers in one process, on two threads or through two objects, exclude each other as
// two processes do. Where no lock can be had (a file system without such locks) the writers
// go unlocked; each replacement is still whole.
class SettingsWriteLock {
public:
    explicit SettingsWriteLock(const std::string& filePath);
    ~SettingsWriteLock();
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};
