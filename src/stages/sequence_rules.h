// Decisions of the install sequence: which command follows each outcome, the
// folder levels that are tested and created, and the completion text.
#pragma once
#include <string>
#include <vector>

#include "common/setup_state_rules.h"

enum class FolderCheckStep { ChooseAnother, AskAgain, Quit, Abort, GoOn };

// What the folder stage does with the disk-space check's verdict: not a fixed
// disk needs another folder, too little space with OK asks again, Cancel
// quits, a package that cannot be installed (the user was told) ends with -1,
// enough space goes on.
FolderCheckStep AfterDiskSpaceCheck(DiskVerdict verdict);

enum class FolderTestFailure { CreateLastLevel, CreateAllLevels, Unusable };

// The error of a failed SetCurrentDirectory on the install folder:
// kErrorFileNotFound (only the last component is missing), kErrorPathNotFound
// (a higher one is missing); other errors make the folder unusable.
constexpr unsigned long kErrorFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr unsigned long kErrorPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
FolderTestFailure ClassifyFolderTestError(unsigned long error);

// The paths that the level-by-level creation tests in order: for C:\Games\Foo
// they are C:\, C:\Games\, C:\Games\Foo\. Empty when the folder has no
// component. Each path carries a trailing backslash.
std::vector<std::string> FolderCreationPrefixes(const std::string& installDir);

// Whether the install-folder dialog is shown: only for "Change Path" 1.
bool FolderDialogShown(int changePath);

// How the installation ends: the restart question when a replacement waits
// for the next Windows start (whatever "Install Complete Dialog" says), else
// the completion notice unless the script turned it off (0), else nothing.
enum class CompletionMessage { RestartQuestion, Notice, None };
CompletionMessage CompletionMessageFor(bool rebootRequired, int showCompleteDialog);

// "<name> 설치가 성공적으로 수행되었습니다." with, when a restart is needed,
// the restart question appended.
std::string CompletionText(const std::string& productName, bool rebootRequired);

// How an installation that could not install everything ends: a notice under
// kIncompleteCaption that names what was not installed (the first
// kMissedItemsNamed items, then how many more), with the restart question
// appended when a replacement waits for the next Windows start. The version
// record is not written and the program ends with -1, whatever "Install
// Complete Dialog" says.
constexpr const char kIncompleteCaption[] = "설치 오류";
constexpr const char kIncompleteHead[] = " 설치가 완료되지 않았습니다.\n다음 항목을 설치하지 못했습니다.\n";
constexpr const char kIncompleteTail[] = "\n문제를 해결한 뒤 다시 설치하십시요.";
constexpr const char kRestartQuestion[] = "\n윈도를 재부팅해야 프로그램이 정상적으로 수행됩니다.\n재부팅하시겠습니까?";
constexpr std::size_t kMissedItemsNamed = 10;
std::string IncompleteText(const std::string& productName, const std::vector<MissedItem>& missed,
                           bool rebootRequired);

// The word for a kind of item in that notice.
const char* MissedKindText(MissedKind kind);

// The backdrop's title: the name, and when there is a version, a blank and it.
std::string WindowTitle(const std::string& productName, const std::string& productVersion);
