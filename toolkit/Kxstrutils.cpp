#include "toolkit/Kxstrutils.h"

#include "platform/framework/Locale.h"
#include "platform/kernel/CodePages.h"
#include "platform/kernel/CommandLine.h"

#include <algorithm>

namespace {

using Size = std::string::size_type;

// The 0-based index of the n-th word (1-based n), npos when there is none.
Size wordStart(int n, const std::string& s, const TCharSet& delims) {
    int count = 0;
    Size i = 0;
    while (i < s.size() && count != n) {
        while (i < s.size() && delims.Contains(s[i]))
            ++i;
        if (i < s.size()) ++count;
        if (count != n)
            while (i < s.size() && !delims.Contains(s[i]))
                ++i;
    }
    return count == n && n > 0 ? i : std::string::npos;
}

Size wordEnd(const std::string& s, Size start, const TCharSet& delims) {
    Size end = start;
    while (end < s.size() && !delims.Contains(s[end]))
        ++end;
    return end;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An integer the way the framework reads one: blanks in front, an optional sign, then
// decimal digits or "$" and up to eight hexadecimal digits (wrapping into the sign bit).
bool readInteger(const std::string& text, std::int32_t& value) {
    Size i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
    std::uint64_t magnitude = 0;
    if (i < text.size() && text[i] == '$') {
        if (++i == text.size()) return false;
        for (; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0 || magnitude > 0xFFFFFFFu) return false;
            magnitude = magnitude * 16 + static_cast<unsigned>(digit);
        }
        const auto bits = static_cast<std::uint32_t>(magnitude);
        value = static_cast<std::int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        if (magnitude > 2147483648u) return false;
    }
    if (!negative && magnitude > 2147483647u) return false;
    value = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                               : static_cast<std::int64_t>(magnitude));
    return true;
}

int romanValue(char c) {
    switch (AnsiUpperChar(c)) {
    case 'I':
        return 1;
    case 'V':
        return 5;
    case 'X':
        return 10;
    case 'L':
        return 50;
    case 'C':
        return 100;
    case 'D':
        return 500;
    case 'M':
        return 1000;
    default:
        return 0;
    }
}

char keyAt(const std::string& key, Size index) {
    return key.empty() ? '\0' : key[index % key.size()];
}

// The end of inputStr (from index `from`) against the final pattern fragment, compared
// from its last character backwards; the fragment must fit in what is left of the input.
bool tailMatches(const std::string& input, Size from, const std::string& fragment) {
    if (fragment.size() > input.size() - from) return false;
    for (Size k = 1; k <= fragment.size(); ++k) {
        const char p = fragment[fragment.size() - k];
        if (p != '?' && p != input[input.size() - k]) return false;
    }
    return true;
}

} // namespace

TCharSet::TCharSet(std::string_view chars) {
    for (char c : chars)
        Include(c);
}

std::string DelSpace(const std::string& s) {
    return DelChars(s, ' ');
}

std::string DelChars(const std::string& s, char chr) {
    std::string result;
    result.reserve(s.size());
    for (char c : s)
        if (c != chr) result += c;
    return result;
}

