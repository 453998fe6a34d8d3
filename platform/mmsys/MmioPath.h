#pragma once
// Resolution of the program's Windows-style file names for the RIFF reader.
#include <string>

// '\' becomes '/', and each component matches a directory entry without regard to case,
// relative to the current directory. Components that do not exist stay as written.
std::string ResolveMmioPath(const std::string& name);
