#pragma once
// The calls through which the settings files meet the disk where the order of the calls or
// their answers decide what survives and who may read it: making a new file, flushing,
// renaming, a file's status and the clock its timestamps are taken from. The system's serve
// unless a test installs others, to record the calls, to look at a new file the moment it
// is made or to stand in for a file system whose timestamps stand still.
#include <string>

#include <sys/stat.h>
#include <time.h>

class DiskCalls {
public:
    virtual ~DiskCalls() = default;
    // open: the new files the settings are written to are made through this.
    virtual int Open(const std::string& path, int flags, mode_t mode);
    // fsync: the file's data and status, or a folder's entries, on the disk.
    virtual int Flush(int fd);
    virtual int Rename(const std::string& from, const std::string& to);
    virtual int Status(const std::string& path, struct stat& info);
    virtual int Status(int fd, struct stat& info);
    // The wall clock, which file timestamps are taken from.
    virtual timespec Now();
};

// The calls in use.
DiskCalls& Disk();
// Installs calls (nullptr: the system's). The caller keeps ownership.
void SetDiskCalls(DiskCalls* calls);
