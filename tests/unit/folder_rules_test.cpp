#include "checks/folder_rules.h"

#include <gtest/gtest.h>

TEST(TrailingBackslash, OneComesOffExceptAfterADriveOrInShortTexts) {
    struct Case {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\Games\\", "C:\\Games"},
        {"C:\\Games\\\\", "C:\\Games\\"},
        {"AB\\", "AB"},
        {"X\\", "X\\"},
        {"\\", "\\"},
        {"", ""},
        {"C:\\Games", "C:\\Games"},
        {"D:\\게임\\", "D:\\게임"},
        {"\\\\server\\share\\", "\\\\server\\share"},
        {"C:\\a:\\", "C:\\a:\\"},  // a colon before the backslash keeps it anywhere
    };
    for (const Case& c : cases) EXPECT_EQ(TrimTrailingBackslash(c.typed), c.kept) << c.typed;
}

TEST(FolderEntryLength, ATextOver259BytesIsRefusedWhole) {
    std::string folder = "unchanged";
    EXPECT_EQ(AcceptFolderEntry("C:\\" + std::string(256, 'a'), folder), FolderEntry::Accepted);  // 259 bytes
    EXPECT_EQ(folder.size(), 259u);
    folder = "unchanged";
    EXPECT_EQ(AcceptFolderEntry("C:\\" + std::string(257, 'a'), folder), FolderEntry::TooLong);  // 260 bytes
    EXPECT_EQ(folder, "unchanged");
    // Trimming comes after the length test: 260 bytes with a trailing backslash are still refused.
    EXPECT_EQ(AcceptFolderEntry("C:\\" + std::string(256, 'a') + "\\", folder), FolderEntry::TooLong);
    EXPECT_EQ(AcceptFolderEntry("C:\\Games\\", folder), FolderEntry::Accepted);
    EXPECT_EQ(folder, "C:\\Games");
}

TEST(DefaultPathLength, AValueOver258BytesIsRefused) {
    EXPECT_TRUE(DefaultPathFits(""));
    EXPECT_TRUE(DefaultPathFits("C:\\" + std::string(255, 'a')));    // 258 bytes: read whole with 259
    EXPECT_FALSE(DefaultPathFits("C:\\" + std::string(256, 'a')));   // 259 bytes: would lose its last byte
    EXPECT_FALSE(DefaultPathFits("C:\\게임\\" + std::string(300, 'a')));
}

static const char kIntroFormat[] = "이 프로그램은 타르빅이 제공하는 %s %s 설치 프로그램 입니다.";

TEST(IntroText, NameAndVersionFillThePlaceholders) {
    struct Case {
        const char* name;
        const char* version;
        const char* expected;
    } cases[] = {
        {"Game", "1.0", "이 프로그램은 타르빅이 제공하는 Game 1.0 설치 프로그램 입니다."},
        {"쿼린 어드벤처", "", "이 프로그램은 타르빅이 제공하는 쿼린 어드벤처  설치 프로그램 입니다."},
        {"", "", "이 프로그램은 타르빅이 제공하는   설치 프로그램 입니다."},
        {"100%s", "%d", "이 프로그램은 타르빅이 제공하는 100%s %d 설치 프로그램 입니다."},  // not formats
    };
    for (const Case& c : cases) EXPECT_EQ(FormatIntroText(kIntroFormat, c.name, c.version), c.expected) << c.name;
}

TEST(IntroText, LongNamesAreShortenedToFit200Bytes) {
    const std::size_t fixed = 55;  // the format's own bytes
    std::string name(98, 'N');
    std::string version(48, 'V');
    std::string text = FormatIntroText(kIntroFormat, name, version);
    EXPECT_EQ(text.size(), 199u);
    EXPECT_NE(text.find(" " + std::string(96, 'N') + " " + version + " "), std::string::npos);
    // Exactly 144 bytes of name and version fit unchanged.
    text = FormatIntroText(kIntroFormat, std::string(96, 'N'), version);
    EXPECT_EQ(text.size(), fixed + 144);
    EXPECT_NE(text.find(std::string(96, 'N')), std::string::npos);
    // A Korean name loses whole characters only.
    std::string korean;
    for (int i = 0; i < 49; ++i) korean += "가";  // 98 bytes
    text = FormatIntroText(kIntroFormat, korean, std::string(47, 'V'));
    EXPECT_EQ(text.size(), fixed + 96 + 47);
    EXPECT_NE(text.find(korean.substr(0, 96) + " "), std::string::npos);
}

TEST(IntroText, OddFormats) {
    EXPECT_EQ(FormatIntroText("%s-%s-%s", "a", "b"), "a-b-");
    EXPECT_EQ(FormatIntroText("only %s", "a", "b"), "only a");
    EXPECT_EQ(FormatIntroText("no placeholder", "a", "b"), "no placeholder");
    EXPECT_EQ(FormatIntroText("100%% %s", "a", "b"), "100% a");
    // Room for 6 bytes: the name goes first, then the version is cut.
    EXPECT_EQ(FormatIntroText("%s %s", "name", "ver", 9), "name ver");
    EXPECT_EQ(FormatIntroText("%s %s", "name", "ver", 8), "nam ver");
    EXPECT_EQ(FormatIntroText("%s %s", "name", "version", 8), " versio");
    EXPECT_EQ(FormatIntroText("abcdef", "a", "b", 4), "abc");
    EXPECT_EQ(FormatIntroText("%s", "a", "b", 0), "");
}
