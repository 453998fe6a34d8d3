#include "platform/files/VersionBlock.h"
#include "platform/files/ElfSection.h"
#include "platform/files/FileNames.h"
#include "tests/platform/files/ElfTestImage.h"
#include "tests/platform/files/TempTree.h"
#include "tests/platform/files/TestVersionResource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

VersionBlock sampleBlock() {
    VersionBlock block;
    block.numbers = {{1, 2, 0, 7}, {65535, 0, 1, 2}, 0x0409, 1252};
    block.strings = {{"FileVersion", "1.2 (build 7)"},
                     {"LegalCopyright", "Copyright \xA9 1999"},
                     {"Comments", ""},
                     {"FileVersion", "second, never seen"}};
    return block;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void putWordAt(std::vector<unsigned char>& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

} // namespace

TEST(VersionBlock, EncodedBlockParsesBackToTheSameNumbersAndStrings) {
    VersionBlock block = sampleBlock();
    std::optional<VersionBlock> parsed = ParseVersionBlock(EncodeVersionBlock(block));

    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->numbers, block.numbers);
    EXPECT_EQ(parsed->strings, block.strings);
    ASSERT_NE(parsed->Find("FileVersion"), nullptr);
    EXPECT_EQ(*parsed->Find("FileVersion"), "1.2 (build 7)");
    EXPECT_EQ(parsed->Find("fileversion"), nullptr);
    EXPECT_EQ(parsed->Find("ProductName"), nullptr);
}

TEST(VersionBlock, CompileTimeBlockEqualsTheRuntimeEncoding) {
    constexpr auto built =
        BuildVersionBlock<VersionBlockSize(TestVersionStrings)>(TestVersionNumbers, TestVersionStrings);
    VersionBlock block;
    block.numbers = TestVersionNumbers;
    for (const VersionString& entry : TestVersionStrings)
        block.strings.emplace_back(std::string(entry.key), std::string(entry.value));

    std::vector<unsigned char> encoded = EncodeVersionBlock(block);
    EXPECT_EQ(std::vector<unsigned char>(built.begin(), built.end()), encoded);
    EXPECT_EQ(std::string(encoded.begin(), encoded.begin() + 4), "VXVB");
}

TEST(VersionBlock, EveryTruncationIsRejected) {
    std::vector<unsigned char> encoded = EncodeVersionBlock(sampleBlock());
    for (std::size_t length = 0; length < encoded.size(); ++length)
        EXPECT_FALSE(ParseVersionBlock(std::span(encoded.data(), length))) << length;
}

TEST(VersionBlock, PaddingAfterTheBlockIsIgnored) {
    std::vector<unsigned char> encoded = EncodeVersionBlock(sampleBlock());
    encoded.resize(encoded.size() + 13, 0);
    EXPECT_TRUE(ParseVersionBlock(encoded));
}

TEST(VersionBlock, CorruptHeadersAndStringTablesAreRejected) {
    const std::vector<unsigned char> good = EncodeVersionBlock(sampleBlock());
    const unsigned size = static_cast<unsigned>(good.size());
    struct Corruption {
        const char* what;
        std::size_t at;
        unsigned value;
    };
    const Corruption corruptions[] = {
        {"magic", 0, 'X'},
        {"format", 4, 2},
        {"more strings than the block holds", 6, 5},
        {"fewer strings than the block holds", 6, 3},
        {"size beyond the data", 8, size + 1},
        {"size below the header", 8, 31},
        {"size cutting the last string", 8, size - 1},
        {"size in the high half", 10, 1},
        {"key length past the end", 32, 0xFFFF},
        {"value length past the end", 34, 0xFFFF},
    };
    for (const Corruption& corruption : corruptions) {
        std::vector<unsigned char> bad = good;
        if (corruption.at == 0)
            bad[0] = static_cast<unsigned char>(corruption.value);
        else
            putWordAt(bad, corruption.at, corruption.value);
        EXPECT_FALSE(ParseVersionBlock(bad)) << corruption.what;
    }
}

TEST(VersionBlock, FieldsLongerThanSixteenBitsCannotBeEncoded) {
    VersionBlock block;
    block.strings = {{"Comments", std::string(70000, 'x')}};
    EXPECT_THROW(EncodeVersionBlock(block), std::length_error);
}

