#include "toolkit/Kxstrutils.h"

#include "platform/framework/Locale.h"
#include "platform/kernel/CommandLine.h"
#include "tests/PythonReference.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Python's bytes and fnmatch as the reference: each line is an operation and its
// arguments in hexadecimal ("-" for an empty string); each answer is one line.
const char* const referenceScript = R"(
import sys, fnmatch
def text(h): return b'' if h == '-' else bytes.fromhex(h)
def hexed(b): return b.hex() if b else '-'
for line in sys.stdin:
    op, *args = line.split()
    if op == 'replace':
        print(hexed(text(args[0]).replace(text(args[1]), text(args[2]))) if args[1] != '-' else hexed(text(args[0])))
    elif op == 'npos':
        s, sub, n = text(args[0]), text(args[1]), int(args[2])
        at = -1
        for _ in range(n):
            at = s.find(sub, at + 1)
            if at < 0: break
        print(at + 1)
    elif op == 'words':
        s, delims = text(args[0]), set(text(args[1]))
        words, word = [], b''
        for c in s:
            if c in delims:
                if word: words.append(word)
                word = b''
            else: word += bytes([c])
        if word: words.append(word)
        print(len(words), ' '.join(hexed(w) for w in words))
    elif op == 'fields':
        s, delim = text(args[0]), text(args[1])
        print(' '.join(hexed(f) for f in s.split(delim)))
    elif op == 'wild':
        print(int(fnmatch.fnmatchcase(text(args[0]).decode('latin-1'), text(args[1]).decode('latin-1'))))
    elif op == 'base':
        print(int(text(args[0]).decode(), int(args[1])))
)";

std::string randomText(std::mt19937& rng, const std::string& alphabet, int maxLength) {
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string s;
    for (int n = length(rng); n > 0; --n)
        s += alphabet[pick(rng)];
    return s;
}

std::string line(const std::string& op, std::initializer_list<std::string> args) {
    std::string out = op;
    for (const std::string& a : args)
        out += " " + a;
    return out;
}

std::string hexWords(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : " ") + vx_test::Hex(w);
    return out;
}

class ScopedCommandLine {
public:
    explicit ScopedCommandLine(std::vector<std::string> arguments) { SetCommandLine(std::move(arguments)); }
    ~ScopedCommandLine() { SetCommandLine({}); }
};

} // namespace

TEST(StringTrimming, RemovesAndReducesBlanks) {
    EXPECT_EQ(DelSpace(" a b  c "), "abc");
    EXPECT_EQ(DelChars("a,b,,c", ','), "abc");
    EXPECT_EQ(DelBSpace("  a b  "), "a b  ");
    EXPECT_EQ(DelESpace("  a b  "), "  a b");
    EXPECT_EQ(DelRSpace("  a b  "), "a b");
    EXPECT_EQ(DelRSpace("    "), "");
    EXPECT_EQ(DelSpace1("  a   b c  "), " a b c ");
    EXPECT_EQ(Tab2Space("a\tb\t", 3), "a   b   ");
    EXPECT_TRUE(IsEmptyStr("", " "));
    EXPECT_TRUE(IsEmptyStr(" \t ", " \t"));
    EXPECT_FALSE(IsEmptyStr(" x ", " "));
}

TEST(StringPadding, PadsWithoutEverCutting) {
    EXPECT_EQ(MakeStr('x', 3), "xxx");
    EXPECT_EQ(MakeStr('x', 0), "");
    EXPECT_EQ(MS('x', -5), "");
    EXPECT_EQ(AddChar('0', "42", 5), "00042");
    EXPECT_EQ(AddCharR('.', "42", 4), "42..");
    EXPECT_EQ(LeftStr("abcdef", 3), "abcdef");
    EXPECT_EQ(RightStr("abcdef", 3), "abcdef");
    EXPECT_EQ(RightStr("ab", 4), "  ab");
    EXPECT_EQ(CenterStr("ab", 7), "  ab   ");
    EXPECT_EQ(CenterStr("abc", 8), "   abc  ");
    EXPECT_EQ(CenterStr("abc", 3), "abc");
}

