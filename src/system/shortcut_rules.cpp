#include "system/shortcut_rules.h"

#include "common/script_rules.h"
#include "install/copy_rules.h"

namespace {

// A one-character field: blanks, the character, optional blanks and the
// comma. False when the field is empty, longer or not ended by a comma.
bool TakeCharacterField(const char*& p, char& value) {
    p = SkipBlanks(p);
    if (*p == '\0' || *p == ',') return false;
    value = *p++;
    p = SkipBlanks(p);
    if (*p != ',') return false;
    ++p;
    return true;
}

// A text field: blanks before it are skipped, it ends at the next comma and
// keeps the blanks in front of that comma. False when no comma follows.
bool TakeTextField(const char*& p, std::string& value) {
    p = SkipBlanks(p);
    const char* start = p;
    while (*p != '\0' && *p != ',') ++p;
    if (*p != ',') return false;
    value.assign(start, p);
    ++p;
    return true;
}

bool PlaceFromFlag(char c, ShortcutPlace& place) {
    switch (FlagValue(c)) {
    case 0: place = ShortcutPlace::ProgramGroup; return true;
    case 1: place = ShortcutPlace::Desktop; return true;
    default: return false;
    }
}

// The show field may be empty (normal window) or one character.
bool TakeShowField(const char*& p, int& showCommand, char& c) {
    p = SkipBlanks(p);
    c = 0;
    if (*p == ',') {
        ++p;
        showCommand = kShowNormal;
        return true;
    }
    if (!TakeCharacterField(p, c)) return false;
    switch (FlagValue(c)) {
    case 0: showCommand = kShowNormal; return true;
    case 1: showCommand = kShowMinimized; return true;
    case 2: showCommand = kShowMaximized; return true;
    default: return false;
    }
}

bool Fits(const std::string& path) {
    return path.size() < kPathSize;
}

}  // namespace

bool ShortcutStepRuns(int count) {
    return count != 0;
}

bool ParseShortcutLine(const std::string& line, ShortcutLine& out) {
    ShortcutLine parsed;
    const char* p = line.c_str();
    char place = 0;
    if (!TakeCharacterField(p, place) || !PlaceFromFlag(place, parsed.place)) return false;
    parsed.placeCharacter = place;
    if (!TakeTextField(p, parsed.name) || parsed.name.empty()) return false;
    if (!TakeShowField(p, parsed.showCommand, parsed.showCharacter)) return false;
    if (!TakeTextField(p, parsed.description)) return false;
    if (!TakeTextField(p, parsed.target) || parsed.target.empty()) return false;
    if (!TakeTextField(p, parsed.arguments)) return false;
    if (!TakeTextField(p, parsed.workingFolder)) return false;
    parsed.icon = SkipBlanks(p);
    out = parsed;
    return true;
}

std::string ShellFolderValueText(const char* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != '\0') ++length;
    return std::string(data, length);
}

std::string DesktopLinkFolder(const std::string& desktop) {
    if (desktop.empty()) return "";
    std::string folder = desktop + "\\";
    return Fits(folder) ? folder : "";
}

// A part of a name that is no folder or file of its own, as package names
// refuse them: one of only dots and blanks (Windows drops trailing dots and
// blanks, so ".. " is ".."), or a device name (CON, NUL, COM1 ...).
static bool IsUnusablePart(const std::string& part) {
    const NameProblem problem = CheckRelativeName(part);
    return problem == NameProblem::LeavesFolder || problem == NameProblem::DeviceName;
}

GroupNameProblem FindGroupNameProblem(const std::string& folderName) {
    if (folderName.find(':') != std::string::npos) return GroupNameProblem::Colon;
    if (!folderName.empty() && (folderName[0] == '\\' || folderName[0] == '/')) return GroupNameProblem::Rooted;
    std::size_t start = 0;
    while (start <= folderName.size()) {
        std::size_t end = folderName.find_first_of("\\/", start);
        if (end == std::string::npos) end = folderName.size();
        if (end > start) {
            const NameProblem problem = CheckRelativeName(folderName.substr(start, end - start));
            if (problem == NameProblem::LeavesFolder) return GroupNameProblem::DotsPart;
            if (problem == NameProblem::DeviceName) return GroupNameProblem::DeviceName;
        }
        start = end + 1;
    }
    return GroupNameProblem::None;
}

