#include "toolkit/FileUtil.h"

#include "platform/files/FileOperations.h"
#include "platform/files/UserFolders.h"
#include "platform/framework/Application.h"
#include "platform/framework/FolderDialog.h"
#include "platform/framework/Forms.h"
#include "platform/framework/MessageService.h"
#include "tests/ScopedEnvironment.h"
#include "tests/platform/files/TempTree.h"
#include "tests/platform/files/Undeletable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string oddName = "Caf\xC3\xA9 menu 2.txt";

struct ProgressLog {
    int max = -1, min = -1;
    std::vector<int> positions;
    TCopyProgress sink() {
        return {[this](int v) { max = v; }, [this](int v) { min = v; },
                [this](int v) { positions.push_back(v); }};
    }
};

int runValidator(const std::string& file) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) return 0;
    return std::system(("desktop-file-validate '" + file + "' >/dev/null 2>&1").c_str());
}

} // namespace

TEST(FileNamesToolkit, NormalisesFoldersAndChecksNames) {
    EXPECT_EQ(NormalDir("a"), "a/"); // a folder: there are no drive letters
    EXPECT_EQ(NormalDir("c:"), "c:");
    EXPECT_EQ(NormalDir("data\\gfx"), "data\\gfx\\");
    EXPECT_EQ(NormalDir("/home/me"), "/home/me/");
    EXPECT_EQ(NormalDir("/home/me/"), "/home/me/");
    EXPECT_EQ(NormalDir(""), "");
    EXPECT_EQ(RemoveBackSlash("C:\\"), "C:\\");
    EXPECT_EQ(RemoveBackSlash("/"), "/");
    EXPECT_EQ(RemoveBackSlash("data\\gfx\\"), "data\\gfx");
    EXPECT_EQ(RemoveBackSlash("/tmp/x/"), "/tmp/x");
    EXPECT_FALSE(ValidFileName("a|b.txt"));
    EXPECT_FALSE(ValidFileName(""));
    EXPECT_FALSE(ValidFileName("say \"hi\""));
    EXPECT_TRUE(ValidFileName(oddName));
    EXPECT_TRUE(ValidFileName("dir\\name.txt"));
    EXPECT_EQ(GetTempDir().back(), '/');
    EXPECT_EQ(SplitFileList("a;b|c;;|d e;"), (std::vector<std::string>{"a", "b", "c", "d e"}));
}

TEST(FileNamesToolkit, DiskSpellingOfNamesAndPaths) {
    TempTree tree;
    tree.Write("Data/MixedCase.TXT", "x");
    EXPECT_EQ(ShortToLongFileName(tree.Path("data/mixedcase.txt")), "MixedCase.TXT");
    EXPECT_EQ(LongToShortFileName(tree.Path("DATA\\MIXEDCASE.txt")), "MixedCase.TXT");
    EXPECT_EQ(ShortToLongPath(tree.Path("data/mixedcase.txt")), tree.Path("Data/MixedCase.TXT"));
    EXPECT_EQ(LongToShortPath(tree.Path("data")), tree.Path("Data"));
    EXPECT_EQ(ShortToLongFileName(tree.Path("nothing.txt")), "");
}

TEST(FileFolders, ForceDirectoriesMakesEveryLevel) {
    TempTree tree;
    const std::string deep = tree.Path("a b/\xC3\xA9t\xC3\xA9\\c/");
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirExists(tree.Path("a b/\xC3\xA9t\xC3\xA9/c")));
    EXPECT_TRUE(ForceDirectories(deep));
    tree.Write("file", "x");
    EXPECT_FALSE(ForceDirectories(tree.Path("file/sub")));
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(FileFolders, TheSystemFolderHoldsTheCLibraryTheProgramRunsWith) {
    const std::string system = GetSystemDir();
    EXPECT_TRUE(fs::exists(system + "/libc.so.6") && !system.ends_with('/')) << system;
}

