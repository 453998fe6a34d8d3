#pragma once
// The steps shared by the writers that replace a file whole (an atomic write, a safe copy):
// the file a link really names, a new temporary file beside it, and writing every byte.
#include <string>
#include <string_view>

#include <sys/types.h>

// The file a write to path really replaces: the target of a link, else path itself.
std::string ReplacedFile(const std::string& path);
// Creates a new file beside target, named after it (as much of its name as the file
// system's name limit leaves room for) and this process and ending in suffix, open for
// writing with mode (less the umask); its name goes to temporary. Answers the descriptor,
// or -1 with errno set.
int CreateTemporaryBeside(const std::string& target, const std::string& suffix, mode_t mode,
                          std::string& temporary);
// Writes all of data to fd, again after an interrupted write; false with errno set (EIO
// when the file took nothing) on failure.
bool WriteAll(int fd, std::string_view data);
