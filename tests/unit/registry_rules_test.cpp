#include "system/registry_rules.h"

#include <gtest/gtest.h>

#include "common/registry_path_rules.h"

using Bytes = std::vector<unsigned char>;

struct KeyLineCase {
    const char* line;
    KeyLineStatus status;
    std::uint32_t root;
    const char* subKey;
};

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
        KeyLineCase{"HKEY_LOCAL_MACHINE\\Software\\Example\\Game", KeyLineStatus::Ok, kRootLocalMachine,
                    "Software\\Example\\Game"},
        KeyLineCase{"HKEY_CURRENT_USER\\", KeyLineStatus::Ok, kRootCurrentUser, ""},
        KeyLineCase{"HKEY_CLASSES_ROOT\\.qrn\\ shell \\", KeyLineStatus::Ok, kRootClassesRoot, ".qrn\\ shell \\"},
        KeyLineCase{"HKEY_DYN_DATA\\X", KeyLineStatus::Ok, kRootDynData, "X"},
        KeyLineCase{"hkey_local_machine\\Software\\Example", KeyLineStatus::UnknownRoot, 0, "untouched"},
        KeyLineCase{"HKEY_LOCAL_MACHINE \\Software", KeyLineStatus::UnknownRoot, 0, "untouched"},
        KeyLineCase{"\\Software", KeyLineStatus::UnknownRoot, 0, "untouched"},
        KeyLineCase{"HKEY_CURRENT_USER", KeyLineStatus::NoBackslash, 0, "untouched"},
        KeyLineCase{"", KeyLineStatus::Empty, 0, "untouched"}));

struct ValueLineCase {
    const char* line;
    ValueLineStatus status;
    const char* name;
    int type;
    const char* data;
};

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
        ValueLineCase{"InstallPath, 1, %EXEPATH%", ValueLineStatus::Ok, "InstallPath", 1, "%EXEPATH%"},
        ValueLineCase{"Level, 0, 3", ValueLineStatus::Ok, "Level", 0, "3"},
        ValueLineCase{"Flags, 2, 0A0B0C", ValueLineStatus::Ok, "Flags", 2, "0A0B0C"},
        ValueLineCase{"   Level,0,3", ValueLineStatus::Ok, "Level", 0, "3"},
        ValueLineCase{"Name , 1, abc", ValueLineStatus::Ok, "Name ", 1, "abc"},
        ValueLineCase{", 1, abc", ValueLineStatus::Ok, "", 1, "abc"},
        ValueLineCase{"  , 1, abc", ValueLineStatus::Ok, "", 1, "abc"},
        ValueLineCase{"Text, 1, a, b, c", ValueLineStatus::Ok, "Text", 1, "a, b, c"},
        ValueLineCase{"Level, 0,", ValueLineStatus::Ok, "Level", 0, ""},
        ValueLineCase{"Level ,  0  ,   7 8", ValueLineStatus::Ok, "Level ", 0, "7 8"},
        ValueLineCase{"X, x, 5", ValueLineStatus::Ok, "X", 0, "5"},
        ValueLineCase{"T\tab, 1, \tx", ValueLineStatus::Ok, "T\tab", 1, "\tx"},  // a tab is no blank
        // Malformed shapes end the step.
        ValueLineCase{"Val, , 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val,,5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 10, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 01, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 1 x, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 3, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 9, 5", ValueLineStatus::Malformed, "untouched", 7, "untouched"},
        // Lines that end before their type and second comma.
        ValueLineCase{"", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"   ", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"Val", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"Val,", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"Val,   ", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 1", ValueLineStatus::Incomplete, "untouched", 7, "untouched"},
        ValueLineCase{"Val, 1  ", ValueLineStatus::Incomplete, "untouched", 7, "untouched"}));

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
    const char* text;
    std::uint32_t value;
};

class DwordTest : public ::testing::TestWithParam<DwordCase> {};

TEST_P(DwordTest, ReadsAsA32BitStrtoul) {
    EXPECT_EQ(DwordFromText(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DwordTest,
    ::testing::Values(DwordCase{"3", 3u}, DwordCase{"", 0u}, DwordCase{"-1", 0xFFFFFFFFu}, DwordCase{"-2", 0xFFFFFFFEu},
                      DwordCase{"-0", 0u}, DwordCase{"12abc", 12u}, DwordCase{"abc", 0u}, DwordCase{"-", 0u},
                      DwordCase{"+7", 7u}, DwordCase{"+-7", 0u}, DwordCase{"--7", 0u},
                      DwordCase{"4294967295", 0xFFFFFFFFu}, DwordCase{"4294967296", 0xFFFFFFFFu},
                      DwordCase{"4294967294", 0xFFFFFFFEu}, DwordCase{"99999999999999999999999", 0xFFFFFFFFu},
                      DwordCase{"-4294967295", 1u}, DwordCase{"-4294967296", 0xFFFFFFFFu},
                      DwordCase{"-2147483648", 0x80000000u}, DwordCase{"2147483648", 0x80000000u},
                      DwordCase{"0000000000000000000042", 42u}, DwordCase{"\t 5", 5u}, DwordCase{"\n\r\v\f8", 8u},
                      DwordCase{"1 2", 1u}, DwordCase{"0x10", 0u}, DwordCase{"1.5", 1u}));

struct HexCase {
    const char* text;
    Bytes bytes;
};

class HexPairsTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexPairsTest, DecodesUpToTheFirstNonDigit) {
    EXPECT_EQ(DecodeHexPairs(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexPairsTest,
    ::testing::Values(HexCase{"0A0B0C", Bytes{0x0A, 0x0B, 0x0C}}, HexCase{"0A1b2", Bytes{0x0A, 0x1B}},
                      HexCase{"01 02", Bytes{0x01}}, HexCase{"0x10", Bytes{}}, HexCase{"", Bytes{}},
                      HexCase{"f", Bytes{}}, HexCase{"ffFF", Bytes{0xFF, 0xFF}}, HexCase{"12,34", Bytes{0x12}},
                      HexCase{"1g23", Bytes{}}, HexCase{"g1", Bytes{}}, HexCase{"00", Bytes{0x00}},
                      HexCase{"a5-5a", Bytes{0xA5}}));

TEST(HexPairsLimit, LongestLineFitsAndDecodingNeverPassesTheBuffer) {
    EXPECT_EQ(DecodeHexPairs(std::string(298, 'a')).size(), 149u);
    EXPECT_EQ(DecodeHexPairs(std::string(1000, 'a')).size(), kBinarySize);
}

struct DataCase {
    const char* line;
    const char* installDir;
    std::uint32_t type;
    Bytes bytes;
};

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
        DataCase{"InstallPath, 1, %EXEPATH%\\game.exe", "C:\\Games\\X", kRegSz, Text("C:\\Games\\X\\game.exe")},
        DataCase{"Empty, 1,", "C:\\G", kRegSz, Text("")},
        DataCase{"Two, 1, %EXEPATH%;%EXEPATH%\\b", "D:\\", kRegSz, Text("D:\\;D:\\\\b")},
        DataCase{"Level, 0,", "", kRegDword, Bytes{0, 0, 0, 0}},
        DataCase{"Level, 0, 305419896", "", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}},
        DataCase{"Level, x, 9", "", kRegDword, Bytes{9, 0, 0, 0}},
        DataCase{"Flags, 2, 0A1b2", "", kRegBinary, Bytes{0x0A, 0x1B}},
        DataCase{"Flags, 2, 0x10", "", kRegBinary, Bytes{}},
        DataCase{"Flags, 2, %EXEPATH%", "C:\\G", kRegBinary, Bytes{}}));

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
