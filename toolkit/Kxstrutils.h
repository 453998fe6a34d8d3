#pragma once
// String routines on the toolkit's 8-bit strings: trimming and padding, words and fields,
// wildcards, number bases, Roman numerals, a keyed XOR text encoding, the OEM code page and
// command-line switches. Text is Windows-1252 (case mapping follows that code page);
// positions are 1-based, 0 meaning "none". Every routine returns a new string unless it
// takes one by reference.
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

// A set of 8-bit characters.
class TCharSet {
public:
    TCharSet() = default;
    // Every byte of chars is a member.
    TCharSet(std::string_view chars);
    TCharSet(const char* chars) : TCharSet(std::string_view(chars)) {}
    bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
    bool Empty() const { return bits_.none(); }
    TCharSet& Include(char c) {
        bits_.set(static_cast<unsigned char>(c));
        return *this;
    }

private:
    std::bitset<256> bits_;
};

// Trimming, padding and building.
std::string DelSpace(const std::string& s);
std::string DelChars(const std::string& s, char chr);
std::string DelBSpace(const std::string& s);
std::string DelESpace(const std::string& s);
std::string DelRSpace(const std::string& s);
// Every run of blanks reduced to one blank.
std::string DelSpace1(const std::string& s);
std::string Tab2Space(const std::string& s, std::uint8_t numb);
// n copies of ch; empty for n below 1.
std::string MakeStr(char ch, int n);
std::string MS(char ch, int n);
// s padded with ch on the left (AddChar) or right (AddCharR) to length n, never cut.
std::string AddChar(char ch, const std::string& s, int n);
std::string AddCharR(char ch, const std::string& s, int n);
std::string LeftStr(const std::string& s, int n);
std::string RightStr(const std::string& s, int n);
std::string CenterStr(const std::string& s, int len);
// Every occurrence of srch replaced, left to right, inserted text never searched again.
std::string ReplaceStr(const std::string& s, const std::string& srch, const std::string& replace);
// True when every character of s is in emptyChars (also for an empty s).
bool IsEmptyStr(const std::string& s, const TCharSet& emptyChars);
// From Windows-1252 to the OEM code page (437) and back, same length.
std::string StrToOem(const std::string& s);
std::string OemToAnsiStr(const std::string& s);

// Searching and comparing.
// Position of the n-th occurrence of sub in s (occurrences may overlap), 0 when fewer.
int NPos(const std::string& sub, const std::string& s, int n);
// -1, 0 or 1 in the program's locale, symbols counting as characters; CompText ignores case.
int CompStr(const std::string& s1, const std::string& s2);
int CompText(const std::string& s1, const std::string& s2);
// s up to (not including) the first symb; all of s when there is none.
std::string Copy2Symb(const std::string& s, char symb);
// Copy2Symb; s keeps the rest from symb on, without leading blanks.
std::string Copy2SymbDel(std::string& s, char symb);
std::string Copy2Space(const std::string& s);
std::string Copy2SpaceDel(std::string& s);

// Words (maximal runs of characters outside wordDelims) and fields (every delimiter ends
// one; adjacent delimiters enclose an empty field).
int WordCount(const std::string& s, const TCharSet& wordDelims);
int WordPosition(int n, const std::string& s, const TCharSet& wordDelims);
std::string ExtractWord(int n, const std::string& s, const TCharSet& wordDelims);
std::string ExtractWordPos(int n, const std::string& s, const TCharSet& wordDelims, int& pos);
std::string ExtractDelimited(int n, const std::string& s, const TCharSet& delims);
// The text from pos to the next delimiter or the end; pos moves past that delimiter.
std::string ExtractSubstr(const std::string& s, int& pos, const TCharSet& delims);
bool IsWordPresent(const std::string& w, const std::string& s, const TCharSet& wordDelims);
// Lower case with the first character of every word in upper case.
std::string AnsiProperCase(const std::string& s, const TCharSet& wordDelims);
// s in quote characters, inner quotes doubled.
std::string QuotedString(const std::string& s, char quote);
// s unchanged unless it starts with quote; else the quoted text with doubled quotes undone.
std::string ExtractQuotedString(const std::string& s, char quote);

// Numbers.
// Upper-case hexadecimal of n (as 32 bits), at least a digits.
std::string Dec2Hex(std::int32_t n, std::uint8_t a);
std::string D2H(std::int32_t n, std::uint8_t a);
// s read as hexadecimal ("$" put in front unless s has one); 0 when it is no number.
std::int32_t Hex2Dec(const std::string& s);
std::int32_t H2D(const std::string& s);
// n (as unsigned 32 bits) in base b (from 2), digits "0"-"9" then "A" onward (past "Z"),
// left-padded with "0" to a digits; empty when a digit would pass character 255.
std::string Dec2Numb(std::int32_t n, std::uint8_t a, std::uint8_t b);
// s read in base b without checking its digits; up to base 36 in either case.
std::int32_t Numb2Dec(const std::string& s, std::uint8_t b);
// "," before every group of three characters counted from the right.
std::string Numb2USA(const std::string& s);
// The lowest digits bits of value, a blank before each group of spaces bits.
std::string IntToBin(std::int32_t value, int digits, int spaces);
std::string IntToRoman(std::int32_t value);
// Upper or lower case, an optional leading "-"; 0 for any other character.
std::int32_t RomanToInt(const std::string& s);

// Wildcards, encoding, command line.
// Where helpWilds ("?" any one character) first matches in inputStr, 0 when nowhere.
int FindPart(const std::string& helpWilds, const std::string& inputStr);
// inputStr matches wilds ("*" any run, "?" any one character).
bool IsWild(std::string inputStr, std::string wilds, bool ignoreCase);
// src with each character XORed with the key character at its position, the key repeated.
std::string XorString(const std::string& key, const std::string& src);
// Each character XORed with the repeated key, as two lower-case hexadecimal digits.
std::string XorEncode(const std::string& key, const std::string& source);
// The inverse of XorEncode for any key.
std::string XorDecode(const std::string& key, const std::string& source);
// The argument that follows the switch on the program's command line; empty when the
// switch or its value is missing.
std::string GetCmdLineArg(const std::string& switchName, const TCharSet& switchChars);
