#include "install/shared_install_rules.h"

#include <cstdio>

#include "common/script_rules.h"
#include "common/text_rules.h"
#include "install/copy_rules.h"

namespace {

constexpr unsigned long kDeferBits = kVifFileInUse | kVifAccessViolation | kVifSharingViolation | kVifCannotDelete |
                                     kVifCannotRename | kVifCannotDeleteCur;

bool EndsWithTmp(const std::string& name) {
    return name.size() > 4 && SameFileName(name.substr(name.size() - 4), ".tmp");
}

bool IsTaken(const std::string& candidate, const std::vector<std::string>& takenNames) {
    for (const std::string& taken : takenNames)
        if (SameFileName(candidate, taken)) return true;
    return false;
}

// The name up to, not including, the last "." of its file part (all of it
// without one). Neither '.' nor '\' is ever the second byte of a CP949
// character, so a byte search is safe.
std::string StemOfName(const std::string& name) {
    std::size_t dot = name.rfind('.');
    std::size_t separator = name.rfind('\\');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return name;
    return name.substr(0, dot);
}

// folder + "\" + name, or "" when it does not fit 260 bytes.
std::string PathOrNothing(const std::string& folder, const std::string& name) {
    std::string path;
    return JoinPath(folder, name, path) ? path : "";
}

std::string LanguageLine(const char* format, const std::string& language) {
    std::vector<char> line(std::char_traits<char>::length(format) + language.size() + 1);
    std::snprintf(line.data(), line.size(), format, language.c_str());
    return line.data();
}

}  // namespace

SharedDestination DestinationOfRecord(unsigned long size, int kind) {
    if (size == 0) return SharedDestination::None;
    if (kind == 0) return SharedDestination::WindowsFolder;
    if (kind == 1) return SharedDestination::SystemFolder;
    return SharedDestination::None;
}

std::string SourceDirectoryFromFolder(const std::string& sourceFolder) {
    if (sourceFolder.size() > 3 && sourceFolder.back() == '\\') return sourceFolder.substr(0, sourceFolder.size() - 1);
    return sourceFolder;
}

InstallOutcome DecideInstallOutcome(unsigned long result, const InstallPromptAnswer& ask) {
    if (result == 0) return InstallOutcome::Installed;
    if (result & kVifCannotReadSrc) {
        ask(InstallPrompt::SourceUnreadable);
        return InstallOutcome::End;
    }
    if (result & kVifOutOfMemory) return ask(InstallPrompt::OutOfMemory) ? InstallOutcome::Retry : InstallOutcome::End;
    if (result & kVifOutOfSpace) return ask(InstallPrompt::OutOfSpace) ? InstallOutcome::Retry : InstallOutcome::End;
    bool force = (result & kVifCannotReadDst) != 0;
    if (result & kVifSrcOld) {
        if (!ask(InstallPrompt::SourceOlder)) return InstallOutcome::Skip;
        force = true;
    }
    if (result & kVifMismatch) {
        if (!ask(InstallPrompt::LanguageDiffers)) return InstallOutcome::Skip;
        force = true;
    }
    if (result & kVifWriteProt) force = true;
    if (result & kDeferBits) return InstallOutcome::Defer;
    return force ? InstallOutcome::Force : InstallOutcome::Skip;
}

std::string InstallPromptText(InstallPrompt prompt) {
    switch (prompt) {
    case InstallPrompt::SourceUnreadable: return "원본 파일에 오류가 있습니다.";
    case InstallPrompt::OutOfMemory: return "메모리가 부족합니다. 충분한 메모리를 확보하십시요.";
    case InstallPrompt::OutOfSpace: return "디스크 용량이 부족합니다.\n디스크의 용량을 확보하십시요.";
    case InstallPrompt::SourceOlder:
        return "새로 설치할 파일이 현재 설치된 파일보다 이전 버전입니다.\n파일을 설치하시겠습니까?";
    case InstallPrompt::LanguageDiffers: break;
    }
    return "";
}

