// The settings file and playlist that ship beside the executable. The game writes the
// settings back when it closes, so an existing file is merged, not replaced: only what must
// agree with the data (themes, the outline pixel, the GodMode colour, bonus frame counts)
// is set, and playlist entries of the player's own are kept.
#pragma once

#include <string>
#include <vector>

namespace datagen {

struct DataFacts {
    std::vector<std::string> themes;
    int outlineX = 0, outlineY = 0; // a pixel of the players' sheet in the outline colour
    unsigned godColor = 0;          // red | green << 8 | blue << 16
    std::vector<std::pair<std::string, int>> bonusFrames;
};

// `existing` is the current file's text, empty when there is none.
std::string mergeSettings(const std::string& existing, const DataFacts& facts);
std::string mergePlaylist(const std::string& existing, const std::vector<std::string>& modules);

} // namespace datagen
