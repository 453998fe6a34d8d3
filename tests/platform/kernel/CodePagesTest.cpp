#include "platform/kernel/CodePages.h"

#include "tests/PythonReference.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Python's own codecs and case rules, one line per byte: the Unicode value in each code
// page (-1 where the code page leaves the byte undefined) and the byte's single-character
// upper and lower case in Windows-1252 (-1 where there is none in that code page).
const char* const codecScript = R"(
import sys
def code(b, page):
    try: return ord(bytes([b]).decode(page))
    except UnicodeDecodeError: return -1
def cased(b, f):
    try: c = bytes([b]).decode('cp1252')
    except UnicodeDecodeError: return b
    t = f(c)
    if len(t) != 1: return b
    try: return t.encode('cp1252')[0]
    except UnicodeEncodeError: return b
for line in sys.stdin:
    b = int(line)
    print(code(b, 'cp1252'), code(b, 'cp437'), cased(b, str.upper), cased(b, str.lower))
)";

} // namespace

TEST(CodePages, TablesAndCaseMappingAgreeWithPythonsCodecs) {
    VX_REQUIRE_PYTHON();
    std::vector<std::string> bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(std::to_string(b));
    const std::vector<std::string> answers = vx_test::RunPython("codepages", codecScript, bytes);
    ASSERT_EQ(answers.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        std::istringstream line(answers[static_cast<std::size_t>(b)]);
        long cp1252 = 0, cp437 = 0, upper = 0, lower = 0;
        line >> cp1252 >> cp437 >> upper >> lower;
        const auto byte = static_cast<BYTE>(b);
        if (cp1252 >= 0) {
            EXPECT_EQ(static_cast<long>(Cp1252ToUnicode(byte)), cp1252) << b;
        }
        EXPECT_EQ(static_cast<long>(Cp437ToUnicode(byte)), cp437) << b;
        EXPECT_EQ(static_cast<unsigned char>(AnsiUpperChar(static_cast<char>(b))), upper) << b;
        EXPECT_EQ(static_cast<unsigned char>(AnsiLowerChar(static_cast<char>(b))), lower) << b;
    }
}

TEST(CodePages, EveryCharacterFindsItsOwnByteBack) {
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<BYTE>(b))), b);
        EXPECT_EQ(UnicodeToCp437(Cp437ToUnicode(static_cast<BYTE>(b))), b);
    }
    EXPECT_EQ(UnicodeToCp1252(U'\u0416'), -1);
}

TEST(CodePages, OemConversionKeepsLengthAndFindsNearestForms) {
    // é and Ä exist in both pages; À and Š do not in 437 and lose their accents.
    const std::string ansi = "Caf\xE9 \xC4rger \xC0 \x8A!";
    const std::string oem = AnsiToOem(ansi);
    ASSERT_EQ(oem.size(), ansi.size());
    EXPECT_EQ(oem, "Caf\x82 \x8Erger A S!");
    EXPECT_EQ(OemToAnsi("Caf\x82"), "Caf\xE9");
    // Box drawing has no Windows-1252 form: lines keep their direction.
    EXPECT_EQ(OemToAnsi("\xDA\xC4\xBF\xB3\xB0"), "+-+|?");
    for (int b = 0x20; b < 0x80; ++b) {
        const std::string plain(1, static_cast<char>(b));
        EXPECT_EQ(OemToAnsi(AnsiToOem(plain)), plain);
    }
}

TEST(CodePages, Utf8ConversionRoundTripsEveryAnsiByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToAnsi("\xD0\x96 \xC3\xA9"), "? \xE9");
    // Bytes that are no UTF-8 (a lone lead byte, an overlong form) pass through as they are.
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a\xC3");
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "\xC0\xAF");
}