TEST(StringSearch, ReplaceNeverRescansInsertedText) {
    EXPECT_EQ(ReplaceStr("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceStr("abcabc", "bc", ""), "aa");
    EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceStr("aaaa", "aa", "b"), "bb");
}

TEST(StringSearch, NthOccurrencesMayOverlap) {
    EXPECT_EQ(NPos("aa", "aaaa", 2), 2);
    EXPECT_EQ(NPos("aa", "aaaa", 3), 3);
    EXPECT_EQ(NPos("aa", "aaaa", 4), 0);
    EXPECT_EQ(NPos("b", "abcb", 2), 4);
    EXPECT_EQ(NPos("", "abc", 1), 0);
    EXPECT_EQ(NPos("a", "abc", 0), 0);
}

TEST(StringSearch, CopyToSymbolAndDeleteTheCopiedPart) {
    std::string s = "a,b";
    EXPECT_EQ(Copy2SymbDel(s, ','), "a");
    EXPECT_EQ(s, ",b");
    s = "a  b";
    EXPECT_EQ(Copy2SpaceDel(s), "a");
    EXPECT_EQ(s, "b");
    s = "whole";
    EXPECT_EQ(Copy2SymbDel(s, ';'), "whole");
    EXPECT_EQ(s, "");
    EXPECT_EQ(Copy2Symb("key=value", '='), "key");
    EXPECT_EQ(Copy2Space("one two"), "one");
}

TEST(StringSearch, ComparisonFollowsTheLocale) {
    TFormatSettings settings = LocaleFormatSettings("en_US");
    SetFormatSettings(settings);
    EXPECT_EQ(CompStr("apple", "Banana"), -1);
    EXPECT_EQ(CompStr("Banana", "apple"), 1);
    EXPECT_EQ(CompText("ABC", "abc"), 0);
    EXPECT_NE(CompStr("ABC", "abc"), 0);
    // An accented letter sorts beside its base letter, not after "z" as its byte would.
    EXPECT_EQ(CompStr("\xE9t\xE9", "zoo"), -1);
    EXPECT_EQ(CompStr("same", "same"), 0);
}

TEST(StringSearch, ReplaceAndNPosAgreeWithPython) {
    VX_REQUIRE_PYTHON();
    std::mt19937 rng(1701);
    std::vector<std::string> lines;
    std::vector<std::string> expected;
    for (int i = 0; i < 400; ++i) {
        const std::string s = randomText(rng, "ab\xE9", 14);
        const std::string srch = randomText(rng, "ab\xE9", 3);
        const std::string replace = randomText(rng, "abX", 3);
        lines.push_back(line("replace", {vx_test::Hex(s), vx_test::Hex(srch), vx_test::Hex(replace)}));
        expected.push_back(vx_test::Hex(ReplaceStr(s, srch, replace)));
        if (srch.empty()) continue;
        const int n = 1 + i % 4;
        lines.push_back(line("npos", {vx_test::Hex(s), vx_test::Hex(srch), std::to_string(n)}));
        expected.push_back(std::to_string(NPos(srch, s, n)));
    }
    const std::vector<std::string> answers = vx_test::RunPython("strsearch", referenceScript, lines);
    ASSERT_EQ(answers.size(), expected.size());
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(expected[i], answers[i]) << lines[i];
}

TEST(StringWords, FieldsKeepEmptiesWhileWordsSkipThem) {
    EXPECT_EQ(ExtractDelimited(2, "a,,b", ","), "");
    EXPECT_EQ(ExtractWord(2, "a,,b", ","), "b");
    EXPECT_EQ(ExtractDelimited(3, "a,,b", ","), "b");
    EXPECT_EQ(ExtractDelimited(4, "a,,b", ","), "");
    EXPECT_EQ(ExtractDelimited(0, "a,,b", ","), "");
    EXPECT_EQ(WordCount("  one two  three ", " "), 3);
    EXPECT_EQ(WordPosition(2, "  one two", " "), 7);
    EXPECT_EQ(WordPosition(3, "  one two", " "), 0);
    int pos = -1;
    EXPECT_EQ(ExtractWordPos(2, "x; yz", " ;", pos), "yz");
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(ExtractWordPos(5, "x; yz", " ;", pos), "");
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(IsWordPresent("two", "one two three", " "));
    EXPECT_FALSE(IsWordPresent("tw", "one two three", " "));
    EXPECT_FALSE(IsWordPresent("Two", "one two three", " "));
}

TEST(StringWords, SubstringsWalkPastTheirDelimiters) {
    int pos = 1;
    const std::string s = "a=1;b=;c";
    EXPECT_EQ(ExtractSubstr(s, pos, ";"), "a=1");
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(ExtractSubstr(s, pos, ";"), "b=");
    EXPECT_EQ(ExtractSubstr(s, pos, ";"), "c");
    EXPECT_EQ(pos, 9);
    EXPECT_EQ(ExtractSubstr(s, pos, ";"), "");
    pos = -3;
    EXPECT_EQ(ExtractSubstr(s, pos, ";"), "a=1");
}

TEST(StringWords, ProperCaseAndQuoting) {
    EXPECT_EQ(AnsiProperCase("hELLO wORLD-wIDE", " -"), "Hello World-Wide");
    EXPECT_EQ(AnsiProperCase("\xC9T\xC9 \xE0 paris", " "), "\xC9t\xE9 \xC0 Paris");
    EXPECT_EQ(QuotedString("it's", '\''), "'it''s'");
    EXPECT_EQ(ExtractQuotedString("'it''s' rest", '\''), "it's");
    EXPECT_EQ(ExtractQuotedString("plain", '\''), "plain");
    EXPECT_EQ(ExtractQuotedString("'open", '\''), "open");
    for (const std::string s : {"", "a", "''", "x'y''z'"})
        EXPECT_EQ(ExtractQuotedString(QuotedString(s, '\''), '\''), s);
}

TEST(StringWords, WordsAndFieldsAgreeWithPython) {
    VX_REQUIRE_PYTHON();
    std::mt19937 rng(42);
    std::vector<std::string> lines;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string s = randomText(rng, "ab ,;\xFF", 16);
        const std::string delims = i % 2 ? " ," : ";";
        const TCharSet set(delims);
        std::vector<std::string> words;
        for (int n = 1; n <= WordCount(s, set); ++n)
            words.push_back(ExtractWord(n, s, set));
        lines.push_back(line("words", {vx_test::Hex(s), vx_test::Hex(delims)}));
        expected.push_back(std::to_string(words.size()) + " " + hexWords(words));
        std::vector<std::string> fields;
        int count = 1;
        for (char c : s)
            count += c == ';';
        for (int n = 1; n <= count; ++n)
            fields.push_back(ExtractDelimited(n, s, ";"));
        lines.push_back(line("fields", {vx_test::Hex(s), vx_test::Hex(";")}));
        expected.push_back(hexWords(fields));
    }
    const std::vector<std::string> answers = vx_test::RunPython("strwords", referenceScript, lines);
    ASSERT_EQ(answers.size(), expected.size());
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(expected[i], answers[i]) << lines[i];
}

