#include "platform/files/SettingsFile.h"
#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/DiskCallDoubles.h"
#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

TEST(SettingsFileDurability, EveryWriteFlushesItsDataBeforeTheRenameAndTheRenameBeforeItReturns) {
    ScratchRegistry scratch;
    std::string error;
    RegistryStore& store = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(store.CreateKey("Key", error)) << error;
    const std::string iniPath = scratch.tree.Path("registry/v.ini");
    const std::pair<std::string, std::function<void()>> saves[] = {
        {iniPath, [&] { TIniFile(iniPath).WriteString("S", "k", "1"); }},
        {RegistryFile(HKEY_CURRENT_USER),
         [&] {
             for (const char* name : {"a", "b"})
                 store.SetValue("Key", name, RegValue::DWord(2), error, &store);
             store.Commit(&store, error);
         }},
    };
    for (const auto& [file, save] : saves) {
        RecordedDiskCalls disk;
        save();
        struct stat written, folder;
        ASSERT_EQ(stat(file.c_str(), &written), 0);
        ASSERT_EQ(stat(scratch.tree.Path("registry").c_str(), &folder), 0);
        const std::string inode = std::to_string(written.st_ino);
        EXPECT_EQ(disk.calls, (std::vector<std::string>{"flush " + inode, "rename " + inode + " " + file,
                                                        "flush " + std::to_string(folder.st_ino)}))
            << "the data, then the name, then the folder's entry";
    }
}

TEST(SettingsFileCache, AChangeThatTheFileStatusDoesNotShowIsSeenAndKept) {
    const std::pair<const char*, std::function<void(const std::string&)>> changes[] = {
        {"in place",
         [](const std::string& path) { std::fstream(path, std::ios::in | std::ios::out) << "[S]\nk=2\n"; }},
        {"by a new file renamed over it",
         [](const std::string& path) {
             std::ofstream(path + ".new") << "[S]\nk=2\n";
             std::filesystem::rename(path + ".new", path);
         }},
    };
    for (const auto& [how, change] : changes) {
        TempTree tree;
        const std::string path = tree.Write("v.ini", "[S]\nk=1\n");
        FrozenFileStatus disk;
        TIniFile ini(path);
        ASSERT_EQ(ini.ReadInteger("S", "k", 0), 1);

        change(path);

        EXPECT_EQ(ini.ReadInteger("S", "k", 0), 2) << how;
        ini.WriteInteger("S", "j", 3);
        EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=2\nj=3\n") << how << ": the other program's change stays";
    }
}
