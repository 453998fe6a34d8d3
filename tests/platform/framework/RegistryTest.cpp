#include "platform/framework/Registry.h"

#include "tests/platform/files/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Registry, OpensCreatesAndWalksKeys) {
    ScratchRegistry scratch;
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("Software\\App", false));
    ASSERT_TRUE(registry.OpenKey("Software\\App", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\App");
    ASSERT_TRUE(registry.OpenKey("Sub", true)) << "below the current key";
    EXPECT_EQ(registry.CurrentPath(), "Software\\App\\Sub");
    ASSERT_TRUE(registry.OpenKey("\\Software", false)) << "from the root";
    EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{"App"});
    EXPECT_TRUE(registry.KeyExists("App\\Sub"));
    EXPECT_TRUE(registry.DeleteKey("App"));
    EXPECT_FALSE(registry.KeyExists("App\\Sub"));
}

TEST(Registry, ValuesKeepTheirTypes) {
    ScratchRegistry scratch;
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Values", true));
    registry.WriteString("Text", "hello");
    registry.WriteInteger("Number", -5);
    registry.WriteBool("Flag", true);
    const unsigned char bytes[] = {1, 2, 250};
    registry.WriteBinaryData("Blob", bytes, 3);

    EXPECT_EQ(registry.ReadString("Text"), "hello");
    EXPECT_EQ(registry.ReadInteger("Number"), -5);
    EXPECT_TRUE(registry.ReadBool("Flag"));
    unsigned char back[8] = {};
    EXPECT_EQ(registry.ReadBinaryData("Blob", back, 2), 3) << "answers the whole size";
    EXPECT_EQ(back[1], 2);
    EXPECT_EQ(back[2], 0) << "copies no more than asked";
    EXPECT_EQ(registry.GetDataType("Number"), rdInteger);
    EXPECT_EQ(registry.GetDataSize("Text"), 5);
    EXPECT_EQ(registry.GetDataSize("Missing"), -1);
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_THROW(registry.ReadString("Number"), ERegistryException);
    EXPECT_THROW(registry.ReadInteger("Missing"), ERegistryException);
    EXPECT_TRUE(registry.DeleteValue("Text"));
    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Number", "Flag", "Blob"}));
}

TEST(Registry, ReadAccessNeverCreatesOrWrites) {
    ScratchRegistry scratch;
    TRegistry reader(KEY_READ);
    reader.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reader.OpenKey("Software\\App", true));
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_LOCAL_MACHINE)));

    TRegistry writer;
    writer.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(writer.OpenKey("Software\\App", true));
    writer.WriteString("v", "1");
    ASSERT_TRUE(reader.OpenKey("Software\\App", false));
    EXPECT_EQ(reader.ReadString("v"), "1");
    EXPECT_THROW(reader.WriteString("v", "2"), ERegistryException);
    EXPECT_FALSE(reader.DeleteValue("v"));
    EXPECT_EQ(writer.ReadString("v"), "1");
    EXPECT_THROW(writer.SetRootKey(0x7), ERegistryException);
}

TEST(RegIniFile, SectionsAreSubKeysAndNumbersAreWrittenAsText) {
    ScratchRegistry scratch;
    TRegIniFile ini("Software\\Vortamix");
    ini.WriteInteger("Main", "Count", 3);
    ini.WriteBool("Main", "On", true);
    ini.WriteString("Main\\Sub", "Name", "x");
    EXPECT_EQ(ini.ReadString("Main", "Count", ""), "3");
    EXPECT_EQ(ini.ReadInteger("Main", "Count", 0), 3);
    EXPECT_TRUE(ini.ReadBool("Main", "On", false));
    EXPECT_EQ(ini.ReadInteger("Main", "Missing", 9), 9);
    ini.WriteString("Main", "Word", "seven");
    EXPECT_EQ(ini.ReadInteger("Main", "Word", 9), 9) << "text that is no number reads as the default";
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"Main"});
    EXPECT_EQ(ini.ReadSection("Main"), (std::vector<std::string>{"Count", "On", "Word"}));
    EXPECT_EQ(ini.ReadSectionValues("Main"), (std::vector<std::string>{"Count=3", "On=1", "Word=seven"}));

    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Vortamix\\Main", false));
    raw.WriteInteger("Dword", 12);
    EXPECT_EQ(ini.ReadInteger("Main", "Dword", 0), 12) << "an integer value reads too";

    ini.DeleteKey("Main", "Word");
    EXPECT_FALSE(ini.ValueExists("Main", "Word"));
    ini.EraseSection("Main");
    EXPECT_FALSE(ini.SectionExists("Main"));
    EXPECT_TRUE(ini.ReadSections().empty());
}

TEST(RegIniFile, ReadingAFileThatIsNotThereCreatesNothing) {
    ScratchRegistry scratch;
    TRegIniFile reader("Software\\Nobody", KEY_READ);
    EXPECT_EQ(reader.ReadString("Main", "x", "default"), "default");
    EXPECT_TRUE(reader.ReadSections().empty());
    EXPECT_THROW(reader.WriteString("Main", "x", "y"), ERegistryException);
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_CURRENT_USER)));
}

TEST(Registry, AnObjectsGatheredChangesAreItsOwnWhenAnotherObjectsWriteFails) {
    ScratchRegistry scratch;
    TRegistry filler, gathering;
    ASSERT_TRUE(filler.OpenKey("Big", true));
    ASSERT_TRUE(gathering.OpenKey("Small", true));
    const std::string megabyte(kRegMaxValueSize, 'x'); // three bytes of text a byte
    const auto addMegabyte = [&](const char* name) {
        filler.WriteBinaryData(name, megabyte.data(), static_cast<int>(megabyte.size()));
    };
    for (const char* name : {"1", "2", "3", "4", "5"})
        addMegabyte(name); // 15 MiB of text, near the limit of 16
    gathering.BeginUpdate();
    gathering.WriteString("Kept", "yes");
    EXPECT_THROW(addMegabyte("6"), ERegistryException) << "the store is full";
    EXPECT_NO_THROW(gathering.EndUpdate());
    EXPECT_NE(scratch.FileText(HKEY_CURRENT_USER).find("\"Kept\"=\"yes\""), std::string::npos);
}