TEST(FileCopyToolkit, ProgressMovesBlockByBlockAndBackToZero) {
    TempTree tree;
    tree.Write("src/" + oddName, std::string(20000, 'p'));
    ProgressLog log;
    CopyFile(tree.Path("src/" + oddName), tree.Path("out/deeper/copy.txt"), log.sink());
    EXPECT_EQ(log.max, 20000);
    EXPECT_EQ(log.min, 0);
    EXPECT_EQ(log.positions, (std::vector<int>{0, 8192, 16384, 20000, 0}));
    EXPECT_EQ(tree.Read("out/deeper/copy.txt"), std::string(20000, 'p'));
    // Into a folder the file keeps its name.
    CopyFile(tree.Path("src/" + oddName), tree.Path("out"));
    EXPECT_EQ(GetFileSize(tree.Path("out/" + oddName)), 20000);
    EXPECT_EQ(GetFileSize(tree.Path("out")), -1);
    EXPECT_EQ(GetFileSize(tree.Path("none")), -1);
}

TEST(FileCopyToolkit, FailuresRaiseAndLeaveTheDestinationAlone) {
    TempTree tree;
    const std::string source = tree.Write("source.txt", "source");
    try {
        CopyFile(tree.Path("missing.txt"), tree.Path("x"));
        ADD_FAILURE();
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message(), "Cannot open file " + tree.Path("missing.txt"));
    }
    // Onto itself, by its own name or through a link: the source keeps every byte.
    ASSERT_EQ(symlink(source.c_str(), tree.Path("alias").c_str()), 0);
    EXPECT_THROW(CopyFile(source, source), EFCreateError);
    EXPECT_THROW(CopyFileEx(source, tree.Path("alias"), true, false), EFCreateError);
    EXPECT_EQ(tree.Read("source.txt"), "source");
    const std::string locked = tree.Write("locked.txt", "locked");
    chmod(locked.c_str(), 0444);
    ProgressLog log;
    EXPECT_THROW(CopyFile(source, locked, log.sink()), EFCreateError);
    EXPECT_THROW(MoveFile(source, locked), EFCreateError);
    EXPECT_EQ(tree.Read("locked.txt"), "locked");
    EXPECT_EQ(log.positions.back(), 0);
    CopyFileEx(source, locked, true, false);
    EXPECT_EQ(tree.Read("locked.txt"), "source");
}

TEST(FileCopyToolkit, TheShellCopyAsksAndRaisesTheSilentAbort) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedMessageRecorder messages;
    tree.Write("a.txt", "new");
    tree.Write("b.txt", "old");
    messages.recorder().SetAnswer(IDCANCEL);
    EXPECT_THROW(CopyFileEx(tree.Path("a.txt"), tree.Path("b.txt"), false, true), EAbort);
    EXPECT_EQ(tree.Read("b.txt"), "old");
    EXPECT_EQ(messages.Records().size(), 1u);
    // Overwriting read-only files asks nothing.
    CopyFileEx(tree.Path("a.txt"), tree.Path("b.txt"), true, true);
    EXPECT_EQ(tree.Read("b.txt"), "new");
    EXPECT_EQ(messages.Records().size(), 1u);
    MoveFileEx(tree.Path("a.txt"), tree.Path("c.txt"), true);
    EXPECT_EQ(tree.Read("c.txt"), "new");
    EXPECT_FALSE(fs::exists(tree.Path("a.txt")));
}

TEST(FileMoveToolkit, MovesAcrossFileSystemsAndKeepsBothWhenTheSourceStays) {
    TempTree tree;
    tree.Write("here/" + oddName, "moving");
    MoveFile(tree.Path("here/" + oddName), tree.Path("there/"));
    EXPECT_EQ(tree.Read("there/" + oddName), "moving");
    EXPECT_FALSE(fs::exists(tree.Path("here/" + oddName)));
    EXPECT_THROW(MoveFile(tree.Path("here/nothing"), tree.Path("x")), EFOpenError);

    // Another file system: the move copies, then deletes the source.
    if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system (/dev/shm) to move to";
    const std::string elsewhere = "/dev/shm/vx-move-" + std::to_string(getpid());
    tree.Write("stuck/file", "both");
    MoveFile(tree.Path("there/" + oddName), elsewhere);
    EXPECT_FALSE(fs::exists(tree.Path("there/" + oddName)));
    EXPECT_EQ(GetFileSize(elsewhere), 6);
    fs::remove(elsewhere);
    ScopedUndeletable lock(tree.Path("stuck"));
    VX_REQUIRE_UNDELETABLE(lock);
    EXPECT_THROW(MoveFile(tree.Path("stuck/file"), elsewhere), EOSError);
    EXPECT_EQ(tree.Read("stuck/file"), "both");
    EXPECT_EQ(GetFileSize(elsewhere), 4);
    fs::remove(elsewhere);
}

