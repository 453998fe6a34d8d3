// Writes the whole data tree the game opens, below a run folder.
#pragma once

#include <filesystem>

namespace datagen {

// Pictures under data/gfx, effects under data/sfx, modules under data/music, the help page,
// and beside the executable the settings file (merged into one that exists) and playlist.
void writeDataTree(const std::filesystem::path& runDir);

} // namespace datagen
