#include "stages/sequence_rules.h"

#include "common/script_rules.h"

FolderCheckStep AfterDiskSpaceCheck(DiskVerdict verdict) {
    switch (verdict) {
    case DiskVerdict::ChooseAgain: return FolderCheckStep::ChooseAnother;
    case DiskVerdict::TooSmallRetry: return FolderCheckStep::AskAgain;
    case DiskVerdict::TooSmallQuit: return FolderCheckStep::Quit;
    case DiskVerdict::PackageUnusable: return FolderCheckStep::Abort;
    case DiskVerdict::Enough: break;
    }
    return FolderCheckStep::GoOn;
}

FolderTestFailure ClassifyFolderTestError(unsigned long error) {
    if (error == kErrorFileNotFound) return FolderTestFailure::CreateLastLevel;
    if (error == kErrorPathNotFound) return FolderTestFailure::CreateAllLevels;
    return FolderTestFailure::Unusable;
}

std::vector<std::string> FolderCreationPrefixes(const std::string& installDir) {
    std::vector<std::string> prefixes;
    std::string path;
    for (const std::string& component : SplitPathComponents(installDir)) {
        path += component;
        path += '\\';
        prefixes.push_back(path);
    }
    return prefixes;
}

bool FolderDialogShown(int changePath) {
    return changePath == 1;
}

CompletionMessage CompletionMessageFor(bool rebootRequired, int showCompleteDialog) {
    if (rebootRequired) return CompletionMessage::RestartQuestion;
    return showCompleteDialog != 0 ? CompletionMessage::Notice : CompletionMessage::None;
}

std::string CompletionText(const std::string& productName, bool rebootRequired) {
    std::string text = productName + " 설치가 성공적으로 수행되었습니다.";
    if (rebootRequired) text += kRestartQuestion;
    return text;
}

const char* MissedKindText(MissedKind kind) {
    switch (kind) {
    case MissedKind::File: return "파일";
    case MissedKind::SharedFile: return "공유 파일";
    case MissedKind::Value: return "레지스트리 값";
    case MissedKind::Link: return "단축 아이콘";
    }
    return "";
}

std::string IncompleteText(const std::string& productName, const std::vector<MissedItem>& missed,
                           bool rebootRequired) {
    std::string text = productName + kIncompleteHead;
    for (std::size_t i = 0; i < missed.size() && i < kMissedItemsNamed; ++i)
        text += std::string(MissedKindText(missed[i].kind)) + ": " + missed[i].name + "\n";
    if (missed.size() > kMissedItemsNamed)
        text += "외 " + std::to_string(missed.size() - kMissedItemsNamed) + "개 항목\n";
    text += kIncompleteTail;
    if (rebootRequired) text += kRestartQuestion;
    return text;
}

std::string WindowTitle(const std::string& productName, const std::string& productVersion) {
    if (productVersion.empty()) return productName;
    return productName + " " + productVersion;
}
