#include "platform/files/IniDocument.h"

#include <unordered_set>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

bool SameIniName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

std::string FoldedIniName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = asciiLower(c);
    return folded;
}

IniDocument::IniDocument(std::string_view text) {
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark) {
        byteOrderMark_ = true;
        text.remove_prefix(byteOrderMark.size());
    }
    std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
        lineBreak_ = "\r\n";
    // A carriage return alone ends a line too: no value may hold one, since none could be
    // written back.
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        lines_.push_back(parseLine(std::string(text.substr(0, end))));
        if (end != std::string_view::npos && text.substr(end, 2) == "\r\n") ++end;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

IniDocument::Line IniDocument::parseLine(std::string text) {
    Line line;
    std::string_view content = trimmed(text);
    if (!content.empty() && content.front() == '[') {
        std::size_t close = content.find(']');
        line.kind = Kind::Section;
        line.name = trimmed(content.substr(1, close == std::string_view::npos ? close : close - 1));
    } else if (!content.empty() && content.front() != ';') {
        std::size_t equals = content.find('=');
        std::string_view key = trimmed(content.substr(0, equals));
        if (equals != std::string_view::npos && !key.empty()) {
            line.kind = Kind::Key;
            line.name = key;
            line.value = trimmed(content.substr(equals + 1));
        }
    }
    line.text = std::move(text);
    return line;
}

std::string IniDocument::Text() const {
    std::size_t length = byteOrderMark.size();
    for (const Line& line : lines_)
        length += line.text.size() + lineBreak_.size();
    std::string text;
    text.reserve(length);
    if (byteOrderMark_) text = byteOrderMark;
    for (const Line& line : lines_)
        text.append(line.text).append(lineBreak_);
    return text;
}

std::optional<IniDocument::Range> IniDocument::firstSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || !SameIniName(lines_[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Kind::Section)
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::firstKey(const Range& range, std::string_view key) const {
    for (std::size_t i = range.header + 1; i < range.end; ++i)
        if (lines_[i].kind == Kind::Key && SameIniName(lines_[i].name, key)) return i;
    return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    std::optional<Range> range = firstSection(trimmed(section));
    if (!range) return std::nullopt;
    std::optional<std::size_t> line = firstKey(*range, trimmed(key));
    if (!line) return std::nullopt;
    return std::string(unquoted(lines_[*line].value));
}

std::vector<std::string> IniDocument::Sections() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> listed;
    for (const Line& line : lines_)
        if (line.kind == Kind::Section && listed.insert(FoldedIniName(line.name)).second)
            names.push_back(line.name);
    return names;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& [name, value] : Entries(section))
        names.push_back(std::move(name));
    return names;
}

std::vector<std::pair<std::string, std::string>> IniDocument::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    std::optional<Range> range = firstSection(trimmed(section));
    if (!range) return entries;
    std::unordered_set<std::string> listed;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (lines_[i].kind == Kind::Key && listed.insert(FoldedIniName(lines_[i].name)).second)
            entries.emplace_back(lines_[i].name, unquoted(lines_[i].value));
    return entries;
}

bool IniDocument::HasSection(std::string_view section) const {
    return firstSection(trimmed(section)).has_value();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    std::optional<Range> range = firstSection(section);
    if (!range) {
        if (!lines_.empty() && !trimmed(lines_.back().text).empty()) lines_.push_back(parseLine(""));
        std::string header(1, '[');
        header.append(section).append(1, ']');
        lines_.push_back(parseLine(std::move(header)));
        lines_.push_back(parseLine(std::string(key) + "=" + std::string(value)));
        return true;
    }
    if (std::optional<std::size_t> existing = firstKey(*range, key)) {
        Line& line = lines_[*existing];
        std::string text = line.name + "=" + std::string(value);
        if (text == line.text) return false;
        line = parseLine(std::move(text));
        return true;
    }
    std::size_t insertAt = range->end;
    while (insertAt > range->header + 1 && trimmed(lines_[insertAt - 1].text).empty())
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  parseLine(std::string(key) + "=" + std::string(value)));
    return true;
}

bool IniDocument::EraseSection(std::string_view section) {
    section = trimmed(section);
    const std::size_t before = lines_.size();
    while (std::optional<Range> range = firstSection(section))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return lines_.size() != before;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    std::optional<Range> range = firstSection(trimmed(section));
    if (!range) return false;
    key = trimmed(key);
    const std::size_t before = lines_.size();
    while (std::optional<std::size_t> line = firstKey(*range, key)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
        --range->end;
    }
    return lines_.size() != before;
}
