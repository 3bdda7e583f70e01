#include "stages/sequence_rules.h"

#include <gtest/gtest.h>

TEST(FolderStage, DiskSpaceResults) {
    EXPECT_EQ(AfterDiskSpaceCheck(DiskVerdict::ChooseAgain), FolderCheckStep::ChooseAnother);
    EXPECT_EQ(AfterDiskSpaceCheck(DiskVerdict::TooSmallRetry), FolderCheckStep::AskAgain);
    EXPECT_EQ(AfterDiskSpaceCheck(DiskVerdict::Enough), FolderCheckStep::GoOn);
    EXPECT_EQ(AfterDiskSpaceCheck(DiskVerdict::TooSmallQuit), FolderCheckStep::Quit);
    EXPECT_EQ(AfterDiskSpaceCheck(DiskVerdict::PackageUnusable), FolderCheckStep::Abort);
}

TEST(FolderStage, FolderTestErrors) {
    EXPECT_EQ(ClassifyFolderTestError(2), FolderTestFailure::CreateLastLevel);
    EXPECT_EQ(ClassifyFolderTestError(3), FolderTestFailure::CreateAllLevels);
    EXPECT_EQ(ClassifyFolderTestError(5), FolderTestFailure::Unusable);
    EXPECT_EQ(ClassifyFolderTestError(21), FolderTestFailure::Unusable);
    EXPECT_EQ(ClassifyFolderTestError(267), FolderTestFailure::Unusable);
}

TEST(FolderStage, CreationPrefixesLevelByLevel) {
    using V = std::vector<std::string>;
    EXPECT_EQ(FolderCreationPrefixes("C:\\Games\\Foo\\Bar"),
              (V{"C:\\", "C:\\Games\\", "C:\\Games\\Foo\\", "C:\\Games\\Foo\\Bar\\"}));
    EXPECT_EQ(FolderCreationPrefixes("C:\\\\Games\\"), (V{"C:\\", "C:\\Games\\"}));
    EXPECT_EQ(FolderCreationPrefixes("\\"), V{});
    EXPECT_EQ(FolderCreationPrefixes(""), V{});
}

TEST(Completion, TextWithAndWithoutRestartQuestion) {
    EXPECT_EQ(CompletionText("Game", false), "Game 설치가 성공적으로 수행되었습니다.");
    EXPECT_EQ(CompletionText("", false).size(), 34u);
    std::string restart = CompletionText("Game", true);
    EXPECT_EQ(restart, "Game 설치가 성공적으로 수행되었습니다.\n윈도를 재부팅해야 프로그램이 정상적으로 수행됩니다.\n재부팅하시겠습니까?");
    // The longest text: a 98-character name, the sentence and the question.
    EXPECT_EQ(CompletionText(std::string(98, 'N'), true).size(), 204u);
}

TEST(Completion, IncompleteInstallationNamesWhatIsMissing) {
    struct Row {
        const char* what;
        std::vector<MissedItem> missed;
        bool restart;
        std::string expected;
    };
    std::vector<MissedItem> twelve;
    for (int i = 1; i <= 12; ++i) twelve.push_back(MissedItem{MissedKind::File, "f" + std::to_string(i) + ".dat"});
    std::string firstTen;
    for (int i = 1; i <= 10; ++i) firstTen += "파일: f" + std::to_string(i) + ".dat\n";
    const std::string head = "Game 설치가 완료되지 않았습니다.\n다음 항목을 설치하지 못했습니다.\n";
    const std::string tail = "\n문제를 해결한 뒤 다시 설치하십시요.";
    const Row rows[] = {
        {"one of each kind",
         {{MissedKind::File, "b.dat"}, {MissedKind::SharedFile, "q.dll"},
          {MissedKind::Value, "HKEY_CURRENT_USER\\Software\\Q [Level]"}, {MissedKind::Link, "Play"}},
         false,
         head + "파일: b.dat\n공유 파일: q.dll\n레지스트리 값: HKEY_CURRENT_USER\\Software\\Q [Level]\n"
                "단축 아이콘: Play\n" + tail},
        {"the first ten, then how many more", twelve, false, head + firstTen + "외 2개 항목\n" + tail},
        {"restart question appended", {{MissedKind::File, "b.dat"}}, true,
         head + "파일: b.dat\n" + tail + "\n윈도를 재부팅해야 프로그램이 정상적으로 수행됩니다.\n재부팅하시겠습니까?"},
    };
    for (const Row& row : rows) EXPECT_EQ(IncompleteText("Game", row.missed, row.restart), row.expected) << row.what;
}

TEST(Completion, WindowTitle) {
    EXPECT_EQ(WindowTitle("Game", "1.0"), "Game 1.0");
    EXPECT_EQ(WindowTitle("Game", ""), "Game");
    EXPECT_EQ(WindowTitle("", "1.0"), " 1.0");
    EXPECT_EQ(WindowTitle("", ""), "");
}

// What ends the installation, and whether the folder dialog comes: the step
// and qpk's walk both ask these.
TEST(Completion, WhichMessageEndsTheInstallation) {
    struct Row {
        bool reboot;
        int showCompleteDialog;
        CompletionMessage expected;
    };
    const Row rows[] = {
        {false, 1, CompletionMessage::Notice},
        {false, 0, CompletionMessage::None},
        {false, 2, CompletionMessage::Notice},  // any value but 0 shows it
        {false, -1, CompletionMessage::Notice},
        {true, 0, CompletionMessage::RestartQuestion},  // the restart question is always asked
        {true, 1, CompletionMessage::RestartQuestion},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CompletionMessageFor(row.reboot, row.showCompleteDialog), row.expected)
            << row.reboot << " " << row.showCompleteDialog;
    EXPECT_TRUE(FolderDialogShown(1));
    EXPECT_FALSE(FolderDialogShown(0));
    EXPECT_FALSE(FolderDialogShown(2));  // only exactly 1
}
