#include "platform/files/IniFiles.h"
#include "tests/platform/files/OtherUser.h"
#include "tests/platform/files/TempTree.h"
#include "tests/platform/files/Undeletable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const settingsText = "; Vortamix settings\n"
                                 "[Sound]\n"
                                 "MusicEnabled=1\n"
                                 "  sfxvolume =  200  \n"
                                 "; the device of the last run\n"
                                 "Driver=2\n"
                                 "Unknown=kept\n"
                                 "\n"
                                 "[Options]\n"
                                 "Name1=\"  Alice  \"\n"
                                 "Name2='Bob'\n"
                                 "Name3=\"Carol'\n"
                                 "Name4=\"\n"
                                 "\n"
                                 "[Themes]\n"
                                 "Z=Zoo\n"
                                 "A=Attic\n"
                                 "m=Mine\n";

int filesIn(const std::filesystem::path& dir) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++count;
    return count;
}

} // namespace

TEST(IniFile, ReadsValuesTrimmedWithOneQuotePairRemoved) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", settingsText));

    EXPECT_EQ(ini.ReadString("Sound", "SFXVolume", "x"), "200");
    EXPECT_EQ(ini.ReadString("options", "NAME1", "x"), "  Alice  ");
    EXPECT_EQ(ini.ReadString("Options", "Name2", "x"), "Bob");
    EXPECT_EQ(ini.ReadString("Options", "Name3", "x"), "\"Carol'");
    EXPECT_EQ(ini.ReadString("Options", "Name4", "x"), "\"");
    EXPECT_EQ(ini.ReadString("Options", "Missing", "Player 1"), "Player 1");
    EXPECT_EQ(ini.ReadString("Nowhere", "Name1", "def"), "def");
}

TEST(IniFile, FirstSectionAndFirstKeyWin) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", "[GFX]\nTheme=1\ntheme=2\n[gfx]\nTheme=3\nOnlyHere=4\n"));

    EXPECT_EQ(ini.ReadInteger("GFX", "Theme", 0), 1);
    EXPECT_EQ(ini.ReadInteger("GFX", "OnlyHere", 0), 0);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"GFX"}));
    EXPECT_EQ(ini.ReadSection("gfx"), (std::vector<std::string>{"Theme"}));
}

TEST(IniFile, IntegersReadDecimalAndHexAndFallBackOnAnythingElse) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", "[N]\nA=42\nB=-5000\nC=$1F\nD=0x10\nE=0XfF\nF=$FFFFFFFF\nG=12abc\n"
                                     "H=\nI=2147483648\nJ=-2147483648\nK=$100000000\nL=\"7\"\nM=+3\nN=$\n"));
    const std::pair<const char*, int> expected[] = {
        {"A", 42}, {"B", -5000},     {"C", 31}, {"D", 16}, {"E", 255}, {"F", -1}, {"G", 99},      {"H", 99},
        {"I", 99}, {"J", INT32_MIN}, {"K", 99}, {"L", 7},  {"M", 3},   {"N", 99}, {"Missing", 99}};
    for (const auto& [key, value] : expected)
        EXPECT_EQ(ini.ReadInteger("N", key, 99), value) << key;
}

TEST(IniFile, BoolsAreIntegersNotZeroAndWriteAsOneAndZero) {
    TempTree tree;
    std::string path = tree.Write("v.ini", "[B]\nYes=1\nTwo=2\nNo=0\nWord=true\n");
    TIniFile ini(path);

    EXPECT_TRUE(ini.ReadBool("B", "Yes", false));
    EXPECT_TRUE(ini.ReadBool("B", "Two", false));
    EXPECT_FALSE(ini.ReadBool("B", "No", true));
    EXPECT_FALSE(ini.ReadBool("B", "Word", false)); // not a number: the default
    EXPECT_TRUE(ini.ReadBool("B", "Word", true));

    ini.WriteBool("B", "Yes", false);
    ini.WriteBool("B", "New", true);
    EXPECT_EQ(tree.Read("v.ini"), "[B]\nYes=0\nTwo=2\nNo=0\nWord=true\nNew=1\n");
}