TEST(StringNumbers, HexadecimalBothWays) {
    EXPECT_EQ(Dec2Hex(255, 4), "00FF");
    EXPECT_EQ(D2H(0, 0), "0");
    EXPECT_EQ(Dec2Hex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(Hex2Dec("ff"), 255);
    EXPECT_EQ(H2D("$1F"), 31);
    EXPECT_EQ(Hex2Dec("FFFFFFFF"), -1);
    EXPECT_EQ(Hex2Dec("100000000"), 0);
    EXPECT_EQ(Hex2Dec("xyz"), 0);
    EXPECT_EQ(Hex2Dec(""), 0);
    EXPECT_EQ(Hex2Dec("1$F"), 0);
}

TEST(StringNumbers, BasesRoundTripPastZAndAgreeWithPython) {
    EXPECT_EQ(Dec2Numb(255, 4, 16), "00FF");
    EXPECT_EQ(Dec2Numb(0, 3, 2), "000");
    EXPECT_EQ(Dec2Numb(-1, 0, 16), "FFFFFFFF");
    EXPECT_EQ(Numb2Dec("zz", 36), 36 * 35 + 35);
    // Past Z the digits go on through the characters; digits past 200 would need more than 255.
    EXPECT_EQ(Dec2Numb(36, 2, 37) + Dec2Numb(200, 0, 255) + Dec2Numb(201, 0, 202), "0[\xFF");
    std::mt19937 rng(7);
    for (int base = 37; base <= 201; ++base) {
        const auto n = static_cast<std::int32_t>(rng());
        EXPECT_EQ(Numb2Dec(Dec2Numb(n, 0, std::uint8_t(base)), std::uint8_t(base)), n) << base;
    }
    VX_REQUIRE_PYTHON();
    std::vector<std::string> lines;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const auto n = static_cast<std::int32_t>(rng() & 0x7FFFFFFF);
        const auto base = static_cast<std::uint8_t>(2 + i % 35);
        const std::string digits = Dec2Numb(n, 0, base);
        EXPECT_EQ(Numb2Dec(digits, base), n) << digits;
        lines.push_back(line("base", {vx_test::Hex(digits), std::to_string(base)}));
        expected.push_back(std::to_string(n));
    }
    const std::vector<std::string> answers = vx_test::RunPython("strbases", referenceScript, lines);
    EXPECT_EQ(answers, expected);
}

TEST(StringNumbers, GroupingBinaryAndRoman) {
    EXPECT_EQ(Numb2USA("1234567"), "1,234,567");
    EXPECT_EQ(Numb2USA("123456"), "123,456");
    EXPECT_EQ(Numb2USA("12"), "12");
    EXPECT_EQ(IntToBin(5, 4, 4), " 0101");
    EXPECT_EQ(IntToBin(5, 8, 4), " 0000 0101");
    EXPECT_EQ(IntToBin(5, 3, 2), "1 01");
    EXPECT_EQ(IntToBin(-1, 40, 8).size(), 36u);
    EXPECT_EQ(IntToBin(6, 3, 0), "110");
    EXPECT_EQ(RomanToInt("mcmxc"), 1990);
    EXPECT_EQ(RomanToInt("-IV"), -4);
    EXPECT_EQ(RomanToInt("IIZ"), 0);
    EXPECT_EQ(RomanToInt(""), 0);
    EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
    EXPECT_EQ(IntToRoman(0), "");
    EXPECT_EQ(IntToRoman(-5), "");
    for (int n = 1; n < 4000; ++n)
        ASSERT_EQ(RomanToInt(IntToRoman(n)), n) << IntToRoman(n);
}

