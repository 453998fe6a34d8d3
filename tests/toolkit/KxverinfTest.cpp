#include "toolkit/Kxverinf.h"

#include "platform/files/FileNames.h"
#include "platform/files/VersionBlock.h"
#include "tests/platform/files/ElfTestImage.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

VersionBlock makeBlock(std::array<WORD, 4> file, WORD language, WORD codePage,
                       std::vector<std::pair<std::string, std::string>> strings) {
    VersionBlock block;
    block.numbers = {file, {9, 8, 7, 6}, language, codePage};
    block.strings = std::move(strings);
    return block;
}

std::string writeProgram(const TempTree& tree, const std::string& name, const VersionBlock& block) {
    std::vector<unsigned char> image =
        MakeElfImage({{".text", {0x90}}, {".vxversion", EncodeVersionBlock(block)}});
    std::string path = tree.Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return path;
}

const VersionBlock gameBlock = makeBlock({1, 2, 0, 7}, 0x0409, 1252,
                                         {{"FileDescription", "Vortamix"},
                                          {"FileVersion", "1.2 release candidate"},
                                          {"LegalCopyright", "Copyright (C) the developers"},
                                          {"CompanyName", "Makers"}});

} // namespace

TEST(VersionInfo, ReadsStringsNumbersAndTranslationOfABlock) {
    TempTree tree;
    TVersionInfo info(writeProgram(tree, "game", gameBlock));

    ASSERT_TRUE(info.Valid());
    EXPECT_EQ(info.GetFileVersion(), "1.2 release candidate") << "the string wins over the numbers";
    EXPECT_EQ(info.GetFileDescription(), "Vortamix");
    EXPECT_EQ(info.GetLegalCopyright(), "Copyright (C) the developers");
    EXPECT_EQ(info.GetCompanyName(), "Makers");
    EXPECT_EQ(info.GetProductName(), "");
    EXPECT_EQ(info.GetProductVersion(), "9.8.7.6") << "no string: the fixed numbers";
    EXPECT_EQ(info.GetVersionNum(), 1u * 65536 + 2);
    EXPECT_EQ(info.GetFileLongVersion(), (TLongVersion{0x00010002, 0x00000007}));
    ASSERT_NE(info.GetFixedFileInfo(), nullptr);
    EXPECT_EQ(info.GetFixedFileInfo()->dwProductVersionLS, 7u * 65536 + 6);
    EXPECT_EQ(info.GetTranslationString(), "040904E4");
    EXPECT_EQ(info.GetVersionLanguage(), vlUSEnglish);
    EXPECT_EQ(info.GetVersionCharSet(), vcsMultilingual);
}

TEST(VersionInfo, TranslationsMapToTheirLanguagesAndCodePages) {
    TempTree tree;
    struct Case {
        WORD language;
        WORD codePage;
        TVersionLanguage expectedLanguage;
        TVersionCharSet expectedCharSet;
        const char* text;
    };
    const Case cases[] = {
        {0x0419, 1251, vlRussian, vcsCyrillic, "041904E3"},
        {0x100C, 1200, vlSwissFrench, vcsUnicode, "100C04B0"},
        {0x0000, 0, vlUnknown, vcsASCII, "00000000"},
        {0x0C07, 65001, vlUnknown, vcsUnknown, "0C07FDE9"},
        {0x0401, 1256, vlArabic, vcsArabic, "040104E8"},
    };
    for (const Case& c : cases) {
        TVersionInfo info(writeProgram(tree, "p", makeBlock({1, 0, 0, 0}, c.language, c.codePage, {})));
        EXPECT_EQ(info.GetVersionLanguage(), c.expectedLanguage) << c.text;
        EXPECT_EQ(info.GetVersionCharSet(), c.expectedCharSet) << c.text;
        EXPECT_EQ(info.GetTranslationString(), c.text);
    }
    EXPECT_EQ(VersionLanguageId(vlUKEnglish), 0x0809);
    EXPECT_EQ(VersionCharSetCodePage(vcsJapan), 932);
}

TEST(VersionInfo, FileWithoutABlockIsNotValidAndAnswersNothing) {
    TempTree tree;
    for (const std::string& name : {tree.Write("notes.txt", "1.2.3.4\n"), std::string("/bin/sh"),
                                    tree.Path("missing"), tree.Root().string()}) {
        TVersionInfo info(name);
        EXPECT_FALSE(info.Valid()) << name;
        EXPECT_EQ(info.GetFileVersion(), "") << name;
        EXPECT_EQ(info.GetProductVersion(), "");
        EXPECT_EQ(info.GetLegalCopyright(), "");
        EXPECT_EQ(info.GetTranslationString(), "");
        EXPECT_EQ(info.GetTranslation(), nullptr);
        EXPECT_EQ(info.GetFixedFileInfo(), nullptr);
        EXPECT_EQ(info.GetVersionNum(), 0u);
        EXPECT_EQ(info.GetFileLongVersion(), TLongVersion{});
        EXPECT_EQ(info.GetVersionLanguage(), vlUnknown);
        EXPECT_EQ(info.GetVersionCharSet(), vcsUnknown);
    }
}

TEST(VersionInfo, SwitchingToAFileWithoutABlockKeepsNothingOfTheFirst) {
    TempTree tree;
    TVersionInfo info(writeProgram(tree, "game", gameBlock));
    ASSERT_TRUE(info.Valid());

    info.SetFileName(tree.Write("plain.txt", "text"));

    EXPECT_EQ(info.GetFileName(), tree.Path("plain.txt"));
    EXPECT_FALSE(info.Valid());
    EXPECT_EQ(info.GetFileDescription(), "");
    EXPECT_EQ(info.GetVersionNum(), 0u);
    EXPECT_EQ(info.GetProductLongVersion(), TLongVersion{});

    info.SetFileName(writeProgram(tree, "other", makeBlock({4, 0, 0, 0}, 0x0407, 1252, {})));
    EXPECT_TRUE(info.Valid());
    EXPECT_EQ(info.GetFileDescription(), "");
    EXPECT_EQ(info.GetFileVersion(), "4.0.0.0");
}

