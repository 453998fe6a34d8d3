#pragma once
// What the settings files (TIniFile, the registry stand-in) share: a file that is read
// whole, kept parsed while it does not change, replaced whole, and a lock that writers in
// any process take around their read-modify-write so that none loses another's change.
//
// Durability: a replacement is atomic (a temporary file swapped in for the file), so no
// reader and no crashed program ever sees a torn or empty file, and any reader sees the new
// file once Replace returns. It is not flushed to the disk on every write, which would cost
// milliseconds per stored value; Sync flushes the last replacement and its folder, and the
// owners call it when they are done writing (a TIniFile or TRegistry freed). Until then a
// power cut can lose the file's latest contents.
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    const std::string& Path() const { return path_; }
    // True until the file has been read, and whenever the file on disk is no longer the
    // one last read or written: another file renamed over it, or this one changed.
    bool Changed() const;

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
    // Replaces the file with text and remembers the new file as the file read. A missing
    // file is made; a file that may not be written, or is no regular file, is refused.
    bool Replace(std::string_view text, std::string& error);
    // Forgets what was read, so that the next Changed answers true.
    void Forget();
    // Flushes the last replacement and the folder's entry of it to the disk.
    void Sync();

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        long long changedNs = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    void remember(int fd, std::optional<Stamp> stamp);

    std::string path_;
    // The file read or written, held open: while it is held its inode number cannot be
    // given to a new file, so a file renamed over it always shows as another inode.
    int held_ = -1;
    std::optional<Stamp> stamp_; // of the file read; none when it was missing
    bool known_ = false;
    bool unsynced_ = false;
};

// An exclusive advisory lock held by a writer from before it reads a settings file until
// its replacement is in place. The lock is on the file's folder, not on the file: every
// write renames a new file over the old one, so a lock on the file would be taken by one
// writer on the old inode and by the next on the new one, and both would go ahead. The
// folder keeps its inode while the file is replaced in it, and locking it needs no lock
// file of its own (none left behind, none whose name could pass the name limit). It is a
// flock, which belongs to the open descriptor: two writers in one process, on two threads
// or through two objects, exclude each other as two processes do. A file system that has
// no such lock on a folder leaves the writers unlocked; each replacement is still whole.
class SettingsWriteLock {
public:
    explicit SettingsWriteLock(const std::string& filePath);
    ~SettingsWriteLock();
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

private:
    int folder_ = -1;
};
