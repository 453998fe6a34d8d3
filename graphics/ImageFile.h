#pragma once
// Opening the program's image files (Windows-style names, resolved without regard to case).
#include <cstdio>
#include <string>

// Opens for reading; nullptr when the file is missing, a directory or unreadable.
std::FILE* OpenImageFile(const std::string& name);
// The framework's file-open error for a file the loaders could not open.
[[noreturn]] void RaiseFileOpenError(const std::string& name);
// One line to the debugger output (stderr here).
void DebugOutput(const char* text);
