#pragma once
// The running executable's name and the file-name arithmetic the program does on it and
// on its Windows-style relative names. Both '\' and '/' separate directories here, so a
// name keeps its meaning whichever of the two it was written with.
#include <cstddef>
#include <string>

// Full path of the running executable (from /proc/self/exe), unless a test set another.
std::string ExeName();
// The directory of ExeName(), with a trailing '/'.
std::string ExeDir();
// Makes ExeName() answer path (tests); an empty path returns to the real executable.
void SetExeName(const std::string& path);

// The name with its extension (from the last '.' of the last component on) replaced by
// extension, which includes its dot; a name without extension gets it appended.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// Everything up to and including the last separator; empty when there is none.
std::string ExtractFilePath(const std::string& fileName);
// Everything after the last separator.
std::string ExtractFileName(const std::string& fileName);

// The same for a path found on disk (by a folder listing or a wildcard), where only '/'
// separates: '\' is an ordinary character of a Linux name, and splitting there again
// would name another file.
std::string DiskFilePath(const std::string& path);
std::string DiskFileName(const std::string& path);
// The longest name, in bytes, that the file system holding folder takes.
std::size_t FileNameLimit(const std::string& folder);
// name cut to at most limit bytes, never inside a UTF-8 character.
std::string ShortenedName(const std::string& name, std::size_t limit);
