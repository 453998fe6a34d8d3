#include "platform/files/SettingsFile.h"
#include "platform/files/DiskCalls.h"
#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

namespace {

// Stands in for the disk calls of the settings files for its scope.
class ScopedDiskCalls : public DiskCalls {
public:
    ScopedDiskCalls() { SetDiskCalls(this); }
    ~ScopedDiskCalls() override { SetDiskCalls(nullptr); }
};

std::string inodeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return std::to_string(info.st_ino);
}

// Makes every flush and rename and records it: "flush <inode>", "rename <inode> <new name>".
class RecordedDiskCalls : public ScopedDiskCalls {
public:
    int Flush(int fd) override {
        calls.push_back("flush " + inodeOf("/proc/self/fd/" + std::to_string(fd)));
        return DiskCalls::Flush(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        calls.push_back("rename " + inodeOf(from) + " " + to);
        return DiskCalls::Rename(from, to);
    }
    std::vector<std::string> calls;
};

// Gives every file one inode number and timestamps that stand still, with the clock just
// past them: only a file's size and contents can tell a change.
class FrozenFileStatus : public ScopedDiskCalls {
public:
    int Status(const std::string& path, struct stat& info) override {
        return frozen(DiskCalls::Status(path, info), info);
    }
    int Status(int fd, struct stat& info) override { return frozen(DiskCalls::Status(fd, info), info); }
    timespec Now() override { return {1700000000, 501000000}; }

private:
    static int frozen(int result, struct stat& info) {
        info.st_ino = 1;
        info.st_mtim = info.st_ctim = {1700000000, 500000000};
        return result;
    }
};

} // namespace

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
        const std::string inode = inodeOf(file);
        EXPECT_EQ(disk.calls, (std::vector<std::string>{"flush " + inode, "rename " + inode + " " + file,
                                                        "flush " + inodeOf(scratch.tree.Path("registry"))}))
            << "the data, then the name, then the folder's entry";
    }
}

TEST(SettingsFileCache, AChangeThatTheFileStatusDoesNotShowIsSeenAndKept) {
    for (const bool renamedOver : {false, true}) {
        TempTree tree;
        const std::string path = tree.Write("v.ini", "[S]\nk=1\n");
        FrozenFileStatus disk;
        TIniFile ini(path);
        ASSERT_EQ(ini.ReadInteger("S", "k", 0), 1);

        if (renamedOver)
            std::filesystem::rename(tree.Write("new.ini", "[S]\nk=2\n"), path);
        else
            std::fstream(path, std::ios::in | std::ios::out) << "[S]\nk=2\n";

        EXPECT_EQ(ini.ReadInteger("S", "k", 0), 2) << "renamed over: " << renamedOver;
        ini.WriteInteger("S", "j", 3);
        EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=2\nj=3\n") << "the other program's change stays";
    }
}

// Another writer makes the file just after this one found it missing: this one's change
// goes on, onto the file as the other made it.
TEST(SettingsFileCache, AFileMadeWhileItIsReadIsNeverTakenForAnUnreadableOne) {
    struct MadeAtTheLook : ScopedDiskCalls {
        std::function<void()> make;
        int Status(const std::string& path, struct stat& info) override {
            if (make) std::exchange(make, {})();
            return DiskCalls::Status(path, info);
        }
    };
    ScratchRegistry scratch;
    const std::string file = RegistryFile(HKEY_CURRENT_USER);
    MadeAtTheLook disk;
    disk.make = [&] {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file) << "[Other]\n";
    };
    std::string error;
    EXPECT_TRUE(RegistryStore::ForRoot(HKEY_CURRENT_USER)->CreateKey("Mine", error)) << error;
    EXPECT_NE(scratch.FileText(HKEY_CURRENT_USER).find("[Other]"), std::string::npos);
    EXPECT_NE(scratch.FileText(HKEY_CURRENT_USER).find("[Mine]"), std::string::npos);
}