TEST(FileMoveToolkit, AMergingMoveLeavesWhatTheUserKeptInTheSourceAndSaysSo) {
    for (const bool moveFileEx : {false, true}) {
        TempTree tree;
        ScopedFileProgressRecorder progress;
        ScopedMessageRecorder messages;
        messages.recorder().SetAnswer(IDNO);
        for (const char* name :
             {"src/f/kept", "src/f/sub/kept", "src/f/sub/moved", "dst/f/kept", "dst/f/sub/kept"})
            tree.Write(name, name);
        TKxFileOperator op(nullptr);
        op.SetOperation(foMove);
        op.SetSource(tree.Path("src/f"));
        op.SetDestination(tree.Path("dst"));
        if (moveFileEx) {
            EXPECT_THROW(MoveFileEx(tree.Path("src/f"), tree.Path("dst"), true), EAbort);
        } else {
            EXPECT_FALSE(op.Execute());
        }
        EXPECT_EQ(tree.Read("src/f/sub/kept") + tree.Read("dst/f/kept") + tree.Read("dst/f/sub/moved"),
                  "src/f/sub/keptdst/f/keptsrc/f/sub/moved");
        EXPECT_FALSE(fs::exists(tree.Path("src/f/sub/moved")));
    }
}

TEST(FileAttributesToolkit, ReadOnlyHiddenFoldersAndLinks) {
    TempTree tree;
    const std::string file = tree.Write("plain", "x");
    const std::string hidden = tree.Write(".hidden", "x");
    chmod(hidden.c_str(), 0444);
    fs::create_directories(tree.Path("dir"));
    ASSERT_EQ(symlink(tree.Path("dir").c_str(), tree.Path("link").c_str()), 0);
    EXPECT_EQ(FileGetAttr(file), faArchive);
    EXPECT_TRUE(HasAttr(hidden, faReadOnly | faHidden));
    EXPECT_FALSE(HasAttr(file, faReadOnly));
    EXPECT_TRUE(HasAttr(tree.Path("dir"), faDirectory));
    EXPECT_TRUE(HasAttr(tree.Path("link"), faDirectory | faSymLink));
    EXPECT_FALSE(HasAttr(tree.Path("none"), 0));
    ASSERT_EQ(mkfifo(tree.Path("pipe").c_str(), 0600), 0);
    EXPECT_TRUE(HasAttr(tree.Path("pipe"), faSysFile));
    EXPECT_GT(FileDateTime(file), 36526.0); // later than 2000
    EXPECT_EQ(FileDateTime(tree.Path("none")), 0.0);
}

TEST(FileDeletionToolkit, MasksDeleteFilesAndLinksButNoFolders) {
    TempTree tree;
    tree.Write("outside/keep.tmp", "k");
    tree.Write("work/a.tmp", "a");
    tree.Write("work/" + oddName, "b");
    tree.Write("work/keep.dat", "c");
    fs::create_directories(tree.Path("work/dir.tmp"));
    ASSERT_EQ(symlink(tree.Path("outside").c_str(), tree.Path("work/link.tmp").c_str()), 0);
    EXPECT_TRUE(DeleteFilesEx({tree.Path("work/*.TMP"), tree.Path("work/Caf*")}));
    EXPECT_FALSE(fs::exists(tree.Path("work/a.tmp")));
    EXPECT_FALSE(fs::exists(tree.Path("work/" + oddName)));
    EXPECT_FALSE(fs::is_symlink(tree.Path("work/link.tmp")));
    EXPECT_TRUE(fs::is_directory(tree.Path("work/dir.tmp")));
    EXPECT_EQ(tree.Read("work/keep.dat"), "c");
    EXPECT_EQ(tree.Read("outside/keep.tmp"), "k");
    EXPECT_FALSE(DeleteFiles(tree.Path("nowhere/*.*")));
    ScopedUndeletable lock(tree.Path("work"));
    VX_REQUIRE_UNDELETABLE(lock);
    EXPECT_FALSE(DeleteFiles(tree.Path("work/*.dat")));
}

