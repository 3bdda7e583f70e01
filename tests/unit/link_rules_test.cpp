#include "common/link_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

using Paths = std::vector<std::string>;

// ---- a path within a folder ----

struct WithinCase {
    const char* what;
    const char* path;
    const char* folder;
    bool within;
};

static void PrintTo(const WithinCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.path) << " in " << Quoted(c.folder);
}

class LiesWithinFolderTest : public ::testing::TestWithParam<WithinCase> {};

TEST_P(LiesWithinFolderTest, ComparesWholeComponents) {
    const WithinCase& c = GetParam();
    EXPECT_EQ(LiesWithinFolder(c.path, c.folder), c.within);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiesWithinFolderTest,
    ::testing::Values(WithinCase{"the folder itself", "C:\\windows", "C:\\windows", true},
                      WithinCase{"below it, other case", "c:\\WINDOWS\\System32\\x.dll", "C:\\windows", true},
                      WithinCase{"trailing backslashes ignored", "C:\\windows\\", "C:\\windows\\", true},
                      WithinCase{"a name that only begins like it", "C:\\windows2\\x", "C:\\windows", false},
                      WithinCase{"another folder", "D:\\Games\\Quorin", "C:\\windows", false},
                      WithinCase{"everything on a drive is below its root", "C:\\Games", "C:\\", true},
                      WithinCase{"an empty folder holds nothing", "C:\\Games", "", false},
                      WithinCase{"the folder above it", "C:\\Games", "C:\\Games\\Quorin", false}),
    NameFromWhat());

// ---- the final path of an open handle ----

struct FinalNameCase {
    const char* what;
    const char* finalName;
    const char* path;
};

static void PrintTo(const FinalNameCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.finalName);
}

class PathOfFinalNameTest : public ::testing::TestWithParam<FinalNameCase> {};

TEST_P(PathOfFinalNameTest, DropsTheLongPathPrefix) {
    EXPECT_EQ(PathOfFinalName(GetParam().finalName), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathOfFinalNameTest,
    ::testing::Values(FinalNameCase{"a drive path", "\\\\?\\C:\\windows\\system32", "C:\\windows\\system32"},
                      FinalNameCase{"a share", "\\\\?\\UNC\\server\\games\\Quorin", "\\\\server\\games\\Quorin"},
                      FinalNameCase{"a path without the prefix", "D:\\Games", "D:\\Games"}),
    NameFromWhat());

// ---- the folder levels of a manifest name's folder part ----

struct LevelsOfCase {
    const char* what;
    const char* folderPart;
    Paths levels;
};

static void PrintTo(const LevelsOfCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.folderPart);
}

class FolderLevelsOfTest : public ::testing::TestWithParam<LevelsOfCase> {};

TEST_P(FolderLevelsOfTest, AboveBeforeBelow) {
    EXPECT_EQ(FolderLevelsOf(GetParam().folderPart), GetParam().levels);
}

INSTANTIATE_TEST_SUITE_P(Cases, FolderLevelsOfTest,
                         ::testing::Values(LevelsOfCase{"a file at the top", "", {}},
                                           LevelsOfCase{"one folder", "data", {"data"}},
                                           LevelsOfCase{"three folders", "data\\maps\\old",
                                                        {"data", "data\\maps", "data\\maps\\old"}}),
                         NameFromWhat());

// ---- links by their attributes ----

struct AttributesCase {
    const char* what;
    unsigned long attributes;
    bool link;
};

static void PrintTo(const AttributesCase& c, std::ostream* os) {
    *os << c.what;
}

class IsLinkAttributesTest : public ::testing::TestWithParam<AttributesCase> {};

TEST_P(IsLinkAttributesTest, ReparsePointsAreLinks) {
    EXPECT_EQ(IsLinkAttributes(GetParam().attributes), GetParam().link);
}

