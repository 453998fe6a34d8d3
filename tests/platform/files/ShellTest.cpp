#include "platform/files/Shell.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

TEST(Shell, AddressesGoToTheDesktopAsWritten) {
    ScopedShellRecorder shell;
    EXPECT_EQ(ShellExecute("https://vortamix.example/help"), SE_SUCCESS);
    EXPECT_EQ(ShellExecute("mailto:team@vortamix.example"), SE_SUCCESS);
    EXPECT_EQ(shell.Targets(),
              (std::vector<std::string>{"https://vortamix.example/help", "mailto:team@vortamix.example"}));
}

TEST(Shell, FileNamesGoAsResolvedAbsolutePaths) {
    TempTree tree;
    tree.Write("Help/Index.htm", "<html></html>");
    ScopedCurrentDir cwd(tree.Root());
    ScopedShellRecorder shell;

    ShellExecute(".\\help\\index.htm");
    ShellExecute("C:\\missing.txt");
    ShellExecute("");

    ASSERT_EQ(shell.Targets().size(), 3u);
    EXPECT_EQ(shell.Targets()[0], tree.Path("Help/Index.htm"));
    EXPECT_EQ(shell.Targets()[1], tree.Path("C:/missing.txt")) << "one letter before ':' is no scheme";
    EXPECT_EQ(shell.Targets()[2], "") << "an empty name still reaches the shell";
}

TEST(Shell, RefusedTargetsAnswerAnErrorCode) {
    ScopedShellRecorder shell;
    shell.recorder().SetAccepts(false);
    EXPECT_EQ(ShellExecute("https://vortamix.example"), SE_ERR_NOASSOC);
    EXPECT_LE(ShellExecute(""), 32);
}

TEST(Shell, TheDesktopRefusesEmptyNamesAndMissingFilesWithoutLaunchingAnything) {
    TempTree tree;
    ScopedCurrentDir cwd(tree.Root());
    EXPECT_EQ(ShellExecute(""), SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecute("help\\missing.htm"), SE_ERR_NOASSOC);
}
