#include "install/shared_install_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_rules.h"

#include "test_names.h"

using P = InstallPrompt;
using O = InstallOutcome;

// ---- the meaning of a VerInstallFileA result ----

struct OutcomeCase {
    const char* what;
    unsigned long result;
    std::vector<bool> answers;   // given in order to the prompts that come up
    std::vector<P> prompts;      // the prompts expected, in order
    O outcome;
};

static void PrintTo(const OutcomeCase& c, std::ostream* os) {
    *os << c.what << ": result 0x" << std::hex << c.result << std::dec << ", answers";
    if (c.answers.empty()) *os << " none";
    for (bool answer : c.answers) *os << (answer ? " yes" : " no");
}

class DecideOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(DecideOutcomeTest, AsksInOrderAndDecides) {
    const OutcomeCase& c = GetParam();
    std::vector<P> asked;
    O outcome = DecideInstallOutcome(c.result, [&](P prompt) {
        asked.push_back(prompt);
        return asked.size() <= c.answers.size() ? static_cast<bool>(c.answers[asked.size() - 1]) : false;
    });
    EXPECT_EQ(asked, c.prompts) << c.what;
    EXPECT_EQ(outcome, c.outcome) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    ResultTable, DecideOutcomeTest,
    ::testing::Values(
        OutcomeCase{"installed", 0, {}, {}, O::Installed},
        OutcomeCase{"source unreadable ends", kVifCannotReadSrc, {true}, {P::SourceUnreadable}, O::End},
        OutcomeCase{"unreadable source comes before everything else",
                    kVifCannotReadSrc | kVifOutOfMemory | kVifSrcOld | kVifFileInUse, {true}, {P::SourceUnreadable},
                    O::End},
        OutcomeCase{"memory OK retries", kVifOutOfMemory, {true}, {P::OutOfMemory}, O::Retry},
        OutcomeCase{"memory Cancel ends", kVifOutOfMemory, {false}, {P::OutOfMemory}, O::End},
        OutcomeCase{"memory before disk", kVifOutOfMemory | kVifOutOfSpace, {true}, {P::OutOfMemory}, O::Retry},
        OutcomeCase{"disk OK retries", kVifOutOfSpace, {true}, {P::OutOfSpace}, O::Retry},
        OutcomeCase{"disk Cancel ends", kVifOutOfSpace, {false}, {P::OutOfSpace}, O::End},
        OutcomeCase{"disk before the version question", kVifOutOfSpace | kVifSrcOld, {true}, {P::OutOfSpace},
                    O::Retry},
        OutcomeCase{"unreadable destination forces", kVifCannotReadDst, {}, {}, O::Force},
        OutcomeCase{"older, Yes forces", kVifSrcOld, {true}, {P::SourceOlder}, O::Force},
        OutcomeCase{"older, No leaves it", kVifSrcOld, {false}, {P::SourceOlder}, O::Skip},
        OutcomeCase{"language, Yes forces", kVifMismatch | kVifTempFile, {true}, {P::LanguageDiffers}, O::Force},
        OutcomeCase{"language, No leaves it", kVifMismatch, {false}, {P::LanguageDiffers}, O::Skip},
        OutcomeCase{"older and another language: both in order", kVifSrcOld | kVifMismatch | kVifTempFile,
                    {true, true}, {P::SourceOlder, P::LanguageDiffers}, O::Force},
        OutcomeCase{"older and another language: No to the first asks nothing more", kVifSrcOld | kVifMismatch,
                    {false}, {P::SourceOlder}, O::Skip},
        OutcomeCase{"older and another language: No to the second", kVifSrcOld | kVifMismatch, {true, false},
                    {P::SourceOlder, P::LanguageDiffers}, O::Skip},
        OutcomeCase{"write-protected forces", kVifWriteProt, {}, {}, O::Force},
        OutcomeCase{"unreadable destination and No to the version question", kVifCannotReadDst | kVifSrcOld,
                    {false}, {P::SourceOlder}, O::Skip},
        OutcomeCase{"in use defers", kVifFileInUse, {}, {}, O::Defer},
        OutcomeCase{"access violation defers", kVifAccessViolation, {}, {}, O::Defer},
        OutcomeCase{"sharing violation defers", kVifSharingViolation, {}, {}, O::Defer},
        OutcomeCase{"cannot delete defers", kVifCannotDelete, {}, {}, O::Defer},
        OutcomeCase{"cannot rename defers", kVifCannotRename, {}, {}, O::Defer},
        OutcomeCase{"cannot delete the current file defers", kVifCannotDeleteCur, {}, {}, O::Defer},
        OutcomeCase{"held open (sharing violation and cannot delete)", kVifSharingViolation | kVifCannotDelete, {},
                    {}, O::Defer},
        OutcomeCase{"defer outranks force", kVifWriteProt | kVifCannotReadDst | kVifFileInUse, {}, {}, O::Defer},
        OutcomeCase{"in use and older, Yes goes straight to defer", kVifFileInUse | kVifSrcOld, {true},
                    {P::SourceOlder}, O::Defer},
        OutcomeCase{"in use and older, No leaves it", kVifFileInUse | kVifSrcOld, {false}, {P::SourceOlder},
                    O::Skip},
        OutcomeCase{"in use and another language, No leaves it", kVifSharingViolation | kVifMismatch, {false},
                    {P::LanguageDiffers}, O::Skip},
        OutcomeCase{"bits not looked at", 0x1 | 0x8 | 0x10 | 0x20 | 0x800 | 0x40000 | 0x80000 | 0x100000, {}, {},
                    O::Skip}),
    NameFromWhat());

