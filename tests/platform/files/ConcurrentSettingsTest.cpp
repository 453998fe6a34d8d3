#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/OtherUser.h"
#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int keysEach = 300;

// Two processes at once, each storing its own keys one call at a time. The administrator,
// whom permissions do not stop, has them run as an ordinary user, so that the folder's
// permissions hold for them as they do for a user.
void inTwoProcesses(const std::function<bool(int process, int key)>& store) {
    const OtherUser user;
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
        children[process] = fork();
        if (children[process] != 0) continue;
        if (geteuid() == 0 && (setgid(user.gid) != 0 || setuid(user.uid) != 0)) _exit(2);
        bool stored = true;
        try {
            for (int key = 0; key < keysEach; ++key)
                stored = store(process, key) && stored;
        } catch (const Exception&) {
            stored = false;
        }
        _exit(stored ? 0 : 1);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every write reported success";
    }
}

std::string keyName(int process, int key) {
    return "p" + std::to_string(process) + "k" + std::to_string(key);
}

} // namespace

// The folder's mode: 0333 lets the writers add to it but not list it.
class ConcurrentSettingsWriters : public testing::TestWithParam<mode_t> {};

TEST_P(ConcurrentSettingsWriters, TwoProcessesWritingOneFileLoseNoKey) {
    ScratchRegistry scratch;
    const std::string folder = scratch.tree.Path("registry");
    std::filesystem::create_directories(folder);
    if (geteuid() == 0) (void)chown(folder.c_str(), OtherUser().uid, OtherUser().gid);
    chmod(folder.c_str(), GetParam());
    const std::string iniPath = scratch.tree.Path("registry/shared.ini");
    inTwoProcesses([&](int process, int key) {
        TIniFile(iniPath).WriteString("Keys", keyName(process, key), "v");
        return true;
    });
    EXPECT_EQ(TIniFile(iniPath).ReadSection("Keys").size(), 2u * keysEach) << "INI file";

    RegistryStore& store = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    std::string error;
    inTwoProcesses([&](int process, int key) {
        return store.CreateKey("Keys", error) &&
               store.SetValue("Keys", keyName(process, key), RegValue::DWord(1), error);
    });
    EXPECT_EQ(store.ValueNames("Keys").size(), 2u * keysEach) << "registry file";
    chmod(folder.c_str(), 0755); // so that it can be cleared away
}

INSTANTIATE_TEST_SUITE_P(FolderModes, ConcurrentSettingsWriters, testing::Values(0755, 0333));
