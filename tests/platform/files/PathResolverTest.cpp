#include "platform/files/PathResolver.h"
#include "platform/files/FileNames.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

TEST(PathResolver, WindowsNameFindsFileInDifferentlyCasedTree) {
    TempTree tree;
    tree.Write("data/gfx/Maps.PCX", "maps");
    tree.Write("Data/GFX/palette.bmp", "palette");
    ScopedCurrentDir cwd(tree.Root());

    EXPECT_EQ(ResolvePath("data\\gfx\\maps.pcx"), "data/gfx/Maps.PCX");
    EXPECT_EQ(ResolvePath("DATA\\GFX\\MAPS.PCX"), "data/gfx/Maps.PCX");
    EXPECT_EQ(ResolvePath("Data\\GFX\\palette.bmp"), "Data/GFX/palette.bmp");
    // Two folders differ only in case: the one that holds the rest of the name wins.
    EXPECT_EQ(ResolvePath("DATA\\gfx\\PALETTE.bmp"), "Data/GFX/palette.bmp");
}

TEST(PathResolver, ExactSpellingWinsOverCaseInsensitiveMatch) {
    TempTree tree;
    tree.Write("Music/a.mod", "upper");
    tree.Write("music/a.mod", "lower");
    ScopedCurrentDir cwd(tree.Root());

    EXPECT_EQ(ResolvePath("music\\a.mod"), "music/a.mod");
    EXPECT_EQ(ResolvePath("Music\\a.mod"), "Music/a.mod");
    // Neither spelling exact: the first entry in byte order ("Music" < "music") is taken.
    EXPECT_EQ(ResolvePath("MUSIC\\A.MOD"), "Music/a.mod");
}

TEST(PathResolver, MissingPartsKeepTheirSpellingAfterTheLastExistingFolder) {
    TempTree tree;
    tree.Write("Data/sfx/bomb.wav", "x");
    ScopedCurrentDir cwd(tree.Root());

    EXPECT_EQ(ResolvePath("data\\SFX\\New\\file.WAV"), "Data/sfx/New/file.WAV");
    EXPECT_EQ(ResolvePath("nothing\\here.txt"), "nothing/here.txt");
    EXPECT_FALSE(FileExists("data\\sfx\\missing.wav"));
}

TEST(PathResolver, AbsoluteDotAndDotDotComponentsResolve) {
    TempTree tree;
    tree.Write("Help/Index.htm", "help");
    tree.Write("run/keep", "");
    ScopedCurrentDir cwd(tree.Root() / "run");

    std::string absolute = tree.Root().string() + "/HELP/index.HTM";
    EXPECT_EQ(ResolvePath(absolute), tree.Path("Help/Index.htm"));
    EXPECT_EQ(ResolvePath("..\\help\\index.htm"), "../Help/Index.htm");
    EXPECT_EQ(ResolvePath(".\\KEEP"), "keep");
    EXPECT_EQ(ResolvePath("."), ".");
    EXPECT_EQ(ResolvePath(""), "");
}

TEST(PathResolver, FileExistsAndDirectoryExistsTellFilesFromFolders) {
    TempTree tree;
    tree.Write("Data/GFX/title.pcx", "t");
    ScopedCurrentDir cwd(tree.Root());

    EXPECT_TRUE(FileExists("data\\gfx\\TITLE.PCX"));
    EXPECT_FALSE(FileExists("data\\gfx"));
    EXPECT_TRUE(DirectoryExists("DATA\\gfx"));
    EXPECT_FALSE(DirectoryExists("data\\gfx\\title.pcx"));
    EXPECT_FALSE(FileExists(""));
}

TEST(PathResolver, OpenFileReadsThroughTheResolverAndCreatesNewFiles) {
    TempTree tree;
    tree.Write("Data/list.m3u", "song.mod\n");
    ScopedCurrentDir cwd(tree.Root());

    FilePtr in = OpenFile("DATA\\LIST.M3U", "rb");
    ASSERT_TRUE(in);
    char buffer[16] = {};
    ASSERT_EQ(std::fread(buffer, 1, 8, in.get()), 8u);
    EXPECT_EQ(std::string(buffer, 8), "song.mod");

    FilePtr out = OpenFile("data\\Created.txt", "wb");
    ASSERT_TRUE(out);
    out.reset();
    EXPECT_TRUE(FileExists(tree.Path("Data/Created.txt")));
    EXPECT_FALSE(OpenFile("missing\\file.txt", "rb"));
}

TEST(FileNames, ExtensionAndFolderArithmeticFollowsBothSeparators) {
    EXPECT_EQ(ChangeFileExt("/opt/game/vortamix", ".ini"), "/opt/game/vortamix.ini");
    EXPECT_EQ(ChangeFileExt("/opt/game/vortamix.exe", ".m3u"), "/opt/game/vortamix.m3u");
    EXPECT_EQ(ChangeFileExt("/opt/v1.2/vortamix", ".ini"), "/opt/v1.2/vortamix.ini");
    EXPECT_EQ(ChangeFileExt("data\\gfx.d\\maps", ".pcx"), "data\\gfx.d\\maps.pcx");
    EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");

    EXPECT_EQ(ExtractFilePath("/opt/game/vortamix"), "/opt/game/");
    EXPECT_EQ(ExtractFilePath("data\\gfx\\maps.pcx"), "data\\gfx\\");
    EXPECT_EQ(ExtractFilePath("maps.pcx"), "");
    EXPECT_EQ(ExtractFileName("/opt/game/vortamix"), "vortamix");
    EXPECT_EQ(ExtractFileName("data\\gfx\\maps.pcx"), "maps.pcx");
    EXPECT_EQ(ExtractFileName("dir/"), "");
}

TEST(FileNames, ExeNameIsTheRunningExecutableUnlessOverridden) {
    std::string real = ExeName();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.front(), '/');
    EXPECT_TRUE(FileExists(real));
    EXPECT_EQ(ExtractFileName(real), "test_platform");

    SetExeName("/opt/vortamix/vortamix");
    EXPECT_EQ(ExeName(), "/opt/vortamix/vortamix");
    EXPECT_EQ(ExeDir(), "/opt/vortamix/");
    SetExeName("");
    EXPECT_EQ(ExeName(), real);
}

TEST(PathResolver, OnlyRegularFilesOpenForReadingAndNothingWaits) {
    TempTree tree;
    tree.Write("Music/Song.WAV", "RIFF");
    std::filesystem::create_directories(tree.Path("Music/Folder"));
    std::filesystem::create_symlink(tree.Path("Music/Song.WAV"), tree.Path("Music/link.wav"));
    ASSERT_EQ(::mkfifo(tree.Path("Music/pipe.wav").c_str(), 0600), 0);
    ScopedCurrentDir cwd(tree.Root());

    FilePtr song = OpenRegularFile("music\\song.wav");
    ASSERT_TRUE(song);
    char bytes[4] = {};
    EXPECT_EQ(std::fread(bytes, 1, 4, song.get()), 4u);
    EXPECT_EQ(std::memcmp(bytes, "RIFF", 4), 0);
    EXPECT_TRUE(OpenRegularFile("music\\link.wav"));
    EXPECT_FALSE(OpenRegularFile("music\\folder"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(OpenRegularFile("music\\pipe.wav"));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(OpenRegularFile("music\\missing.wav"));
    EXPECT_FALSE(OpenRegularFile(""));
}