TEST(IniFile, WritesKeepCommentsUnknownKeysAndOrder) {
    TempTree tree;
    std::string path = tree.Write("v.ini", settingsText);
    TIniFile ini(path);

    ini.WriteInteger("SOUND", "driver", 0);
    ini.WriteInteger("Sound", "MusicVolume", -5000);
    ini.WriteString("Screen", "Width", "640");
    ini.WriteInteger("Screen", "Height", 480);

    std::string expected = std::string(settingsText);
    expected.replace(expected.find("Driver=2"), 8, "Driver=0");
    expected.insert(expected.find("\n\n[Options]"), "\nMusicVolume=-5000");
    expected += "\n[Screen]\nWidth=640\nHeight=480\n";
    EXPECT_EQ(tree.Read("v.ini"), expected);
}

TEST(IniFile, MissingFileReadsDefaultsAndIsCreatedByTheFirstWrite) {
    TempTree tree;
    std::string path = tree.Path("new.ini");
    TIniFile ini(path);

    EXPECT_EQ(ini.ReadInteger("Sound", "SamplesPerSec", 22050), 22050);
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_FALSE(std::filesystem::exists(path));

    ini.WriteBool("Sound", "MusicEnabled", true);
    EXPECT_EQ(tree.Read("new.ini"), "[Sound]\nMusicEnabled=1\n");
}

TEST(IniFile, SectionListsAndExistenceFollowTheFile) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", settingsText));

    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Sound", "Options", "Themes"}));
    EXPECT_EQ(ini.ReadSection("themes"), (std::vector<std::string>{"Z", "A", "m"}));
    EXPECT_EQ(ini.ReadSectionValues("Options"),
              (std::vector<std::string>{"Name1=  Alice  ", "Name2=Bob", "Name3=\"Carol'", "Name4=\""}));
    EXPECT_TRUE(ini.SectionExists("OPTIONS"));
    EXPECT_FALSE(ini.SectionExists("Screen"));
    EXPECT_TRUE(ini.ValueExists("sound", "unknown"));
    EXPECT_FALSE(ini.ValueExists("Sound", "Channels"));
    EXPECT_TRUE(ini.ReadSection("Screen").empty());
}

TEST(IniFile, EraseSectionAndDeleteKeyRemoveOnlyTheirLines) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", "[A]\nx=1\n[B]\n; about y\ny=2\ny=3\nz=4\n[a]\nw=5\n"));

    ini.DeleteKey("b", "Y");
    EXPECT_EQ(tree.Read("v.ini"), "[A]\nx=1\n[B]\n; about y\nz=4\n[a]\nw=5\n");
    ini.EraseSection("A");
    EXPECT_EQ(tree.Read("v.ini"), "[B]\n; about y\nz=4\n");
    EXPECT_FALSE(ini.SectionExists("a"));
}

TEST(IniFile, CrLfFilesStayCrLfAByteOrderMarkIsKeptAndALoneCarriageReturnEndsALine) {
    TempTree tree;
    TIniFile ini(tree.Write("v.ini", "\xEF\xBB\xBF[Sound]\r\nDriver=1\r\n"));

    EXPECT_EQ(ini.ReadInteger("Sound", "Driver", 0), 1);
    ini.WriteInteger("Sound", "Channels", 2);
    EXPECT_EQ(tree.Read("v.ini"), "\xEF\xBB\xBF[Sound]\r\nDriver=1\r\nChannels=2\r\n");

    // Whatever is read can be written back.
    TIniFile damaged(tree.Write("cr.ini", "[Options]\nName1=Ann\r\x1d junk\nName2=Bo\n"));
    EXPECT_EQ(damaged.ReadString("Options", "Name1", ""), "Ann");
    EXPECT_NO_THROW(damaged.WriteString("Options", "Name1", damaged.ReadString("Options", "Name1", "")));
    EXPECT_EQ(damaged.ReadString("Options", "Name2", ""), "Bo");
}

TEST(IniFile, ReadsSeeChangesOtherWritersMadeToTheFile) {
    TempTree tree;
    std::string path = tree.Write("v.ini", "[S]\nk=1\n");
    TIniFile first(path);
    TIniFile second(path);

    EXPECT_EQ(first.ReadInteger("S", "k", 0), 1);
    second.WriteInteger("S", "k", 22);
    EXPECT_EQ(first.ReadInteger("S", "k", 0), 22);
    first.WriteInteger("S", "j", 3);
    EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=22\nj=3\n");
}

