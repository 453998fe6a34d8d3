#include "toolkit/Winutils.h"
#include "toolkit/kxUiUtils.h"

#include "platform/framework/MessageService.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>

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
        EXPECT_EQ(WindowsPlatformName(info), name) << info.dwPlatformId << " " << info.dwMajorVersion << "."
                                                   << info.dwMinorVersion;
}

TEST(WindowsVersionText, FormatsVersionBuildAndServicePack) {
    EXPECT_EQ(FormatWindowsVersion(version(2, 5, 1, 2600, "Service Pack 2")),
              "Windows NT (v5.01 build 2600 Service Pack 2)");
    EXPECT_EQ(FormatWindowsVersion(version(2, 4, 0, 1381)), "Windows NT (v4.00 build 1381 )");
    EXPECT_EQ(FormatWindowsVersion(version(1, 4, 0, 950)), "Windows 95 (v4.00 build 950 )");
    EXPECT_EQ(FormatWindowsVersion(version(1, 4, 10, 0x040A0000u + 2222, " A ")), "Windows 98 (v4.10 build 2222  A )");
    EXPECT_EQ(FormatWindowsVersion(version(2, 6, 2, 7)), "Windows NT (v6.02 build 007 )");
    EXPECT_EQ(FormatWindowsVersion(version(2, 5, 123, 10)), "Windows NT (v5.123 build 010 )");
    EXPECT_EQ(FormatWindowsVersion(version(9, 1, 0, 1)), "Windows  (v1.00 build 001 )");
}

TEST(WindowsVersionText, CompactFormUsesTheSameRules) {
    EXPECT_EQ(FormatUiWindowsVersion(version(2, 5, 1, 2600, "Service Pack 2")), "Windows NT 5.01.2600 Service Pack 2");
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