TEST(FileDeletionToolkit, ClearDirNeverLeavesTheTree) {
    TempTree tree;
    tree.Write("outside/keep", "k");
    tree.Write("box/a", "a");
    tree.Write("box/sub/b", "b");
    tree.Write("box/sub/deeper/c", "c");
    chmod(tree.Path("box/a").c_str(), 0444);
    chmod(tree.Path("box/sub/deeper").c_str(), 0555);
    ASSERT_EQ(symlink(tree.Path("outside").c_str(), tree.Path("box/sub/link").c_str()), 0);
    EXPECT_TRUE(ClearDir(tree.Path("box"), false));
    EXPECT_TRUE(fs::is_directory(tree.Path("box/sub/deeper")));
    EXPECT_TRUE(fs::is_empty(tree.Path("box/sub/deeper")));
    EXPECT_FALSE(fs::exists(tree.Path("box/a")));
    EXPECT_FALSE(fs::is_symlink(tree.Path("box/sub/link")));
    EXPECT_EQ(tree.Read("outside/keep"), "k");
    EXPECT_TRUE(ClearDir(tree.Path("box/"), true));
    EXPECT_FALSE(fs::exists(tree.Path("box")));
    EXPECT_FALSE(ClearDir(tree.Path("box"), true));
    EXPECT_EQ(tree.Read("outside/keep"), "k");
}

TEST(FileLocksToolkit, LockedBytesAreRefusedToOtherDescriptors) {
    TempTree tree;
    const std::string path = tree.Write("shared", std::string(100, 'x'));
    const int first = open(path.c_str(), O_RDWR);
    const int second = open(path.c_str(), O_RDWR);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_EQ(FileLock(first, 10, 20), 0);
    EXPECT_NE(FileLock(second, 25, 10), 0);
    EXPECT_EQ(FileLock(second, std::int64_t{30}, std::int64_t{10}), 0);
    EXPECT_EQ(FileUnlock(first, 10, 20), 0);
    EXPECT_EQ(FileLock(second, 25, 5), 0);
    EXPECT_EQ(FileLock(first, -1, 5), EINVAL);
    EXPECT_EQ(FileLock(first, 0, 0), EINVAL);
    close(first);
    close(second);
}

TEST(FileLinksToolkit, LinksAreTheDesktopsOwnLinkFiles) {
    TempTree tree;
    ScopedEnvironment home("HOME", tree.Path("home"));
    ScopedEnvironment config("XDG_CONFIG_HOME", tree.Path("config"));
    ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
    const std::string program = tree.Write("bin/my $game", "#!/bin/sh\n");
    chmod(program.c_str(), 0755);
    const std::string document = tree.Write("docs/" + oddName, "text");
    CreateFileLink(program, "Vortamix 100%", CSIDL_PROGRAMS);
    CreateFileLink(document, "Menu", CSIDL_DESKTOPDIRECTORY);
    const std::string launcher = tree.Read("data/applications/Vortamix 100%.desktop");
    EXPECT_NE(launcher.find("Type=Application\n"), std::string::npos) << launcher;
    EXPECT_NE(launcher.find("Exec=\"" + tree.Path("bin") + "/my \\\\$game\"\n"), std::string::npos)
        << launcher;
    EXPECT_NE(launcher.find("Name=Vortamix 100%\n"), std::string::npos);
    const std::string link = tree.Read("home/Desktop/Menu.desktop");
    EXPECT_NE(link.find("Type=Link\nURL=file://" + tree.Path("docs") + "/Caf%C3%A9%20menu%202.txt\n"),
              std::string::npos)
        << link;
    EXPECT_EQ(runValidator(FileLinkPath("Vortamix 100%", CSIDL_PROGRAMS)), 0);
    EXPECT_EQ(runValidator(FileLinkPath("Menu", CSIDL_DESKTOPDIRECTORY)), 0);
    EXPECT_TRUE(HasAttr(FileLinkPath("Menu", CSIDL_DESKTOPDIRECTORY), faArchive));
    EXPECT_THROW(CreateFileLink(document, "../escape", CSIDL_DESKTOPDIRECTORY), EOSError);
    EXPECT_THROW(CreateFileLink(document, "x", CSIDL_NETWORK), EOSError);
    EXPECT_TRUE(DeleteFileLink("Menu", CSIDL_DESKTOPDIRECTORY));
    EXPECT_FALSE(fs::exists(tree.Path("home/Desktop/Menu.desktop")));
    EXPECT_FALSE(DeleteFileLink("Menu", CSIDL_DESKTOPDIRECTORY));
}