TEST(IniFile, AFileThatIsNoRegularFileReadsAsEmptyAndIsNeverWritten) {
    TempTree tree;
    const std::string path = tree.Path("pipe.ini");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "k", "none"), "none") << "a FIFO is not opened (it would block)";
    EXPECT_THAT([&] { ini.WriteString("S", "k", "v"); },
                testing::ThrowsMessage<EIniFileException>("Unable to write to " + path +
                                                          " (not a regular file but a FIFO)"));
}

TEST(IniFile, ObjectsHoldNoDescriptorBetweenCalls) {
    TempTree tree;
    const auto held = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = held();
    std::deque<TIniFile> live;
    for (int i = 0; i < 50; ++i) {
        TIniFile& ini = live.emplace_back(tree.Path("v.ini"));
        ini.WriteInteger("S", std::to_string(i), ini.ReadInteger("S", "0", i));
    }
    EXPECT_EQ(held(), before) << "descriptors";
}

TEST(IniFile, FileNameIsResolvedWithoutRegardToCase) {
    TempTree tree;
    tree.Write("Run/Vortamix.INI", "[Screen]\nBPP=16\n");
    TIniFile ini(tree.Root().string() + "/run/vortamix.ini");

    EXPECT_EQ(ini.ReadInteger("Screen", "BPP", 8), 16);
    ini.WriteInteger("Screen", "BPP", 32);
    EXPECT_EQ(tree.Read("Run/Vortamix.INI"), "[Screen]\nBPP=32\n");
}

TEST(IniFileWrite, ReplacesTheFileAtomicallyAndKeepsItsModeAndItsUsersOwnership) {
    TempTree tree;
    std::string path = tree.Write("v.ini", "[S]\nk=1\n");
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    const OtherUser user; // whose file the administrator writes
    if (geteuid() == 0) (void)chown(path.c_str(), user.uid, user.gid);
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    TIniFile ini(path);

    ini.WriteString("S", "k", "2");

    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the new file was renamed over the old one";
    EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=2\n");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(std::pair(after.st_uid, after.st_gid), std::pair(before.st_uid, before.st_gid)) << "owner";
    EXPECT_EQ(filesIn(tree.Root()), 1) << "no temporary file is left behind";
}

TEST(IniFileWrite, WriteThroughALinkReplacesOrCreatesTheLinkedFile) {
    TempTree tree;
    std::string target = tree.Write("real.ini", "[S]\nk=1\n");
    std::filesystem::create_symlink(target, tree.Path("link.ini"));
    std::filesystem::create_symlink("missing.ini", tree.Path("dangling.ini"));
    TIniFile ini(tree.Path("link.ini"));

    ini.WriteInteger("S", "k", 5);
    TIniFile(tree.Path("dangling.ini")).WriteInteger("S", "k", 5);

    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("link.ini")));
    EXPECT_EQ(tree.Read("real.ini"), "[S]\nk=5\n");
    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("dangling.ini")));
    EXPECT_EQ(tree.Read("missing.ini"), "[S]\nk=5\n") << "a dangling link is written through";
}

TEST(IniFileWrite, RemovesTheTemporariesKilledWritersLeftOfTheFileAndNoOthers) {
    TempTree tree;
    const std::string path = tree.Write("v.ini", "[S]\nk=1\n");
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
    const std::string stale = tree.Write(".v.ini." + std::to_string(dead) + ".3.tmp", "[S]\nk=");
    const std::string running = tree.Write(".v.ini." + std::to_string(getppid()) + ".3.tmp", "[S]\nk=");
    const std::string anotherFiles = tree.Write(".w.ini." + std::to_string(dead) + ".3.tmp", "[S]\nk=");

    TIniFile(path).WriteInteger("S", "k", 2);

    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(running)) << "its writer may still rename it";
    EXPECT_TRUE(std::filesystem::exists(anotherFiles));
}

