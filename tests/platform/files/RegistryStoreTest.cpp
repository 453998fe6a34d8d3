#include "platform/files/RegistryStore.h"

#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace {

std::string valueText(const RegistryTree& tree, const char* path, const char* name) {
    auto value = tree.Value(path, name);
    return value ? value->data : "<none>";
}

} // namespace

TEST(RegistryTree, EveryValueAndKeyReadsBackFromItsText) {
    RegistryTree tree;
    const std::string awkward = "quote \" back \\ line\nbreak\r tab\t bell\a del\x7f nul" +
                                std::string(1, '\0') + " \xc3\xa9t\xc3\xa9";
    ASSERT_TRUE(tree.CreateKey("Software\\Vortamix\\Main"));
    ASSERT_TRUE(tree.CreateKey("Software\\Empty"));
    ASSERT_TRUE(tree.SetValue("Software\\Vortamix\\Main", "NormPos", RegValue::String("1,2,3,4")));
    ASSERT_TRUE(tree.SetValue("Software\\Vortamix\\Main", "Awkward \"name\"=x", RegValue::String(awkward)));
    ASSERT_TRUE(tree.SetValue("Software\\Vortamix\\Main", "Flags", RegValue::DWord(0xDEADBEEF)));
    ASSERT_TRUE(
        tree.SetValue("Software\\Vortamix\\Main", "Blob", RegValue::Binary(std::string("\x00\x01\xff", 3))));
    ASSERT_TRUE(tree.SetValue("Software\\Vortamix\\Main", "", RegValue::String("unnamed")));
    ASSERT_TRUE(tree.SetValue("Software\\Vortamix\\Main", "Empty", RegValue::Binary("")));

    const RegistryTree back = RegistryTree::Parse(tree.Text());
    EXPECT_EQ(back.Text(), tree.Text());
    EXPECT_EQ(back.ValueNames("Software\\Vortamix\\Main"),
              (std::vector<std::string>{"NormPos", "Awkward \"name\"=x", "Flags", "Blob", "", "Empty"}));
    EXPECT_EQ(valueText(back, "Software\\Vortamix\\Main", "awkward \"NAME\"=x"), awkward);
    EXPECT_EQ(back.Value("software\\VORTAMIX\\main", "flags")->AsDWord(), 0xDEADBEEFu);
    EXPECT_EQ(*back.Value("Software\\Vortamix\\Main", "Blob"),
              RegValue::Binary(std::string("\x00\x01\xff", 3)));
    EXPECT_TRUE(back.KeyExists("Software\\Empty")) << "an empty key is kept";
    EXPECT_EQ(back.SubKeyNames("Software"), (std::vector<std::string>{"Vortamix", "Empty"}));
}

TEST(RegistryTree, AHandEditedOrDamagedFileIsReadAsFarAsItMakesSense) {
    const std::string text = "; a comment\r\n"
                             "\"AtTheRoot\"=\"root value\"\r\n"
                             "  [Software\\App]  \r\n"
                             "\"Good\" = \"kept\"\n"
                             "\"Good\"=\"a second one is ignored\"\n"
                             "\"Unterminated=\"oops\n"
                             "\"NoEquals\" \"x\"\n"
                             "\"BadDword\"=dword:123456789\n"
                             "\"BadHex\"=hex:zz\n"
                             "\"Trailing\"=\"x\" junk\n"
                             "garbage line\n"
                             "\"Number\"=DWORD:0000002a\n"
                             "[Software\\App\\]]Odd]\n"
                             "\"InOdd\"=\"y\"\n"
                             "[Broken header\n"
                             "\"Lost\"=\"because its key is unreadable\"\n"
                             "[software\\app]\n"
                             "\"Later\"=hex: 0a , 0B\n"
                             "@=\"default\"";
    const RegistryTree tree = RegistryTree::Parse(text);
    EXPECT_EQ(valueText(tree, "", "AtTheRoot"), "root value");
    EXPECT_EQ(tree.ValueNames("Software\\App"), (std::vector<std::string>{"Good", "Number", "Later", ""}));
    EXPECT_EQ(valueText(tree, "Software\\App", "Good"), "kept");
    EXPECT_EQ(tree.Value("Software\\App", "Number")->AsDWord(), 42u);
    EXPECT_EQ(valueText(tree, "Software\\App", "Later"), "\x0a\x0b");
    EXPECT_EQ(valueText(tree, "Software\\App", ""), "default");
    EXPECT_EQ(valueText(tree, "Software\\App\\]]Odd", "InOdd"), "y") << "a name may hold ']'";
    EXPECT_EQ(tree.SubKeyNames("Software"), std::vector<std::string>{"App"})
        << "the repeated key adds to the first";
}