TEST(FileOperatorToolkit, CodesAndFlagsAreTheShells) {
    EXPECT_EQ(FileOperationCode(foCopy), 2u);
    EXPECT_EQ(FileOperationCode(foDelete), 3u);
    EXPECT_EQ(FileOperationCode(foMove), 1u);
    EXPECT_EQ(FileOperationCode(foRename), 4u);
    const std::pair<TFileOperFlag, unsigned> flags[] = {
        {flAllowUndo, 0x40},       {flConfirmMouse, 0x2},     {flFilesOnly, 0x80},        {flMultiDest, 0x1},
        {flNoConfirmation, 0x10},  {flNoConfirmMkDir, 0x200}, {flRenameOnCollision, 0x8}, {flSilent, 0x4},
        {flSimpleProgress, 0x100}, {flNoErrorUI, 0x400}};
    for (const auto& [flag, value] : flags)
        EXPECT_EQ(FileOperationFlags({flag}), value) << flag;
    TKxFileOperator op(nullptr);
    EXPECT_EQ(op.Operation(), foCopy);
    EXPECT_EQ(op.Options(), (TFileOperFlags{flAllowUndo, flNoConfirmMkDir}));
}

TEST(FileOperatorToolkit, RunsListsAndRefusesAnEmptyOne) {
    TempTree tree;
    ScopedFileProgressRecorder progress;
    ScopedEnvironment data("XDG_DATA_HOME", tree.Path("data"));
    ScopedCurrentDir here(tree.Root());
    tree.Write("a", "1");
    tree.Write(oddName, "2");
    tree.Write("c", "3");
    TKxFileOperator op(nullptr);
    op.SetOptions({flNoConfirmation, flNoConfirmMkDir, flNoErrorUI});
    op.SetSource(tree.Path("a") + ";" + tree.Path(oddName) + "|" + tree.Path("c"));
    op.SetDestination(tree.Path("copies"));
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(tree.Read("copies/" + oddName), "2");
    EXPECT_EQ(tree.Read("copies/c"), "3");
    op.SetSource(";|");
    EXPECT_FALSE(op.Execute());
    EXPECT_EQ(tree.Read("a"), "1");

    op.SetOperation(foDelete);
    op.SetOptions({flAllowUndo, flNoConfirmation, flNoErrorUI});
    op.SetSource(tree.Path("copies"));
    ASSERT_TRUE(op.Execute());
    EXPECT_FALSE(fs::exists(tree.Path("copies")));
    EXPECT_EQ(tree.Read("data/Trash/files/copies/c"), "3");

    tree.Write("big", std::string(200000, 'b'));
    progress.recorder().CancelAt(1);
    op.SetOperation(foCopy);
    op.SetOptions({flNoConfirmation, flNoConfirmMkDir, flNoErrorUI});
    op.SetSource(tree.Path("big"));
    op.SetDestination(tree.Path("out"));
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(op.Aborted());
    EXPECT_FALSE(fs::exists(tree.Path("out")));
}

