#include "platform/files/SettingsFile.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DiskCalls.h"
#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

namespace {

// Stands in for the disk calls of the settings files for its scope; with unnamed false, as a
// file system that has no files without a name.
class ScopedDiskCalls : public DiskCalls {
public:
    explicit ScopedDiskCalls(bool unnamed = true) : unnamed_(unnamed) { SetDiskCalls(this); }
    ~ScopedDiskCalls() override { SetDiskCalls(nullptr); }
    int Open(const std::string& path, int flags, mode_t mode) override {
        if (!unnamed_ && (flags & O_TMPFILE) == O_TMPFILE) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return DiskCalls::Open(path, flags, mode);
    }

private:
    bool unnamed_;
};

std::string inodeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return std::to_string(info.st_ino);
}

// Makes every flush and rename and records it: "flush <inode>", "rename <inode> <new name>".
class RecordedDiskCalls : public ScopedDiskCalls {
public:
    using ScopedDiskCalls::ScopedDiskCalls;
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
    DWORD round = 0;
    const std::pair<std::string, std::function<void()>> saves[] = {
        {iniPath, [&] { TIniFile(iniPath).WriteInteger("S", "k", static_cast<int>(++round)); }},
        {RegistryFile(HKEY_CURRENT_USER),
         [&] {
             for (const char* name : {"a", "b"})
                 store.SetValue("Key", name, RegValue::DWord(++round), error, &store);
             store.Commit(&store, error);
         }},
    };
    for (const bool unnamed : {true, false})
        for (const auto& [file, save] : saves) {
            RecordedDiskCalls disk(unnamed);
            save();
            const std::string inode = inodeOf(file);
            EXPECT_EQ(disk.calls,
                      (std::vector<std::string>{"flush " + inode, "rename " + inode + " " + file,
                                                "flush " + inodeOf(scratch.tree.Path("registry"))}))
                << "the data, then the name, then the folder's entry; unnamed files: " << unnamed;
        }
}

// The writer dies after its data are written, before its file takes the settings file's name.
TEST(SettingsFileDurability, AWriterKilledBeforeTheRenameLeavesNothingBehind) {
    TempTree tree;
    const std::string path = tree.Write("v.ini", "[S]\nk=1\n");
    const int probe = open(tree.Root().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "this file system has no files without a name";
    close(probe);
    const pid_t writer = fork();
    if (writer == 0) {
        struct KilledAtTheFlush : ScopedDiskCalls {
            int Flush(int) override { return raise(SIGKILL); }
        } disk;
        std::string error;
        WriteFileAtomically(path, "[S]\nk=2\n", error);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 1)
        << "no temporary file, which nobody could find in a folder that cannot be listed";
    EXPECT_EQ(tree.Read("v.ini"), "[S]\nk=1\n");
}

// Notes the permission bits of every new file at the moment it is made.
class CreationModes : public ScopedDiskCalls {
public:
    using ScopedDiskCalls::ScopedDiskCalls;
    int Open(const std::string& path, int flags, mode_t mode) override {
        const int fd = ScopedDiskCalls::Open(path, flags, mode);
        struct stat made {};
        if (fd >= 0 && fstat(fd, &made) == 0) modes.push_back(made.st_mode & 07777);
        return fd;
    }
    std::vector<mode_t> modes;
};

TEST(SettingsFilePrivacy, APrivateFilesNewFileIsNeverOpenToOthersAndTheFoldersMadeAreTheUsersAlone) {
    ScratchRegistry scratch;
    SetRegistryFolder(scratch.tree.Path("config/vortamix/registry"));
    std::string error;
    RegistryStore& store = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(store.CreateKey("Key", error)) << error;
    for (const char* folder : {"config", "config/vortamix", "config/vortamix/registry"})
        EXPECT_EQ(std::filesystem::status(scratch.tree.Path(folder)).permissions(),
                  std::filesystem::perms(0700))
            << folder;

    const std::string iniPath = scratch.tree.Write("v.ini", "[S]\nk=1\n");
    DWORD secret = 0;
    const std::pair<std::string, std::function<void()>> saves[] = {
        {iniPath, [&] { TIniFile(iniPath).WriteInteger("S", "secret", static_cast<int>(++secret)); }},
        {RegistryFile(HKEY_CURRENT_USER),
         [&] { ASSERT_TRUE(store.SetValue("Key", "secret", RegValue::DWord(++secret), error)) << error; }},
    };
    for (const bool unnamed : {true, false})
        for (const auto& [file, save] : saves) {
            ASSERT_EQ(chmod(file.c_str(), 0600), 0);
            CreationModes disk(unnamed);
            save();
            ASSERT_FALSE(disk.modes.empty());
            for (const mode_t mode : disk.modes)
                EXPECT_EQ(mode & ~mode_t{0600}, 0u)
                    << std::oct << mode << " " << file << ", unnamed: " << unnamed;
            EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600));
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
