#pragma once
// Replacing a file so that a reader (or a crash) sees either the old contents or the new,
// never a half-written file: the data goes to a temporary file beside the target and is
// then renamed over the target.
#include <string>
#include <string_view>

// Writes data to path, flushed to the disk before the rename. A link is followed and its
// target replaced; an existing file keeps its permission bits. A file that is not writable
// (read-only, a directory, a missing folder) or not a regular file is refused. On failure
// returns false, sets error to the reason and leaves no temporary file behind.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error);

// The same without the flush (the caller decides when the file reaches the disk); answers
// the new file's descriptor, still open for the caller to close, or -1 on failure.
int ReplaceFileKeepingItOpen(const std::string& path, std::string_view data, std::string& error);

// Whether path could be replaced now: the same refusals as above, and a temporary file made
// and removed beside it. On false, error holds the reason.
bool FileCanBeWritten(const std::string& path, std::string& error);