TEST(FolderBrowser, PicksAFolderAndFollowsTheSelection) {
    TempTree tree;
    // A name found on disk is taken whole, "\\" and all.
    const std::string inner = "pick me/in\\ner\\";
    fs::create_directories(tree.Path(inner));
    tree.Write("afile", "x");
    ScopedEnvironment home("HOME", tree.Root().string());
    TBrowseFolderDlg browser(nullptr);
    browser.SetDialogText("Where shall the files go?");
    browser.SetFolderName(tree.Path("pick me"));
    std::vector<std::string> seen;
    bool initialized = false;
    browser.OnSelChanged = [&](TObject* sender) {
        EXPECT_EQ(sender, &browser);
        seen.push_back(browser.SelectedName());
    };
    browser.OnInitialized = [&](TObject*) {
        initialized = true;
        TFolderDialog* dialog = TFolderDialog::Active();
        ASSERT_EQ(dialog, browser.Dialog());
        EXPECT_EQ(dialog->Text(), "Where shall the files go?");
        EXPECT_EQ(dialog->RootLabels(), (std::vector<std::string>{"Home", "File System"}));
        EXPECT_FALSE(dialog->HasHelpButton());
        // The folder asked for is selected at the start.
        EXPECT_EQ(dialog->Folder(), tree.Path("pick me"));
        EXPECT_TRUE(dialog->OkEnabled());
        EXPECT_TRUE(dialog->Select(tree.Path(inner)));
        EXPECT_TRUE(dialog->OkEnabled());
        EXPECT_FALSE(dialog->Select("/no/such/place/anywhere"));
        // Centred on the screen.
        const RECT box = dialog->Bounds();
        EXPECT_NEAR((box.left + box.right) / 2, Screen->Width() / 2, 1);
        EXPECT_NEAR((box.top + box.bottom) / 2, Screen->Height() / 2, 1);
        dialog->Accept();
    };
    ASSERT_TRUE(browser.Execute());
    EXPECT_TRUE(initialized);
    EXPECT_EQ(browser.FolderName(), tree.Path(inner));
    EXPECT_EQ(seen.back(), tree.Path(inner));
    EXPECT_EQ(browser.Dialog(), nullptr);
}

TEST(FolderBrowser, HelpCancelAndPosition) {
    TempTree tree;
    ScopedEnvironment home("HOME", tree.Root().string());
    std::vector<int> helped;
    Application->OnHelp = [&](int context) {
        helped.push_back(context);
        return true;
    };
    TBrowseFolderDlg browser(nullptr);
    browser.SetHelpContext(42);
    browser.SetDesktopRoot(false);
    browser.SetFolderName("unchanged");
    browser.OnInitialized = [&](TObject*) {
        TFolderDialog* dialog = browser.Dialog();
        EXPECT_TRUE(dialog->HasHelpButton());
        EXPECT_EQ(dialog->RootLabels().front(), "File System");
        EXPECT_FALSE(dialog->OkEnabled()); // nothing selected yet
        dialog->ClickHelp();
        const RECT bounds = dialog->Bounds();
        EXPECT_GT(bounds.right - bounds.left, 0);
        dialog->Cancel();
    };
    EXPECT_FALSE(browser.Execute());
    Application->OnHelp = nullptr;
    EXPECT_EQ(helped, std::vector<int>{42});
    EXPECT_EQ(browser.FolderName(), "unchanged");

    // The routine form, steered through the GUI thread's queue once the dialog runs.
    fs::create_directories(tree.Path("chosen"));
    std::string folder = "before";
    QueueOnMainThread([&] {
        TFolderDialog* dialog = TFolderDialog::Active();
        ASSERT_NE(dialog, nullptr);
        dialog->Select(tree.Path("chosen"));
        dialog->Accept();
    });
    EXPECT_TRUE(BrowseDirectory(folder, "Choose", 0));
    EXPECT_EQ(folder, tree.Path("chosen"));
    QueueOnMainThread([] { TFolderDialog::Active()->Cancel(); });
    EXPECT_FALSE(BrowseDirectory(folder, "Choose", 0));
    EXPECT_EQ(folder, tree.Path("chosen"));
}
