#include "checks/disk_space_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

TEST(DiskFigures, DriveRootIsTheFirstThreeCharacters) {
    EXPECT_EQ(DriveRoot("C:\\Games\\Quorin"), "C:\\");
    EXPECT_EQ(DriveRoot("D:\\"), "D:\\");
    EXPECT_EQ(DriveRoot("E:"), "E:");
    EXPECT_EQ(DriveRoot(""), "");
    EXPECT_EQ(DriveRoot("\\\\server\\share"), "\\\\s");
}

TEST(DiskFigures, FreeBytesDoNotWrapAt32Bits) {
    EXPECT_EQ(FreeBytes(8, 512, 256), 1048576u);
    EXPECT_EQ(FreeBytes(8, 512, 1310720), 5368709120u);  // 5 GiB
    EXPECT_EQ(FreeBytes(0xFFFFFFFFu, 0xFFFFFFFFu, 1), 0xFFFFFFFE00000001u);
    EXPECT_EQ(FreeBytes(64, 4096, 0xFFFFFFFFu), 0xFFFFFFFFull * 64 * 4096);
}

struct RequiredCase {
    const char* what;
    std::uint32_t total;
    std::vector<std::uint32_t> shared;
    int count;
    std::uint64_t expected;
};

static void PrintTo(const RequiredCase& c, std::ostream* os) {
    *os << c.what << ": total " << c.total << ", " << c.shared.size() << " shared records, count " << c.count;
}

class RequiredBytesTest : public ::testing::TestWithParam<RequiredCase> {};

TEST_P(RequiredBytesTest, AddsTheTotalAndTheCountedSharedFiles) {
    const RequiredCase& c = GetParam();
    EXPECT_EQ(SumRequiredBytes(c.total, c.shared.data(), c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequiredBytesTest,
    ::testing::Values(RequiredCase{"package and three shared files", 10000000, {1000, 0, 500}, 3, 10001500},
                      RequiredCase{"nothing", 0, {}, 0, 0},
                      RequiredCase{"only the first count records", 7, {1, 2, 3}, 2, 10},
                      RequiredCase{"negative count adds nothing", 7, {1, 2, 3}, -4, 7},
                      RequiredCase{"no wrap at 32 bits", 0xFFFFFFFFu, {0xFFFFFFFEu, 0xFFFFFFFEu}, 2,
                                   0xFFFFFFFFull + 2 * 0xFFFFFFFEull}),
    NameFromWhat());

TEST(DiskFigures, MarginAndEqualityDecideEnoughSpace) {
    // 10,000,000 of package and shared files of 1,000, 0 and 500 need 12,001,500.
    std::uint32_t shared[] = {1000, 0, 500};
    EXPECT_EQ(SumRequiredBytes(10000000, shared, 3) + kSpaceMargin, 12001500u);
    EXPECT_EQ(SumRequiredBytes(0, nullptr, 0) + kSpaceMargin, 2000000u);
}

TEST(DiskFigures, EqualityIsEnoughAndUnknownFiguresDoNotBlock) {
    EXPECT_TRUE(HasEnoughSpace(true, 12001500, 12001500));
    EXPECT_FALSE(HasEnoughSpace(true, 12001499, 12001500));
    EXPECT_TRUE(HasEnoughSpace(true, 5368709120ull, 1073741824ull + kSpaceMargin));
    EXPECT_FALSE(HasEnoughSpace(true, 0, kSpaceMargin));  // an empty package still needs the margin
    EXPECT_TRUE(HasEnoughSpace(false, 0, 12001500));
}

TEST(DiskMessages, RealDecimalFiguresWithoutSeparators) {
    EXPECT_EQ(DiskSpaceText(12001500, 12001499),
              "권장 용량: 12001500 bytes\n남은 용량: 12001499 bytes\n\n공간을 더 확보하십시요.");
    EXPECT_EQ(DiskSpaceText(8591934589ull, 5368709120ull),
              "권장 용량: 8591934589 bytes\n남은 용량: 5368709120 bytes\n\n공간을 더 확보하십시요.");
}

struct PathsCase {
    const char* what;
    std::string source;
    std::string install;
    PackagePaths expected;
    const char* offending;
};

static void PrintTo(const PathsCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.source) << ", " << Quoted(c.install);
}

class PackagePathsTest : public ::testing::TestWithParam<PathsCase> {};

TEST_P(PackagePathsTest, EveryNameMustFitBothPaths) {
    const PathsCase& c = GetParam();
    std::string longName = std::string(200, 'n') + ".dat";  // 204 bytes
    std::vector<std::string> files{"a.txt", longName, "z.txt"};
    std::string offending = "none";
    EXPECT_EQ(CheckPackagePaths(files, c.source, c.install, offending), c.expected);
    EXPECT_EQ(offending, c.offending ? std::string(c.offending) : longName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackagePathsTest,
    ::testing::Values(
        // 54 + 204 = 258 and 53 + 1 + 204 = 258: both fit.
        PathsCase{"both paths fit", "E:\\" + std::string(50, 's') + "\\", "C:\\" + std::string(50, 'i'),
                  PackagePaths::Fit, "none"},
        // install folder of 55: 55 + 1 + 204 = 260 does not fit.
        PathsCase{"install folder too long", "E:\\", "C:\\" + std::string(52, 'i'), PackagePaths::InstallTooLong,
                  nullptr},
        // 56 + 204 = 260 on the medium does not fit, whatever the install folder.
        PathsCase{"source folder too long", "E:\\" + std::string(52, 's') + "\\", "C:\\G", PackagePaths::SourceTooLong,
                  nullptr},
        // A drive root takes no second backslash: "D:\" + 204 fits.
        PathsCase{"drive roots fit", "E:\\", "D:\\", PackagePaths::Fit, "none"}),
    NameFromWhat());

TEST(LongInstallFolder, ChooseAgainOnlyWhenTheDialogIsShown) {
    EXPECT_EQ(LongInstallFolderResult(1), DiskVerdict::ChooseAgain);
    EXPECT_EQ(LongInstallFolderResult(0), DiskVerdict::PackageUnusable);
    EXPECT_EQ(LongInstallFolderResult(2), DiskVerdict::PackageUnusable);
    EXPECT_FALSE(InstallFolderTooLongIsError(1));
    EXPECT_TRUE(InstallFolderTooLongIsError(0));
}
