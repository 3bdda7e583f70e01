#include "install/copy_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

using Paths = std::vector<std::string>;

struct LevelsCase {
    const char* what;
    const char* base;
    const char* relative;
    Paths expected;
};

static void PrintTo(const LevelsCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.base) << ", " << Quoted(c.relative);
}

class SubfolderLevelsTest : public ::testing::TestWithParam<LevelsCase> {};

TEST_P(SubfolderLevelsTest, EveryComponentIsAFolderLevel) {
    const LevelsCase& c = GetParam();
    Paths levels{"stale"};
    ASSERT_EQ(SubfolderLevels(c.base, c.relative, levels), SubfolderWalk::Ok);
    EXPECT_EQ(levels, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubfolderLevelsTest,
    ::testing::Values(
        LevelsCase{"two levels", "C:\\Games\\X", "data\\maps", {"C:\\Games\\X\\data\\", "C:\\Games\\X\\data\\maps\\"}},
        // A dot in the base or in a folder name does not stop the walk.
        LevelsCase{"dot in the base", "D:\\My.Games", "data", {"D:\\My.Games\\data\\"}},
        LevelsCase{"dot in a folder name", "C:\\G", "v1.2\\sub", {"C:\\G\\v1.2\\", "C:\\G\\v1.2\\sub\\"}},
        // A program group with several levels.
        LevelsCase{"program group of two levels", "C:\\Programs", "Games\\Quest",
                   {"C:\\Programs\\Games\\", "C:\\Programs\\Games\\Quest\\"}},
        // Empty components are dropped; a base ending in a backslash is not doubled.
        LevelsCase{"empty components dropped", "C:\\G", "\\a\\\\b\\", {"C:\\G\\a\\", "C:\\G\\a\\b\\"}},
        LevelsCase{"drive root base", "D:\\", "data", {"D:\\data\\"}},
        LevelsCase{"no folder", "C:\\G", "", {}},
        LevelsCase{"only backslashes", "C:\\G", "\\\\", {}}),
    NameFromWhat());

TEST(SubfolderLevelsLimits, LevelOf259CharactersFitsAnd260IsRefused) {
    std::string base = "C:\\" + std::string(250, 'b');  // 253 characters
    Paths levels{"untouched"};
    // 253 + "\" + "12345" + "\" = 260 characters: no room for the NUL.
    EXPECT_EQ(SubfolderLevels(base, "12345", levels), SubfolderWalk::TooLong);
    EXPECT_EQ(levels, Paths{"untouched"});
    ASSERT_EQ(SubfolderLevels(base, "1234", levels), SubfolderWalk::Ok);
    EXPECT_EQ(levels.back().size(), 259u);
}

TEST(SubfolderLevelsLimits, EmptyBaseIsRefusedRatherThanTheDriveRoot) {
    Paths levels;
    EXPECT_EQ(SubfolderLevels("", "data", levels), SubfolderWalk::NoBase);
    EXPECT_TRUE(levels.empty());
}

struct JoinCase {
    const char* what;
    const char* folder;
    const char* name;
    const char* expected;  // null: refused
};

static void PrintTo(const JoinCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.folder) << ", " << Quoted(c.name);
}

class JoinPathTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathTest, JoinsWithOneBackslashOrRefuses) {
    const JoinCase& c = GetParam();
    std::string out = "untouched";
    EXPECT_EQ(JoinPath(c.folder, c.name, out), c.expected != nullptr);
    EXPECT_EQ(out, c.expected ? c.expected : "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinPathTest,
    ::testing::Values(JoinCase{"folder and a name in a sub folder", "C:\\Games\\X", "data\\a.txt",
                               "C:\\Games\\X\\data\\a.txt"},
                      JoinCase{"folder ending in a backslash", "E:\\SETUP\\", "a.txt", "E:\\SETUP\\a.txt"},
                      JoinCase{"drive root", "D:\\", "a.txt", "D:\\a.txt"},
                      JoinCase{"empty folder refused", "", "a.txt", nullptr}),
    NameFromWhat());

TEST(JoinPathLimits, ResultOf259CharactersFitsAnd260IsRefused) {
    std::string folder = "C:\\" + std::string(200, 'f');  // 203 characters
    std::string out;
    ASSERT_TRUE(JoinPath(folder, std::string(55, 'n'), out));  // 203 + 1 + 55
    EXPECT_EQ(out.size(), 259u);
    out = "untouched";
    EXPECT_FALSE(JoinPath(folder, std::string(56, 'n'), out));
    EXPECT_EQ(out, "untouched");
    EXPECT_FALSE(JoinPath(folder + "\\", std::string(56, 'n'), out));
}

TEST(FolderPart, EverythingBeforeTheLastBackslash) {
    EXPECT_EQ(FolderPartOfName("data\\maps\\a.map"), "data\\maps");
    EXPECT_EQ(FolderPartOfName("data\\README"), "data");
    EXPECT_EQ(FolderPartOfName("a.txt"), "");
    EXPECT_EQ(FolderPartOfName("v1.2\\b"), "v1.2");
}

struct TitleCase {
    const char* what;
    const char* format;
    const char* name;
    const char* version;
    const char* expected;
};

static void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.format) << ", " << Quoted(c.name) << ", " << Quoted(c.version);
}

class CopyDialogTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(CopyDialogTitleTest, NameAndVersionTakeTheTwoPlaceholders) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(CopyDialogTitle(c.format, c.name, c.version), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyDialogTitleTest,
    ::testing::Values(TitleCase{"name and version", "%s %s 파일 설치중", "Setup", "1.0", "Setup 1.0 파일 설치중"},
                      TitleCase{"Korean name and no version", "%s %s 파일 설치중", "쿼린", "", "쿼린  파일 설치중"},
                      // Placeholders in the product's own texts are not expanded again.
                      TitleCase{"placeholders in the texts stay", "%s %s", "%s", "%s", "%s %s"},
                      TitleCase{"percent sign and a third placeholder", "100%% %s %s %s", "a", "b", "100% a b %s"},
                      TitleCase{"other conversions stay", "%d %", "a", "b", "%d %"}),
    NameFromWhat());

TEST(ProgressRange, OneStepPerFileIn32Bits) {
    EXPECT_EQ(ProgressRange(3, 2), 5u);        // package files at 1..3, shared files from 4
    EXPECT_EQ(ProgressRange(0, 2), 2u);        // an empty package: only the shared files
    EXPECT_EQ(ProgressRange(3, -4), 3u);       // a negative count has no records
    EXPECT_EQ(ProgressRange(65535, 0), 65535u);
    EXPECT_EQ(ProgressRange(65536, 1), 65537u);  // no wrap past 16 bits
    EXPECT_EQ(ProgressRange(70000, 1), 70001u);
    EXPECT_EQ(ProgressRange(1000000, 0), 1000000u);
    EXPECT_EQ(ProgressRange(0x7FFFFFFFu, 5), 0x7FFFFFFFu);  // held at the bar's largest position
    EXPECT_EQ(ProgressRange(0xFFFFFFFFu, 0x7FFFFFFF), 0x7FFFFFFFu);
}

TEST(FailedCopy, OnlyFileExistsSendsTheCopyOnToReplace) {
    // The copy in progress is made as a new file: "there already" is what a
    // killed run left, which is removed and made again; every other failure
    // ends the copy of this file.
    EXPECT_TRUE(CopyFoundDestination(80));
    EXPECT_TRUE(CopyFoundDestination(183));
    for (unsigned long error : {0ul, 2ul, 3ul, 5ul, 32ul, 39ul, 112ul}) EXPECT_FALSE(CopyFoundDestination(error)) << error;
}
