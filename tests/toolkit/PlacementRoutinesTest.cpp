// The form-placement routines of the application utilities: the record they write, what
// they read back, and a placement carried from a large screen to a small one on real X
// servers.
#include "platform/framework/WindowPlacement.h"
#include "tests/platform/files/ScratchRegistry.h"
#include "tests/toolkit/GuiPump.h"
#include "toolkit/Apputils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class TPlacedForm : public TForm {
    VX_CLASS(TPlacedForm, TForm)
public:
    using TForm::TForm;
};

RECT boundsOf(const TForm& form) {
    return RECT{form.Left(), form.Top(), form.Left() + form.Width(), form.Top() + form.Height()};
}

std::string screenKey(const char* key) {
    return std::string(key) + "(" + std::to_string(Screen->Width()) + "x" + std::to_string(Screen->Height()) +
           ")";
}

} // namespace

TEST(PlacementRecord, IsWrittenUnderPlainAndScreenSizeNames) {
    StartGui();
    ScratchRegistry scratch;
    TPlacedForm form(nullptr);
    form.SetBounds(10, 20, 300, 200);
    TIniFile ini(scratch.tree.Path("place.ini"));
    WriteFormPlacement(&form, ini, "Main");
    EXPECT_EQ(ini.ReadSection("Main"),
              (std::vector<std::string>{"Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
                                        screenKey("MinMaxPos"), "NormPos", screenKey("NormPos")}));
    EXPECT_EQ(ini.ReadString("Main", "ShowCmd", ""), "1");
    EXPECT_EQ(ini.ReadString("Main", "PixelsPerInch", ""), "96");
    EXPECT_EQ(ini.ReadString("Main", "NormPos", ""), "10,20,310,220");
    EXPECT_EQ(ini.ReadString("Main", screenKey("NormPos"), ""), "10,20,310,220");
}

TEST(PlacementRecord, ReadsTheEntryOfThisScreenSizeElseThePlainOne) {
    StartGui();
    ScratchRegistry scratch;
    TIniFile ini(scratch.tree.Path("place.ini"));
    ini.WriteString("Main", "NormPos", "30,40,330,240");
    ini.WriteString("Main", "NormPos(1x1)", "1,1,2,2");
    TPlacedForm form(nullptr);
    ReadFormPlacement(&form, ini, "Main", false, true);
    EXPECT_EQ(boundsOf(form), (RECT{30, 40, 330, 240})) << "saved at another size: the plain entry";
    ini.WriteString("Main", screenKey("NormPos"), "50,60,250,160");
    ReadFormPlacement(&form, ini, "Main", false, true);
    EXPECT_EQ(boundsOf(form), (RECT{50, 60, 250, 160}));
}

TEST(PlacementRecord, AnotherPixelsPerInchIgnoresThePositionButNotTheState) {
    StartGui();
    ScratchRegistry scratch;
    TIniFile ini(scratch.tree.Path("place.ini"));
    ini.WriteString("Main", "NormPos", "30,40,330,240");
    ini.WriteInteger("Main", "PixelsPerInch", 120);
    ini.WriteInteger("Main", "ShowCmd", SW_SHOWMAXIMIZED);
    TPlacedForm form(nullptr);
    form.SetBounds(5, 6, 100, 80);
    ReadFormPlacement(&form, ini, "Main", true, true);
    EXPECT_EQ(form.WindowState(), wsMaximized);
    WINDOWPLACEMENT placement;
    GetWindowPlacement(&form, &placement);
    EXPECT_EQ(placement.rcNormalPosition, (RECT{5, 6, 105, 86}));
}

TEST(PlacementRecord, AFixedBorderDialogKeepsItsSizeAndOnlyMoves) {
    StartGui();
    ScratchRegistry scratch;
    TIniFile ini(scratch.tree.Path("place.ini"));
    ini.WriteString("Main", "NormPos", "30,40,530,440");
    TPlacedForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    dialog.SetBounds(0, 0, 200, 100);
    ReadFormPlacement(&dialog, ini, "Main", false, true);
    EXPECT_EQ(boundsOf(dialog), (RECT{30, 40, 230, 140}));
}

TEST(PlacementRecord, ARectangleOffEveryScreenComesBackOntoOne) {
    StartGui();
    ScratchRegistry scratch;
    TIniFile ini(scratch.tree.Path("place.ini"));
    ini.WriteString("Main", "NormPos", "5000,-3000,5300,-2800");
    TPlacedForm form(nullptr);
    ReadFormPlacement(&form, ini, "Main", false, true);
    const RECT area = WorkAreaFor(boundsOf(form));
    const RECT placed = boundsOf(form);
    EXPECT_EQ(placed.right - placed.left, 300);
    EXPECT_GE(placed.left, area.left);
    EXPECT_GE(placed.top, area.top);
    EXPECT_LE(placed.right, area.right);
    EXPECT_LE(placed.bottom, area.bottom);
}

