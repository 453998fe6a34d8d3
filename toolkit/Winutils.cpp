#include "toolkit/Winutils.h"

#include "platform/framework/MessageService.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include <sys/utsname.h>

namespace {

const char* const osReleasePlaces[] = {"/etc/os-release", "/usr/lib/os-release"};

std::string trimmedBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

std::string formatList(const char* format, va_list arguments) {
    va_list measure;
    va_copy(measure, arguments);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// An os-release value: quotes removed, backslash escapes inside double quotes undone.
std::string osReleaseValue(const std::string& raw) {
    if (raw.size() < 2 || (raw.front() != '"' && raw.front() != '\'') || raw.back() != raw.front())
        return raw;
    std::string inner = raw.substr(1, raw.size() - 2);
    if (raw.front() == '\'') return inner;
    std::string value;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size()) ++i;
        value += inner[i];
    }
    return value;
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int channel(DWORD color, int shift) {
    return static_cast<int>((color >> shift) & 0xFF);
}

// The colour of band index of count, ramping from base by delta per channel.
DWORD rampColor(DWORD base, const int delta[3], int index, int count) {
    DWORD color = 0;
    for (int c = 0; c < 3; ++c) {
        int value = channel(base, 8 * c) + MulDiv(index, delta[c], count - 1);
        color |= static_cast<DWORD>(value & 0xFF) << (8 * c);
    }
    return color;
}

// A band from offset to offset + length along the direction's axis, across all of rect.
RECT bandRect(const RECT& rect, bool vertical, int offset, int length) {
    if (vertical) return RECT{rect.left, rect.top + offset, rect.right, rect.top + offset + length};
    return RECT{rect.left + offset, rect.top, rect.left + offset + length, rect.bottom};
}

} // namespace

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    bool negative = (product < 0) != (denominator < 0);
    std::int64_t magnitude = product < 0 ? -product : product;
    std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    std::int64_t result = (magnitude + divisor / 2) / divisor;
    if (result > INT_MAX) return -1;
    return static_cast<int>(negative ? -result : result);
}

std::vector<TGradientBand> GradientBands(const RECT& rect, DWORD startRGB, DWORD endRGB,
                                         TFillDirection direction, int colors) {
    std::vector<TGradientBand> bands;
    if (rect.right <= rect.left || rect.bottom <= rect.top) return bands;
    if (colors < 2) {
        bands.push_back({rect, startRGB});
        return bands;
    }
    bool forward = direction == fdTopToBottom || direction == fdLeftToRight;
    bool vertical = direction == fdTopToBottom || direction == fdBottomToTop;
    DWORD from = forward ? startRGB : endRGB;
    DWORD to = forward ? endRGB : startRGB;
    const int delta[3] = {channel(to, 0) - channel(from, 0), channel(to, 8) - channel(from, 8),
                          channel(to, 16) - channel(from, 16)};
    int extent = vertical ? rect.bottom - rect.top : rect.right - rect.left;
    int count = std::max(2, std::min(colors, extent));
    int band = extent / count;
    if (band > 0)
        for (int i = 0; i < count; ++i)
            bands.push_back({bandRect(rect, vertical, i * band, band), rampColor(from, delta, i, count)});
    int remainder = extent % count;
    if (remainder >= 1)
        bands.push_back(
            {bandRect(rect, vertical, extent - remainder, remainder), forward ? endRGB : startRGB});
    return bands;
}

HFONT CreateRotatedFont(const TFont& font, int angle) {
    TLogFont logFont;
    logFont.Height = font.Height();
    logFont.Escapement = angle * 10;
    logFont.Orientation = angle * 10;
    logFont.Weight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    logFont.Italic = (font.Style() & fsItalic) ? 1 : 0;
    logFont.Underline = (font.Style() & fsUnderline) ? 1 : 0;
    logFont.StrikeOut = (font.Style() & fsStrikeOut) ? 1 : 0;
    logFont.CharSet = DEFAULT_CHARSET;
    logFont.PitchAndFamily = font.Pitch() == fpVariable ? 2 : font.Pitch() == fpFixed ? 1 : 0;
    logFont.FaceName = font.Name();
    return CreateFontIndirect(logFont);
}

void GradientFillRect(TCanvas& canvas, const RECT& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors) {
    std::vector<TGradientBand> bands =
        GradientBands(rect, ColorToRGB(startColor), ColorToRGB(endColor), direction, colors);
    canvas.Pen().SetStyle(psSolid);
    canvas.Brush().SetStyle(bsSolid);
    for (const TGradientBand& band : bands) {
        canvas.Brush().SetColor(static_cast<TColor>(band.color));
        canvas.FillRect(band.rect);
    }
}

std::string WindowsPlatformName(const TOSVersionInfo& info) {
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return "32s";
    case VER_PLATFORM_WIN32_WINDOWS:
        return info.dwMajorVersion < 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion < 10) ? "95"
                                                                                                 : "98";
    case VER_PLATFORM_WIN32_NT:
        return "NT";
    default:
        return {};
    }
}

std::string FormatVersionInfo(const char* format, const TOSVersionInfo& info) {
    DWORD build =
        info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? info.dwBuildNumber & 0xFFFF : info.dwBuildNumber;
    std::string platform = WindowsPlatformName(info);
    return trimmedBlanks(FormatText(format, platform.c_str(), static_cast<int>(info.dwMajorVersion),
                                    static_cast<int>(info.dwMinorVersion), static_cast<int>(build),
                                    info.szCSDVersion.c_str()));
}

std::string FormatWindowsVersion(const TOSVersionInfo& info) {
    return FormatVersionInfo("Windows %s (v%d.%.2d build %.3d %s)", info);
}

std::string DistributionName(const std::string& osReleaseText) {
    std::string prettyName, name, version;
    std::istringstream lines(osReleaseText);
    for (std::string line; std::getline(lines, line);) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = trimmedBlanks(line.substr(0, equals));
        std::string value = osReleaseValue(trimmedBlanks(line.substr(equals + 1)));
        if (key == "PRETTY_NAME") prettyName = value;
        if (key == "NAME") name = value;
        if (key == "VERSION") version = value;
    }
    if (!prettyName.empty()) return prettyName;
    return trimmedBlanks(name + " " + version);
}

TSystemVersion ReadSystemVersion(const std::string& osReleasePath) {
    TSystemVersion version;
    struct utsname system;
    if (uname(&system) == 0) {
        version.kernelName = system.sysname;
        version.kernelRelease = system.release;
    }
    if (!osReleasePath.empty()) {
        version.distribution = DistributionName(readTextFile(osReleasePath));
        return version;
    }
    for (const char* place : osReleasePlaces) {
        version.distribution = DistributionName(readTextFile(place));
        if (!version.distribution.empty()) break;
    }
    return version;
}

std::string FormatSystemVersion(const TSystemVersion& version) {
    std::string text = trimmedBlanks(version.kernelName + " " + version.kernelRelease);
    if (version.distribution.empty()) return text;
    return trimmedBlanks(text + " (" + version.distribution + ")");
}

std::string GetWindowsVersion() {
    return FormatSystemVersion(ReadSystemVersion());
}

std::string FormatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    return text;
}

int TovMsg(unsigned flags, const std::string& caption, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    return ShowMessageBox(text, caption, flags);
}

int TovErrMsg(int errorCode, unsigned flags, const std::string& caption, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    text += '\n';
    text += std::system_category().message(errorCode);
    return ShowMessageBox(text, caption, flags);
}

void ShowLastError(const std::string& caption) {
    int code = errno;
    ShowMessageBox(std::system_category().message(code), caption, MB_ICONINFORMATION);
}
