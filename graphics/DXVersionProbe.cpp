#include "graphics/DXVersionProbe.h"

#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DirectXInfo.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

constexpr DWORD version(DWORD a, DWORD b) {
    return a << 16 | b;
}

struct FileVersion {
    DWORD high = 0;
    DWORD low = 0;
    bool atLeast(DWORD h, DWORD l) const { return high > h || (high == h && low >= l); }
};

// One rule: when the file's version reaches the minimum, the result is (major, minor, letter).
// altMinimum applies instead when the file's own major version is 5.
struct Rule {
    const char* file;
    DWORD minHigh, minLow;
    DWORD altHigh, altLow;
    bool majorMustMatch; // minimum given per major version (4 or 5)
    bool anyVersion;
    DWORD major, minor;
    char letter;
};

constexpr Rule kRules[] = {
    {"\\ddraw.dll", version(4, 2), version(0, 95), 0, 0, false, false, 1, 0, ' '},
    {"\\ddraw.dll", version(4, 3), version(0, 1096), 0, 0, false, false, 2, 0, ' '},
    {"\\ddraw.dll", version(4, 4), version(0, 68), 0, 0, false, false, 3, 0, ' '},
    {"\\d3drg8x.dll", version(4, 4), version(0, 70), 0, 0, false, false, 3, 0, 'a'},
    {"\\ddraw.dll", version(4, 5), version(0, 155), 0, 0, false, false, 5, 0, ' '},
    {"\\ddraw.dll", version(4, 6), version(0, 318), 0, 0, false, false, 6, 0, ' '},
    {"\\ddraw.dll", version(4, 6), version(0, 436), 0, 0, false, false, 6, 1, ' '},
    {"\\dplayx.dll", version(4, 6), version(3, 518), 0, 0, false, false, 6, 1, 'a'},
    {"\\ddraw.dll", version(4, 7), version(0, 700), 0, 0, false, false, 7, 0, ' '},
    {"\\dinput.dll", version(4, 7), version(0, 716), 0, 0, false, false, 7, 0, 'a'},
    {"\\ddraw.dll", version(4, 8), version(0, 400), version(5, 1), version(2258, 400), true, false, 8, 0,
     ' '},
    {"\\d3d8.dll", version(4, 8), version(1, 881), version(5, 1), version(2600, 881), true, false, 8, 1, ' '},
    {"\\d3d8.dll", version(4, 8), version(1, 901), version(5, 1), version(2600, 901), true, false, 8, 1, 'a'},
    {"\\mpg2splt.ax", version(6, 3), version(1, 885), 0, 0, false, false, 8, 1, 'b'},
    {"\\dpnet.dll", version(4, 9), version(0, 134), version(5, 2), version(3677, 134), true, false, 8, 2,
     ' '},
    {"\\d3d9.dll", 0, 0, 0, 0, false, true, 9, 0, ' '},
};

bool matches(const Rule& rule, const FileVersion& v) {
    if (rule.anyVersion) return true;
    if (!rule.majorMustMatch) return v.atLeast(rule.minHigh, rule.minLow);
    DWORD major = v.high >> 16;
    if (major == 4) return v.atLeast(rule.minHigh, rule.minLow);
    if (major == 5) return v.atLeast(rule.altHigh, rule.altLow);
    return false;
}

} // namespace

HRESULT QueryDirectXVersionViaDiag(DWORD* major, DWORD* minor, char* letter) {
    DirectXInfoSource& info = CurrentDirectXInfo();
    if (!info.OpenDiagnostics()) return E_FAIL;
    const std::string container = "DxDiag_SystemInfo";
    DiagValue value;
    bool gotMajor = false, gotMinor = false, gotLetter = false;
    if (info.GetDiagProperty(container, "dwDirectXVersionMajor", value) >= 0 &&
        value.type == DiagValueType::UInt32) {
        *major = value.number;
        gotMajor = true;
    }
    if (info.GetDiagProperty(container, "dwDirectXVersionMinor", value) >= 0 &&
        value.type == DiagValueType::UInt32) {
        *minor = value.number;
        gotMinor = true;
    }
    if (info.GetDiagProperty(container, "szDirectXVersionLetter", value) >= 0 &&
        value.type == DiagValueType::String) {
        std::string text = value.text.substr(0, 10);
        *letter = text.empty() ? '\0' : text[0];
        gotLetter = true;
    }
    info.CloseDiagnostics();
    return gotMajor && gotMinor && gotLetter ? 0 : E_FAIL;
}

HRESULT QueryDirectXVersionViaFiles(DWORD* major, DWORD* minor, char* letter) {
    DirectXInfoSource& info = CurrentDirectXInfo();
    std::string system = info.SystemDirectory();
    *major = 0;
    *minor = 0;
    *letter = ' ';
    for (const Rule& rule : kRules) {
        FileVersion v;
        if (!info.GetFileVersion(system + rule.file, v.high, v.low) || !matches(rule, v)) continue;
        *major = rule.major;
        *minor = rule.minor;
        *letter = rule.letter;
    }
    return 0;
}

HRESULT QueryDirectXVersion(DWORD* value, char* text, int textSize) {
    if (value) *value = 0;
    if (text && textSize >= 1) text[0] = '\0';
    DWORD major = 0, minor = 0;
    char letter = ' ';
    if (FAILED(QueryDirectXVersionViaDiag(&major, &minor, &letter)) &&
        FAILED(QueryDirectXVersionViaFiles(&major, &minor, &letter)))
        return E_FAIL;
    letter = char(std::tolower(static_cast<unsigned char>(letter)));
    DWORD letterValue = letter >= 'a' && letter <= 'z' ? DWORD(letter - 'a' + 1) : 0;
    if (value) *value = major << 16 | minor << 8 | letterValue;
    if (text && textSize >= 1) {
        if (letterValue)
            std::snprintf(text, std::size_t(textSize), "%d.%d%c", int(major), int(minor), letter);
        else
            std::snprintf(text, std::size_t(textSize), "%d.%d", int(major), int(minor));
    }
    return 0;
}
