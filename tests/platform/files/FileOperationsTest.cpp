#include "platform/files/FileOperations.h"
#include "platform/files/FileCopy.h"
#include "platform/files/UserFolders.h"
#include "platform/files/Trash.h"
#include "platform/framework/MessageService.h"

#include "tests/ScopedEnvironment.h"
#include "tests/platform/files/TempTree.h"
#include "tests/platform/files/Undeletable.h"

#include <gtest/gtest.h>

#include <QString>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Names with blanks and UTF-8 letters, as a desktop's files have.
const std::string oddName = "R\xC3\xA9sum\xC3\xA9 final.txt";

std::vector<std::string> leftovers(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".part") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

TShFileOp operation(unsigned func, std::vector<std::string> from, std::vector<std::string> to,
                    unsigned flags) {
    TShFileOp op;
    op.Func = func;
    op.From = std::move(from);
    op.To = std::move(to);
    op.Flags = flags;
    op.ProgressTitle = "Test";
    return op;
}

constexpr unsigned quiet = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

} // namespace

TEST(FileCopy, CopiesBytesPermissionsAndTimeInBlocks) {
    TempTree tree;
    const std::string source = tree.Write(oddName, std::string(20000, 'x'));
    chmod(source.c_str(), 0750);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, source.c_str(), times, 0);
    std::vector<std::int64_t> steps;
    std::int64_t size = 0;
    TCopyHooks hooks;
    hooks.Started = [&](std::int64_t s) { size = s; };
    hooks.Progress = [&](std::int64_t done) {
        steps.push_back(done);
        return true;
    };
    ASSERT_TRUE(CopyFileSafely(source, tree.Path("copy"), 8192, false, hooks));
    EXPECT_EQ(size, 20000);
    EXPECT_EQ(steps, (std::vector<std::int64_t>{8192, 16384, 20000}));
    EXPECT_EQ(tree.Read("copy"), std::string(20000, 'x'));
    struct stat info;
    ASSERT_EQ(stat(tree.Path("copy").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);
    EXPECT_TRUE(leftovers(tree.Root()).empty());
}

TEST(FileCopy, AFileIsNeverCopiedOntoItself) {
    TempTree tree;
    const std::string source = tree.Write("data.bin", "precious");
    ASSERT_EQ(link(source.c_str(), tree.Path("hard").c_str()), 0);
    ASSERT_EQ(symlink(source.c_str(), tree.Path("soft").c_str()), 0);
    for (const std::string& target :
         {source, tree.Path("hard"), tree.Path("soft"), tree.Path("./data.bin")}) {
        const TCopyResult result = CopyFileSafely(source, target, 8192, true);
        EXPECT_EQ(result.Failure, TCopyFailure::SameFile) << target;
        EXPECT_EQ(tree.Read("data.bin"), "precious") << target;
    }
    EXPECT_TRUE(SameFile(source, tree.Path("soft")));
    EXPECT_FALSE(SameFile(source, tree.Path("missing")));
}

TEST(FileCopy, AFailedCopyLeavesTheDestinationAsItWas) {
    TempTree tree;
    const std::string source = tree.Write("big", std::string(100000, 'n'));
    const std::string target = tree.Write("old", "old contents");
    TCopyHooks cancelling;
    cancelling.Progress = [](std::int64_t done) { return done < 30000; };
    EXPECT_EQ(CopyFileSafely(source, target, 8192, true, cancelling).Failure, TCopyFailure::Cancelled);
    EXPECT_EQ(tree.Read("old"), "old contents");
    // The destination's folder goes away in the middle of the copy.
    fs::create_directories(tree.Path("gone"));
    TCopyHooks vanishing;
    vanishing.Progress = [&](std::int64_t done) {
        if (done == 8192) fs::remove_all(tree.Path("gone"));
        return true;
    };
    EXPECT_FALSE(CopyFileSafely(source, tree.Path("gone/new"), 8192, true, vanishing));
    EXPECT_FALSE(fs::exists(tree.Path("gone")));
    // The source goes away in the middle: what was opened is still copied whole.
    TCopyHooks sourceVanishing;
    sourceVanishing.Progress = [&](std::int64_t done) {
        if (done == 8192) fs::remove(source);
        return true;
    };
    EXPECT_TRUE(CopyFileSafely(source, tree.Path("whole"), 8192, true, sourceVanishing));
    EXPECT_EQ(tree.Read("whole").size(), 100000u);
    EXPECT_TRUE(leftovers(tree.Root()).empty());
}

