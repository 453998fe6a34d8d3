#pragma once
// Stand-ins for the disk calls of the settings files (DiskCalls.h), each for a scope.
#include "platform/files/DiskCalls.h"

#include <string>
#include <vector>

class ScopedDiskCalls : public DiskCalls {
public:
    ScopedDiskCalls() { SetDiskCalls(this); }
    ~ScopedDiskCalls() override { SetDiskCalls(nullptr); }
};

// Makes every flush and rename and records it: "flush <inode>", "rename <inode> <new name>".
class RecordedDiskCalls : public ScopedDiskCalls {
public:
    int Flush(int fd) override {
        struct stat info {};
        fstat(fd, &info);
        calls.push_back("flush " + std::to_string(info.st_ino));
        return DiskCalls::Flush(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        struct stat info {};
        lstat(from.c_str(), &info);
        calls.push_back("rename " + std::to_string(info.st_ino) + " " + to);
        return DiskCalls::Rename(from, to);
    }
    std::vector<std::string> calls;
};

// Gives every file one inode number and timestamps that stand still, with the clock just
// past them: only a file's size and contents can tell a change.
class FrozenFileStatus : public ScopedDiskCalls {
public:
    int Status(const std::string& path, struct stat& info) override {
        return frozen(DiskCalls::Status(path, info), info);
    }
    int Status(int fd, struct stat& info) override { return frozen(DiskCalls::Status(fd, info), info); }
    timespec Now() override { return {1700000000, 501000000}; }

private:
    static int frozen(int result, struct stat& info) {
        info.st_ino = 1;
        info.st_mtim = info.st_ctim = {1700000000, 500000000};
        return result;
    }
};
