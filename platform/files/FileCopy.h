#pragma once
// Copying one file's bytes so that the destination is either left as it was or holds the
// whole copy: the data goes to a temporary file beside the destination, which is renamed
// over it only when everything was written. A file is never copied onto itself (through
// another name or a link either), which would empty it. A destination that is a link is
// written through to the file it names.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

enum class TCopyFailure { None, OpenSource, SameFile, CreateTarget, Read, Write, Cancelled };

struct TCopyResult {
    TCopyFailure Failure = TCopyFailure::None;
    int Error = 0; // errno of the failing call
    explicit operator bool() const { return Failure == TCopyFailure::None; }
};

struct TCopyHooks {
    // Once the source is open, with its size.
    std::function<void(std::int64_t size)> Started;
    // After every block with the bytes copied so far; false stops the copy (Cancelled).
    std::function<bool(std::int64_t done)> Progress;
};

// Copies from into to in blocks of blockSize bytes. The copy takes the source's permission
// bits and modification time. A read-only destination is replaced only when
// replaceReadOnly is set.
TCopyResult CopyFileSafely(const std::string& from, const std::string& to, std::size_t blockSize,
                           bool replaceReadOnly, const TCopyHooks& hooks = {});
// The same file under two names (or a link and its target).
bool SameFile(const std::string& a, const std::string& b);