unsigned InstallPromptStyle(InstallPrompt prompt) {
    switch (prompt) {
    case InstallPrompt::SourceUnreadable: return kStyleError;
    case InstallPrompt::OutOfMemory:
    case InstallPrompt::OutOfSpace: return kStyleErrorOkCancel;
    case InstallPrompt::SourceOlder:
    case InstallPrompt::LanguageDiffers: break;
    }
    return kStyleQuestion;
}

std::string LanguageQuestionText(const std::optional<std::string>& installedLanguage,
                                 const std::optional<std::string>& newLanguage) {
    std::string text = "새로 설치할 파일과 현재 설치된 파일의 언어가 다음과 같이 틀립니다.\n";
    if (installedLanguage) text += LanguageLine("현재 설치된 파일의 언어 : %s\n", *installedLanguage);
    if (newLanguage) text += LanguageLine("새로 설치할 파일의 언어 : %s\n", *newLanguage);
    return text + "새로 파일을 겹쳐쓸까요?";
}

bool TranslationLanguage(const unsigned char* table, std::size_t size, unsigned& language) {
    if (table == nullptr || size < 4) return false;
    language = static_cast<unsigned>(table[0]) | (static_cast<unsigned>(table[1]) << 8);
    return true;
}

std::string SharedFileRefusalText(const std::string& name, const std::string& problem) {
    return name + "\n" + problem + "\n이 파일은 설치하지 않습니다.";
}

bool SharedFilePathsFor(const std::string& name, const std::string& sourceFolder,
                        const std::string& destinationFolder, SharedFilePaths& paths, std::string& refusal) {
    NameProblem problem = CheckRelativeName(name);
    std::string source;
    std::string destination;
    if (problem != NameProblem::None) {
        refusal = SharedFileRefusalText(name, NameProblemText(problem));
        return false;
    }
    if (!JoinPath(sourceFolder, name, source) || !JoinPath(destinationFolder, name, destination)) {
        refusal = SharedFileRefusalText(name, PathTooLongText());
        return false;
    }
    paths.source = source;
    paths.destination = destination;
    return true;
}

std::string DeferredTempPath(const std::string& folder, const std::string& name,
                             const std::vector<std::string>& takenNames) {
    const std::string stem = StemOfName(name);
    for (int number = 0; number <= 99; ++number) {
        std::string candidate = stem + (number == 0 ? "" : "~" + std::to_string(number)) + ".tmp";
        if (!IsTaken(candidate, takenNames)) return PathOrNothing(folder, candidate);
    }
    return "";
}

std::string LeftoverTempPath(unsigned long result, const std::string& folder, const std::string& reportedName,
                             const std::string& recordName) {
    if (!(result & kVifTempFile) || reportedName.empty()) return "";
    std::size_t separator = reportedName.find_last_of('\\');
    std::string name = separator == std::string::npos ? reportedName : reportedName.substr(separator + 1);
    // Besides a plain name, Wine reports the name after the folder with its
    // backslash; a full path is accepted when it lies in the destination folder.
    if (separator != std::string::npos && separator != 0 && !SameFileName(reportedName, PathOrNothing(folder, name)))
        return "";
    if (name.find_first_of("/:") != std::string::npos || !EndsWithTmp(name) || SameFileName(name, recordName))
        return "";
    return PathOrNothing(folder, name);
}

std::string RealSystemPath(const std::string& path, const std::string& systemFolder,
                           const std::string& redirectedFolder) {
    if (redirectedFolder.empty() || systemFolder.empty()) return path;
    std::string folder = systemFolder;
    if (folder.back() == '\\') folder.pop_back();
    std::size_t separator = path.rfind('\\');
    if (separator == std::string::npos || !SameFileName(path.substr(0, separator), folder)) return path;
    return PathOrNothing(redirectedFolder, path.substr(separator + 1));
}
