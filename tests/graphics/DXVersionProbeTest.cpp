#include "graphics/DXVersionProbe.h"
#include "platform/ddraw/DirectXInfo.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// A system whose diagnostics and library versions the test decides.
class FakeSystem : public DirectXInfoSource {
public:
    bool hasDiag = true;
    std::map<std::string, DiagValue> props;
    std::map<std::string, std::pair<DWORD, DWORD>> files;

    bool OpenDiagnostics() override { return hasDiag; }
    void CloseDiagnostics() override {}
    HRESULT GetDiagProperty(const std::string& container, const std::string& name,
                            DiagValue& value) override {
        auto found = props.find(name);
        if (container != "DxDiag_SystemInfo" || found == props.end()) return HRESULT(0x80004005u);
        value = found->second;
        return 0;
    }
    std::string SystemDirectory() override { return "C:\\SYS"; }
    bool GetFileVersion(const std::string& path, DWORD& high, DWORD& low) override {
        auto found = files.find(path);
        if (found == files.end()) return false;
        high = found->second.first;
        low = found->second.second;
        return true;
    }
    void diag(DWORD major, DWORD minor, const std::string& letter) {
        props["dwDirectXVersionMajor"] = {DiagValueType::UInt32, major, {}};
        props["dwDirectXVersionMinor"] = {DiagValueType::UInt32, minor, {}};
        props["szDirectXVersionLetter"] = {DiagValueType::String, 0, letter};
    }
    void file(const std::string& name, DWORD a, DWORD b, DWORD c, DWORD d) {
        files["C:\\SYS\\" + name] = {a << 16 | b, c << 16 | d};
    }
};

class DXVersionProbe : public ::testing::Test {
protected:
    void SetUp() override { SetDirectXInfoSource(&system); }
    void TearDown() override { SetDirectXInfoSource(nullptr); }
    FakeSystem system;
    DWORD value = 0xDEAD;
    char text[10] = "junk";
};

} // namespace

TEST_F(DXVersionProbe, DiagnosticsGiveValueAndTextWithLetter) {
    system.diag(9, 0, "C");
    ASSERT_EQ(QueryDirectXVersion(&value, text, sizeof text), 0);
    EXPECT_EQ(value, 0x90003u);
    EXPECT_STREQ(text, "9.0c");
    system.diag(9, 0, " ");
    QueryDirectXVersion(&value, text, sizeof text);
    EXPECT_EQ(value, 0x90000u);
    EXPECT_STREQ(text, "9.0");
}

TEST_F(DXVersionProbe, WrongPropertyTypeFallsBackToFiles) {
    system.diag(9, 0, "c");
    system.props["dwDirectXVersionMinor"].type = DiagValueType::String;
    system.file("ddraw.dll", 4, 7, 0, 700);
    system.file("dinput.dll", 4, 7, 0, 716);
    QueryDirectXVersion(&value, text, sizeof text);
    EXPECT_EQ(value, 0x70001u);
    EXPECT_STREQ(text, "7.0a");
}

TEST_F(DXVersionProbe, LastMatchingFileRuleWins) {
    system.hasDiag = false;
    system.file("ddraw.dll", 4, 6, 0, 436);
    system.file("dplayx.dll", 4, 6, 3, 518);
    QueryDirectXVersion(&value, text, sizeof text);
    EXPECT_EQ(value, 0x60101u);
    system.file("d3d8.dll", 5, 1, 2600, 901);
    QueryDirectXVersion(&value, text, sizeof text);
    EXPECT_EQ(value, 0x80101u);
    system.file("d3d9.dll", 0, 0, 0, 1);
    QueryDirectXVersion(&value, text, sizeof text);
    EXPECT_EQ(value, 0x90000u);
}

TEST_F(DXVersionProbe, DdrawOfMajorSixMatchesNoEightRule) {
    system.hasDiag = false;
    system.file("ddraw.dll", 6, 0, 0, 0);
    DWORD major, minor;
    char letter;
    QueryDirectXVersionViaFiles(&major, &minor, &letter);
    EXPECT_EQ(major, 7u) << "6.x is past every 4.x minimum, but no 8.0 rule accepts major 6";
    EXPECT_EQ(minor, 0u);
}

TEST_F(DXVersionProbe, NothingFoundIsZero) {
    system.hasDiag = false;
    ASSERT_EQ(QueryDirectXVersion(&value, text, sizeof text), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_STREQ(text, "0.0");
}

TEST_F(DXVersionProbe, ZeroSizedTextIsLeftAlone) {
    system.diag(8, 1, "b");
    ASSERT_EQ(QueryDirectXVersion(&value, text, 0), 0);
    EXPECT_EQ(value, 0x80102u);
    EXPECT_STREQ(text, "junk");
}

TEST(DXVersionStandIn, ReportsTheInterfaceLevelItProvides) {
    DWORD value = 0;
    char text[10];
    ASSERT_EQ(QueryDirectXVersion(&value, text, sizeof text), 0);
    EXPECT_EQ(value, 0x70000u);
    EXPECT_STREQ(text, "7.0");
}
