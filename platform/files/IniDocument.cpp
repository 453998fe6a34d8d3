#include "platform/files/IniDocument.h"

#include <utility>

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

std::size_t IniNameHash::operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name)
        hash = (hash ^ static_cast<unsigned char>(asciiLower(c))) * 1099511628211ull;
    return hash;
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
        Line line = parseLine(std::string(text.substr(0, end)));
        if (line.kind == Kind::Section) {
            sections_.emplace_back().header = std::move(line);
        } else {
            Section& section = sections_.back();
            if (line.kind == Kind::Key && section.header)
                section.firstKey.try_emplace(line.name, section.lines.size());
            section.lines.push_back(std::move(line));
        }
        if (end != std::string_view::npos && text.substr(end, 2) == "\r\n") ++end;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    indexSections();
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

void IniDocument::indexKeys(Section& section) {
    section.firstKey.clear();
    for (std::size_t i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].kind == Kind::Key) section.firstKey.try_emplace(section.lines[i].name, i);
}

void IniDocument::indexSections() {
    firstSection_.clear();
    for (std::size_t i = 1; i < sections_.size(); ++i)
        firstSection_.try_emplace(sections_[i].header->name, i);
}

std::optional<std::size_t> IniDocument::keyLine(const Section& section, std::string_view key) {
    const auto found = section.firstKey.find(trimmed(key));
    if (found == section.firstKey.end()) return std::nullopt;
    return found->second;
}

const IniDocument::Section* IniDocument::firstSection(std::string_view name) const {
    const auto found = firstSection_.find(trimmed(name));
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

IniDocument::Section* IniDocument::firstSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).firstSection(name));
}

std::string IniDocument::Text() const {
    std::size_t length = byteOrderMark.size();
    for (const Section& section : sections_) {
        if (section.header) length += section.header->text.size() + lineBreak_.size();
        for (const Line& line : section.lines)
            length += line.text.size() + lineBreak_.size();
    }
    std::string text;
    text.reserve(length);
    if (byteOrderMark_) text = byteOrderMark;
    for (const Section& section : sections_) {
        if (section.header) text.append(section.header->text).append(lineBreak_);
        for (const Line& line : section.lines)
            text.append(line.text).append(lineBreak_);
    }
    return text;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    const Section* found = firstSection(section);
    const std::optional<std::size_t> line = found ? keyLine(*found, key) : std::nullopt;
    if (!line) return std::nullopt;
    return std::string(unquoted(found->lines[*line].value));
}

std::vector<std::string> IniDocument::Sections() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        const std::string& name = sections_[i].header->name;
        if (firstSection_.find(name)->second == i) names.push_back(name);
    }
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
    const Section* found = firstSection(section);
    if (!found) return entries;
    for (std::size_t i = 0; i < found->lines.size(); ++i) {
        const Line& line = found->lines[i];
        if (line.kind == Kind::Key && keyLine(*found, line.name) == i)
            entries.emplace_back(line.name, unquoted(line.value));
    }
    return entries;
}

bool IniDocument::HasSection(std::string_view section) const {
    return firstSection(section) != nullptr;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    Section* found = firstSection(section);
    Line line = parseLine(std::string(key) + "=" + std::string(value));
    if (!found) {
        appendSection(section, std::move(line));
        return true;
    }
    if (std::optional<std::size_t> existing = keyLine(*found, key)) {
        Line& old = found->lines[*existing];
        std::string text = old.name + "=" + std::string(value);
        if (text == old.text) return false;
        old = parseLine(std::move(text));
        return true;
    }
    // Only blank lines follow the new one, so no key's line moves.
    std::size_t insertAt = found->lines.size();
    while (insertAt > 0 && trimmed(found->lines[insertAt - 1].text).empty())
        --insertAt;
    if (line.kind == Kind::Key) found->firstKey.try_emplace(line.name, insertAt);
    found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    return true;
}

void IniDocument::appendSection(std::string_view name, Line first) {
    Section& last = sections_.back();
    const Line* lastLine = !last.lines.empty() ? &last.lines.back() : last.header ? &*last.header : nullptr;
    if (lastLine && !trimmed(lastLine->text).empty()) last.lines.push_back(parseLine(""));
    Section& added = sections_.emplace_back();
    added.header = parseLine("[" + std::string(name) + "]");
    added.lines.push_back(std::move(first));
    indexKeys(added);
    firstSection_.try_emplace(added.header->name, sections_.size() - 1);
}

bool IniDocument::EraseSection(std::string_view section) {
    section = trimmed(section);
    const auto named = [section](const Section& each) {
        return each.header && SameIniName(each.header->name, section);
    };
    if (std::erase_if(sections_, named) == 0) return false;
    indexSections();
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    Section* found = firstSection(section);
    if (!found) return false;
    key = trimmed(key);
    const auto named = [key](const Line& line) {
        return line.kind == Kind::Key && SameIniName(line.name, key);
    };
    if (std::erase_if(found->lines, named) == 0) return false;
    indexKeys(*found);
    return true;
}