TEST(PlacementRecord, FittingMovesAndShrinksOnlyWhereItMust) {
    const RECT area{0, 0, 800, 600};
    EXPECT_EQ(FitRectInto(RECT{10, 10, 110, 60}, area), (RECT{10, 10, 110, 60}));
    EXPECT_EQ(FitRectInto(RECT{750, 580, 850, 630}, area), (RECT{700, 550, 800, 600}));
    EXPECT_EQ(FitRectInto(RECT{-50, -50, 1000, 20}, area), (RECT{0, 0, 800, 70}));
    EXPECT_EQ(FitRectInto(RECT{2147483000, 0, 2147483600, 10}, area), (RECT{200, 0, 800, 10}));
}

TEST(PlacementRecord, TheRegistryCarriesTheSamePlacementAndReadingCreatesNoKey) {
    StartGui();
    ScratchRegistry scratch;
    TPlacedForm form(nullptr);
    RestoreFormPlacement(&form, "Software\\Placed", true);
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_CURRENT_USER)));

    form.SetBounds(70, 80, 320, 210);
    SaveFormPlacement(&form, "Software\\Placed", true);
    SaveFormPlacement(&form, scratch.tree.Path("placed.ini"), false);
    TPlacedForm fromRegistry(nullptr);
    TPlacedForm fromFile(nullptr);
    RestoreFormPlacement(&fromRegistry, "Software\\Placed", true);
    RestoreFormPlacement(&fromFile, scratch.tree.Path("placed.ini"), false);
    EXPECT_EQ(boundsOf(fromRegistry), (RECT{70, 80, 390, 290}));
    EXPECT_EQ(boundsOf(fromFile), boundsOf(fromRegistry));
    EXPECT_EQ(fromRegistry.WindowState(), wsNormal);
}

TEST(PlacementRecord, MdiChildrenNeedAnMdiFrameWhichTheFrameworkHasNot) {
    StartGui();
    ScratchRegistry scratch;
    TPlacedForm form(nullptr);
    TIniFile ini(scratch.tree.Path("mdi.ini"));
    EXPECT_THROW(SaveMDIChildren(&form, ini), EInvalidOperation);
    EXPECT_THROW(RestoreMDIChildren(&form, ini), EInvalidOperation);
}

namespace {

bool haveXvfb() {
    return std::system("command -v Xvfb >/dev/null") == 0;
}

// Runs the disabled case with a step ("save" or "restore") on a fresh X server of that size.
bool runOnXvfb(const std::string& screen, const std::string& step, const std::string& folder) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb VX_PLACEMENT_STEP=" + step +
                                " VX_PLACEMENT_DIR=\"" + folder +
                                "\" \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" " + screen + " \"" + self +
                                "\" --gtest_also_run_disabled_tests "
                                "--gtest_filter=PlacementOnXvfb.DISABLED_Step >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

// Run by the case below on a virtual X display, never by ctest directly: saves a placement
// near the far corner of the screen, or restores it and writes where the form went.
TEST(PlacementOnXvfb, DISABLED_Step) {
    const char* step = std::getenv("VX_PLACEMENT_STEP");
    const char* folder = std::getenv("VX_PLACEMENT_DIR");
    ASSERT_TRUE(step && folder);
    StartGui();
    const std::string iniName = std::string(folder) + "/placement.ini";
    TPlacedForm form(nullptr);
    if (std::string(step) == "save") {
        form.SetBounds(Screen->Width() - 350, Screen->Height() - 250, 300, 200);
        SaveFormPlacement(&form, iniName, false);
        return;
    }
    form.Show();
    RestoreFormPlacement(&form, iniName, false);
    PumpUntil([] { return false; }, 300);
    std::ofstream(std::string(folder) + "/restored.txt")
        << Screen->Width() << ' ' << Screen->Height() << ' ' << form.Left() << ' ' << form.Top() << ' '
        << form.Width() << ' ' << form.Height() << '\n';
}

TEST(PlacementOnXvfbScreens, APlacementFromALargerScreenStaysOnTheSmallerOne) {
    if (!haveXvfb()) GTEST_SKIP() << "Xvfb missing";
    TempTree tree;
    const std::string folder = tree.Root().string();
    ASSERT_TRUE(runOnXvfb("1600x1200x24", "save", folder));
    ASSERT_TRUE(runOnXvfb("800x600x24", "restore", folder));
    std::ifstream result(folder + "/restored.txt");
    int screenWidth = 0, screenHeight = 0, left = -1, top = -1, width = 0, height = 0;
    ASSERT_TRUE(result >> screenWidth >> screenHeight >> left >> top >> width >> height);
    EXPECT_EQ(screenWidth, 800);
    EXPECT_EQ(screenHeight, 600);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 200);
    EXPECT_GE(left, 0);
    EXPECT_GE(top, 0);
    EXPECT_LE(left + width, 800);
    EXPECT_LE(top + height, 600);
    EXPECT_NE(std::make_pair(left, top), std::make_pair(1250, 950)) << "not where the large screen had it";
}
