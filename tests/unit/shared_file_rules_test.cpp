#include "install/shared_file_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

struct LineCase {
    const char* what;
    const char* value;
    SharedLine expected;
    int kind;          // checked when the kind is stored
    const char* name;  // checked for Ok and BadName
};

static void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.value);
}

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
        LineCase{"kind 1 and a name", "1, shared.dll", SharedLine::Ok, 1, "shared.dll"},
        LineCase{"kind 0 without blanks", "0,readme.txt", SharedLine::Ok, 0, "readme.txt"},
        LineCase{"kind 1 without blanks", "1,a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"blank before the comma", "1 , a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"blanks around both fields", "   1   ,   a.dll", SharedLine::Ok, 1, "a.dll"},
        LineCase{"letter kind reads 0", "x,a.dll", SharedLine::Ok, 0, "a.dll"},
        LineCase{"kind 3 is stored", "3,a.dll", SharedLine::Ok, 3, "a.dll"},
        LineCase{"comma inside the name", "1,my file, old.dll", SharedLine::Ok, 1, "my file, old.dll"},
        LineCase{"trailing blanks stay in the name", "1,a.dll  ", SharedLine::Ok, 1, "a.dll  "},
        LineCase{"tab kind reads 0", "\t,a.dll", SharedLine::Ok, 0, "a.dll"},  // a tab is an ordinary character
        LineCase{"empty line", "", SharedLine::Empty, 0, ""},
        LineCase{"two digit kind", "10,a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"no kind", ",a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"blank kind", "  ,a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"no comma", "1 a.dll", SharedLine::Malformed, 0, ""},
        LineCase{"kind alone", "1", SharedLine::Malformed, 0, ""},
        LineCase{"blanks only", "   ", SharedLine::Malformed, 0, ""},
        LineCase{"nothing after the comma", "1,", SharedLine::NoName, 1, ""},
        LineCase{"blanks after the comma", "1,   ", SharedLine::NoName, 1, ""},
        LineCase{"parent folder", "0,..\\evil.dll", SharedLine::BadName, 0, "..\\evil.dll"},
        LineCase{"drive path", "1,C:\\evil.dll", SharedLine::BadName, 1, "C:\\evil.dll"},
        LineCase{"rooted path", "1,\\evil.dll", SharedLine::BadName, 1, "\\evil.dll"}),
    NameFromWhat());

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
