#include "system/registry_rules.h"

#include <gtest/gtest.h>

#include "common/registry_path_rules.h"

#include "test_names.h"

using Bytes = std::vector<unsigned char>;

struct KeyLineCase {
    const char* what;
    const char* line;
    KeyLineStatus status;
    std::uint32_t root;
    const char* subKey;
};

static void PrintTo(const KeyLineCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.line);
}

class KeyLineTest : public ::testing::TestWithParam<KeyLineCase> {};

TEST_P(KeyLineTest, SplitsAtTheFirstBackslash) {
    const KeyLineCase& c = GetParam();
    KeyLine key;
    key.subKey = "untouched";
    EXPECT_EQ(SplitKeyLine(c.line, key), c.status);
    EXPECT_EQ(key.root, c.root);
    EXPECT_EQ(key.subKey, c.subKey);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyLineTest,
    ::testing::Values(
        KeyLineCase{"local machine key", "HKEY_LOCAL_MACHINE\\Software\\Example\\Game", KeyLineStatus::Ok,
                    kRootLocalMachine, "Software\\Example\\Game"},
        KeyLineCase{"current user with empty sub key", "HKEY_CURRENT_USER\\", KeyLineStatus::Ok, kRootCurrentUser, ""},
        KeyLineCase{"classes root keeps blanks and the last backslash", "HKEY_CLASSES_ROOT\\.qrn\\ shell \\",
                    KeyLineStatus::Ok, kRootClassesRoot, ".qrn\\ shell \\"},
        KeyLineCase{"dyn data", "HKEY_DYN_DATA\\X", KeyLineStatus::Ok, kRootDynData, "X"},
        KeyLineCase{"lower case root", "hkey_local_machine\\Software\\Example", KeyLineStatus::UnknownRoot, 0,
                    "untouched"},
        KeyLineCase{"blank after the root", "HKEY_LOCAL_MACHINE \\Software", KeyLineStatus::UnknownRoot, 0,
                    "untouched"},
        KeyLineCase{"no root", "\\Software", KeyLineStatus::UnknownRoot, 0, "untouched"},
        KeyLineCase{"root without backslash", "HKEY_CURRENT_USER", KeyLineStatus::NoBackslash, 0, "untouched"},
        KeyLineCase{"empty line", "", KeyLineStatus::Empty, 0, "untouched"}),
    NameFromWhat());

struct ValueLineCase {
    const char* what;
    const char* line;
    ValueLineStatus status;
    const char* name;
    int type;
    const char* data;
};

static void PrintTo(const ValueLineCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.line);
}

class ValueLineTest : public ::testing::TestWithParam<ValueLineCase> {};

TEST_P(ValueLineTest, NameTypeAndData) {
    const ValueLineCase& c = GetParam();
    ValueLine value;
    value.name = "untouched";
    value.type = 7;
    value.data = "untouched";
    EXPECT_EQ(ParseValueLine(c.line, value), c.status);
    EXPECT_EQ(value.name, c.name);
    EXPECT_EQ(value.type, c.type);
    EXPECT_EQ(value.data, c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueLineTest,
    ::testing::Values(
        ValueLineCase{"string with install folder", "InstallPath, 1, %EXEPATH%", ValueLineStatus::Ok, "InstallPath", 1,
                      "%EXEPATH%"},
        ValueLineCase{"dword", "Level, 0, 3", ValueLineStatus::Ok, "Level", 0, "3"},
        ValueLineCase{"binary", "Flags, 2, 0A0B0C", ValueLineStatus::Ok, "Flags", 2, "0A0B0C"},
        ValueLineCase{"leading blanks", "   Level,0,3", ValueLineStatus::Ok, "Level", 0, "3"},
        ValueLineCase{"blank before the first comma stays in the name", "Name , 1, abc", ValueLineStatus::Ok, "Name ",
                      1, "abc"},
        ValueLineCase{"empty name", ", 1, abc", ValueLineStatus::Ok, "", 1, "abc"},
        ValueLineCase{"blank name", "  , 1, abc", ValueLineStatus::Ok, "", 1, "abc"},
        ValueLineCase{"commas in the data", "Text, 1, a, b, c", ValueLineStatus::Ok, "Text", 1, "a, b, c"},
        ValueLineCase{"empty data", "Level, 0,", ValueLineStatus::Ok, "Level", 0, ""},
        ValueLineCase{"blanks around the type", "Level ,  0  ,   7 8", ValueLineStatus::Ok, "Level ", 0, "7 8"},
        ValueLineCase{"letter type reads 0", "X, x, 5", ValueLineStatus::Ok, "X", 0, "5"},
        ValueLineCase{"tabs stay", "T\tab, 1, \tx", ValueLineStatus::Ok, "T\tab", 1, "\tx"},  // a tab is no blank
        // Malformed shapes end the step.
        ValueLineCase{"blank type", "Val, , 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"empty type", "Val,,5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"two digit type", "Val, 10, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"type with leading zero", "Val, 01, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"type followed by a letter", "Val, 1 x, 5", ValueLineStatus::Malformed, "untouched", 7,
                      "untouched"},
        ValueLineCase{"type 3", "Val, 3, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"type 9", "Val, 9, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        // Lines that end before their type and second comma.
        ValueLineCase{"empty line", "", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"blanks only", "   ", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"name only", "Val", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"name and comma", "Val,", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"name comma and blanks", "Val,   ", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"no second comma", "Val, 1", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"no second comma and trailing blanks", "Val, 1  ", ValueLineStatus::Incomplete, "untouched", 7,
                      "untouched"}),
    NameFromWhat());

TEST(HexDigit, DigitsAndTheirNeighbours) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('c'), 12);
    EXPECT_EQ(HexDigitValue('5'), 5);
    for (char c : {'G', '/', ':', '@', '`', 'g', 'x', ' ', '\0'}) EXPECT_EQ(HexDigitValue(c), -1) << c;
    EXPECT_EQ(HexDigitValue(static_cast<char>(0xB0)), -1);  // a CP949 lead byte
}

