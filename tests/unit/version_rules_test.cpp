#include "checks/version_rules.h"

#include <gtest/gtest.h>

#include "common/registry_path_rules.h"

#include "test_names.h"

struct RootCase {
    const char* what;
    const char* name;
    std::uint32_t handle;
};

static void PrintTo(const RootCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.name);
}

class RootNameTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootNameTest, MatchesWholeNameWithExactCase) {
    EXPECT_EQ(RootKeyFromName(GetParam().name), GetParam().handle);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RootNameTest,
    ::testing::Values(RootCase{"current user", "HKEY_CURRENT_USER", 0x80000001u},
                      RootCase{"classes root", "HKEY_CLASSES_ROOT", 0x80000000u},
                      RootCase{"current config", "HKEY_CURRENT_CONFIG", 0x80000005u},
                      RootCase{"local machine", "HKEY_LOCAL_MACHINE", 0x80000002u},
                      RootCase{"users", "HKEY_USERS", 0x80000003u},
                      RootCase{"dyn data", "HKEY_DYN_DATA", 0x80000006u},
                      RootCase{"lower case", "hkey_local_machine", 0},
                      RootCase{"mixed case", "Hkey_Users", 0},
                      RootCase{"abbreviation", "HKLM", 0},
                      RootCase{"trailing blank", "HKEY_USERS ", 0},
                      RootCase{"leading blank", " HKEY_USERS", 0},
                      RootCase{"cut name", "HKEY_USER", 0},
                      RootCase{"longer name", "HKEY_CURRENT_USERS", 0},
                      RootCase{"empty", "", 0}),
    NameFromWhat());

TEST(RootKeyNames, NameOfAHandleAndFoldedLookup) {
    for (const RootKeyName& root : kRootKeyNames) {
        EXPECT_EQ(RootKeyNameOf(root.handle), root.name);
        EXPECT_EQ(RootKeyFromName(RootKeyNameOf(root.handle)), root.handle);
    }
    EXPECT_EQ(RootKeyNameOf(0x80000004u), "");  // HKEY_PERFORMANCE_DATA is not a script root
    EXPECT_EQ(RootKeyNameOf(0), "");
    struct Row {
        const char* name;
        const char* meant;
    } rows[] = {{"hkey_local_machine", "HKEY_LOCAL_MACHINE"}, {"Hkey_Users", "HKEY_USERS"},
                {"HKEY_DYN_DATA", "HKEY_DYN_DATA"}, {"HKLM", ""}, {"hkey_users ", ""}, {"", ""}};
    for (const Row& row : rows) EXPECT_EQ(RootKeyNameFolded(row.name), row.meant) << row.name;
}

struct PathCase {
    const char* what;
    const char* path;
    RegistryPathStatus status;
    std::uint32_t root;
    const char* subKey;
    const char* valueName;
};

static void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.path);
}

class RegistryPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(RegistryPathTest, SplitsAtFirstAndLastBackslash) {
    const PathCase& c = GetParam();
    RegistryPathParts parts;
    parts.subKey = "untouched";
    parts.valueName = "untouched";
    EXPECT_EQ(ParseRegistryPath(c.path, parts), c.status);
    EXPECT_EQ(parts.root, c.root);
    EXPECT_EQ(parts.subKey, c.subKey);
    EXPECT_EQ(parts.valueName, c.valueName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryPathTest,
    ::testing::Values(
        PathCase{"sub key and value name", "HKEY_LOCAL_MACHINE\\Software\\Studio\\Game\\Version",
                 RegistryPathStatus::Ok, kRootLocalMachine, "Software\\Studio\\Game", "Version"},
        PathCase{"empty value name", "HKEY_CURRENT_USER\\Software\\Studio\\", RegistryPathStatus::Ok, kRootCurrentUser,
                 "Software\\Studio", ""},
        PathCase{"value name under the root", "HKEY_LOCAL_MACHINE\\Version", RegistryPathStatus::Ok, kRootLocalMachine,
                 "", "Version"},
        PathCase{"root only", "HKEY_USERS\\", RegistryPathStatus::Ok, kRootUsers, "", ""},
        PathCase{"blanks in both parts", "HKEY_CURRENT_USER\\a b\\c d", RegistryPathStatus::Ok, kRootCurrentUser, "a b",
                 "c d"},
        PathCase{"backslashes as sub key", "HKEY_CURRENT_USER\\\\\\v", RegistryPathStatus::Ok, kRootCurrentUser, "\\",
                 "v"},
        // An unknown root still fills the texts; the root stays null.
        PathCase{"lower case root fills the texts", "hkey_local_machine\\Software\\V", RegistryPathStatus::UnknownRoot,
                 0, "Software", "V"},
        PathCase{"no root fills the texts", "\\Software\\V", RegistryPathStatus::UnknownRoot, 0, "Software", "V"},
        PathCase{"longer root name", "HKEY_CURRENT_CONFIG_AND_MORE_TEXT\\S\\V", RegistryPathStatus::UnknownRoot, 0, "S",
                 "V"},
        // Refused: nothing is filled.
        PathCase{"root without backslash", "HKEY_LOCAL_MACHINE", RegistryPathStatus::NoBackslash, 0, "untouched",
                 "untouched"},
        PathCase{"empty", "", RegistryPathStatus::NoBackslash, 0, "untouched", "untouched"}),
    NameFromWhat());

TEST(RegistryPathLimits, PartsUpToTheirBuffersPassAndLongerOnesAreRefused) {
    const std::string root = "HKEY_CURRENT_USER\\";
    RegistryPathParts parts;
    EXPECT_EQ(ParseRegistryPath(root + std::string(199, 's') + "\\" + std::string(51, 'v'), parts),
              RegistryPathStatus::Ok);
    EXPECT_EQ(parts.subKey.size(), 199u);
    EXPECT_EQ(parts.valueName.size(), 51u);

    RegistryPathParts refused;
    EXPECT_EQ(ParseRegistryPath(root + std::string(200, 's') + "\\v", refused), RegistryPathStatus::SubKeyTooLong);
    EXPECT_EQ(ParseRegistryPath(root + "s\\" + std::string(52, 'v'), refused), RegistryPathStatus::ValueNameTooLong);
    EXPECT_EQ(ParseRegistryPath(root + std::string(52, 'v'), refused), RegistryPathStatus::ValueNameTooLong);
    EXPECT_EQ(refused.root, 0u);
    EXPECT_TRUE(refused.subKey.empty());
    EXPECT_TRUE(refused.valueName.empty());
    // A sub-key of 199 characters made of several keys is still one part.
    std::string deep = std::string(99, 'a') + "\\" + std::string(99, 'b');
    EXPECT_EQ(ParseRegistryPath(root + deep + "\\v", parts), RegistryPathStatus::Ok);
    EXPECT_EQ(parts.subKey, deep);
}

TEST(InstalledNumber, LittleEndianWithMissingHighBytesZero) {
    const unsigned char data[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(InstalledNumberFromData(data, 4), 0x12345678u);
    EXPECT_EQ(InstalledNumberFromData(data, 2), 0x5678u);
    EXPECT_EQ(InstalledNumberFromData(data, 1), 0x78u);
    EXPECT_EQ(InstalledNumberFromData(data, 0), 0u);
    const unsigned char high[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(InstalledNumberFromData(high, 4), 0xFFFFFFFFu);
}

TEST(RecordedFolder, TextUpToFirstNulAndOnlyWhenItFits) {
    std::string folder = "before";
    const char data[] = "C:\\Games\\Old\0junk";
    EXPECT_TRUE(RecordedInstallFolder(data, sizeof data, folder));
    EXPECT_EQ(folder, "C:\\Games\\Old");
    // Data without a NUL ends at its size.
    EXPECT_TRUE(RecordedInstallFolder("C:\\AB", 4, folder));
    EXPECT_EQ(folder, "C:\\A");
    EXPECT_TRUE(RecordedInstallFolder("", 1, folder));
    EXPECT_EQ(folder, "");

    std::string fits(259, 'f');
    EXPECT_TRUE(RecordedInstallFolder(fits.c_str(), fits.size() + 1, folder));
    EXPECT_EQ(folder, fits);
    folder = "before";
    std::string tooLong(260, 'f');
    EXPECT_FALSE(RecordedInstallFolder(tooLong.c_str(), tooLong.size() + 1, folder));
    EXPECT_EQ(folder, "before");
}

struct VerdictCase {
    const char* what;
    int mode;
    std::uint32_t installed;
    std::uint32_t value;
    VersionVerdict verdict;
};

static void PrintTo(const VerdictCase& c, std::ostream* os) {
    *os << c.what << ": mode " << c.mode << ", installed " << c.installed << ", value " << c.value;
}

class VersionVerdictTest : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(VersionVerdictTest, FollowsTheModeAndTheUnsignedComparison) {
    const VerdictCase& c = GetParam();
    EXPECT_EQ(DecideVersion(static_cast<VersionMode>(c.mode), c.installed, c.value), c.verdict);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionVerdictTest,
    ::testing::Values(
        VerdictCase{"mode 0 nothing installed", 0, 0, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 0 older installed", 0, 99, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 0 same installed", 0, 100, 100, VersionVerdict::AskSameInstalled},
        VerdictCase{"mode 0 newer installed", 0, 101, 100, VersionVerdict::AskNewerInstalled},
        VerdictCase{"mode 1 nothing installed", 1, 0, 100, VersionVerdict::RefuseNoInstallation},
        VerdictCase{"mode 1 nothing installed and value 0", 1, 0, 0, VersionVerdict::RefuseNoInstallation},
        VerdictCase{"mode 1 older installed", 1, 50, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 1 same installed", 1, 100, 100, VersionVerdict::AskSameInstalled},
        VerdictCase{"mode 2 nothing installed", 2, 0, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 2 newer installed", 2, 101, 100, VersionVerdict::AskNewerInstalled},
        VerdictCase{"mode 3 newer installed", 3, 101, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 3 same installed", 3, 100, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 4 nothing installed", 4, 0, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 4 newer installed", 4, 101, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 5 nothing installed", 5, 0, 100, VersionVerdict::GoOn},
        VerdictCase{"mode 5 same installed", 5, 100, 100, VersionVerdict::AskSameInstalled},
        VerdictCase{"mode minus 1 newer installed", -1, 101, 100, VersionVerdict::AskNewerInstalled},
        // Unsigned: a recorded 0xFFFFFFFF is newer than anything, a value of
        // 0x80000000 is newer than 0x7FFFFFFF.
        VerdictCase{"largest recorded is newer", 0, 0xFFFFFFFFu, 1, VersionVerdict::AskNewerInstalled},
        VerdictCase{"unsigned high bit installed is newer", 0, 0x80000000u, 0x7FFFFFFFu,
                    VersionVerdict::AskNewerInstalled},
        VerdictCase{"unsigned high bit value is newer", 0, 0x7FFFFFFFu, 0x80000000u, VersionVerdict::GoOn},
        VerdictCase{"1 installed is newer than 0", 0, 1, 0, VersionVerdict::AskNewerInstalled}),
    NameFromWhat());