TEST(IniFileWrite, UnwritableFileRaisesAndChangesNothing) {
    TempTree tree;
    std::filesystem::create_directories(tree.Path("dir.ini"));
    TIniFile directory(tree.Path("dir.ini"));
    TIniFile missingFolder(tree.Path("no/such/folder/v.ini"));

    try {
        directory.WriteInteger("S", "k", 1);
        FAIL() << "a write to a directory must be refused";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + tree.Path("dir.ini") + " (Is a directory)");
    }
    EXPECT_THROW(missingFolder.WriteString("S", "k", "v"), EIniFileException);
    EXPECT_FALSE(missingFolder.ValueExists("S", "k"));
    EXPECT_EQ(filesIn(tree.Root()), 1);
}

TEST(IniFileWrite, FailedWriteLeavesFileAndReadsAsTheyWere) {
    TempTree tree;
    std::string path = tree.Write("locked/v.ini", "[S]\nk=1\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "k", 0), 1);
    // No temporary file can stand beside it in a folder that takes no new entries.
    ScopedUndeletable lock(tree.Path("locked"));
    VX_REQUIRE_UNDELETABLE(lock);

    EXPECT_THROW(ini.WriteInteger("S", "k", 2), EIniFileException);
    EXPECT_EQ(ini.ReadInteger("S", "k", 0), 1);
    EXPECT_EQ(tree.Read("locked/v.ini"), "[S]\nk=1\n");
    EXPECT_EQ(filesIn(tree.Path("locked")), 1);
}

TEST(IniFileWrite, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    TempTree tree;
    std::string path = tree.Write("v.ini", "[S]\nk=1\n");
    TIniFile ini(path);

    EXPECT_THROW(ini.WriteString("S", "k", "two\n[Evil]\nx=1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S]x", "k", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "  ", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", ";k", "1"), EIniFileException);
    EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=1\n");
}

TEST(IniDocument, TextOfAnUneditedDocumentIsTheFileWithLineEndsCompleted) {
    const std::string text = "junk before sections\n[A]\n  x = 1 ; not a comment\nno equals sign\n\n";
    IniDocument document(text);
    EXPECT_EQ(document.Text(), text);
    EXPECT_EQ(document.Value("A", "x"), "1 ; not a comment");
    EXPECT_EQ(IniDocument("[A]\nx=1").Text(), "[A]\nx=1\n");
}

TEST(IniDocument, NewKeyGoesAfterTheSectionsLastNonBlankLine) {
    IniDocument document("[A]\nx=1\n; trailing note\n\n\n[B]\ny=2\n");
    document.Set("a", "z", "3");
    EXPECT_EQ(document.Text(), "[A]\nx=1\n; trailing note\nz=3\n\n\n[B]\ny=2\n");

    IniDocument empty("[A]\n\n[B]\n");
    empty.Set("A", "k", "v");
    EXPECT_EQ(empty.Text(), "[A]\nk=v\n\n[B]\n");
}

TEST(IniDocument, AnEditedDocumentReadsAsItsOwnTextReadAgain) {
    IniDocument document("; head\n[A]\nx=1\nX=2\n; note\n\n[B]\ny=2\n[a]\nz=3\n");
    const std::function<void(IniDocument&)> edits[] = {
        [](IniDocument& text) { text.DeleteKey("a", "x"); },
        [](IniDocument& text) { text.Set("A", "w", "4"); },
        [](IniDocument& text) { text.Set("A", "x", "5"); },
        [](IniDocument& text) { text.EraseSection("b"); },
        [](IniDocument& text) { text.Set("B", "new", "6"); },
        [](IniDocument& text) { text.Set("a", "W", "7"); },
        [](IniDocument& text) { text.EraseSection("A"); },
        [](IniDocument& text) { text.Set("A", "z", "8"); },
    };
    for (std::size_t step = 0; step < std::size(edits); ++step) {
        edits[step](document);
        const IniDocument reread(document.Text());
        EXPECT_EQ(document.Sections(), reread.Sections()) << "after edit " << step;
        for (const std::string& section : reread.Sections()) {
            EXPECT_EQ(document.Entries(section), reread.Entries(section)) << "after edit " << step;
            for (const char* key : {"x", "w", "y", "z", "new"})
                EXPECT_EQ(document.Value(section, key), reread.Value(section, key)) << "after edit " << step;
        }
    }
    EXPECT_EQ(document.Text(), "; head\n[B]\nnew=6\n\n[A]\nz=8\n");
}