TEST(StringWildcards, PartsAndPatterns) {
    EXPECT_EQ(FindPart("b?d", "abcde"), 2);
    EXPECT_EQ(FindPart("cd", "abcde"), 3);
    EXPECT_EQ(FindPart("x?", "abcde"), 0);
    EXPECT_EQ(FindPart("??????", "abc"), 0);
    EXPECT_TRUE(IsWild("readme.txt", "*.TXT", true));
    EXPECT_FALSE(IsWild("readme.txt", "*.TXT", false));
    EXPECT_TRUE(IsWild("abc", "a?c", false));
    EXPECT_FALSE(IsWild("ab", "abc*", false));
    EXPECT_TRUE(IsWild("ab", "ab*", false));
    EXPECT_TRUE(IsWild("", "**", false));
    EXPECT_FALSE(IsWild("", "a", false));
    // A middle fragment found after the first character still moves the input on from
    // where it was found, and the last fragment may not reuse matched input.
    EXPECT_TRUE(IsWild("xxab-cd", "*ab*cd", false));
    EXPECT_FALSE(IsWild("abc", "ab*bc", false));
    EXPECT_FALSE(IsWild("abc", "*abcd", false));
    EXPECT_TRUE(IsWild("\xE9T\xC9", "\xC9t*", true));
}

TEST(StringWildcards, MatchingAgreesWithPythonsFnmatch) {
    VX_REQUIRE_PYTHON();
    std::mt19937 rng(2024);
    std::vector<std::string> lines;
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string input = randomText(rng, "ab", 7);
        const std::string pattern = randomText(rng, "ab*?", 6);
        lines.push_back(line("wild", {vx_test::Hex(input), vx_test::Hex(pattern)}));
        expected.push_back(IsWild(input, pattern, false) ? "1" : "0");
    }
    const std::vector<std::string> answers = vx_test::RunPython("strwild", referenceScript, lines);
    ASSERT_EQ(answers.size(), expected.size());
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(expected[i], answers[i]) << lines[i];
}

TEST(StringEncoding, XorEncodingIsItsOwnInverse) {
    EXPECT_EQ(XorEncode("", "AB"), "4142");
    EXPECT_EQ(XorEncode("\x01", "AB"), "4043");
    EXPECT_EQ(XorDecode("\x01", "4043"), "AB");
    EXPECT_EQ(XorDecode("", "41zz4"), "A ");
    EXPECT_EQ(XorString("", "abc"), "abc");
    EXPECT_EQ(XorString("k", XorString("k", "secret")), "secret");
    std::mt19937 rng(99);
    for (int i = 0; i < 500; ++i) {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        const std::string key = randomText(rng, all, 5);
        const std::string source = randomText(rng, all, 40);
        ASSERT_EQ(XorDecode(key, XorEncode(key, source)), source);
        ASSERT_EQ(XorString(key, XorString(key, source)), source);
    }
}

TEST(StringCommandLine, FindsTheValueAfterASwitch) {
    ScopedCommandLine args({"prog", "/Out", "file.txt", "-v", "-level", "3", "plain", "x", "-last"});
    EXPECT_EQ(GetCmdLineArg("out", "/-"), "file.txt");
    EXPECT_EQ(GetCmdLineArg("LEVEL", "-"), "3");
    EXPECT_EQ(GetCmdLineArg("level", "/"), "");
    EXPECT_EQ(GetCmdLineArg("last", "-"), "");
    EXPECT_EQ(GetCmdLineArg("missing", "-"), "");
    // Without switch characters every argument counts, still without its first character.
    EXPECT_EQ(GetCmdLineArg("lain", ""), "x");
    // An empty argument has no first character to drop: it is passed over, never a switch.
    ScopedCommandLine withEmpty({"prog", "", "-x", "value"});
    EXPECT_EQ(GetCmdLineArg("x", ""), "value");
}

TEST(StringCodePage, OemConversionIsPerByte) {
    EXPECT_EQ(StrToOem("\xE9"), "\x82");
    EXPECT_EQ(OemToAnsiStr("\x82"), "\xE9");
    EXPECT_EQ(StrToOem("plain"), "plain");
}
