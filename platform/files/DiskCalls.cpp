#include "platform/files/DiskCalls.h"

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

DiskCalls systemCalls;
std::atomic<DiskCalls*> installed{&systemCalls};

} // namespace

int DiskCalls::Open(const std::string& path, int flags, mode_t mode) {
    return open(path.c_str(), flags, mode);
}

int DiskCalls::Flush(int fd) {
    return fsync(fd);
}

int DiskCalls::Rename(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str());
}

int DiskCalls::Status(const std::string& path, struct stat& info) {
    return stat(path.c_str(), &info);
}

int DiskCalls::Status(int fd, struct stat& info) {
    return fstat(fd, &info);
}

timespec DiskCalls::Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

DiskCalls& Disk() {
    return *installed.load();
}

void SetDiskCalls(DiskCalls* calls) {
    installed.store(calls ? calls : &systemCalls);
}
