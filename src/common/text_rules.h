// Text helpers for the program's byte texts (Korean code page 949): cutting a
// text to a byte budget without splitting a double-byte character, comparing
// names as the program does, and reading a number field the way atoi does.
#pragma once
#include <cstddef>
#include <string>

// The longest start of text that fits maxBytes bytes and ends on a character
// boundary: a double-byte character (lead byte 0x81..0xFE) is kept whole or
// dropped whole.
std::string CutText(const std::string& text, std::size_t maxBytes);

// A number as atoi reads it: leading white space, an optional sign, decimal
// digits; 0 when there are none. Values beyond the int range saturate.
int NumberFieldValue(const std::string& field);

// A lead byte of a two-byte CP949 character.
bool IsLeadByte(unsigned char c);

// ASCII letters a..z upper-cased, every other byte as it is.
char UpperAscii(char c);
std::string UpperAscii(const std::string& text);

// A file name with its ASCII letters upper-cased, except the second byte of a
// double-byte character, which is part of that character and kept: two names
// are the same file name (as the program compares them) exactly when their
// keys are equal.
std::string FileNameKey(const std::string& name);
bool SameFileName(const std::string& a, const std::string& b);

// A text with every line ended by CR LF, as the program's scripts ship: a
// lone LF gets its CR, a CR LF stays as it is.
std::string WithCrlfLineEnds(const std::string& text);

// Where a byte offset of a UTF-8 text lies: its line (from 1, lines ended by
// LF) and its column, counted in characters (from 1).
struct TextPlace {
    int line = 1;
    int column = 1;
};
TextPlace PlaceOfUtf8Offset(const std::string& utf8, std::size_t offset);