struct DwordCase {
    const char* what;
    const char* text;
    std::uint32_t value;
};

static void PrintTo(const DwordCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.text);
}

class DwordTest : public ::testing::TestWithParam<DwordCase> {};

TEST_P(DwordTest, ReadsAsA32BitStrtoul) {
    EXPECT_EQ(DwordFromText(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DwordTest,
    ::testing::Values(DwordCase{"three", "3", 3u},
                      DwordCase{"empty", "", 0u},
                      DwordCase{"minus 1", "-1", 0xFFFFFFFFu},
                      DwordCase{"minus 2", "-2", 0xFFFFFFFEu},
                      DwordCase{"minus 0", "-0", 0u},
                      DwordCase{"digits then letters", "12abc", 12u},
                      DwordCase{"letters", "abc", 0u},
                      DwordCase{"minus sign alone", "-", 0u},
                      DwordCase{"plus sign", "+7", 7u},
                      DwordCase{"plus then minus", "+-7", 0u},
                      DwordCase{"two minus signs", "--7", 0u},
                      DwordCase{"largest 32 bit number", "4294967295", 0xFFFFFFFFu},
                      DwordCase{"one past 32 bits", "4294967296", 0xFFFFFFFFu},
                      DwordCase{"one below the largest", "4294967294", 0xFFFFFFFEu},
                      DwordCase{"far past 32 bits", "99999999999999999999999", 0xFFFFFFFFu},
                      DwordCase{"minus largest 32 bit number", "-4294967295", 1u},
                      DwordCase{"minus one past 32 bits", "-4294967296", 0xFFFFFFFFu},
                      DwordCase{"minus 2 to the 31", "-2147483648", 0x80000000u},
                      DwordCase{"2 to the 31", "2147483648", 0x80000000u},
                      DwordCase{"many leading zeros", "0000000000000000000042", 42u},
                      DwordCase{"tab and blank first", "\t 5", 5u},
                      DwordCase{"other white space first", "\n\r\v\f8", 8u},
                      DwordCase{"blank inside", "1 2", 1u},
                      DwordCase{"hex prefix", "0x10", 0u},
                      DwordCase{"decimal point", "1.5", 1u}),
    NameFromWhat());

struct HexCase {
    const char* what;
    const char* text;
    Bytes bytes;
};

static void PrintTo(const HexCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.text);
}

class HexPairsTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexPairsTest, DecodesUpToTheFirstNonDigit) {
    EXPECT_EQ(DecodeHexPairs(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexPairsTest,
    ::testing::Values(HexCase{"three pairs", "0A0B0C", Bytes{0x0A, 0x0B, 0x0C}},
                      HexCase{"odd digit dropped and mixed case", "0A1b2", Bytes{0x0A, 0x1B}},
                      HexCase{"blank stops", "01 02", Bytes{0x01}},
                      HexCase{"hex prefix stops at x", "0x10", Bytes{}},
                      HexCase{"empty", "", Bytes{}},
                      HexCase{"single digit", "f", Bytes{}},
                      HexCase{"upper and lower case", "ffFF", Bytes{0xFF, 0xFF}},
                      HexCase{"comma stops", "12,34", Bytes{0x12}},
                      HexCase{"non digit in the first pair", "1g23", Bytes{}},
                      HexCase{"non digit first", "g1", Bytes{}},
                      HexCase{"zero byte", "00", Bytes{0x00}},
                      HexCase{"dash stops", "a5-5a", Bytes{0xA5}}),
    NameFromWhat());

TEST(HexPairsLimit, LongestLineFitsAndDecodingNeverPassesTheBuffer) {
    EXPECT_EQ(DecodeHexPairs(std::string(298, 'a')).size(), 149u);
    EXPECT_EQ(DecodeHexPairs(std::string(1000, 'a')).size(), kBinarySize);
}

struct DataCase {
    const char* what;
    const char* line;
    const char* installDir;
    std::uint32_t type;
    Bytes bytes;
};

static void PrintTo(const DataCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.line) << ", " << Quoted(c.installDir);
}

class ValueDataTest : public ::testing::TestWithParam<DataCase> {};

TEST_P(ValueDataTest, TypeAndStoredBytes) {
    const DataCase& c = GetParam();
    ValueLine value;
    ASSERT_EQ(ParseValueLine(c.line, value), ValueLineStatus::Ok);
    RegistryValueData data;
    ASSERT_EQ(ValueDataFromLine(value, c.installDir, data), ValueLineStatus::Ok);
    EXPECT_EQ(data.type, c.type);
    EXPECT_EQ(data.bytes, c.bytes);
}

static Bytes Text(const char* text) {
    Bytes bytes(text, text + std::char_traits<char>::length(text));
    bytes.push_back(0);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueDataTest,
    ::testing::Values(
        DataCase{"string with install folder", "InstallPath, 1, %EXEPATH%\\game.exe", "C:\\Games\\X", kRegSz,
                 Text("C:\\Games\\X\\game.exe")},
        DataCase{"empty string", "Empty, 1,", "C:\\G", kRegSz, Text("")},
        DataCase{"install folder twice on a drive root", "Two, 1, %EXEPATH%;%EXEPATH%\\b", "D:\\", kRegSz,
                 Text("D:\\;D:\\\\b")},
        DataCase{"empty dword", "Level, 0,", "", kRegDword, Bytes{0, 0, 0, 0}},
        DataCase{"dword in little endian", "Level, 0, 305419896", "", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}},
        DataCase{"letter type is a dword", "Level, x, 9", "", kRegDword, Bytes{9, 0, 0, 0}},
        DataCase{"binary with an odd digit", "Flags, 2, 0A1b2", "", kRegBinary, Bytes{0x0A, 0x1B}},
        DataCase{"binary with a hex prefix", "Flags, 2, 0x10", "", kRegBinary, Bytes{}},
        DataCase{"binary does not expand the install folder", "Flags, 2, %EXEPATH%", "C:\\G", kRegBinary, Bytes{}}),
    NameFromWhat());

TEST(ValueDataLimit, ExpandedTextThatWouldNotFitIsRefused) {
    struct {
        std::size_t dirLength;
        std::size_t tailLength;
        bool fits;
    } const cases[] = {{259, 40, true}, {259, 41, false}, {260, 39, true}, {0, 290, true}, {259, 284, false}};
    for (const auto& c : cases) {
        ValueLine value;
        ASSERT_EQ(ParseValueLine("P, 1, %EXEPATH%" + std::string(c.tailLength, 'x'), value), ValueLineStatus::Ok);
        RegistryValueData data;
        data.type = 99;
        ValueLineStatus status = ValueDataFromLine(value, std::string(c.dirLength, 'd'), data);
        if (c.fits) {
            EXPECT_EQ(status, ValueLineStatus::Ok) << c.dirLength << "+" << c.tailLength;
            EXPECT_EQ(data.bytes.size(), c.dirLength + c.tailLength + 1);
            EXPECT_EQ(data.bytes.back(), 0);
        } else {
            EXPECT_EQ(status, ValueLineStatus::TooLong) << c.dirLength << "+" << c.tailLength;
            EXPECT_EQ(data.type, 99u);
            EXPECT_TRUE(data.bytes.empty());
        }
    }
}
