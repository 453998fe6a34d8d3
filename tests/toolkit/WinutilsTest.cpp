#include "toolkit/Winutils.h"
#include "toolkit/kxUiUtils.h"

#include "platform/framework/MessageService.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>

#include <sys/utsname.h>

namespace {

TOSVersionInfo version(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* servicePack = "") {
    return TOSVersionInfo{major, minor, build, platform, servicePack};
}

} // namespace

TEST(WindowsVersionText, PlatformNamesFollowPlatformAndVersion) {
    const std::pair<TOSVersionInfo, const char*> cases[] = {
        {version(0, 3, 10, 0), "32s"}, {version(1, 3, 95, 0), "95"}, {version(1, 4, 0, 0), "95"},
        {version(1, 4, 9, 0), "95"},   {version(1, 4, 10, 0), "98"}, {version(1, 4, 90, 0), "98"},
        {version(1, 5, 0, 0), "98"},   {version(2, 5, 1, 0), "NT"},  {version(3, 5, 1, 0), ""},
    };
    for (const auto& [info, name] : cases)
        EXPECT_EQ(WindowsPlatformName(info), name)
            << info.dwPlatformId << " " << info.dwMajorVersion << "." << info.dwMinorVersion;
}

TEST(WindowsVersionText, FormatsVersionBuildAndServicePack) {
    EXPECT_EQ(FormatWindowsVersion(version(2, 5, 1, 2600, "Service Pack 2")),
              "Windows NT (v5.01 build 2600 Service Pack 2)");
    EXPECT_EQ(FormatWindowsVersion(version(2, 4, 0, 1381)), "Windows NT (v4.00 build 1381 )");
    EXPECT_EQ(FormatWindowsVersion(version(1, 4, 0, 950)), "Windows 95 (v4.00 build 950 )");
    EXPECT_EQ(FormatWindowsVersion(version(1, 4, 10, 0x040A0000u + 2222, " A ")),
              "Windows 98 (v4.10 build 2222  A )");
    EXPECT_EQ(FormatWindowsVersion(version(2, 6, 2, 7)), "Windows NT (v6.02 build 007 )");
    EXPECT_EQ(FormatWindowsVersion(version(2, 5, 123, 10)), "Windows NT (v5.123 build 010 )");
    EXPECT_EQ(FormatWindowsVersion(version(9, 1, 0, 1)), "Windows  (v1.00 build 001 )");
}

TEST(WindowsVersionText, CompactFormUsesTheSameRules) {
    EXPECT_EQ(FormatUiWindowsVersion(version(2, 5, 1, 2600, "Service Pack 2")),
              "Windows NT 5.01.2600 Service Pack 2");
    EXPECT_EQ(FormatUiWindowsVersion(version(1, 4, 90, 0xC5A00BB8u)), "Windows 98 4.90.3000");
    EXPECT_EQ(FormatUiWindowsVersion(version(0, 3, 11, 7)), "Windows 32s 3.11.007");
}

