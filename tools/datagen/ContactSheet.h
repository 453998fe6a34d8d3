// One PNG of every picture sheet of a data tree written before, for people to look at:
// the sheets stacked, transparent pixels shown as a grey checkerboard.
#pragma once

#include <filesystem>

namespace datagen {

void writeContactSheet(const std::filesystem::path& runDir, const std::filesystem::path& png);

} // namespace datagen
