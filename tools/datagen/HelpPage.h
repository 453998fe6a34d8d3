// Help\Index.htm: controls, rules and every bonus, with the bonus icons beside it.
#pragma once

#include <filesystem>

namespace datagen {

void writeHelpPage(const std::filesystem::path& helpDir);

} // namespace datagen
