#pragma once
// Opening the program's image files: names are Windows-style relative paths
// ("data\gfx\maps.pcx"); each component is matched without regard to case.
#include <cstdio>
#include <string>

// The path on this system, or the name with '/' separators when nothing matches.
std::string ResolveImagePath(const std::string& name);
// Opens for reading; nullptr when the file is missing or unreadable.
std::FILE* OpenImageFile(const std::string& name);
// The framework's file-open error for a file the loaders could not open.
[[noreturn]] void RaiseFileOpenError(const std::string& name);
// One line to the debugger output (stderr here).
void DebugOutput(const char* text);
