#pragma once
// Every file the program opens goes through here. Its names are written the Windows way
// ("data\gfx\maps.pcx", "Data\GFX\palette.bmp"): '\' separates directories and letter case
// does not matter. Each component is matched against the real directory entries without
// regard to ASCII case; relative names start at the current directory.
#include <cstdio>
#include <memory>
#include <string>

// The real path of name when every component exists. Otherwise the best candidate: the
// components that exist in their real spelling, the rest as written (with '/'), which is
// where a new file of that name is created. An exact match wins over a case-insensitive
// one; among several entries that differ only in case the first in byte order wins.
// Relative names stay relative.
std::string ResolvePath(const std::string& name);

// True when name resolves to a regular file (or a link to one).
bool FileExists(const std::string& name);
// True when name resolves to a directory.
bool DirectoryExists(const std::string& name);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen of the resolved name; empty (errno set) when it cannot be opened.
FilePtr OpenFile(const std::string& name, const char* mode);
// Opens the resolved name for binary reading only when it is a regular file (or a link to
// one). A directory (whose size reads as no file's), a FIFO (whose open waits for a writer)
// or a device is refused at once: empty, errno set.
FilePtr OpenRegularFile(const std::string& name);
