#include "platform/files/IniFiles.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/PathResolver.h"

#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>

#include <sys/stat.h>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex(std::string_view digits, std::uint64_t& magnitude) {
    if (digits.empty()) return false;
    magnitude = 0;
    for (char c : digits) {
        int digit = hexDigit(c);
        if (digit < 0) return false;
        magnitude = magnitude * 16 + static_cast<std::uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFu) return false;
    }
    return true;
}

bool parseDecimal(std::string_view digits, std::uint64_t& magnitude) {
    if (digits.empty()) return false;
    magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > 0x80000000u) return false;
    }
    return true;
}

void checkWritable(const std::string& section, const std::string& ident, const std::string& value) {
    auto hasBreak = [](const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; };
    std::string_view key = ident;
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
        key.remove_prefix(1);
    if (hasBreak(section) || hasBreak(ident) || hasBreak(value) || section.find(']') != std::string::npos ||
        ident.find('=') != std::string::npos || key.empty() || key.front() == ';' || key.front() == '[')
        throw EIniFileException("Invalid name or value for [" + section + "] " + ident);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool ParseIniInteger(std::string_view text, int& value) {
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    std::uint64_t magnitude = 0;
    if (text.substr(0, 1) == "$") {
        if (!parseHex(text.substr(1), magnitude)) return false;
    } else if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
        if (!parseHex(text.substr(2), magnitude)) return false;
    } else {
        if (!parseDecimal(text, magnitude)) return false;
        if (!negative && magnitude > 0x7FFFFFFFu) return false;
    }
    std::uint32_t pattern = static_cast<std::uint32_t>(magnitude);
    if (negative) pattern = 0u - pattern;
    value = static_cast<std::int32_t>(pattern);
    return true;
}

TIniFile::TIniFile(const std::string& fileName) : fileName_(fileName), path_(ResolvePath(fileName)) {}

TIniFile::Stamp TIniFile::currentStamp() const {
    struct stat info;
    if (stat(path_.c_str(), &info) != 0) return Stamp{};
    return Stamp{true, info.st_dev, info.st_ino, info.st_size,
                 static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

const IniDocument& TIniFile::document() {
    Stamp now = currentStamp();
    if (!loaded_ || !(now == stamp_)) {
        document_ = now.exists ? IniDocument(readWholeFile(path_)) : IniDocument();
        stamp_ = now;
        loaded_ = true;
    }
    return document_;
}

void TIniFile::save(IniDocument changed) {
    std::string text = changed.Text();
    if (stamp_.exists && text == document_.Text()) return;
    std::string error;
    if (!WriteFileAtomically(path_, text, error))
        throw EIniFileException("Unable to write to " + fileName_ + " (" + error + ")");
    document_ = std::move(changed);
    stamp_ = currentStamp();
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) {
    return document().Value(section, ident).value_or(def);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) {
    std::optional<std::string> text = document().Value(section, ident);
    int value = 0;
    return text && ParseIniInteger(*text, value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    checkWritable(section, ident, value);
    IniDocument changed = document();
    changed.Set(section, ident, value);
    save(std::move(changed));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) {
    return document().Keys(section);
}

std::vector<std::string> TIniFile::ReadSections() {
    return document().Sections();
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) {
    const IniDocument& current = document();
    std::vector<std::string> values;
    for (const std::string& key : current.Keys(section))
        values.push_back(key + "=" + current.Value(section, key).value_or(""));
    return values;
}

bool TIniFile::SectionExists(const std::string& section) {
    return document().HasSection(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) {
    return document().Value(section, ident).has_value();
}

void TIniFile::EraseSection(const std::string& section) {
    IniDocument changed = document();
    changed.EraseSection(section);
    save(std::move(changed));
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    IniDocument changed = document();
    changed.DeleteKey(section, ident);
    save(std::move(changed));
}
