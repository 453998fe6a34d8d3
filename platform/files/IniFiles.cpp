#include "platform/files/IniFiles.h"

#include "platform/files/PathResolver.h"

#include <cstdint>
#include <optional>
#include <utility>

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

// Why a write could not be read back as written; none for a good one.
std::optional<std::string> unwritable(const std::string& section, const std::string& ident,
                                      const std::string& value) {
    auto hasBreak = [](const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; };
    std::string_view key = ident;
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
        key.remove_prefix(1);
    if (hasBreak(section) || hasBreak(ident) || hasBreak(value) || section.find(']') != std::string::npos ||
        ident.find('=') != std::string::npos || key.empty() || key.front() == ';' || key.front() == '[')
        return "Invalid name or value for [" + section + "] " + ident;
    return std::nullopt;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
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

TIniFile::TIniFile(const std::string& fileName) : fileName_(fileName), file_(ResolvePath(fileName)) {}

TIniFile::~TIniFile() {
    if (pending_.empty() && refused_.empty()) return;
    try {
        commit();
    } catch (const Exception&) {
        // Only an unfinished update gets here, on the way out of a failure already raised.
    }
}

const IniDocument& TIniFile::document() {
    if (file_.Changed()) {
        SettingsFile::Contents contents = file_.Read();
        document_ = IniDocument(contents.text);
        exists_ = contents.exists;
        whole_ = contents.whole;
        dirty_ = false;
        for (const Edit& edit : pending_)
            dirty_ = edit(document_) || dirty_;
    }
    return document_;
}

void TIniFile::change(Edit edit) {
    // Within an update the file is looked at by the first write, and by the commit under the
    // writers' lock, which applies the edits again to a file changed meanwhile.
    if (updates_ == 0 || pending_.empty()) document();
    dirty_ = edit(document_) || dirty_;
    pending_.push_back(std::move(edit));
    if (updates_ == 0) commit();
}

void TIniFile::commit() {
    const std::vector<std::string> refused = std::exchange(refused_, {});
    if (!pending_.empty()) {
        SettingsWriteLock lock(file_.Path());
        document(); // another writer's file is read again, and the edits made on it
        std::string error = "it could not be read, and writing would lose what it holds";
        const bool written = whole_ && ((!dirty_ && exists_) || file_.Replace(document_.Text(), error));
        pending_.clear();
        dirty_ = false;
        if (!written) {
            file_.Forget();
            throw EIniFileException("Unable to write to " + fileName_ + " (" + error + ")");
        }
        exists_ = true;
    }
    if (!refused.empty()) throw EIniFileException(joined(refused));
}

void TIniFile::EndUpdate() {
    if (updates_ > 0 && --updates_ == 0) commit();
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
    if (std::optional<std::string> problem = unwritable(section, ident, value)) {
        if (updates_ == 0) throw EIniFileException(*problem);
        refused_.push_back(std::move(*problem));
        return;
    }
    change([section, ident, value](IniDocument& text) { return text.Set(section, ident, value); });
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
    std::vector<std::string> values;
    for (const auto& [key, value] : document().Entries(section))
        values.push_back(key + "=" + value);
    return values;
}

bool TIniFile::SectionExists(const std::string& section) {
    return document().HasSection(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) {
    return document().Value(section, ident).has_value();
}

void TIniFile::EraseSection(const std::string& section) {
    change([section](IniDocument& text) { return text.EraseSection(section); });
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    change([section, ident](IniDocument& text) { return text.DeleteKey(section, ident); });
}