TEST(FileCopy, ReadOnlyDestinationsAndOddSources) {
    TempTree tree;
    const std::string source = tree.Write("new", "new");
    const std::string locked = tree.Write("locked", "kept");
    chmod(locked.c_str(), 0444);
    EXPECT_EQ(CopyFileSafely(source, locked, 8192, false).Failure, TCopyFailure::CreateTarget);
    EXPECT_EQ(tree.Read("locked"), "kept");
    EXPECT_TRUE(CopyFileSafely(source, locked, 8192, true));
    EXPECT_EQ(tree.Read("locked"), "new");
    ASSERT_EQ(mkfifo(tree.Path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(CopyFileSafely(tree.Path("pipe"), tree.Path("out"), 8192, true).Failure,
              TCopyFailure::OpenSource);
    EXPECT_EQ(CopyFileSafely(tree.Path("nothing"), tree.Path("out"), 8192, true).Failure,
              TCopyFailure::OpenSource);
    // Through a link the file it names is replaced, and the link stays a link.
    ASSERT_EQ(symlink(tree.Path("real").c_str(), tree.Path("alias").c_str()), 0);
    tree.Write("real", "before");
    EXPECT_TRUE(CopyFileSafely(source, tree.Path("alias"), 8192, true));
    EXPECT_EQ(tree.Read("real"), "new");
    EXPECT_TRUE(fs::is_symlink(tree.Path("alias")));
}

TEST(FileOperationsCopy, WildcardsIntoAFolderWithProgress) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    tree.Write("src/" + oddName, "abc");
    tree.Write("src/b.txt", "defg");
    tree.Write("src/c.dat", "no");
    fs::create_directories(tree.Path("src/sub.txt"));
    TShFileOp op = operation(FO_COPY, {tree.Path("src/*.TXT")}, {tree.Path("dest")}, quiet | FOF_FILESONLY);
    ASSERT_EQ(SHFileOperation(op), 0);
    EXPECT_EQ(tree.Read("dest/" + oddName), "abc");
    EXPECT_EQ(tree.Read("dest/b.txt"), "defg");
    EXPECT_FALSE(fs::exists(tree.Path("dest/c.dat")));
    EXPECT_FALSE(fs::exists(tree.Path("dest/sub.txt")));
    EXPECT_EQ(progress.recorder().Total(), 7);
    ASSERT_FALSE(progress.recorder().Updates().empty());
    EXPECT_EQ(progress.recorder().Updates().back().done, 7);
    EXPECT_EQ(progress.recorder().Ends(), 1);
}

TEST(FileOperationsCopy, AnEmptySourceListDoesNothing) {
    TempTree tree;
    ScopedCurrentDir here(tree.Root());
    tree.Write("keep.txt", "x");
    for (unsigned func : {FO_COPY, FO_MOVE, FO_DELETE, FO_RENAME}) {
        TShFileOp op = operation(func, {}, {tree.Path("dest")}, quiet);
        EXPECT_EQ(SHFileOperation(op), EINVAL);
    }
    TShFileOp noDestination = operation(FO_COPY, {tree.Path("keep.txt")}, {}, quiet);
    EXPECT_EQ(SHFileOperation(noDestination), EINVAL);
    EXPECT_EQ(tree.Read("keep.txt"), "x");
    EXPECT_FALSE(fs::exists(tree.Path("dest")));
}

TEST(FileOperationsCopy, CollisionsAskReplaceOrRename) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedMessageRecorder messages;
    tree.Write("a.txt", "new");
    tree.Write("dest/a.txt", "old");
    messages.recorder().SetAnswer(IDNO);
    TShFileOp skip = operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("dest")}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(skip), 0);
    EXPECT_EQ(tree.Read("dest/a.txt"), "old");
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_NE(messages.Records()[0].text.find("already exists"), std::string::npos);
    messages.recorder().SetAnswer(IDCANCEL);
    TShFileOp cancel = operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("dest")}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(cancel), ECANCELED);
    EXPECT_TRUE(cancel.AnyOperationsAborted);
    messages.recorder().SetAnswer(IDYES);
    TShFileOp replace = operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("dest")}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(replace), 0);
    EXPECT_EQ(tree.Read("dest/a.txt"), "new");
    TShFileOp rename =
        operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("dest")}, quiet | FOF_RENAMEONCOLLISION);
    EXPECT_EQ(SHFileOperation(rename), 0);
    TShFileOp again =
        operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("dest")}, quiet | FOF_RENAMEONCOLLISION);
    EXPECT_EQ(SHFileOperation(again), 0);
    EXPECT_EQ(tree.Read("dest/a (copy).txt"), "new");
    EXPECT_EQ(tree.Read("dest/a (copy 2).txt"), "new");
    // Copying a file onto itself either fails untouched or makes a copy beside it.
    TShFileOp self = operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("a.txt")}, quiet);
    EXPECT_EQ(SHFileOperation(self), EINVAL);
    EXPECT_EQ(tree.Read("a.txt"), "new");
    TShFileOp selfRenamed =
        operation(FO_COPY, {tree.Path("a.txt")}, {tree.Path("a.txt")}, quiet | FOF_RENAMEONCOLLISION);
    EXPECT_EQ(SHFileOperation(selfRenamed), 0);
    EXPECT_EQ(tree.Read("a (copy).txt"), "new");
}

