#include "tools/datagen/SettingsFiles.h"

#include "platform/files/IniDocument.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace datagen {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t\r"), last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

} // namespace

std::string mergeSettings(const std::string& existing, const DataFacts& facts) {
    // The game's own profile-file document: every other line of the player's file stays.
    IniDocument settings(existing);
    settings.Set("GFX", "PlayerBorderColorX", std::to_string(facts.outlineX));
    settings.Set("GFX", "PlayerBorderColorY", std::to_string(facts.outlineY));
    settings.Set("GFX", "GodBorderColor", std::to_string(facts.godColor));
    // The theme names are read by key order, so the section's keys are written anew, in
    // place, so that merging twice gives the same file.
    for (const std::string& key : settings.Keys("Themes"))
        settings.DeleteKey("Themes", key);
    for (std::size_t i = 0; i < facts.themes.size(); ++i)
        settings.Set("Themes", "Theme" + std::to_string(i + 1), facts.themes[i]);
    for (const auto& [kind, count] : facts.bonusFrames)
        settings.Set("BonusFrames", kind, std::to_string(count));
    return settings.Text();
}

std::string mergePlaylist(const std::string& existing, const std::vector<std::string>& modules) {
    std::string out = existing.empty() ? "#EXTM3U\n" : existing;
    if (out.back() != '\n') out += "\n";
    std::vector<std::string> present;
    std::istringstream in(existing);
    for (std::string line; std::getline(in, line);)
        present.push_back(lower(trim(line)));
    for (const std::string& module : modules)
        if (std::find(present.begin(), present.end(), lower(module)) == present.end()) out += module + "\n";
    return out;
}

} // namespace datagen
