#include "platform/kernel/CodePages.h"

#include <array>

namespace {

// 0x80-0x9F of Windows-1252 (the rest is Latin-1). 0 marks the five undefined bytes.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// 0x80-0xFF of code page 437.
constexpr char16_t cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Bare letters of the accented Latin-1 letters 0xC0-0xFF ('?' where there is none).
constexpr char latinBase[65] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";

// The nearest plain character of one the target page lacks, 0 when there is none.
char32_t plainForm(char32_t c) {
    if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7 && c != 0xDE && c != 0xFE)
        return latinBase[c - 0xC0];
    switch (c) {
    case 0x0160:
        return U'S';
    case 0x0161:
        return U's';
    case 0x017D:
        return U'Z';
    case 0x017E:
        return U'z';
    case 0x0178:
        return U'Y';
    case 0x0152:
        return U'O';
    case 0x0153:
        return U'o';
    case 0x2018:
    case 0x2019:
    case 0x201A:
        return U'\'';
    case 0x201C:
    case 0x201D:
    case 0x201E:
        return U'"';
    case 0x2013:
    case 0x2014:
        return U'-';
    default:
        break;
    }
    if (c >= 0x2500 && c <= 0x257F) {
        // Box drawing: lines along one axis keep their direction, joints become "+".
        static constexpr char16_t horizontal[] = {0x2500, 0x2550};
        static constexpr char16_t vertical[] = {0x2502, 0x2551};
        for (char16_t h : horizontal)
            if (c == h) return U'-';
        for (char16_t v : vertical)
            if (c == v) return U'|';
        return U'+';
    }
    return 0;
}

struct ReverseTable {
    std::array<std::int16_t, 0x10000> byteOf{};
    explicit ReverseTable(char32_t (*forward)(BYTE)) {
        byteOf.fill(-1);
        for (int b = 0; b < 256; ++b) {
            const char32_t c = forward(static_cast<BYTE>(b));
            if (c < 0x10000 && byteOf[c] < 0) byteOf[c] = static_cast<std::int16_t>(b);
        }
    }
    int find(char32_t c) const { return c < 0x10000 ? byteOf[c] : -1; }
};

const ReverseTable& cp1252Reverse() {
    static const ReverseTable table(Cp1252ToUnicode);
    return table;
}

const ReverseTable& cp437Reverse() {
    static const ReverseTable table(Cp437ToUnicode);
    return table;
}

char convert(char c, char32_t (*from)(BYTE), const ReverseTable& to) {
    const char32_t character = from(static_cast<BYTE>(c));
    int code = to.find(character);
    if (code < 0) {
        const char32_t plain = plainForm(character);
        code = plain ? to.find(plain) : -1;
    }
    return static_cast<char>(code < 0 ? '?' : code);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the UTF-8 sequence at text[i]; 0 bytes used when it is not one.
std::size_t decodeUtf8(const std::string& text, std::size_t i, char32_t& c) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > text.size()) return 0;
    c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

} // namespace

char32_t Cp1252ToUnicode(BYTE code) {
    if (code < 0x80 || code >= 0xA0) return code;
    const char16_t c = cp1252High[code - 0x80];
    return c ? c : code;
}

int UnicodeToCp1252(char32_t character) {
    return cp1252Reverse().find(character);
}

char32_t Cp437ToUnicode(BYTE code) {
    return code < 0x80 ? code : cp437High[code - 0x80];
}

int UnicodeToCp437(char32_t character) {
    return cp437Reverse().find(character);
}

char AnsiUpperChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
        return static_cast<char>(b - 16);
    case 0xFF:
        return static_cast<char>(0x9F);
    default:
        return c;
    }
}

char AnsiLowerChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
    switch (b) {
    case 0x8A:
    case 0x8C:
    case 0x8E:
        return static_cast<char>(b + 16);
    case 0x9F:
        return static_cast<char>(0xFF);
    default:
        return c;
    }
}

namespace {

// Whole-string case mapping goes through a table of all 256 answers.
struct CaseTable {
    std::array<char, 256> map{};
    explicit CaseTable(char (*mapping)(char)) {
        for (int b = 0; b < 256; ++b)
            map[static_cast<std::size_t>(b)] = mapping(static_cast<char>(b));
    }
    std::string apply(std::string text) const {
        for (char& c : text)
            c = map[static_cast<unsigned char>(c)];
        return text;
    }
};

} // namespace

std::string AnsiUpperCase(std::string text) {
    static const CaseTable upper(AnsiUpperChar);
    return upper.apply(std::move(text));
}

std::string AnsiLowerCase(std::string text) {
    static const CaseTable lower(AnsiLowerChar);
    return lower.apply(std::move(text));
}

int AnsiCompareTextBytes(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference =
            static_cast<unsigned char>(AnsiUpperChar(a[i])) - static_cast<unsigned char>(AnsiUpperChar(b[i]));
        if (difference != 0) return difference;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string AnsiToOem(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = convert(c, Cp1252ToUnicode, cp437Reverse());
    return out;
}

std::string OemToAnsi(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = convert(c, Cp437ToUnicode, cp1252Reverse());
    return out;
}

std::string AnsiToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendUtf8(out, Cp1252ToUnicode(static_cast<BYTE>(c)));
    return out;
}

std::string Utf8ToAnsi(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t used = static_cast<unsigned char>(text[i]) < 0x80 ? 0 : decodeUtf8(text, i, c);
        if (used == 0) {
            out += text[i++];
            continue;
        }
        const int code = UnicodeToCp1252(c);
        out += static_cast<char>(code < 0 ? '?' : code);
        i += used;
    }
    return out;
}