TEST(FileOperationsCopy, FoldersCopyWithTheirLinksButNeverIntoThemselves) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    tree.Write("outside/secret", "s");
    tree.Write("folder/inner/file", "f");
    ASSERT_EQ(symlink(tree.Path("outside").c_str(), tree.Path("folder/link").c_str()), 0);
    TShFileOp op = operation(FO_COPY, {tree.Path("folder")}, {tree.Path("copy")}, quiet);
    ASSERT_EQ(SHFileOperation(op), 0);
    EXPECT_EQ(tree.Read("copy/inner/file"), "f");
    EXPECT_TRUE(fs::is_symlink(tree.Path("copy/link")));
    TShFileOp intoItself = operation(FO_COPY, {tree.Path("folder")}, {tree.Path("folder/inner")}, quiet);
    EXPECT_EQ(SHFileOperation(intoItself), EINVAL);
    EXPECT_FALSE(fs::exists(tree.Path("folder/inner/folder")));
    TShFileOp ontoItself = operation(FO_MOVE, {tree.Path("folder")}, {tree.Path("folder")}, quiet);
    EXPECT_EQ(SHFileOperation(ontoItself), EINVAL);
    EXPECT_TRUE(fs::exists(tree.Path("folder/inner/file")));
}

TEST(FileOperationsCopy, MissingFoldersAreMadeAfterAsking) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedMessageRecorder messages;
    tree.Write("a", "1");
    tree.Write("b", "2");
    messages.recorder().SetAnswer(IDNO);
    TShFileOp refused =
        operation(FO_COPY, {tree.Path("a"), tree.Path("b")}, {tree.Path("new/deep")}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(refused), ECANCELED);
    EXPECT_FALSE(fs::exists(tree.Path("new")));
    messages.recorder().SetAnswer(IDYES);
    TShFileOp asked =
        operation(FO_COPY, {tree.Path("a"), tree.Path("b")}, {tree.Path("new/deep")}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(asked), 0);
    EXPECT_EQ(tree.Read("new/deep/b"), "2");
    TShFileOp multi = operation(FO_COPY, {tree.Path("a"), tree.Path("b")},
                                {tree.Path("x/one"), tree.Path("y/two")}, quiet | FOF_MULTIDESTFILES);
    EXPECT_EQ(SHFileOperation(multi), 0);
    EXPECT_EQ(tree.Read("x/one"), "1");
    EXPECT_EQ(tree.Read("y/two"), "2");
}

TEST(FileOperationsCopy, CancellingStopsAndLeavesNoPartialFile) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    tree.Write("big", std::string(300000, 'b'));
    progress.recorder().CancelAt(2);
    TShFileOp op = operation(FO_COPY, {tree.Path("big")}, {tree.Path("out")}, quiet);
    EXPECT_EQ(SHFileOperation(op), ECANCELED);
    EXPECT_TRUE(op.AnyOperationsAborted);
    EXPECT_FALSE(fs::exists(tree.Path("out")));
    EXPECT_TRUE(leftovers(tree.Root()).empty());
}