TEST(VersionInfo, CorruptBlockMakesTheFileInvalid) {
    TempTree tree;
    std::vector<unsigned char> block = EncodeVersionBlock(gameBlock);
    block[32] ^= 0xFF; // the first key's length
    std::vector<unsigned char> image = MakeElfImage({{".vxversion", block}});
    std::ofstream(tree.Path("bad"), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    EXPECT_FALSE(TVersionInfo(tree.Path("bad")).Valid());
}

TEST(VersionInfo, KeysTooLongForAQueryPathGiveEmptyValues) {
    TempTree tree;
    std::string longest(255 - 25, 'k');
    std::string tooLong(longest + "k");
    TVersionInfo info(writeProgram(
        tree, "p", makeBlock({1, 0, 0, 0}, 0x0409, 1252, {{longest, "fits"}, {tooLong, "does not fit"}})));
    EXPECT_EQ(info.GetVerValue(longest), "fits");
    EXPECT_EQ(info.GetVerValue(tooLong), "");
}

TEST(VersionInfo, FileDateIsTheModificationTimeAsADateTime) {
    TempTree tree;
    std::string path = writeProgram(tree, "game", gameBlock);
    struct timespec times[2] = {{0, 0}, {0, 0}};
    std::tm noon{};
    noon.tm_year = 2000 - 1900;
    noon.tm_mon = 0;
    noon.tm_mday = 1;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    times[0].tv_sec = times[1].tv_sec = std::mktime(&noon);
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    EXPECT_DOUBLE_EQ(TVersionInfo(path).GetVerFileDate(), 36526.5); // 2000-01-01 12:00 local time
    EXPECT_EQ(TVersionInfo(tree.Path("missing")).GetVerFileDate(), 0.0);
}

TEST(VersionInfo, AppVerInfoReadsTheRunningProgram) {
    TempTree tree;
    SetExeName(writeProgram(tree, "Vortamix", gameBlock));
    std::unique_ptr<TVersionInfo> info = AppVerInfo();
    SetExeName("");

    EXPECT_EQ(info->GetFileName(), tree.Path("Vortamix"));
    EXPECT_EQ(info->GetFileDescription(), "Vortamix");
    EXPECT_EQ(AppFileName(), ExeName());
}

TEST(VersionInfo, OkToWriteModuleOnlyForNewerVersionsOrFilesWithoutOne) {
    TempTree tree;
    std::string module = writeProgram(tree, "m", makeBlock({2, 5, 1, 1}, 0x0409, 1252, {}));
    EXPECT_TRUE(OkToWriteModule(module, 3 * 65536));
    EXPECT_FALSE(OkToWriteModule(module, 2 * 65536));
    EXPECT_FALSE(OkToWriteModule(module, 2 * 65536 + 5));
    EXPECT_TRUE(OkToWriteModule(module, 2 * 65536 + 6));
    EXPECT_TRUE(OkToWriteModule(tree.Write("plain", "x"), 0));

    std::string high = writeProgram(tree, "h", makeBlock({0x8000, 0, 0, 0}, 0x0409, 1252, {}));
    EXPECT_TRUE(OkToWriteModule(high, 1)) << "compared as signed 32-bit numbers";
}

TEST(LongVersion, TextAndNumbersConvertBothWays) {
    EXPECT_EQ(LongVersionToString({0x00010002, 0x00000007}), "1.2.0.7");
    EXPECT_EQ(LongVersionToString({0xFFFFFFFF, 0xFFFF0000}), "65535.65535.65535.0");
    EXPECT_EQ(StringToLongVersion("1.2.3.4"), (TLongVersion{0x00010002, 0x00030004}));
    EXPECT_EQ(StringToLongVersion("1,2,3,4"), StringToLongVersion("1.2.3.4"));
    EXPECT_THROW(StringToLongVersion("1.2,3.4"), Exception)
        << "a '.' anywhere is the separator: field \"2,3\"";
    EXPECT_EQ(StringToLongVersion(""), TLongVersion{});
    EXPECT_EQ(StringToLongVersion("1..3"), (TLongVersion{0x00010000, 0x00030000}));
    EXPECT_EQ(StringToLongVersion("65535.0.0.1"), (TLongVersion{0xFFFF0000, 1}));
    EXPECT_EQ(StringToLongVersion("1. 2 .3.4"), StringToLongVersion("1.2.3.4"));
}

TEST(LongVersion, MissingFieldsAreZeroNotRepeated) {
    EXPECT_EQ(StringToLongVersion("1.2"), (TLongVersion{0x00010002, 0}));
    EXPECT_EQ(StringToLongVersion("7"), (TLongVersion{0x00070000, 0}));
    EXPECT_EQ(StringToLongVersion("1.2.3"), (TLongVersion{0x00010002, 0x00030000}));
}

TEST(LongVersion, FieldsOutsideSixteenBitsOrNotNumbersAreErrors) {
    EXPECT_THROW(StringToLongVersion("65536.0.0.0"), Exception);
    EXPECT_THROW(StringToLongVersion("1.2.3.99999999999999999999"), Exception);
    EXPECT_THROW(StringToLongVersion("1.-2.3.4"), Exception);
    EXPECT_THROW(StringToLongVersion("1.2.3.4a"), Exception);
    try {
        StringToLongVersion("1.x");
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "'x' is not a valid integer value");
    }
}
