#pragma once
// The steps shared by the writers that replace a file whole (an atomic write, a safe copy):
// the file a link really names, a new temporary file beside it, writing every byte, and
// clearing away the temporary files of writers that died before they were done. New files
// are made through the disk calls (DiskCalls.h).
#include <string>
#include <string_view>

#include <sys/types.h>

// The file a write to path really replaces: the file at the end of a chain of links, which
// need not exist yet (the write creates it, as an editor does), else path itself. For links
// that lead round in a circle, the first of them (which then cannot be opened: ELOOP).
std::string ReplacedFile(const std::string& path);
// Creates a new file beside target, named after it (as much of its name as the file
// system's name limit leaves room for) and this process and ending in suffix, open for
// writing with mode (less the umask); its name goes to temporary. Answers the descriptor,
// or -1 with errno set.
int CreateTemporaryBeside(const std::string& target, const std::string& suffix, mode_t mode,
                          std::string& temporary);
// Creates a new file without a name in target's folder, open for writing with mode (less the
// umask): nobody can open it, and it vanishes with a writer killed before it names it. Answers
// the descriptor, or -1 with errno set (EOPNOTSUPP where the file system has no such files).
int CreateUnnamedBeside(const std::string& target, mode_t mode);
// Gives the unnamed file fd the name CreateTemporaryBeside would have given it, which goes to
// temporary. False with errno set when it cannot be named (no /proc to name it through).
bool NameTemporaryBeside(int fd, const std::string& target, const std::string& suffix,
                         std::string& temporary);
// Writes all of data to fd, again after an interrupted write; false with errno set (EIO
// when the file took nothing) on failure.
bool WriteAll(int fd, std::string_view data);
// Removes the temporary files ending in suffix that CreateTemporaryBeside or
// NameTemporaryBeside made for target in processes that no longer run. Those of running
// processes stay, and so does everything in a folder that cannot be listed.
void RemoveAbandonedTemporaries(const std::string& target, const std::string& suffix);