INSTANTIATE_TEST_SUITE_P(Cases, IsLinkAttributesTest,
                         ::testing::Values(AttributesCase{"a plain folder", 0x10, false},
                                           AttributesCase{"a junction", 0x410, true},
                                           AttributesCase{"a file symbolic link", 0x420, true},
                                           AttributesCase{"nothing there", kNoFileAttributes, false}),
                         NameFromWhat());

// ---- programs named without a folder ----

struct BareCase {
    const char* what;
    const char* program;
    bool bare;
    const char* fileName;
};

static void PrintTo(const BareCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.program);
}

class BareProgramTest : public ::testing::TestWithParam<BareCase> {};

TEST_P(BareProgramTest, NamedWithoutAFolderAndItsFile) {
    const BareCase& c = GetParam();
    EXPECT_EQ(IsBareProgramName(c.program), c.bare);
    EXPECT_EQ(ProgramFileName(c.program), c.fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BareProgramTest,
    ::testing::Values(BareCase{"a bare name", "regedit.exe", true, "regedit.exe"},
                      BareCase{"a bare name without extension", "notepad", true, "notepad.exe"},
                      BareCase{"a folder", "Redist\\setup.exe", false, "Redist\\setup.exe"},
                      BareCase{"a dot in a folder, none in the name", "v1.2\\setup", false, "v1.2\\setup.exe"},
                      BareCase{"a drive", "C:regedit.exe", false, "C:regedit.exe"},
                      BareCase{"a forward slash", "./regedit.exe", false, "./regedit.exe"},
                      BareCase{"a batch file", "fix.bat", true, "fix.bat"}),
    NameFromWhat());

struct SearchCase {
    const char* what;
    const char* systemDir;
    const char* windowsDir;
    const char* path;
    Paths folders;
};

static void PrintTo(const SearchCase& c, std::ostream* os) {
    *os << c.what << ": PATH " << Quoted(c.path);
}

class BareProgramFoldersTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(BareProgramFoldersTest, WindowsOrderWithoutTheCurrentFolder) {
    const SearchCase& c = GetParam();
    EXPECT_EQ(BareProgramFolders(c.systemDir, c.windowsDir, c.path), c.folders);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BareProgramFoldersTest,
    ::testing::Values(
        SearchCase{"system folders, then PATH",
                   "C:\\windows\\system32",
                   "C:\\windows",
                   "C:\\Tools;\\\\server\\bin",
                   {"C:\\windows\\system32", "C:\\windows\\System", "C:\\windows", "C:\\Tools", "\\\\server\\bin"}},
        // A relative or empty entry would be the current folder again.
        SearchCase{"relative and empty PATH entries left out",
                   "C:\\windows\\system32",
                   "C:\\windows\\",
                   ".;;bin;C:\\Tools;",
                   {"C:\\windows\\system32", "C:\\windows\\System", "C:\\windows\\", "C:\\Tools"}},
        SearchCase{"quotes removed",
                   "C:\\windows\\system32",
                   "C:\\windows",
                   "\"C:\\Program Files\\Tool\"",
                   {"C:\\windows\\system32", "C:\\windows\\System", "C:\\windows", "C:\\Program Files\\Tool"}},
        SearchCase{"no folder known", "", "", "", {}}),
    NameFromWhat());

// The texts name the path they are about.
TEST(LinkTexts, NameTheirPath) {
    EXPECT_NE(LinkOnTheWayText("C:\\Games\\Quorin\\data").find("C:\\Games\\Quorin\\data"), std::string::npos);
    EXPECT_NE(GroupFolderLinkText("C:\\P\\Quorin").find("C:\\P\\Quorin"), std::string::npos);
    const std::string text = InstallFolderInWindowsText("C:\\Games\\Quorin", "C:\\windows\\system32");
    EXPECT_NE(text.find("C:\\Games\\Quorin"), std::string::npos);
    EXPECT_NE(text.find("C:\\windows\\system32"), std::string::npos);
    EXPECT_NE(ProgramChangedText("C:\\Games\\Q\\a.exe").find("C:\\Games\\Q\\a.exe"), std::string::npos);
}