TEST(RegistryTree, NamesDepthAndSizesHaveLimits) {
    RegistryTree tree;
    EXPECT_FALSE(tree.CreateKey(std::string(kRegMaxKeyName + 1, 'k')));
    EXPECT_TRUE(tree.CreateKey(std::string(kRegMaxKeyName, 'k')));
    EXPECT_FALSE(tree.CreateKey("line\nbreak"));
    std::string deep;
    for (std::size_t i = 0; i <= kRegMaxDepth; ++i)
        deep += "d\\";
    EXPECT_FALSE(tree.CreateKey(deep));
    EXPECT_FALSE(tree.SetValue("", std::string(kRegMaxValueName + 1, 'n'), RegValue::String("x")));
    EXPECT_FALSE(tree.SetValue("", "big", RegValue::String(std::string(kRegMaxValueSize + 1, 'x'))));
    EXPECT_FALSE(tree.SetValue("Missing", "x", RegValue::String("x")));
    EXPECT_FALSE(tree.DeleteKey("")) << "the root stays";

    // The same limits hold for what a file says: the deep key is left out with its values.
    const RegistryTree read = RegistryTree::Parse("[" + deep + "]\n\"v\"=\"x\"\n[ok]\n\"v\"=\"y\"\n");
    EXPECT_EQ(read.SubKeyNames(""), std::vector<std::string>{"ok"});
}

TEST(RegistryTree, DeletingAKeyTakesEverythingBelowIt) {
    RegistryTree tree;
    tree.CreateKey("A\\B\\C");
    tree.SetValue("A\\B\\C", "v", RegValue::String("x"));
    tree.CreateKey("A\\Other");
    EXPECT_TRUE(tree.DeleteKey("a\\b"));
    EXPECT_FALSE(tree.KeyExists("A\\B\\C"));
    EXPECT_TRUE(tree.KeyExists("A\\Other"));
    EXPECT_FALSE(tree.DeleteKey("A\\B"));
    EXPECT_TRUE(tree.SetValue("A", "v", RegValue::String("1")));
    EXPECT_TRUE(tree.DeleteValue("A", "V"));
    EXPECT_FALSE(tree.DeleteValue("A", "V"));
}

TEST(RegistryStore, KeepsEachRootInItsOwnFileInTheSettingsFolder) {
    ScratchRegistry scratch;
    std::string error;
    RegistryStore& user = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    RegistryStore& machine = *RegistryStore::ForRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(user.CreateKey("Software\\Test", error)) << error;
    ASSERT_TRUE(user.SetValue("Software\\Test", "Where", RegValue::String("user"), error)) << error;
    ASSERT_TRUE(machine.CreateKey("Software\\Test", error)) << error;
    EXPECT_EQ(scratch.FileText(HKEY_CURRENT_USER), "[Software]\n\n[Software\\Test]\n\"Where\"=\"user\"\n");
    EXPECT_FALSE(machine.Value("Software\\Test", "Where").has_value());
    EXPECT_EQ(RegistryStore::ForRoot(0x12345), nullptr);
    EXPECT_FALSE(user.SetValue("Software\\Missing", "x", RegValue::String("x"), error));
    EXPECT_FALSE(error.empty());
}

TEST(RegistryStore, SeesChangesMadeToTheFileByOthers) {
    ScratchRegistry scratch;
    RegistryStore& user = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    EXPECT_FALSE(user.KeyExists("Edited"));
    scratch.WriteFile(HKEY_CURRENT_USER, "[Edited]\n\"v\"=\"by hand\"\n");
    EXPECT_EQ(user.Value("Edited", "v")->data, "by hand");
    std::string error;
    ASSERT_TRUE(user.SetValue("Edited", "w", RegValue::DWord(7), error)) << error;
    EXPECT_EQ(scratch.FileText(HKEY_CURRENT_USER), "[Edited]\n\"v\"=\"by hand\"\n\"w\"=dword:00000007\n");
}

TEST(RegistryStore, AFileThatIsNoRegularFileReadsAsEmptyAndCannotBeReplaced) {
    ScratchRegistry scratch;
    std::filesystem::create_directories(scratch.tree.Path("registry"));
    ASSERT_EQ(mkfifo(RegistryFile(HKEY_USERS).c_str(), 0600), 0);
    RegistryStore& users = *RegistryStore::ForRoot(HKEY_USERS);
    EXPECT_FALSE(users.KeyExists("Anything")) << "a FIFO is not opened (it would block)";
    std::string error;
    EXPECT_FALSE(users.CreateKey("Anything", error));
    EXPECT_EQ(error, RegistryFile(HKEY_USERS) + ": not a regular file but a FIFO");
}

