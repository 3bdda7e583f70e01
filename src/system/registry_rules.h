// Decisions of the registry entries: the key lines of [Main Registry], the
// value lines of their sections, and the conversion of a value's data into
// the bytes that are stored. Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/script_rules.h"

// Registry value types as the registry numbers them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

// Room for decoded binary data: a 299-character line cannot yield more.
constexpr std::size_t kBinarySize = 200;

enum class KeyLineStatus { Ok, Empty, NoBackslash, UnknownRoot };

struct KeyLine {
    std::uint32_t root = 0;  // predefined key handle
    std::string subKey;      // everything after the first backslash; may be empty
};

// Splits a key line at its first backslash and looks its root name up.
KeyLineStatus SplitKeyLine(const std::string& line, KeyLine& key);

// Ok: a usable line. Malformed: an empty type field, a type of more than one
// character or a type 3..9. Incomplete: a line that is empty or ends before its
// type field and second comma. TooLong: the expanded text would not fit the
// 300-byte data buffer.
enum class ValueLineStatus { Ok, Malformed, Incomplete, TooLong };

struct ValueLine {
    std::string name;  // exactly as written before the first comma; may be empty
    int type = 0;      // 0 number, 1 text, 2 binary
    char typeCharacter = 0;  // the type field as written
    std::string data;  // the rest of the line after the second comma and blanks
};

ValueLineStatus ParseValueLine(const std::string& line, ValueLine& value);

// "0".."9", "A".."F" and "a".."f" give 0..15; anything else -1.
int HexDigitValue(char c);

// The decimal number at the start of text as a 32-bit strtoul reads it:
// leading white space, an optional sign (minus negates in 32-bit unsigned
// arithmetic), digits up to the first other character; above 4294967295 gives
// 4294967295; no digits give 0. The same on every build.
std::uint32_t DwordFromText(const std::string& text);

// Pairs of hexadecimal digits, high digit first, up to the first character
// that is not one or the end of the text; a lone last digit is dropped.
std::vector<unsigned char> DecodeHexPairs(const std::string& text);

struct RegistryValueData {
    std::uint32_t type = 0;            // kRegDword, kRegSz or kRegBinary
    std::vector<unsigned char> bytes;  // exactly the bytes to store
};

// The registry type and bytes of a parsed value line; a text value has every
// "%EXEPATH%" replaced by installDir and keeps its terminating NUL. TooLong
// when the expanded text would not fit its buffer.
ValueLineStatus ValueDataFromLine(const ValueLine& value, const std::string& installDir, RegistryValueData& out);

// Messages for lines the step cannot use.
std::string KeyLineErrorText(int number, const std::string& line);
std::string ValueLineErrorText(const std::string& section, int number, const std::string& line,
                               ValueLineStatus status);

// What the registry step does with key line `number` of [Main Registry]: Use
// creates the key and writes the values of the section named by the whole
// line; Skip passes over it, with a message for a line without a backslash
// and silently for an empty line or an unknown root.
struct KeyLineOutcome {
    KeyLineStatus status = KeyLineStatus::Empty;
    LineEffect effect = LineEffect::Skip;
    std::string message;  // empty: nothing is shown
    KeyLine key;          // for Use
};
KeyLineOutcome DecideKeyLine(int number, const std::string& line);

// What the registry step does with value line `number` of `section`: Use
// writes data under value.name; Skip passes over a text too long once
// %EXEPATH% is replaced, with a message; EndStep ends the whole registry step,
// with a message for an incomplete line and silently for a malformed one.
struct ValueLineOutcome {
    ValueLineStatus status = ValueLineStatus::Ok;
    LineEffect effect = LineEffect::Use;
    std::string message;
    ValueLine value;
    RegistryValueData data;  // for Use
};
ValueLineOutcome DecideValueLine(const std::string& section, int number, const std::string& line,
                                 const std::string& installDir);