TEST(FileOperationsMove, MovesRenamesAndKeepsBothWhenTheSourceCannotGo) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    tree.Write("from/a", "A");
    TShFileOp move = operation(FO_MOVE, {tree.Path("from/a")}, {tree.Path("to/")}, quiet);
    ASSERT_EQ(SHFileOperation(move), 0);
    EXPECT_FALSE(fs::exists(tree.Path("from/a")));
    EXPECT_EQ(tree.Read("to/a"), "A");
    TShFileOp rename = operation(FO_RENAME, {tree.Path("to/a")}, {"b b"}, quiet);
    ASSERT_EQ(SHFileOperation(rename), 0);
    EXPECT_EQ(tree.Read("to/b b"), "A");
    tree.Write("to/c", "C");
    TShFileOp taken = operation(FO_RENAME, {tree.Path("to/c")}, {"b b"}, quiet);
    EXPECT_EQ(SHFileOperation(taken), EEXIST);
    EXPECT_EQ(tree.Read("to/b b"), "A");

    // A folder merged into an existing one is copied, then its source removed; when the
    // removal cannot happen the copy stays and the source stays too.
    tree.Write("stuck/m/f", "F");
    tree.Write("target/m/g", "G");
    ScopedUndeletable lock(tree.Path("stuck/m"));
    VX_REQUIRE_UNDELETABLE(lock);
    TShFileOp merge = operation(FO_MOVE, {tree.Path("stuck/m")}, {tree.Path("target")}, quiet);
    EXPECT_NE(SHFileOperation(merge), 0);
    EXPECT_EQ(tree.Read("target/m/f"), "F");
    EXPECT_EQ(tree.Read("target/m/g"), "G");
    EXPECT_EQ(tree.Read("stuck/m/f"), "F");
}

TEST(FileOperationsDelete, TreesGoWithoutFollowingLinks) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    tree.Write("outside/keep", "k");
    tree.Write("doomed/sub/file", "x");
    tree.Write("doomed/ro", "r");
    chmod(tree.Path("doomed/ro").c_str(), 0444);
    chmod(tree.Path("doomed/sub").c_str(), 0555);
    ASSERT_EQ(symlink(tree.Path("outside").c_str(), tree.Path("doomed/link").c_str()), 0);
    ASSERT_EQ(symlink(tree.Path("outside/keep").c_str(), tree.Path("doomed/sub/filelink").c_str()), 0);
    TShFileOp op = operation(FO_DELETE, {tree.Path("doomed")}, {}, quiet);
    ASSERT_EQ(SHFileOperation(op), 0);
    EXPECT_FALSE(fs::exists(tree.Path("doomed")));
    EXPECT_EQ(tree.Read("outside/keep"), "k");
    // A link given by name is removed as a link.
    ASSERT_EQ(symlink(tree.Path("outside").c_str(), tree.Path("alias").c_str()), 0);
    EXPECT_EQ(RemoveTree(tree.Path("alias")), 0);
    EXPECT_EQ(tree.Read("outside/keep"), "k");
    EXPECT_EQ(RemoveTree(tree.Path("never-was")), 0);
}

TEST(FileOperationsDelete, AsksFirstUnlessToldNot) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedMessageRecorder messages;
    tree.Write("a", "1");
    tree.Write("b", "2");
    messages.recorder().SetAnswer(IDNO);
    TShFileOp op = operation(FO_DELETE, {tree.Path("a"), tree.Path("b")}, {}, FOF_NOERRORUI);
    EXPECT_EQ(SHFileOperation(op), ECANCELED);
    EXPECT_TRUE(op.AnyOperationsAborted);
    EXPECT_TRUE(fs::exists(tree.Path("a")));
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_NE(messages.Records()[0].text.find("2 items"), std::string::npos);
    TShFileOp missing = operation(FO_DELETE, {tree.Path("zzz")}, {}, quiet);
    EXPECT_EQ(SHFileOperation(missing), ENOENT);
}

