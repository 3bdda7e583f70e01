#include "install/copy_rules.h"

#include <cstdint>

#include "common/script_rules.h"
#include "common/text_rules.h"

std::string FolderPartOfName(const std::string& name) {
    std::size_t lastSeparator = name.rfind('\\');
    return lastSeparator == std::string::npos ? std::string() : name.substr(0, lastSeparator);
}

SubfolderWalk SubfolderLevels(const std::string& base, const std::string& relativePath,
                              std::vector<std::string>& levels) {
    if (base.empty()) return SubfolderWalk::NoBase;
    std::vector<std::string> result;
    std::string path = base;
    if (path.back() != '\\') path += '\\';
    for (const std::string& component : SplitPathComponents(relativePath)) {
        path += component;
        path += '\\';
        if (path.size() >= kPathSize) return SubfolderWalk::TooLong;
        result.push_back(path);
    }
    levels = result;
    return SubfolderWalk::Ok;
}

static bool IsDotsAndBlanks(const std::string& component) {
    return component.find_first_not_of(". ") == std::string::npos;
}

// The part of a component before its first dot, without trailing blanks,
// is what Windows compares with its device names ("nul.txt" is NUL).
static bool IsDeviceName(const std::string& component) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    std::string stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    stem = UpperAscii(stem);
    for (const char* device : kDevices)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

static bool HasBadCharacter(const std::string& name) {
    for (unsigned char c : name)
        if (c < 0x20 || c == '/' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
            return true;
    return false;
}

NameProblem CheckRelativeName(const std::string& name) {
    if (name.empty()) return NameProblem::Empty;
    if (name.size() >= kPathSize) return NameProblem::TooLong;
    if (name[0] == '\\' || name.find(':') != std::string::npos) return NameProblem::Absolute;
    if (HasBadCharacter(name)) return NameProblem::BadCharacter;
    std::size_t start = 0;
    while (true) {
        std::size_t end = name.find('\\', start);
        std::string component = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (component.empty()) return NameProblem::EmptyComponent;
        if (IsDotsAndBlanks(component)) return NameProblem::LeavesFolder;
        if (IsDeviceName(component)) return NameProblem::DeviceName;
        if (end == std::string::npos) return NameProblem::None;
        start = end + 1;
    }
}

std::string NameProblemText(NameProblem problem) {
    switch (problem) {
    case NameProblem::None: return "";
    case NameProblem::Empty: return "이름이 비어 있습니다.";
    case NameProblem::TooLong: return "이름이 너무 깁니다. (최대 259바이트)";
    case NameProblem::Absolute: return "드라이브나 절대 경로를 가리키는 이름입니다.";
    case NameProblem::LeavesFolder: return "상위 폴더('..')를 가리키는 이름입니다.";
    case NameProblem::EmptyComponent: return "빈 폴더 이름('\\\\')이 들어 있는 이름입니다.";
    case NameProblem::BadCharacter: return "파일 이름에 쓸 수 없는 문자가 들어 있습니다.";
    case NameProblem::DeviceName: return "장치 이름(CON, NUL 등)은 파일 이름으로 쓸 수 없습니다.";
    case NameProblem::PartialCopyName: return "설치 중 임시 파일 이름(~qsetup.part)은 파일 이름으로 쓸 수 없습니다.";
    }
    return "";
}

std::string PathTooLongText() {
    return "폴더 경로와 이름을 합친 경로가 너무 깁니다. (최대 259바이트)";
}

std::string CopyDialogTitle(const std::string& format, const std::string& productName,
                            const std::string& productVersion) {
    std::string title;
    int argument = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                title += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && argument < 2) {
                title += argument++ == 0 ? productName : productVersion;
                ++i;
                continue;
            }
        }
        title += format[i];
    }
    return title;
}

std::string CopySkippedText(const std::string& name) {
    return name + "\n" + PathTooLongText() + "\n이 파일은 복사하지 않습니다.";
}

std::string SourceMissingText(const std::string& name) {
    return name + "\n설치 원본에 이 파일이 없습니다.\n이 파일은 복사하지 않습니다.";
}

unsigned ProgressRange(unsigned packageFiles, int sharedFileCount) {
    std::uint64_t steps = std::uint64_t{packageFiles} + static_cast<unsigned>(sharedFileCount > 0 ? sharedFileCount : 0);
    return steps > kMaxProgressRange ? kMaxProgressRange : static_cast<unsigned>(steps);
}

bool CopyFoundDestination(unsigned long error) {
    const unsigned long kFileExists = 80;
    const unsigned long kAlreadyExists = 183;
    return error == kFileExists || error == kAlreadyExists;
}

bool FolderWalkNeeded(const std::set<std::string>& madeFolders, const std::string& folderPart) {
    return !folderPart.empty() && madeFolders.count(folderPart) == 0;
}

std::string LongestMadeParent(const std::set<std::string>& madeFolders, const std::string& folderPart) {
    for (std::size_t end = folderPart.rfind('\\'); end != std::string::npos && end > 0;
         end = folderPart.rfind('\\', end - 1)) {
        std::string parent = folderPart.substr(0, end);
        if (madeFolders.count(parent)) return parent;
    }
    return std::string();
}

FolderWalkStart WalkStartFor(const std::set<std::string>& madeFolders, const std::string& installDir,
                             const std::string& folderPart) {
    const std::string parent = LongestMadeParent(madeFolders, folderPart);
    std::string base;
    if (parent.empty() || !JoinPath(installDir, parent, base)) return {installDir, folderPart};
    return {base, folderPart.substr(parent.size() + 1)};
}

void RememberMadeFolders(std::set<std::string>& madeFolders, const std::string& folderPart) {
    if (folderPart.empty()) return;
    madeFolders.insert(folderPart);
    for (std::size_t end = folderPart.find('\\'); end != std::string::npos; end = folderPart.find('\\', end + 1))
        if (end > 0) madeFolders.insert(folderPart.substr(0, end));
}

// The filled pixels of one position at one bar width, both ways of rounding.
static bool SameFill(std::uint64_t a, std::uint64_t b, std::uint64_t range, std::uint64_t width) {
    return a * width / range == b * width / range && (2 * a * width + range) / (2 * range) ==
                                                         (2 * b * width + range) / (2 * range);
}

bool ProgressLooksDifferent(unsigned shown, unsigned position, unsigned range, unsigned clientWidth) {
    if (range == 0 || clientWidth == 0) return true;
    std::uint64_t a = shown < range ? shown : range;
    std::uint64_t b = position < range ? position : range;
    unsigned narrowest = clientWidth > kProgressMarginPixels ? clientWidth - kProgressMarginPixels : 1;
    for (unsigned width = narrowest; width <= clientWidth; ++width)
        if (!SameFill(a, b, range, width)) return true;
    return false;
}

CopyLoopTurn TurnAfterCopiedFile(unsigned shown, unsigned position, unsigned range, unsigned barWidth,
                                 double msSinceLastTurn, bool lastFile) {
    if (lastFile) return {true, true};
    if (!(msSinceLastTurn >= kCopyFrameMs)) return {false, false};
    return {ProgressLooksDifferent(shown, position, range, barWidth), true};
}
