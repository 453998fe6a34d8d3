#pragma once
// Replacing a file so that a reader, a crashed program or a power cut meets either the old
// contents or the new, never a half-written or empty file: the data go to a temporary file
// beside the target and reach the disk before it is renamed over the target, and the
// rename reaches the disk before the write returns.
#include <string>
#include <string_view>

#include <sys/stat.h>

// The end of the temporary files' names.
inline constexpr const char* AtomicFileSuffix = ".tmp";

// Writes data to path. A link is followed to its target, which is made when it is missing;
// an existing file keeps its permission bits, and its owner and group where the writer may
// give them. A file that is not writable (read-only, a directory, a missing folder) or not
// a regular file is refused. The new file never lets anyone open it whom the old one would
// refuse, from the moment it is made. On failure returns false, sets error to the reason and
// leaves no temporary file behind. A writer killed meanwhile leaves none either where the
// file system has files without a name (ext4, XFS, Btrfs, tmpfs), unless it dies in the
// instant between naming its file and the rename; elsewhere it leaves one, which
// RemoveAbandonedTemporaries (FileReplacement.h) clears away. written, when given,
// receives the new file's status (all zero in the rare case that it could not be had).
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error,
                         struct stat* written = nullptr);

// Whether path could be replaced now: the same refusals as above, and a temporary file made
// and removed beside it. On false, error holds the reason.
bool FileCanBeWritten(const std::string& path, std::string& error);