TEST(InstallPrompts, TextsAndStyles) {
    struct Row {
        P prompt;
        const char* text;
        unsigned style;
    };
    const Row rows[] = {
        {P::SourceUnreadable, "원본 파일에 오류가 있습니다.", 0x10},
        {P::OutOfMemory, "메모리가 부족합니다. 충분한 메모리를 확보하십시요.", 0x11},
        {P::OutOfSpace, "디스크 용량이 부족합니다.\n디스크의 용량을 확보하십시요.", 0x11},
        {P::SourceOlder, "새로 설치할 파일이 현재 설치된 파일보다 이전 버전입니다.\n파일을 설치하시겠습니까?", 0x34},
        {P::LanguageDiffers, "", 0x34},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(InstallPromptText(row.prompt), row.text);
        EXPECT_EQ(InstallPromptStyle(row.prompt), row.style);
    }
}

// ---- the language question ----

TEST(LanguageQuestion, LinesLeftOutWhereTheLanguageIsUnknown) {
    const std::string head = "새로 설치할 파일과 현재 설치된 파일의 언어가 다음과 같이 틀립니다.\n";
    const std::string tail = "새로 파일을 겹쳐쓸까요?";
    const std::string installed = "현재 설치된 파일의 언어 : 한국어\n";
    const std::string fresh = "새로 설치할 파일의 언어 : English (United States)\n";
    EXPECT_EQ(LanguageQuestionText(std::string("한국어"), std::string("English (United States)")),
              head + installed + fresh + tail);
    EXPECT_EQ(LanguageQuestionText(std::nullopt, std::string("English (United States)")), head + fresh + tail);
    EXPECT_EQ(LanguageQuestionText(std::string("한국어"), std::nullopt), head + installed + tail);
    EXPECT_EQ(LanguageQuestionText(std::nullopt, std::nullopt), head + tail);
    // A known file with an empty name keeps its line; a '%' in a name is text.
    EXPECT_EQ(LanguageQuestionText(std::string(""), std::string("100%s")),
              head + "현재 설치된 파일의 언어 : \n" + "새로 설치할 파일의 언어 : 100%s\n" + tail);
}