TEST(RegistryStore, NeverGrowsPastItsLimit) {
    ScratchRegistry scratch;
    RegistryStore& config = *RegistryStore::ForRoot(HKEY_CURRENT_CONFIG);
    std::string error;
    ASSERT_TRUE(config.CreateKey("Big", error));
    const RegValue megabyte =
        RegValue::Binary(std::string(kRegMaxValueSize, '\x5a')); // three bytes a byte as text
    int written = 0;
    while (written < 10 && config.SetValue("Big", "v" + std::to_string(written), megabyte, error))
        ++written;
    EXPECT_EQ(written, 5);
    EXPECT_EQ(error, "the settings store is full");
    EXPECT_LE(std::filesystem::file_size(RegistryFile(HKEY_CURRENT_CONFIG)), kRegMaxFileSize);
    EXPECT_EQ(config.ValueNames("Big").size(), 5u) << "the refused write changed nothing";
}

TEST(RegistryStore, AFileLongerThanTheLimitIsReadUpToIt) {
    ScratchRegistry scratch;
    std::string text = "[Head]\n\"first\"=\"read\"\n";
    text += "\"filler\"=\"" + std::string(kRegMaxFileSize, 'f') + "\"\n";
    text += "\"beyond\"=\"not read\"\n";
    scratch.WriteFile(HKEY_CLASSES_ROOT, text);
    RegistryStore& classes = *RegistryStore::ForRoot(HKEY_CLASSES_ROOT);
    EXPECT_EQ(classes.ValueNames("Head"), std::vector<std::string>{"first"});
    std::string error;
    EXPECT_FALSE(classes.SetValue("Head", "second", RegValue::String("x"), error))
        << "writing what was read would lose the rest";
    EXPECT_NE(error.find("larger than 16 MiB"), std::string::npos) << error;
    EXPECT_EQ(std::filesystem::file_size(RegistryFile(HKEY_CLASSES_ROOT)), text.size());
}

// A write that returns without an error is in the file, whatever other writers gathered or
// removed meanwhile; one that cannot be made fails naming its key, and the rest of its
// writer's changes are written.
TEST(RegistryStore, AWriteTheFileCannotTakeFailsNamingItsKey) {
    ScratchRegistry scratch;
    RegistryStore& store = *RegistryStore::ForRoot(HKEY_CURRENT_USER);
    std::string error;
    const int gathering = 0, other = 0;
    ASSERT_TRUE(store.CreateKey("Gathered", error, &gathering)) << error;
    ASSERT_TRUE(store.SetValue("Gathered", "pending", RegValue::DWord(1), error, &gathering)) << error;
    ASSERT_TRUE(store.KeyExists("Gathered")) << "this process sees what is gathered";
    EXPECT_FALSE(store.SetValue("Gathered", "v", RegValue::String("x"), error)) << "written at once";
    EXPECT_NE(error.find("the key 'Gathered'"), std::string::npos) << error;
    EXPECT_FALSE(store.DeleteValue("Gathered", "pending", error));
    EXPECT_NE(error.find("the value 'pending' of the key 'Gathered'"), std::string::npos) << error;
    EXPECT_FALSE(store.Value("Gathered", "v").has_value());
    ASSERT_TRUE(store.Commit(&gathering, error)) << error;
    EXPECT_TRUE(store.Value("Gathered", "pending").has_value());

    scratch.WriteFile(HKEY_CURRENT_USER, "[Removed]\n[Kept]\n");
    for (const char* name : {"lost", "also lost"})
        ASSERT_TRUE(store.SetValue("Removed", name, RegValue::DWord(2), error, &gathering)) << error;
    ASSERT_TRUE(store.SetValue("Kept", "saved", RegValue::DWord(3), error, &gathering)) << error;
    ASSERT_TRUE(store.CreateKey("Kept\\Other", error, &other)) << error;
    scratch.WriteFile(HKEY_CURRENT_USER, "[Kept]\n"); // another program removes the key
    EXPECT_FALSE(store.Commit(&gathering, error));
    EXPECT_EQ(error, RegistryFile(HKEY_CURRENT_USER) + " has no key 'Removed' for 'lost', 'also lost'");
    EXPECT_EQ(scratch.FileText(HKEY_CURRENT_USER), "[Kept]\n\"saved\"=dword:00000003\n");
    EXPECT_TRUE(store.KeyExists("Kept\\Other")) << "another writer's change stays gathered";
}
