#pragma once
// Small routines of the about dialog's units: the running system's version as text,
// printf-style message boxes and the last system error in a box.
#include "platform/framework/Canvas.h"
#include "platform/kernel/Types.h"

#include <string>
#include <vector>

// What a system version query answers, in the shape the version formatting expects.
struct TOSVersionInfo {
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    std::string szCSDVersion; // service-pack text
};

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// The platform's short name: "32s", "95" (below 4.10), "98" (4.10 and above) or "NT";
// empty for any other platform.
std::string WindowsPlatformName(const TOSVersionInfo& info);
// format (four placeholders: %s, then three ints, then %s) of the platform name, major,
// minor, build (only its low 16 bits on platform 1) and service-pack text, trimmed.
std::string FormatVersionInfo(const char* format, const TOSVersionInfo& info);
// "Windows %s (v%d.%.2d build %.3d %s)" of platform name, major, minor, build (low 16 bits
// on platform 1) and service-pack text, trimmed: "Windows NT (v5.01 build 2600 Service Pack 2)".
std::string FormatWindowsVersion(const TOSVersionInfo& info);

// What this machine runs: the kernel (uname) and the distribution (os-release).
struct TSystemVersion {
    std::string kernelName;    // "Linux"
    std::string kernelRelease; // "6.1.0-18-amd64"
    std::string distribution;  // "Debian GNU/Linux 12 (bookworm)", empty when unknown
};

// The running system, the distribution read from osReleasePath (empty: the standard places).
TSystemVersion ReadSystemVersion(const std::string& osReleasePath = "");
// The distribution's name in an os-release text: PRETTY_NAME, else NAME and VERSION.
std::string DistributionName(const std::string& osReleaseText);
// "Linux 6.1.0-18-amd64 (Debian GNU/Linux 12 (bookworm))"; without a distribution the
// parenthesis is left out.
std::string FormatSystemVersion(const TSystemVersion& version);
// The running system as text for the version label. This machine is no Windows, so the
// text names the real kernel and distribution rather than Windows numbers.
std::string GetWindowsVersion();

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };

// One solid band of a gradient fill; color is 0x00BBGGRR.
struct TGradientBand {
    RECT rect;
    DWORD color = 0;
    friend bool operator==(const TGradientBand&, const TGradientBand&) = default;
};

// The bands a banded gradient over rect paints, in order: colors bands of equal length
// (at least 2, at most one a pixel) ramping from start to end (from end to start for the
// two reverse directions), then the pixels left over at the bottom or right edge in the
// final colour. Fewer than 2 colours: rect in the start colour. An empty rect: nothing.
std::vector<TGradientBand> GradientBands(const RECT& rect, DWORD startRGB, DWORD endRGB,
                                         TFillDirection direction, int colors);
// A font like font with its text turned angle degrees counterclockwise (characters turned
// with it), bold or normal weight, in the default character set; the face name keeps at
// most 31 characters. The handle is the caller's.
HFONT CreateRotatedFont(const TFont& font, int angle);

// Paints the bands of GradientBands on canvas (start and end colours may be system colours).
void GradientFillRect(TCanvas& canvas, const RECT& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors);
// number · numerator / denominator with a 64-bit product, rounded half away from zero;
// -1 when denominator is 0 or the result does not fit.
int MulDiv(int number, int numerator, int denominator);

// printf-style formatting into a string of whatever length the text needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shows the formatted text in a message box; returns the box's result.
int TovMsg(unsigned flags, const std::string& caption, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Shows the formatted text, a line break and the system's message for errorCode.
int TovErrMsg(int errorCode, unsigned flags, const std::string& caption, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Shows the message of the last system error (errno) with the information icon.
void ShowLastError(const std::string& caption);
