#pragma once
// Deleting to the desktop's trash, the freedesktop.org way: the file or folder moves into
// the trash's "files" folder and an entry in its "info" folder records where it came from
// and when, so that the desktop's file manager can put it back. Files of the home's file
// system go to the home trash ($XDG_DATA_HOME/Trash); files of another file system to the
// trash at the top of that file system (.Trash/<uid> when the administrator made one,
// else .Trash-<uid>).
#include <string>

// Moves path (not following a final link) to the trash; on failure returns false, sets
// error to the reason and leaves path where it was.
bool MoveToTrash(const std::string& path, std::string& error);
// The trash folder that path would go to (empty when there is none to be had).
std::string TrashFolderFor(const std::string& path);
