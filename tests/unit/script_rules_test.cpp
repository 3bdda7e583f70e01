#include "common/script_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

struct ExpandCase {
    const char* what;
    const char* text;
    const char* installDir;
    const char* expected;
};

static void PrintTo(const ExpandCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.text) << ", " << Quoted(c.installDir);
}

class ExpandExePathTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandExePathTest, ReplacesEveryWholeToken) {
    const ExpandCase& c = GetParam();
    std::string out = "untouched";
    ASSERT_TRUE(ExpandExePathText(c.text, c.installDir, out));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandExePathTest,
    ::testing::Values(
        ExpandCase{"two tokens", "%EXEPATH%\\a.exe %EXEPATH%\\b.dat", "C:\\Games\\X",
                   "C:\\Games\\X\\a.exe C:\\Games\\X\\b.dat"},
        ExpandCase{"cut token EXE", "%EXE", "C:\\G", "%EXE"},
        ExpandCase{"cut token E", "%E", "C:\\G", "%E"},
        ExpandCase{"lower case token", "%exepath%\\a", "C:\\G", "%exepath%\\a"},
        ExpandCase{"token without closing percent", "%EXEPATH", "C:\\G", "%EXEPATH"},
        ExpandCase{"token inside percent signs", "%%EXEPATH%%", "C:\\G", "%C:\\G%"},
        ExpandCase{"empty text", "", "C:\\G", ""},
        ExpandCase{"empty install folder", "%EXEPATH%", "", ""},
        ExpandCase{"token twice on a drive root", "%EXEPATH%%EXEPATH%", "C:\\", "C:\\C:\\"},
        ExpandCase{"install folder ending in a backslash", "a %EXEPATH% b", "C:\\Games\\", "a C:\\Games\\ b"}),
    NameFromWhat());

TEST(ExpandExePathBound, ResultOf299CharactersFitsAndOf300IsRefused) {
    std::string dir(290, 'd');
    std::string out = "untouched";
    EXPECT_TRUE(ExpandExePathText("%EXEPATH%123456789", dir, out));  // 290 + 9 = 299
    EXPECT_EQ(out.size(), 299u);
    out = "untouched";
    EXPECT_FALSE(ExpandExePathText("%EXEPATH%1234567890", dir, out));  // 300: no room for the NUL
    EXPECT_EQ(out, "untouched");
    EXPECT_FALSE(ExpandExePathText(std::string(300, 'x'), "", out));
}

TEST(ExpandExePathStart, OnlyTheWholeTokenInExactCaseAtTheStart) {
    EXPECT_TRUE(StartsWithExePath("%EXEPATH%"));
    EXPECT_TRUE(StartsWithExePath("%EXEPATH%\\a.exe /q"));
    EXPECT_FALSE(StartsWithExePath("%ExePath%\\a.exe"));
    EXPECT_FALSE(StartsWithExePath(" %EXEPATH%\\a.exe"));
    EXPECT_FALSE(StartsWithExePath("%EXEPATH"));
    EXPECT_FALSE(StartsWithExePath("a.exe %EXEPATH%"));
}

TEST(SourceFolder, KeepsDriveAndDirectoryWithTrailingBackslash) {
    EXPECT_EQ(SourceFolderFromModulePath("D:\\SETUP\\SETUP.EXE"), "D:\\SETUP\\");
    EXPECT_EQ(SourceFolderFromModulePath("E:\\Setup.exe"), "E:\\");
    EXPECT_EQ(SourceFolderFromModulePath("C:\\a b\\c.d\\Setup.exe"), "C:\\a b\\c.d\\");
    EXPECT_EQ(SourceFolderFromModulePath("\\\\server\\share\\Setup.exe"), "\\\\server\\share\\");
    EXPECT_EQ(SourceFolderFromModulePath("Setup.exe"), "");
}