GroupFolderResult BuildProgramGroupFolder(const std::string& programs, const std::string& folderName,
                                          std::string& groupFolder) {
    groupFolder.clear();
    if (folderName.empty()) return GroupFolderResult::EmptyName;
    if (FindGroupNameProblem(folderName) != GroupNameProblem::None) return GroupFolderResult::NameLeavesPrograms;
    if (programs.empty()) return GroupFolderResult::NoProgramsFolder;
    std::string folder = programs + "\\" + folderName + "\\";
    if (!Fits(folder)) return GroupFolderResult::TooLong;
    groupFolder = folder;
    return GroupFolderResult::Ready;
}

std::string GroupFolderMessage(GroupFolderResult result) {
    switch (result) {
    case GroupFolderResult::EmptyName: return "프로그램 그룹 폴더 이름이 없습니다.";
    case GroupFolderResult::NameLeavesPrograms: return "프로그램 그룹 폴더 이름이 올바르지 않습니다.";
    case GroupFolderResult::TooLong: return "프로그램 그룹 폴더 이름이 너무 깁니다.";
    default: return "";
    }
}

ShortcutPathResult BuildShortcutPaths(const ShortcutLine& line, const std::string& placeFolder,
                                      const std::string& installDir, ShortcutPaths& paths) {
    if (line.name.find_first_of("\\/:") != std::string::npos || IsUnusablePart(line.name))
        return ShortcutPathResult::NameNotPlain;
    ShortcutPaths built;
    built.linkFile = placeFolder + line.name + ".lnk";
    built.target = installDir + "\\" + line.target;
    built.workingFolder = line.workingFolder.empty() ? installDir : installDir + "\\" + line.workingFolder;
    // An empty icon field leaves the link without an icon path.
    built.icon = line.icon.empty() ? "" : installDir + "\\" + line.icon;
    if (!Fits(built.linkFile) || !Fits(built.target) || !Fits(built.workingFolder) || !Fits(built.icon))
        return ShortcutPathResult::TooLong;
    paths = built;
    return ShortcutPathResult::Ready;
}

std::string ShortcutPathMessage(ShortcutPathResult result, const std::string& name) {
    switch (result) {
    case ShortcutPathResult::NameNotPlain: return "단축 아이콘 이름이 올바르지 않습니다.\n" + name;
    case ShortcutPathResult::TooLong: return "단축 아이콘의 경로가 너무 깁니다.\n" + name;
    default: return "";
    }
}

ProgramGroupOutcome DecideProgramGroup(const std::string& programs, const std::string& folderName) {
    ProgramGroupOutcome outcome;
    outcome.result = BuildProgramGroupFolder(programs, folderName, outcome.folder);
    outcome.message = GroupFolderMessage(outcome.result);
    if (!outcome.message.empty())
        outcome.effect = LineEffect::EndStep;
    else
        outcome.effect = outcome.result == GroupFolderResult::Ready ? LineEffect::Use : LineEffect::Skip;
    return outcome;
}

ShortcutLineOutcome DecideShortcutLine(const std::string& text, const std::string& groupFolder,
                                       const std::string& desktopFolder, const std::string& installDir) {
    ShortcutLineOutcome outcome;
    if (!ParseShortcutLine(text, outcome.line)) return outcome;
    outcome.effect = LineEffect::Skip;
    const std::string& placeFolder = outcome.line.place == ShortcutPlace::Desktop ? desktopFolder : groupFolder;
    if (placeFolder.empty()) return outcome;
    outcome.pathResult = BuildShortcutPaths(outcome.line, placeFolder, installDir, outcome.paths);
    if (outcome.pathResult != ShortcutPathResult::Ready) {
        outcome.message = ShortcutPathMessage(outcome.pathResult, outcome.line.name);
        return outcome;
    }
    outcome.effect = LineEffect::Use;
    return outcome;
}
