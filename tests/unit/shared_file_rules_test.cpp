#include "install/shared_file_rules.h"

#include <gtest/gtest.h>

struct LineCase {
    const char* value;
    SharedLine expected;
    int kind;          // checked when the kind is stored
    const char* name;  // checked for Ok and BadName
};

class SharedFileLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SharedFileLineTest, ParsesKindAndName) {
    const LineCase& c = GetParam();
    SharedLineFields fields;
    fields.kind = -7;
    ASSERT_EQ(ParseSharedFileLine(c.value, fields), c.expected) << c.value;
    bool kindStored = c.expected == SharedLine::NoName || c.expected == SharedLine::BadName || c.expected == SharedLine::Ok;
    EXPECT_EQ(fields.kind, kindStored ? c.kind : -7) << c.value;
    if (c.expected == SharedLine::Ok || c.expected == SharedLine::BadName) {
        EXPECT_EQ(fields.name, c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFileLineTest,
    ::testing::Values(
        LineCase{"1, shared.dll", SharedLine::Ok, 1, "shared.dll"},
        LineCase{"0,readme.txt", SharedLine::Ok, 0, "readme.txt"},
        LineCase{"1,a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"1 , a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"   1   ,   a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"x,a.dll", SharedLine::Ok, 0, "a.dll"},
        LineCase{"3,a.dll", SharedLine::Ok, 3, "a.dll"},
        LineCase{"1,my file, old.dll", SharedLine::Ok, 1, "my file, old.dll"},
        LineCase{"1,a.dll  ", SharedLine::Ok, 1, "a.dll  "},
        LineCase{"\t,a.dll", SharedLine::Ok, 0, "a.dll"},  // a tab is an ordinary character
        LineCase{"", SharedLine::Empty, 0, ""},
        LineCase{"10,a.dll", SharedLine::Malformed, 0, ""},
        LineCase{",a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"  ,a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"1 a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"1", SharedLine::Malformed, 0, ""},
        LineCase{"   ", SharedLine::Malformed, 0, ""},
        LineCase{"1,", SharedLine::NoName, 1, ""},
        LineCase{"1,   ", SharedLine::NoName, 1, ""},
        LineCase{"0,..\\evil.dll", SharedLine::BadName, 0, "..\\evil.dll"},
        LineCase{"1,C:\\evil.dll", SharedLine::BadName, 1, "C:\\evil.dll"},
        LineCase{"1,\\evil.dll", SharedLine::BadName, 1, "\\evil.dll"}));

TEST(SharedFileLineLimits, NameOf259CharactersFitsTheRecordAnd260IsRefused) {
    SharedLineFields fields;
    std::string name259 = std::string(255, 'n') + ".dll";
    ASSERT_EQ(ParseSharedFileLine("1," + name259, fields), SharedLine::Ok);
    EXPECT_EQ(fields.name.size(), 259u);
    SharedLineFields longer;
    EXPECT_EQ(ParseSharedFileLine("1, " + std::string(256, 'n') + ".dll", longer), SharedLine::BadName);
    EXPECT_EQ(longer.problem, NameProblem::TooLong);
    EXPECT_EQ(longer.kind, 1);
}

TEST(SharedFileCount, NegativeIsNoneAndHugeIsCut) {
    EXPECT_EQ(SharedFileCountToUse(-1), 0);
    EXPECT_EQ(SharedFileCountToUse(-5), 0);
    EXPECT_EQ(SharedFileCountToUse(-2147483647 - 1), 0);
    EXPECT_EQ(SharedFileCountToUse(0), 0);
    EXPECT_EQ(SharedFileCountToUse(3), 3);
    EXPECT_EQ(SharedFileCountToUse(kMaxSharedFiles), kMaxSharedFiles);
    EXPECT_EQ(SharedFileCountToUse(kMaxSharedFiles + 1), kMaxSharedFiles);
    EXPECT_EQ(SharedFileCountToUse(2147483647), kMaxSharedFiles);
}

TEST(SharedFileSize, OnlyFilesBelow4GiBAreMeasured) {
    EXPECT_EQ(SharedFileSize(1000, 0), 1000u);
    EXPECT_EQ(SharedFileSize(0, 0), 0u);
    EXPECT_EQ(SharedFileSize(0xFFFFFFFEu, 0), 0xFFFFFFFEu);
    EXPECT_EQ(SharedFileSize(0xFFFFFFFFu, 0), 0u);  // exactly 4294967295 bytes
    EXPECT_EQ(SharedFileSize(5, 1), 0u);
}