TEST(LanguageQuestion, LanguageOfTheFirstTranslation) {
    const unsigned char korean[] = {0x12, 0x04, 0xB5, 0x03, 0x09, 0x04, 0xB0, 0x04};
    unsigned language = 0;
    ASSERT_TRUE(TranslationLanguage(korean, sizeof korean, language));
    EXPECT_EQ(language, 0x0412u);
    const unsigned char english[] = {0x09, 0x04, 0xE4, 0x04};
    ASSERT_TRUE(TranslationLanguage(english, sizeof english, language));
    EXPECT_EQ(language, 0x0409u);
    language = 77;
    EXPECT_FALSE(TranslationLanguage(korean, 0, language));
    EXPECT_FALSE(TranslationLanguage(korean, 3, language));
    EXPECT_FALSE(TranslationLanguage(nullptr, 4, language));
    EXPECT_EQ(language, 77u);
}

// ---- folders, names and paths ----

TEST(SharedPaths, DestinationOfRecord) {
    using D = SharedDestination;
    EXPECT_EQ(DestinationOfRecord(10, 0), D::WindowsFolder);
    EXPECT_EQ(DestinationOfRecord(10, 1), D::SystemFolder);
    EXPECT_EQ(DestinationOfRecord(10, 2), D::None);
    EXPECT_EQ(DestinationOfRecord(10, -1), D::None);
    EXPECT_EQ(DestinationOfRecord(0, 0), D::None);
    EXPECT_EQ(DestinationOfRecord(0, 1), D::None);
}

TEST(SharedPaths, SourceDirectoryKeepsTheBackslashOfADriveRootOnly) {
    EXPECT_EQ(SourceDirectoryFromFolder("D:\\SETUP\\"), "D:\\SETUP");
    EXPECT_EQ(SourceDirectoryFromFolder("D:\\"), "D:\\");
    EXPECT_EQ(SourceDirectoryFromFolder("D:\\A\\"), "D:\\A");
    EXPECT_EQ(SourceDirectoryFromFolder("\\\\server\\share\\"), "\\\\server\\share");
    EXPECT_EQ(SourceDirectoryFromFolder("D:\\SETUP"), "D:\\SETUP");
}

TEST(SharedPaths, SourceAndDestinationOfAName) {
    SharedFilePaths paths;
    std::string refusal;
    ASSERT_TRUE(SharedFilePathsFor("my file, old.dll", "C:\\media\\", "C:\\windows\\system32", paths, refusal));
    EXPECT_EQ(paths.source, "C:\\media\\my file, old.dll");
    EXPECT_EQ(paths.destination, "C:\\windows\\system32\\my file, old.dll");
    ASSERT_TRUE(SharedFilePathsFor("a.dll", "D:\\", "C:\\", paths, refusal));  // drive roots
    EXPECT_EQ(paths.source, "D:\\a.dll");
    EXPECT_EQ(paths.destination, "C:\\a.dll");
    EXPECT_EQ(refusal, "");
}

TEST(SharedPaths, NamesThatWouldLeaveTheFolderAreRefused) {
    const char* refused[] = {"..\\evil.dll", "C:evil.dll", "\\evil.dll", "a/b.dll", "..", "", "a.dll:stream",
                             "sub\\..\\..\\evil.dll", "NUL"};
    for (const char* name : refused) {
        SharedFilePaths paths{"untouched", "untouched"};
        std::string refusal;
        EXPECT_FALSE(SharedFilePathsFor(name, "C:\\media\\", "C:\\windows", paths, refusal)) << name;
        EXPECT_EQ(paths.destination, "untouched") << name;
        EXPECT_EQ(refusal.compare(0, std::string(name).size() + 1, std::string(name) + "\n"), 0) << refusal;
        EXPECT_NE(refusal.find("\n이 파일은 설치하지 않습니다."), std::string::npos) << refusal;
    }
}

TEST(SharedPaths, PathsMustFit260Bytes) {
    struct Row {
        std::string name;
        std::string sourceFolder;
        bool fits;
    };
    const std::string longSource = "C:\\" + std::string(200, 's') + "\\";  // 204 characters
    const Row rows[] = {
        {std::string(248, 'a'), "C:\\media\\", true},   // 259 at the destination C:\windows\...
        {std::string(249, 'a'), "C:\\media\\", false},
        {std::string(55, 'a'), longSource, true},        // 259 at the source
        {std::string(56, 'a'), longSource, false},
    };
    for (const Row& row : rows) {
        SharedFilePaths paths;
        std::string refusal;
        EXPECT_EQ(SharedFilePathsFor(row.name, row.sourceFolder, "C:\\windows", paths, refusal), row.fits)
            << row.name.size();
        if (!row.fits) {
            EXPECT_EQ(refusal, SharedFileRefusalText(row.name, "폴더 경로와 이름을 합친 경로가 너무 깁니다. (최대 259바이트)"));
        }
    }
}

