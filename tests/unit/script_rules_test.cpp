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
