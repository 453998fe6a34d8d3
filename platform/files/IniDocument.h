#pragma once
// The text of a profile (INI) file as the Windows profile functions see it: "[Section]"
// lines, "Key=Value" lines, ';' comments. Section and key names compare without regard to
// ASCII case and the first match wins. Edits change only the lines they are about, so
// comments, blank lines, unknown keys and the order of everything survive a rewrite.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The name compare of profile files: ASCII letters without regard to case.
bool SameIniName(std::string_view a, std::string_view b);
// Hashes and compares names as SameIniName does, so that a table finds a name written in any
// case without a copy of it folded to one.
struct IniNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
};
struct IniNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return SameIniName(a, b); }
};
template <class T> using IniNameMap = std::unordered_map<std::string, T, IniNameHash, IniNameEqual>;

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
    // the section's last non-blank line, or adds the section at the end of the file. The
    // names and the value read back as written (TIniFile refuses any other).
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
    // A "[Section]" line and the lines after it up to the next one. The lines before the first
    // such line make a section without a header, which holds no keys.
    struct Section {
        std::optional<Line> header;
        std::vector<Line> lines;
        // The folded name of each key to its first line, so that finding a key costs the same
        // in a section of any length.
        IniNameMap<std::size_t> firstKey;
    };

    static Line parseLine(std::string text);
    static void indexKeys(Section& section);
    static std::optional<std::size_t> keyLine(const Section& section, std::string_view key);
    void indexSections();
    const Section* firstSection(std::string_view name) const;
    Section* firstSection(std::string_view name);
    void appendSection(std::string_view name, Line first);

    std::vector<Section> sections_ = std::vector<Section>(1); // the first has no header
    // The folded name of each section to the first section of that name.
    IniNameMap<std::size_t> firstSection_;
    std::string lineBreak_ = "\n";
    bool byteOrderMark_ = false;
};