TEST(PathComponents, DropsEmptyComponentsAsStrtokDoes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitPathComponents("C:\\Games\\Foo\\Bar"), (V{"C:", "Games", "Foo", "Bar"}));
    EXPECT_EQ(SplitPathComponents("\\\\a\\\\b\\"), (V{"a", "b"}));
    EXPECT_EQ(SplitPathComponents(""), V{});
    EXPECT_EQ(SplitPathComponents("\\\\\\"), V{});
    EXPECT_EQ(SplitPathComponents("data\\README"), (V{"data", "README"}));
}

TEST(FieldConventions, BlanksAndFlags) {
    EXPECT_STREQ(SkipBlanks("   a b"), "a b");
    EXPECT_STREQ(SkipBlanks("\ta"), "\ta");  // a tab is not a blank
    EXPECT_STREQ(SkipBlanks(""), "");
    EXPECT_EQ(FlagValue('0'), 0);
    EXPECT_EQ(FlagValue('7'), 7);
    EXPECT_EQ(FlagValue('9'), 9);
    EXPECT_EQ(FlagValue('x'), 0);
    EXPECT_EQ(FlagValue('-'), 0);
    EXPECT_EQ(LineKey(1), "1");
    EXPECT_EQ(LineKey(10), "10");
}

struct LineNumberCase {
    const char* what;
    const char* key;
    int number;
};

static void PrintTo(const LineNumberCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.key);
}

class LineNumberOfKeyTest : public ::testing::TestWithParam<LineNumberCase> {};

// Only a key that LineKey writes names a line: any other is never read as one.
TEST_P(LineNumberOfKeyTest, NumbersOnlyKeysLineKeyWrites) {
    const LineNumberCase& c = GetParam();
    EXPECT_EQ(LineNumberOfKey(c.key), c.number);
    if (c.number > 0) {
        EXPECT_EQ(LineKey(c.number), c.key);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineNumberOfKeyTest,
    ::testing::Values(LineNumberCase{"line one", "1", 1}, LineNumberCase{"line ten", "10", 10},
                      LineNumberCase{"largest int", "2147483647", 2147483647},
                      LineNumberCase{"past the int range", "2147483648", 0},
                      LineNumberCase{"twenty digits", "99999999999999999999", 0},
                      LineNumberCase{"leading zero", "01", 0}, LineNumberCase{"zero", "0", 0},
                      LineNumberCase{"sign", "+1", 0}, LineNumberCase{"negative", "-1", 0},
                      LineNumberCase{"Count", "Count", 0}, LineNumberCase{"digits then a letter", "1a", 0},
                      LineNumberCase{"inner blank", "1 2", 0}, LineNumberCase{"empty", "", 0}),
    NameFromWhat());

struct LinesToReadCase {
    const char* what;
    int count;
    int lastLine;
    int lines;
};

static void PrintTo(const LinesToReadCase& c, std::ostream* os) {
    *os << c.what << ": count " << c.count << ", last line " << c.lastLine;
}

class LinesToReadTest : public ::testing::TestWithParam<LinesToReadCase> {};

TEST_P(LinesToReadTest, StopsAfterTheFirstMissingLinePastTheLast) {
    const LinesToReadCase& c = GetParam();
    EXPECT_EQ(LinesToRead(c.count, c.lastLine), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinesToReadTest,
    ::testing::Values(LinesToReadCase{"count below the last line", 3, 5, 3},
                      LinesToReadCase{"count at the last line", 5, 5, 5},
                      LinesToReadCase{"count one past", 6, 5, 6},
                      LinesToReadCase{"count far past", 2147483647, 5, 6},
                      LinesToReadCase{"no line at all", 2147483647, 0, 1},
                      LinesToReadCase{"zero count", 0, 5, 0}, LinesToReadCase{"negative count", -4, 5, -4},
                      LinesToReadCase{"last line at the int range", 2147483647, 2147483647, 2147483647}),
    NameFromWhat());

TEST(LastLineNumber, HighestNumberedKeyOfTheSection) {
    EXPECT_EQ(LastLineNumber({"Count", "1", "3", "2"}), 3);
    EXPECT_EQ(LastLineNumber({"Count", "Folder Name", "07"}), 0);
    EXPECT_EQ(LastLineNumber({}), 0);
}