TEST(SystemVersion, DistributionNameComesFromOsRelease) {
    EXPECT_EQ(DistributionName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(DistributionName("NAME=Fedora\nVERSION='39 (Workstation)'\n"), "Fedora 39 (Workstation)");
    EXPECT_EQ(DistributionName("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ now\"\n"), "Say \"hi\" \\ now");
    EXPECT_EQ(DistributionName("# comment\nID=arch\n"), "");
    EXPECT_EQ(DistributionName(""), "");
}

TEST(SystemVersion, TextNamesKernelAndDistribution) {
    EXPECT_EQ(FormatSystemVersion({"Linux", "6.1.0-18-amd64", "Debian GNU/Linux 12 (bookworm)"}),
              "Linux 6.1.0-18-amd64 (Debian GNU/Linux 12 (bookworm))");
    EXPECT_EQ(FormatSystemVersion({"Linux", "5.10.0", ""}), "Linux 5.10.0");
}

TEST(SystemVersion, LiveTextReportsTheRealKernel) {
    TempTree tree;
    struct utsname system;
    ASSERT_EQ(uname(&system), 0);
    TSystemVersion live = ReadSystemVersion(tree.Write("os-release", "PRETTY_NAME=\"Test OS 1\"\n"));
    EXPECT_EQ(live.kernelRelease, system.release);
    EXPECT_EQ(FormatSystemVersion(live), std::string(system.sysname) + " " + system.release + " (Test OS 1)");

    std::string text = GetWindowsVersion();
    EXPECT_EQ(text.rfind(std::string(system.sysname) + " " + system.release, 0), 0u) << text;
    EXPECT_EQ(text.find("Windows"), std::string::npos);
}

TEST(MessageBoxes, TovMsgFormatsTypedArgumentsOfAnyLength) {
    ScopedMessageRecorder recorder;
    std::string longName(5000, 'n');
    int result = TovMsg(MB_OKCANCEL, "Caption", "%s has %d items (%.1f%%)", longName.c_str(), 42, 99.5);

    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_EQ(recorder.Records()[0].text, longName + " has 42 items (99.5%)");
    EXPECT_EQ(recorder.Records()[0].caption, "Caption");
    EXPECT_EQ(recorder.Records()[0].flags, MB_OKCANCEL);
}

TEST(MessageBoxes, TovErrMsgAppendsTheSystemMessage) {
    ScopedMessageRecorder recorder;
    TovErrMsg(ENOENT, MB_ICONERROR, "Load", "Cannot open %s", "maps.pcx");
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_EQ(recorder.Records()[0].text, "Cannot open maps.pcx\nNo such file or directory");
    EXPECT_EQ(recorder.Records()[0].flags, MB_ICONERROR);
}

TEST(MessageBoxes, ShowLastErrorShowsErrnoWithTheInformationIcon) {
    ScopedMessageRecorder recorder;
    errno = EACCES;
    ShowLastError("Settings");
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_EQ(recorder.Records()[0].text, "Permission denied");
    EXPECT_EQ(recorder.Records()[0].caption, "Settings");
    EXPECT_EQ(recorder.Records()[0].flags, MB_ICONINFORMATION);
}

TEST(ForegroundTask, AnswersWhatTheInstalledProbeSays) {
    EXPECT_FALSE(IsForegroundTask()) << "no application: no window of ours is active";
    bool active = true;
    SetForegroundTaskProbe([&] { return active; });
    EXPECT_TRUE(IsForegroundTask());
    active = false;
    EXPECT_FALSE(IsForegroundTask());
    SetForegroundTaskProbe({});
    EXPECT_FALSE(IsForegroundTask());
}

TEST(GradientBands, FewerThanTwoColoursFillOneSolidBand) {
    RECT rect{10, 20, 60, 70};
    EXPECT_EQ(GradientBands(rect, 0x0000FF, 0xFF0000, fdTopToBottom, 1),
              (std::vector<TGradientBand>{{rect, 0x0000FF}}));
    EXPECT_EQ(GradientBands(rect, 0x0000FF, 0xFF0000, fdRightToLeft, -5),
              (std::vector<TGradientBand>{{rect, 0x0000FF}}));
    EXPECT_TRUE(GradientBands(RECT{5, 5, 5, 50}, 0, 0xFFFFFF, fdTopToBottom, 1).empty());
    EXPECT_TRUE(GradientBands(RECT{5, 50, 40, 10}, 0, 0xFFFFFF, fdLeftToRight, 8).empty());
}

TEST(GradientBands, MoreColoursThanPixelsGiveOnePixelBands) {
    RECT rect{0, 0, 20, 100};
    std::vector<TGradientBand> bands = GradientBands(rect, 0x000000, 0x0000FF, fdTopToBottom, 256);
    ASSERT_EQ(bands.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(bands[static_cast<std::size_t>(i)].rect, (RECT{0, i, 20, i + 1}));
        EXPECT_EQ(bands[static_cast<std::size_t>(i)].color, static_cast<DWORD>(MulDiv(i, 255, 99)));
    }
    EXPECT_EQ(bands.back().color, 0x0000FFu);
}

TEST(GradientBands, LeftoverPixelsTakeTheFinalColourAndStayInside) {
    RECT rect{4, 10, 30, 110};
    std::vector<TGradientBand> down = GradientBands(rect, 0x000010, 0x000040, fdTopToBottom, 3);
    ASSERT_EQ(down.size(), 4u);
    EXPECT_EQ(down[0], (TGradientBand{{4, 10, 30, 43}, 0x10}));
    EXPECT_EQ(down[1], (TGradientBand{{4, 43, 30, 76}, 0x28}));
    EXPECT_EQ(down[2], (TGradientBand{{4, 76, 30, 109}, 0x40}));
    EXPECT_EQ(down[3], (TGradientBand{{4, 109, 30, 110}, 0x40}));

    std::vector<TGradientBand> up = GradientBands(rect, 0x000010, 0x000040, fdBottomToTop, 3);
    ASSERT_EQ(up.size(), 4u);
    EXPECT_EQ(up[0].color, 0x40u) << "a reverse ramp starts at the end colour";
    EXPECT_EQ(up[2].color, 0x10u);
    EXPECT_EQ(up[3], (TGradientBand{{4, 109, 30, 110}, 0x10}));
    for (const TGradientBand& band : up) {
        EXPECT_GE(band.rect.top, rect.top);
        EXPECT_LE(band.rect.bottom, rect.bottom);
    }
}

TEST(GradientBands, HorizontalRampsRunAlongTheWidthPerChannel) {
    std::vector<TGradientBand> bands = GradientBands(RECT{0, 0, 4, 7}, 0x00FF00, 0xFF0000, fdLeftToRight, 2);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0], (TGradientBand{{0, 0, 2, 7}, 0x00FF00}));
    EXPECT_EQ(bands[1], (TGradientBand{{2, 0, 4, 7}, 0xFF0000}));
    std::vector<TGradientBand> back = GradientBands(RECT{0, 0, 4, 7}, 0x00FF00, 0xFF0000, fdRightToLeft, 2);
    EXPECT_EQ(back[0].color, 0xFF0000u);
}

TEST(GradientBands, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 255, 2), 128);
    EXPECT_EQ(MulDiv(-1, 255, 2), -128);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(65536, 65536, 65536), 65536) << "the product is 64 bits wide";
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
}