TEST(SharedPaths, SameFileName) {
    struct Row {
        const char* a;
        const char* b;
        bool same;
    };
    const Row rows[] = {
        {"Shared.DLL", "shared.dll", true},
        {"a.tmp", "a.tmp", true},
        {"a.tmp", "a.tm", false},
        {"a.tmp", "b.tmp", false},
        // Two CP949 characters whose second bytes differ only in case stay apart.
        {"\x81\x41.dll", "\x81\x61.dll", false},
        {"\x81\x41.dll", "\x81\x41.DLL", true},
        {"", "", true},
    };
    for (const Row& row : rows) EXPECT_EQ(SameFileName(row.a, row.b), row.same) << row.a << " / " << row.b;
}

// ---- temporary names of a deferred replacement ----

struct TempCase {
    const char* what;
    const char* name;
    std::vector<std::string> taken;
    const char* expected;
};

static void PrintTo(const TempCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.name) << ", taken";
    if (c.taken.empty()) *os << " none";
    for (const std::string& name : c.taken) *os << " " << Quoted(name);
}

class DeferredTempTest : public ::testing::TestWithParam<TempCase> {};

TEST_P(DeferredTempTest, FreeNameBesideTheOldFile) {
    const TempCase& c = GetParam();
    EXPECT_EQ(DeferredTempPath("C:\\WINDOWS\\SYSTEM", c.name, c.taken), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeferredTempTest,
    ::testing::Values(
        TempCase{"extension becomes tmp", "shared.dll", {"shared.dll"}, "C:\\WINDOWS\\SYSTEM\\shared.tmp"},
        TempCase{"only the last extension", "a.b.ocx", {}, "C:\\WINDOWS\\SYSTEM\\a.b.tmp"},
        TempCase{"name without extension", "readme", {}, "C:\\WINDOWS\\SYSTEM\\readme.tmp"},
        TempCase{"name that is only an extension", ".hidden", {}, "C:\\WINDOWS\\SYSTEM\\.tmp"},
        // Only the file part's extension is dropped.
        TempCase{"name in a sub folder", "sub\\a.dll", {}, "C:\\WINDOWS\\SYSTEM\\sub\\a.tmp"},
        TempCase{"dot in the folder only", "sub.d\\readme", {}, "C:\\WINDOWS\\SYSTEM\\sub.d\\readme.tmp"},
        // a.dll already deferred to a.tmp: a.ocx gets its own file.
        TempCase{"taken tmp gets a number", "a.ocx", {"a.dll", "a.ocx", "a.tmp"}, "C:\\WINDOWS\\SYSTEM\\a~1.tmp"},
        TempCase{"taken in other case and first number taken", "a.ocx", {"A.TMP", "a~1.tmp"},
                 "C:\\WINDOWS\\SYSTEM\\a~2.tmp"},
        // A shared file named like the temporary file is never overwritten.
        TempCase{"shared file named like the tmp", "x.tmp", {"x.tmp"}, "C:\\WINDOWS\\SYSTEM\\x~1.tmp"},
        TempCase{"another shared file holds the tmp name", "x.dll", {"x.dll", "x.tmp"},
                 "C:\\WINDOWS\\SYSTEM\\x~1.tmp"}),
    NameFromWhat());

TEST(DeferredTemp, NoFreeNameOrNoRoom) {
    std::vector<std::string> taken = {"a.tmp"};
    for (int i = 1; i <= 99; ++i) taken.push_back("a~" + std::to_string(i) + ".tmp");
    EXPECT_EQ(DeferredTempPath("C:\\W", "a.dll", taken), "");
    taken.pop_back();
    EXPECT_EQ(DeferredTempPath("C:\\W", "a.dll", taken), "C:\\W\\a~99.tmp");
    // 250 + 4 + 1 + 4 = 259 fits; one more character does not.
    const std::string folder = "C:\\" + std::string(247, 'f');
    EXPECT_EQ(DeferredTempPath(folder, "abcd.dll", {}), folder + "\\abcd.tmp");
    EXPECT_EQ(DeferredTempPath(folder, "abcde.dll", {}), "");
    EXPECT_EQ(DeferredTempPath(folder, "abcd.dll", {"abcd.tmp"}), "");  // abcd~1.tmp is too long
}

// ---- the temporary file a declined or failed attempt leaves behind ----

TEST(LeftoverTemp, RemovedOnlyWhenItIsSurelyTheInstallersOwn) {
    struct Row {
        unsigned long result;
        const char* reported;
        const char* expected;
    };
    const std::string folder = "C:\\windows\\system32";
    const Row rows[] = {
        {0x7, "VER1A2B.tmp", "C:\\windows\\system32\\VER1A2B.tmp"},
        {0x23, "ver3.TMP", "C:\\windows\\system32\\ver3.TMP"},
        {0x7, "\\ver97f8.tmp", "C:\\windows\\system32\\ver97f8.tmp"},   // as Wine reports it
        {0x7, "\\sub\\ver9.tmp", ""},
        {0x1, "C:\\windows\\system32\\ver9.tmp", "C:\\windows\\system32\\ver9.tmp"},
        {0x1, "C:\\WINDOWS\\SYSTEM32\\ver9.tmp", "C:\\windows\\system32\\ver9.tmp"},
        {0x6, "VER1A2B.tmp", ""},                         // no temporary-file bit
        {0x7, "", ""},
        {0x7, "C:\\windows\\ver9.tmp", ""},               // another folder
        {0x7, "..\\ver9.tmp", ""},
        {0x7, "C:ver9.tmp", ""},
        {0x7, "ver9.dll", ""},                            // not a temporary file
        {0x7, "shared.tmp", ""},                          // the shared file itself
        {0x7, ".tmp", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LeftoverTempPath(row.result, folder, row.reported, "Shared.TMP"), row.expected) << row.reported;
}

// ---- what the start-up moves must name: where the files really are ----

TEST(RealSystemPath, SystemFolderFilesNameTheFolderTheyLandIn) {
    const std::string wow = "C:\\Windows\\SysWOW64";
    const std::string longFolder = "C:\\" + std::string(250, 'w');
    struct Row {
        const char* path;
        std::string redirected;
        std::string expected;
    };
    const Row rows[] = {
        // A 32-bit program on 64-bit Windows: its system-folder writes land in SysWOW64.
        {"C:\\WINDOWS\\system32\\quorin.tmp", wow, wow + "\\quorin.tmp"},
        {"C:\\Windows\\System32\\quorin.dll", wow, wow + "\\quorin.dll"},
        // The Windows folder and the system folder's sub-folders are not redirected here.
        {"C:\\Windows\\quorin.tmp", wow, "C:\\Windows\\quorin.tmp"},
        {"C:\\Windows\\System32\\drivers\\q.sys", wow, "C:\\Windows\\System32\\drivers\\q.sys"},
        {"C:\\Windows\\System320\\q.dll", wow, "C:\\Windows\\System320\\q.dll"},
        // No redirection (32-bit Windows, the 64-bit program): unchanged.
        {"C:\\Windows\\System32\\quorin.tmp", "", "C:\\Windows\\System32\\quorin.tmp"},
        // A longer redirected folder that no longer fits: nothing to record.
        {"C:\\Windows\\System32\\quorin.tmp", longFolder, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RealSystemPath(row.path, "C:\\Windows\\System32", row.redirected), row.expected) << row.path;
    EXPECT_EQ(RealSystemPath("C:\\Windows\\System32\\a.dll", "C:\\Windows\\System32\\", wow), wow + "\\a.dll");
}
