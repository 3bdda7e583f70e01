#include "stages/sequence_rules.h"

#include "common/script_rules.h"

FolderCheckStep AfterDiskSpaceCheck(DiskVerdict verdict) {
    switch (verdict) {
    case DiskVerdict::ChooseAgain:
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
    if (rebootRequired) text += "\n윈도를 재부팅해야 프로그램이 정상적으로 수행됩니다.\n재부팅하시겠습니까?";
    return text;
}

std::string WindowTitle(const std::string& productName, const std::string& productVersion) {
    if (productVersion.empty()) return productName;
    return productName + " " + productVersion;
}