std::string DelBSpace(const std::string& s) {
    const Size first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string DelESpace(const std::string& s) {
    const Size last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string DelRSpace(const std::string& s) {
    return DelBSpace(DelESpace(s));
}

std::string DelSpace1(const std::string& s) {
    std::string result = s;
    result.erase(
        std::unique(result.begin(), result.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
        result.end());
    return result;
}

std::string Tab2Space(const std::string& s, std::uint8_t numb) {
    std::string result;
    result.reserve(s.size());
    for (char c : s) {
        if (c == '\t')
            result.append(numb, ' ');
        else
            result += c;
    }
    return result;
}

std::string MakeStr(char ch, int n) {
    return n < 1 ? std::string() : std::string(static_cast<Size>(n), ch);
}

std::string MS(char ch, int n) {
    return MakeStr(ch, n);
}

std::string AddChar(char ch, const std::string& s, int n) {
    return MakeStr(ch, n - static_cast<int>(s.size())) + s;
}

std::string AddCharR(char ch, const std::string& s, int n) {
    return s + MakeStr(ch, n - static_cast<int>(s.size()));
}

std::string LeftStr(const std::string& s, int n) {
    return AddCharR(' ', s, n);
}

std::string RightStr(const std::string& s, int n) {
    return AddChar(' ', s, n);
}

std::string CenterStr(const std::string& s, int len) {
    const int length = static_cast<int>(s.size());
    if (len <= length) return s;
    return AddCharR(' ', MakeStr(' ', len / 2 - length / 2) + s, len);
}

std::string ReplaceStr(const std::string& s, const std::string& srch, const std::string& replace) {
    if (srch.empty()) return s;
    std::string result;
    Size from = 0;
    for (Size found = s.find(srch); found != std::string::npos; found = s.find(srch, from)) {
        result.append(s, from, found - from);
        result += replace;
        from = found + srch.size();
    }
    result.append(s, from);
    return result;
}

bool IsEmptyStr(const std::string& s, const TCharSet& emptyChars) {
    return std::all_of(s.begin(), s.end(), [&](char c) { return emptyChars.Contains(c); });
}

std::string StrToOem(const std::string& s) {
    return AnsiToOem(s);
}

std::string OemToAnsiStr(const std::string& s) {
    return OemToAnsi(s);
}

int NPos(const std::string& sub, const std::string& s, int n) {
    if (sub.empty() || n < 1) return 0;
    Size from = 0;
    for (int found = 0; from <= s.size(); ++from) {
        from = s.find(sub, from);
        if (from == std::string::npos) return 0;
        if (++found == n) return static_cast<int>(from) + 1;
    }
    return 0;
}

int CompStr(const std::string& s1, const std::string& s2) {
    return CompareLocaleText(AnsiToUtf8(s1), AnsiToUtf8(s2), false);
}

int CompText(const std::string& s1, const std::string& s2) {
    return CompareLocaleText(AnsiToUtf8(s1), AnsiToUtf8(s2), true);
}

std::string Copy2Symb(const std::string& s, char symb) {
    return s.substr(0, s.find(symb));
}

std::string Copy2SymbDel(std::string& s, char symb) {
    std::string result = Copy2Symb(s, symb);
    s = DelBSpace(s.substr(result.size()));
    return result;
}

std::string Copy2Space(const std::string& s) {
    return Copy2Symb(s, ' ');
}

std::string Copy2SpaceDel(std::string& s) {
    return Copy2SymbDel(s, ' ');
}

int WordCount(const std::string& s, const TCharSet& wordDelims) {
    int count = 0;
    for (Size i = 0; i < s.size(); ++i)
        if (!wordDelims.Contains(s[i]) && (i == 0 || wordDelims.Contains(s[i - 1]))) ++count;
    return count;
}

int WordPosition(int n, const std::string& s, const TCharSet& wordDelims) {
    const Size start = wordStart(n, s, wordDelims);
    return start == std::string::npos ? 0 : static_cast<int>(start) + 1;
}

std::string ExtractWord(int n, const std::string& s, const TCharSet& wordDelims) {
    int pos = 0;
    return ExtractWordPos(n, s, wordDelims, pos);
}

std::string ExtractWordPos(int n, const std::string& s, const TCharSet& wordDelims, int& pos) {
    const Size start = wordStart(n, s, wordDelims);
    if (start == std::string::npos) {
        pos = 0;
        return {};
    }
    pos = static_cast<int>(start) + 1;
    return s.substr(start, wordEnd(s, start, wordDelims) - start);
}

std::string ExtractDelimited(int n, const std::string& s, const TCharSet& delims) {
    if (n < 1) return {};
    Size start = 0;
    for (int field = 1; field < n; ++field) {
        while (start < s.size() && !delims.Contains(s[start]))
            ++start;
        if (start >= s.size()) return {};
        ++start;
    }
    return s.substr(start, wordEnd(s, start, delims) - start);
}

std::string ExtractSubstr(const std::string& s, int& pos, const TCharSet& delims) {
    const Size start = pos < 1 ? 0 : static_cast<Size>(pos - 1);
    if (start >= s.size()) {
        pos = static_cast<int>(std::max(start, s.size())) + 1;
        return {};
    }
    const Size end = wordEnd(s, start, delims);
    pos = static_cast<int>(end < s.size() ? end + 1 : end) + 1;
    return s.substr(start, end - start);
}

bool IsWordPresent(const std::string& w, const std::string& s, const TCharSet& wordDelims) {
    for (Size i = 0; i < s.size(); i = wordEnd(s, i, wordDelims)) {
        while (i < s.size() && wordDelims.Contains(s[i]))
            ++i;
        if (i < s.size() && s.compare(i, wordEnd(s, i, wordDelims) - i, w) == 0) return true;
    }
    return false;
}

std::string AnsiProperCase(const std::string& s, const TCharSet& wordDelims) {
    std::string result = AnsiLowerCase(s);
    for (Size i = 0; i < result.size(); i = wordEnd(result, i, wordDelims)) {
        while (i < result.size() && wordDelims.Contains(result[i]))
            ++i;
        if (i < result.size()) result[i] = AnsiUpperChar(result[i]);
    }
    return result;
}

std::string QuotedString(const std::string& s, char quote) {
    std::string result(1, quote);
    for (char c : s) {
        if (c == quote) result += quote;
        result += c;
    }
    result += quote;
    return result;
}

std::string ExtractQuotedString(const std::string& s, char quote) {
    if (s.empty() || s.front() != quote) return s;
    std::string result;
    for (Size i = 1; i < s.size(); ++i) {
        if (s[i] == quote) {
            if (i + 1 >= s.size() || s[i + 1] != quote) break;
            ++i;
        }
        result += s[i];
    }
    return result;
}

std::string Dec2Hex(std::int32_t n, std::uint8_t a) {
    static const char digits[] = "0123456789ABCDEF";
    auto value = static_cast<std::uint32_t>(n);
    std::string result;
    do {
        result.insert(result.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return AddChar('0', result, a);
}

std::string D2H(std::int32_t n, std::uint8_t a) {
    return Dec2Hex(n, a);
}

std::int32_t Hex2Dec(const std::string& s) {
    std::int32_t value = 0;
    return readInteger(s.find('$') == std::string::npos ? "$" + s : s, value) ? value : 0;
}

std::int32_t H2D(const std::string& s) {
    return Hex2Dec(s);
}

std::string Dec2Numb(std::int32_t n, std::uint8_t a, std::uint8_t b) {
    if (b < 2) return {};
    auto value = static_cast<std::uint32_t>(n);
    std::string result;
    while (value > 0) {
        // "0"-"9", then "A" onward past "Z" up to character 255 (digit 200): a larger digit
        // has no character of its own.
        const std::uint32_t digit = value % b;
        if (digit > 200) return {};
        result.insert(result.begin(), static_cast<char>(digit < 10 ? '0' + digit : 'A' - 10 + digit));
        value /= b;
    }
    if (result.empty()) result = "0";
    return AddChar('0', result, a);
}

std::int32_t Numb2Dec(const std::string& s, std::uint8_t b) {
    std::uint32_t value = 0;
    // Up to base 36 a letter is a digit in either case; above it a lower-case letter is a
    // digit of its own.
    for (char c : b <= 36 ? AnsiUpperCase(s) : s) {
        const int digit = static_cast<unsigned char>(c) >= 'A' ? static_cast<unsigned char>(c) - 55
                                                               : static_cast<unsigned char>(c) - 48;
        value = value * b + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::string Numb2USA(const std::string& s) {
    std::string result;
    for (Size i = 0; i < s.size(); ++i) {
        const Size fromRight = s.size() - i;
        if (i > 0 && fromRight % 3 == 0) result += ',';
        result += s[i];
    }
    return result;
}

std::string IntToBin(std::int32_t value, int digits, int spaces) {
    const int count = std::clamp(digits, 0, 32);
    const auto bits = static_cast<std::uint32_t>(value);
    std::string result;
    for (int remaining = count; remaining >= 1; --remaining) {
        if (spaces > 0 && remaining % spaces == 0) result += ' ';
        result += (bits >> (remaining - 1)) & 1 ? '1' : '0';
    }
    return result;
}

std::string IntToRoman(std::int32_t value) {
    static const struct {
        int value;
        const char* numeral;
    } steps[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                 {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    std::string result;
    for (const auto& step : steps)
        for (; value >= step.value; value -= step.value)
            result += step.numeral;
    return result;
}

std::int32_t RomanToInt(const std::string& s) {
    const bool negative = !s.empty() && s.front() == '-';
    const std::string digits = negative ? s.substr(1) : s;
    std::int64_t total = 0;
    for (Size i = 0; i < digits.size(); ++i) {
        const int value = romanValue(digits[i]);
        if (value == 0) return 0;
        const int next = i + 1 < digits.size() ? romanValue(digits[i + 1]) : 0;
        total += value < next ? -value : value;
        if (total > 0x7FFFFFFF) return 0;
    }
    return static_cast<std::int32_t>(negative ? -total : total);
}

int FindPart(const std::string& helpWilds, const std::string& inputStr) {
    if (helpWilds.empty()) return 0;
    if (helpWilds.find('?') == std::string::npos) {
        const Size found = inputStr.find(helpWilds);
        return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
    }
    if (helpWilds.size() > inputStr.size()) return 0;
    for (Size at = 0; at + helpWilds.size() <= inputStr.size(); ++at) {
        Size k = 0;
        while (k < helpWilds.size() && (helpWilds[k] == '?' || helpWilds[k] == inputStr[at + k]))
            ++k;
        if (k == helpWilds.size()) return static_cast<int>(at) + 1;
    }
    return 0;
}

bool IsWild(std::string inputStr, std::string wilds, bool ignoreCase) {
    if (inputStr == wilds) return true;
    for (Size twoStars = wilds.find("**"); twoStars != std::string::npos; twoStars = wilds.find("**"))
        wilds.erase(twoStars, 1);
    if (wilds == "*") return true;
    if (ignoreCase) {
        inputStr = AnsiUpperCase(inputStr);
        wilds = AnsiUpperCase(wilds);
    }
    if (inputStr.empty() || wilds.empty()) return false;
    Size in = 0;
    Size wild = 0;
    while (in < inputStr.size() && wild < wilds.size()) {
        if (inputStr[in] == wilds[wild] || wilds[wild] == '?') {
            ++in;
            ++wild;
            continue;
        }
        if (wilds[wild] != '*') return false;
        const Size nextStar = wilds.find('*', wild + 1);
        if (nextStar == std::string::npos) return tailMatches(inputStr, in, wilds.substr(wild + 1));
        const std::string fragment = wilds.substr(wild + 1, nextStar - wild - 1);
        // The next star stays under the cursor: the pattern after it is searched for too.
        wild = nextStar;
        const int found = FindPart(fragment, inputStr.substr(in));
        if (found == 0) return false;
        in += static_cast<Size>(found - 1) + fragment.size();
    }
    if (in < inputStr.size()) return false;
    // The input is used up: what is left of the pattern may only be stars.
    return wilds.find_first_not_of('*', wild) == std::string::npos;
}

std::string XorString(const std::string& key, const std::string& src) {
    if (key.empty()) return src;
    std::string result(src);
    for (Size i = 0; i < result.size(); ++i)
        result[i] = static_cast<char>(result[i] ^ keyAt(key, i));
    return result;
}

std::string XorEncode(const std::string& key, const std::string& source) {
    static const char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(source.size() * 2);
    for (Size i = 0; i < source.size(); ++i) {
        const auto byte = static_cast<unsigned char>(source[i] ^ keyAt(key, i));
        result += digits[byte >> 4];
        result += digits[byte & 15];
    }
    return result;
}

std::string XorDecode(const std::string& key, const std::string& source) {
    std::string result;
    result.reserve(source.size() / 2);
    for (Size i = 0; i + 1 < source.size(); i += 2) {
        const int high = hexDigit(source[i]);
        const int low = hexDigit(source[i + 1]);
        const int byte = high < 0 || low < 0 ? 32 : high * 16 + low;
        result += static_cast<char>(byte ^ static_cast<unsigned char>(keyAt(key, i / 2)));
    }
    return result;
}

std::string GetCmdLineArg(const std::string& switchName, const TCharSet& switchChars) {
    const int count = ParamCount();
    for (int i = 1; i <= count; ++i) {
        const std::string argument = ParamStr(i);
        if (!switchChars.Empty() && (argument.size() < 2 || !switchChars.Contains(argument.front())))
            continue;
        // An empty argument has no first character to drop: it is no switch.
        if (argument.empty()) continue;
        if (AnsiCompareTextBytes(argument.substr(1), switchName) == 0 && i < count) return ParamStr(i + 1);
    }
    return {};
}
