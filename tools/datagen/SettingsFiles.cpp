#include "tools/datagen/SettingsFiles.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace datagen {
namespace {

struct Section {
    std::string name;               // empty for the lines before the first section
    std::vector<std::string> lines; // without the header
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t\r"), last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

std::vector<Section> parse(const std::string& text) {
    std::vector<Section> sections(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string t = trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']')
            sections.push_back({t.substr(1, t.size() - 2), {}});
        else
            sections.back().lines.push_back(line);
    }
    return sections;
}

Section& sectionNamed(std::vector<Section>& sections, const std::string& name) {
    for (Section& s : sections)
        if (!s.name.empty() && lower(s.name) == lower(name)) return s;
    sections.push_back({name, {}});
    return sections.back();
}

// Keys compare without case, as the profile functions do.
void setKey(Section& section, const std::string& key, const std::string& value) {
    for (std::string& line : section.lines) {
        auto eq = line.find('=');
        if (eq != std::string::npos && lower(trim(line.substr(0, eq))) == lower(key)) {
            line = key + "=" + value;
            return;
        }
    }
    auto end = std::find_if(section.lines.rbegin(), section.lines.rend(),
                            [](const std::string& l) { return !trim(l).empty(); });
    section.lines.insert(end.base(), key + "=" + value);
}

std::string render(const std::vector<Section>& sections) {
    std::string out;
    for (const Section& s : sections) {
        if (!s.name.empty()) {
            if (!out.empty() && out.substr(out.size() - 2) != "\n\n") out += "\n";
            out += "[" + s.name + "]\n";
        }
        for (const std::string& line : s.lines)
            if (!trim(line).empty()) out += line + "\n";
    }
    return out;
}

} // namespace

std::string mergeSettings(const std::string& existing, const DataFacts& facts) {
    std::vector<Section> sections = parse(existing);
    Section& gfx = sectionNamed(sections, "GFX");
    setKey(gfx, "PlayerBorderColorX", std::to_string(facts.outlineX));
    setKey(gfx, "PlayerBorderColorY", std::to_string(facts.outlineY));
    setKey(gfx, "GodBorderColor", std::to_string(facts.godColor));
    // The theme names are read by key order, so the section is written whole.
    Section& themes = sectionNamed(sections, "Themes");
    themes.lines.clear();
    for (std::size_t i = 0; i < facts.themes.size(); ++i)
        themes.lines.push_back("Theme" + std::to_string(i + 1) + "=" + facts.themes[i]);
    Section& frames = sectionNamed(sections, "BonusFrames");
    for (const auto& [kind, count] : facts.bonusFrames)
        setKey(frames, kind, std::to_string(count));
    return render(sections);
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