TEST(ElfSection, FindsTheNamedSectionAmongOthers) {
    std::vector<unsigned char> image = MakeElfImage(
        {{".text", {1, 2, 3}}, {".vxversion.old", {9}}, {".vxversion", {4, 5, 6, 7}}, {".bss", {0, 0}, 8}});

    EXPECT_EQ(FindElfSection(image, ".vxversion"), (std::vector<unsigned char>{4, 5, 6, 7}));
    EXPECT_EQ(FindElfSection(image, ".text"), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_FALSE(FindElfSection(image, ".vxver"));
    EXPECT_FALSE(FindElfSection(image, ".bss")) << "a section without file data has no contents";
    EXPECT_FALSE(FindElfSection(image, ".data"));
}

TEST(ElfSection, EveryTruncatedImageAnswersNoSection) {
    std::vector<unsigned char> image = MakeElfImage({{".vxversion", {4, 5, 6, 7}}});
    for (std::size_t length = 0; length < image.size(); ++length)
        EXPECT_FALSE(FindElfSection(std::span(image.data(), length), ".vxversion")) << length;
}

TEST(ElfSection, HostileHeadersNeverReadOutsideTheImage) {
    const std::vector<unsigned char> good = MakeElfImage({{".vxversion", {4, 5, 6, 7}}});
    const std::size_t headers = good.size() - 3 * 64;
    struct Patch {
        const char* what;
        std::size_t at;
        std::uint64_t value;
        int bytes;
    };
    const Patch patches[] = {
        {"32-bit class", 4, 1, 1},
        {"big-endian data", 5, 2, 1},
        {"section table past the end", 40, good.size(), 8},
        {"section table offset wraps", 40, ~std::uint64_t{0} - 10, 8},
        {"short section headers", 58, 40, 2},
        {"too many sections", 60, 4000, 2},
        {"name table index out of range", 62, 3, 2},
        {"extended name table index without section zero", 62, 0xFFFF, 2},
        {"data offset past the end", headers + 64 + 24, good.size() - 2, 8},
        {"data size wraps", headers + 64 + 32, ~std::uint64_t{0}, 8},
        {"data larger than a section may be", headers + 64 + 32, MaxElfSectionSize + 1, 8},
        {"name offset past the table", headers + 64, 1000, 4},
        {"name table past the end", headers + 128 + 24, good.size(), 8},
    };
    for (const Patch& patch : patches) {
        std::vector<unsigned char> bad = good;
        elftest_detail::put(bad, patch.at, patch.value, patch.bytes);
        EXPECT_FALSE(FindElfSection(bad, ".vxversion")) << patch.what;
    }
}

TEST(ElfSection, ExtendedSectionCountsAreFollowed) {
    std::vector<unsigned char> image = MakeElfImage({{".vxversion", {4, 5}}});
    std::size_t headers = image.size() - 3 * 64;
    elftest_detail::put(image, 60, 0, 2);      // count lives in section zero's size
    elftest_detail::put(image, 62, 0xFFFF, 2); // name table index in its link
    elftest_detail::put(image, headers + 32, 3, 8);
    elftest_detail::put(image, headers + 40, 2, 4);
    EXPECT_EQ(FindElfSection(image, ".vxversion"), (std::vector<unsigned char>{4, 5}));
}

TEST(VersionBlockFile, FilesWithoutABlockAnswerNone) {
    TempTree tree;
    tree.Write("readme.txt", "Vortamix\n");
    std::vector<unsigned char> other = MakeElfImage({{".text", {1}}});
    writeBytes(tree.Path("other.elf"), other);

    EXPECT_FALSE(ReadVersionBlock(tree.Path("readme.txt")));
    EXPECT_FALSE(ReadVersionBlock(tree.Path("other.elf")));
    EXPECT_FALSE(ReadVersionBlock(tree.Path("missing")));
    EXPECT_FALSE(ReadVersionBlock(tree.Root().string()));
    EXPECT_FALSE(ReadVersionBlock("/bin/sh"));
}

TEST(VersionBlockFile, BlockInAnElfFileIsFoundThroughTheResolver) {
    TempTree tree;
    VersionBlock block = sampleBlock();
    writeBytes(tree.Path("Tool.ELF"),
               MakeElfImage({{".text", {1}}, {".vxversion", EncodeVersionBlock(block)}}));

    std::optional<VersionBlock> read = ReadVersionBlock(tree.Root().string() + "/tool.elf");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->strings, block.strings);
}

TEST(VersionBlockFile, CorruptBlockInAValidElfFileAnswersNone) {
    TempTree tree;
    std::vector<unsigned char> encoded = EncodeVersionBlock(sampleBlock());
    encoded.resize(encoded.size() - 1);
    writeBytes(tree.Path("bad"), MakeElfImage({{".vxversion", encoded}}));
    EXPECT_FALSE(ReadVersionBlock(tree.Path("bad")));
}

TEST(VersionBlockFile, TheTestProgramCarriesItsOwnEmbeddedBlock) {
    std::optional<VersionBlock> own = ReadVersionBlock(ExeName());
    ASSERT_TRUE(own);
    EXPECT_EQ(own->numbers, TestVersionNumbers);
    ASSERT_NE(own->Find("FileVersion"), nullptr);
    EXPECT_EQ(*own->Find("FileVersion"), "3.14 beta");
}

TEST(VersionBlockFile, TheGameCarriesTheProjectVersion) {
    std::string game = std::string(VX_RUN_DIR) + "/vortamix";
    ASSERT_TRUE(std::filesystem::exists(game)) << "the build makes the game before its tests run";
    std::optional<VersionBlock> block = ReadVersionBlock(game);
    ASSERT_TRUE(block);
    const VersionNumbers& numbers = block->numbers;
    std::string expected = std::to_string(numbers.file[0]) + "." + std::to_string(numbers.file[1]) + "." +
                           std::to_string(numbers.file[2]) + "." + std::to_string(numbers.file[3]);
    ASSERT_NE(block->Find("FileVersion"), nullptr);
    EXPECT_EQ(*block->Find("FileVersion"), expected);
    EXPECT_EQ(numbers.product, numbers.file);
    EXPECT_EQ(*block->Find("FileDescription"), "Vortamix");
    EXPECT_EQ(*block->Find("ProductName"), "Vortamix");
    EXPECT_NE(block->Find("LegalCopyright")->find("the Vortamix developers"), std::string::npos);
    EXPECT_EQ(numbers.language, 0x0409);
    EXPECT_EQ(numbers.codePage, 1252);
}
