#pragma once
// Counts how often a file is replaced by another file renamed over it, the way the settings
// files are written, by watching its folder.
#include <filesystem>
#include <string>

#include <sys/inotify.h>
#include <unistd.h>

class FileReplacements {
public:
    explicit FileReplacements(const std::string& path)
        : name_(std::filesystem::path(path).filename().string()), fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        // The temporary files' creations come between the renames, so that the kernel does not
        // fold repeated renames into one event.
        inotify_add_watch(fd_, std::filesystem::path(path).parent_path().c_str(), IN_MOVED_TO | IN_CREATE);
    }
    ~FileReplacements() { close(fd_); }
    FileReplacements(const FileReplacements&) = delete;
    FileReplacements& operator=(const FileReplacements&) = delete;

    int Count() {
        alignas(inotify_event) char buffer[65536];
        ssize_t length;
        while ((length = read(fd_, buffer, sizeof buffer)) > 0)
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                count_ += (event->mask & IN_MOVED_TO) && event->len > 0 && name_ == event->name;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        return count_;
    }

private:
    std::string name_;
    int fd_;
    int count_ = 0;
};