TEST(FileOperationsDelete, UndoGoesToTheDesktopsTrash) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
    tree.Write("docs/" + oddName, "first");
    TShFileOp op = operation(FO_DELETE, {tree.Path("docs/" + oddName)}, {}, quiet | FOF_ALLOWUNDO);
    ASSERT_EQ(SHFileOperation(op), 0);
    EXPECT_FALSE(fs::exists(tree.Path("docs/" + oddName)));
    EXPECT_EQ(tree.Read("data/Trash/files/" + oddName), "first");
    const std::string info = tree.Read("data/Trash/info/" + oddName + ".trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
    EXPECT_NE(info.find("/docs/R%C3%A9sum%C3%A9%20final.txt\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;
    // A second file of the same name takes another entry; the first stays.
    tree.Write("docs/" + oddName, "second");
    TShFileOp again = operation(FO_DELETE, {tree.Path("docs/" + oddName)}, {}, quiet | FOF_ALLOWUNDO);
    ASSERT_EQ(SHFileOperation(again), 0);
    EXPECT_EQ(tree.Read("data/Trash/files/" + oddName), "first");
    EXPECT_EQ(tree.Read("data/Trash/files/" + oddName + ".2"), "second");
    EXPECT_TRUE(fs::exists(tree.Path("data/Trash/info/" + oddName + ".2.trashinfo")));
    // A folder goes whole, links and all.
    tree.Write("dir/x", "x");
    std::string error;
    EXPECT_TRUE(MoveToTrash(tree.Path("dir/"), error)) << error;
    EXPECT_EQ(tree.Read("data/Trash/files/dir/x"), "x");
    EXPECT_FALSE(MoveToTrash(tree.Path("nothing"), error));
    EXPECT_FALSE(error.empty());
}

TEST(FileOperationsWildcards, MatchLikeTheDesktop) {
    EXPECT_TRUE(MatchesWildcard("README", "*.*"));
    EXPECT_TRUE(MatchesWildcard("photo.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesWildcard("a.b.c", "a*c"));
    EXPECT_TRUE(MatchesWildcard("abc", "a?c"));
    EXPECT_FALSE(MatchesWildcard("ac", "a?c"));
    EXPECT_FALSE(MatchesWildcard("abcd", "*c"));
    EXPECT_TRUE(MatchesWildcard("", "*"));
}

TEST(FileOperationsWildcards, NamesFoundOnDiskAreNeverSplitAgain) {
    const struct {
        unsigned func, flags;
        const char* landed;
    } cases[] = {{FO_COPY, 0, "dst/a\\b.txt"},
                 {FO_COPY, FOF_RENAMEONCOLLISION, "dst/a\\b (copy).txt"},
                 {FO_MOVE, 0, "dst/a\\b.txt"},
                 {FO_DELETE, 0, nullptr},
                 {FO_DELETE, FOF_ALLOWUNDO, "data/Trash/files/a\\b.txt"}};
    for (const auto& c : cases) {
        TempTree tree;
        ScopedFileProgressRecorder progress;
        ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
        for (const char* name : {"src/a\\b.txt", "src/b.txt", "dst/b.txt", "dst/a\\b.txt"})
            tree.Write(name, name);
        TShFileOp op = operation(c.func, {tree.Path("src/a*")}, {tree.Path("dst")}, quiet | c.flags);
        EXPECT_EQ(SHFileOperation(op), 0) << c.func;
        EXPECT_EQ(tree.Read("src/b.txt") + tree.Read("dst/b.txt"), "src/b.txtdst/b.txt") << c.func;
        EXPECT_EQ(c.landed ? tree.Read(c.landed) : "src/a\\b.txt", "src/a\\b.txt") << c.func;
    }
}

TEST(FileOperationsNames, NamesAsLongAsTheFileSystemAllowsCopyAndGoToTheTrash) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
    std::string name = "x"; // two-byte letters up to the limit, so that a cut can fall inside one
    while (name.size() + 2 <= static_cast<std::size_t>(pathconf(tree.Root().c_str(), _PC_NAME_MAX)))
        name += "\xC3\xA9";
    const std::string source = tree.Write("src/" + name, "long");
    for (unsigned flags : {0u, FOF_RENAMEONCOLLISION, FOF_ALLOWUNDO}) {
        TShFileOp op = operation(flags == FOF_ALLOWUNDO ? FO_DELETE : FO_COPY, {source}, {tree.Path("dst/")},
                                 quiet | flags);
        EXPECT_EQ(SHFileOperation(op), 0) << flags;
    }
    std::string made;
    for (const char* folder : {"dst", "data/Trash/files", "data/Trash/info"})
        for (const auto& entry : fs::directory_iterator(tree.Path(folder)))
            made += entry.path().filename().string() + "/";
    // Four names, each shortened (if at all) to whole letters.
    EXPECT_EQ(std::count(made.begin(), made.end(), '/'), 4) << made;
    EXPECT_EQ(QString::fromUtf8(made).toUtf8().toStdString(), made);
}

TEST(SpecialFolders, FollowTheFreedesktopUserDirectories) {
    TempTree tree;
    ScopedEnvironment home("HOME", tree.Path("home"));
    ScopedEnvironment config("XDG_CONFIG_HOME", tree.Path("config"));
    ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
    tree.Write("config/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                        "XDG_MUSIC_DIR=\"/srv/music\"\n");
    EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), tree.Path("home") + "/Schreibtisch");
    EXPECT_EQ(SpecialFolderPath(CSIDL_MYMUSIC), "/srv/music");
    EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), tree.Path("home") + "/Documents");
    EXPECT_EQ(SpecialFolderPath(CSIDL_PROGRAMS), tree.Path("data") + "/applications");
    EXPECT_EQ(SpecialFolderPath(CSIDL_STARTUP), tree.Path("config") + "/autostart");
    EXPECT_EQ(SpecialFolderPath(CSIDL_PROFILE), tree.Path("home"));
    EXPECT_EQ(SpecialFolderPath(CSIDL_NETWORK), "");
}
