#pragma once
// Replacing a file so that a reader (or a crash) sees either the old contents or the new,
// never a half-written file: the data goes to a temporary file beside the target, is
// flushed to the disk and then renamed over the target.
#include <string>
#include <string_view>

// Writes data to path. A link is followed and its target replaced; an existing file keeps
// its permission bits. A file that is not writable (read-only, a directory, a missing
// folder) is refused. On failure returns false, sets error to the reason and leaves no
// temporary file behind.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error);

// Whether WriteFileAtomically could write path now: the same refusals, and a temporary file
// made and removed beside it. On false, error holds the reason.
bool FileCanBeWritten(const std::string& path, std::string& error);
