#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int keysEach = 300;

// Two processes at once, each storing its own keys one call at a time.
void inTwoProcesses(const std::function<bool(int process, int key)>& store) {
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
        children[process] = fork();
        if (children[process] != 0) continue;
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

TEST(ConcurrentSettingsWriters, TwoProcessesWritingOneFileLoseNoKey) {
    ScratchRegistry scratch;
    const std::string iniPath = scratch.tree.Path("shared.ini");
    inTwoProcesses([&](int process, int key) {
        TIniFile(iniPath).WriteString("Keys", keyName(process, key), "v");
        return true;
    });
    EXPECT_EQ(TIniFile(iniPath).ReadSection("Keys").size(), 2u * keysEach) << "INI file";

    RegistryStore& store = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    std::string error;
    ASSERT_TRUE(store.CreateKey("Keys", error));
    inTwoProcesses([&](int process, int key) {
        return store.SetValue("Keys", keyName(process, key), RegValue::DWord(1), error);
    });
    EXPECT_EQ(store.ValueNames("Keys").size(), 2u * keysEach) << "registry file";
}
