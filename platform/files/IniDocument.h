#pragma once
// The text of a profile (INI) file as the Windows profile functions see it: "[Section]"
// lines, "Key=Value" lines, ';' comments. Section and key names compare without regard to
// ASCII case and the first match wins. Edits change only the lines they are about, so
// comments, blank lines, unknown keys and the order of everything survive a rewrite.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // The file's text, every line ended with the line break the file used (LF by default).
    std::string Text() const;

    // The value of key in the first section of that name: blanks trimmed, one pair of
    // enclosing double or single quotes removed. None when the key is not there.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Section names in file order, each once (first spelling).
    std::vector<std::string> Sections() const;
    // Keys of the first section of that name in file order, each once (first spelling).
    std::vector<std::string> Keys(std::string_view section) const;
    // The same keys with their values as Value gives them.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
    bool HasSection(std::string_view section) const;

    // Each edit answers whether it changed the text.
    // Replaces the key's line in the first section of that name, or adds the key after
    // the section's last non-blank line, or adds the section at the end of the file.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name with all its lines.
    bool EraseSection(std::string_view section);
    // Removes every line of key from the first section of that name.
    bool DeleteKey(std::string_view section, std::string_view key);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;
        Kind kind = Kind::Other;
        std::string name;  // section or key name, trimmed
        std::string value; // for a key: the text after '=', trimmed
    };
    struct Range {
        std::size_t header; // index of the section line
        std::size_t end;    // one past its last line
    };

    static Line parseLine(std::string text);
    std::optional<Range> firstSection(std::string_view section) const;
    std::optional<std::size_t> firstKey(const Range& range, std::string_view key) const;

    std::vector<Line> lines_;
    std::string lineBreak_ = "\n";
    bool byteOrderMark_ = false;
};

// The name compare of profile files: ASCII letters without regard to case.
bool SameIniName(std::string_view a, std::string_view b);
// The name with its ASCII letters in lower case: two names are the same by SameIniName when
// their folded names are equal, so that a name can be looked up in a hash table.
std::string FoldedIniName(std::string_view name);
