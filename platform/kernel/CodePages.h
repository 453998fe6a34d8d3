#pragma once
// The 8-bit code pages of the program's "ANSI" strings: Windows-1252 for text, and the
// console's OEM code page 437. Case mapping of ANSI text follows Windows-1252, so the
// accented capitals and small letters of Western European languages pair up; bytes of
// other text (UTF-8 among them) are only safe with routines that do not change case.
#include "platform/kernel/Types.h"

#include <string>

// The character a Windows-1252 byte stands for. The five bytes the code page leaves
// undefined stand for the control characters of the same number.
char32_t Cp1252ToUnicode(BYTE code);
// The Windows-1252 byte of a character, -1 when the code page has none.
int UnicodeToCp1252(char32_t character);
char32_t Cp437ToUnicode(BYTE code);
int UnicodeToCp437(char32_t character);

char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string text);
std::string AnsiLowerCase(std::string text);
// Compares without regard to case, byte by byte after upper-casing: <0, 0 or >0.
int AnsiCompareTextBytes(const std::string& a, const std::string& b);

// Windows-1252 text in code page 437 and back, byte for byte (same length). A character
// the other page lacks becomes its nearest plain form (an accented capital its bare
// letter, a box-drawing line "-", "|" or "+"), else "?".
std::string AnsiToOem(const std::string& text);
std::string OemToAnsi(const std::string& text);

// Between Windows-1252 and the UTF-8 of the rest of the program. A character that
// Windows-1252 lacks becomes "?"; a byte sequence that is not UTF-8 is taken byte by byte
// as Windows-1252.
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);
