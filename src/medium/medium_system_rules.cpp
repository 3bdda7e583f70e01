// The stages of the medium walk that leave something in the system besides
// files: the registry entries, the shortcuts and the post-install programs.
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/medium_walk_rules.h"
#include "system/program_rules.h"
#include "system/registry_rules.h"
#include "system/shortcut_rules.h"

namespace {

const char* const kEndsRegistry =
    ": the registry step ends here; this value, the later values and the later keys are not written";

// One value line. False: the registry step ends here.
bool WalkValueLine(MediumWalk& walk, const std::string& section, const std::string& keyName, int number) {
    std::string key = LineKey(number);
    std::string line = walk.Read(section, key, kLineCapacity);
    ValueLineOutcome outcome = DecideValueLine(section, number, line, walk.m_installDir);
    switch (outcome.status) {
    case ValueLineStatus::Malformed:
        walk.Add(Severity::Error, "value-line-ends-step", section, key,
                 "value line " + Quote(line) + " has an empty type, a type of two characters or a type 3 to 9" +
                     kEndsRegistry);
        break;
    case ValueLineStatus::Incomplete:
        walk.Add(Severity::Error, "value-line-ends-step", section, key,
                 "value line " + Quote(line) + " is missing or ends before its type and second comma" + kEndsRegistry);
        break;
    case ValueLineStatus::TooLong:
        walk.Add(Severity::Error, "value-too-long", section, key,
                 "text " + Quote(outcome.value.data) + " with %EXEPATH% as " + Quote(walk.m_installDir) +
                     " passes 299 bytes: this value is not written");
        break;
    case ValueLineStatus::Ok: break;
    }
    if (!outcome.message.empty()) walk.Message(kScriptErrorCaption, outcome.message, "ok");
    if (outcome.effect == LineEffect::Use)
        walk.m_report.plan.registryValues.push_back(
            PlannedValue{keyName, outcome.value.name, outcome.data.type, outcome.data.bytes});
    return outcome.effect != LineEffect::EndStep;
}

// The values of the section named by the whole key line. False: stop.
bool WalkKeyValues(MediumWalk& walk, const std::string& section, const std::string& keyName) {
    int count = walk.ReadInt(section, "Count", 0);
    if (count <= 0)
        walk.Add(Severity::Warning, "no-values", FindProfileSection(walk.m_profile, section) ? section : "Main Registry",
                 "Count",
                 "no values for key " + Quote(section) +
                     (FindProfileSection(walk.m_profile, section) ? " (Count 0 or less)" : " (no section of that name)") +
                     ": the key is created empty");
    for (int j = 1; j <= count; ++j)
        if (!WalkValueLine(walk, section, keyName, j)) return false;
    return true;
}

// One key line. False: the registry step ends here.
bool WalkRegistryKey(MediumWalk& walk, int number) {
    std::string key = LineKey(number);
    std::string line = walk.Read("Main Registry", key, kLineCapacity);
    KeyLineOutcome outcome = DecideKeyLine(number, line);
    if (outcome.status == KeyLineStatus::UnknownRoot)
        walk.Add(Severity::Error, "unknown-root", "Main Registry", key,
                 RootNameProblem(line) + ": key line " + Quote(line) + " is skipped silently");
    else if (outcome.status == KeyLineStatus::NoBackslash)
        walk.Add(Severity::Error, "key-skipped", "Main Registry", key,
                 "key line " + Quote(line) + " has no backslash: skipped with a message");
    else if (outcome.status == KeyLineStatus::Empty)
        walk.Add(Severity::Warning, "key-skipped", "Main Registry", key, "key line " + key + " is missing or empty: skipped");
    if (!outcome.message.empty()) walk.Message(kScriptErrorCaption, outcome.message, "ok");
    if (outcome.effect != LineEffect::Use) return true;
    std::string keyName = RootKeyNameOf(outcome.key.root) + "\\" + outcome.key.subKey;
    walk.m_report.plan.registryKeys.push_back(keyName);
    return WalkKeyValues(walk, line, keyName);
}

}  // namespace

void WalkRegistry(MediumWalk& walk) {
    int count = walk.ReadInt("Main Registry", "Count", 0);
    for (int i = 1; i <= count; ++i)
        if (!WalkRegistryKey(walk, i)) return;
}

static void WalkShortcutLine(MediumWalk& walk, const ShortcutLineOutcome& outcome, const std::string& key) {
    const ShortcutLine& line = outcome.line;
    if (!outcome.message.empty()) {
        walk.Add(Severity::Error, "link-refused", "Program", key,
                 "link " + Quote(line.name) +
                     (outcome.pathResult == ShortcutPathResult::TooLong
                          ? " has a path over 259 bytes below " + Quote(walk.m_installDir)
                          : " has a name that names another folder") +
                     ": not written");
        walk.Message(kScriptErrorCaption, outcome.message, "ok");
    }
    if (outcome.effect != LineEffect::Use) return;
    if (walk.m_packageNames.count(FileNameKey(line.target)) == 0)
        walk.Add(Severity::Warning, "link-target-not-installed", "Program", key,
                 "target " + Quote(line.target) + " is not a package file of Quorin.qpk");
    const ShortcutPaths& paths = outcome.paths;
    walk.m_report.plan.links.push_back(PlannedLink{paths.linkFile, paths.target, line.arguments, paths.workingFolder,
                                                   paths.icon, line.description, line.showCommand});
}

static bool WalkProgramGroup(MediumWalk& walk, std::string& groupFolder) {
    std::string folderName = walk.Read("Program", "Folder Name", kPathSize, Severity::Error);
    ProgramGroupOutcome group = DecideProgramGroup(walk.m_context.programs, folderName);
    groupFolder = group.folder;
    if (group.effect == LineEffect::Use) walk.m_report.plan.folders.push_back(groupFolder);
    if (group.effect != LineEffect::EndStep) return true;
    walk.Add(Severity::Error, group.result == GroupFolderResult::EmptyName ? "no-folder-name" : "folder-name-refused",
             "Program", "Folder Name",
             group.result == GroupFolderResult::EmptyName
                 ? "shortcuts are listed but \"Folder Name\" is empty: no folder and no link"
                 : "folder name " + Quote(folderName) + " leaves the Programs folder or is too long: no link");
    walk.Message(kScriptErrorCaption, group.message, "ok");
    return false;
}

void WalkShortcuts(MediumWalk& walk) {
    int count = walk.ReadInt("Program", "Count", 0);
    if (!ShortcutStepRuns(count)) return;
    std::string groupFolder;
    if (!WalkProgramGroup(walk, groupFolder)) return;
    if (count < 0)
        walk.Add(Severity::Warning, "negative-count", "Program", "Count", "Count is negative: no link is written");
    std::string desktopFolder = DesktopLinkFolder(walk.m_context.desktop);
    for (int i = 1; i <= count; ++i) {
        std::string key = LineKey(i);
        std::string text = walk.Read("Program", key, kPathSize, Severity::Error);
        ShortcutLineOutcome outcome = DecideShortcutLine(text, groupFolder, desktopFolder, walk.m_installDir);
        if (outcome.effect == LineEffect::EndStep) {
            walk.Add(Severity::Error, "shortcut-ends-list", "Program", key,
                     "shortcut line " + Quote(text) + " is malformed or has fewer than eight fields: it and the " +
                         std::to_string(count - i) + " later lines make no link");
            return;
        }
        WalkShortcutLine(walk, outcome, key);
    }
}

// A program path that Windows cuts at a blank: one that holds a blank, or
// one below the install folder, which may hold one ("C:\Program Files\...").
static void WalkProgramQuoting(MediumWalk& walk, const std::string& key, const std::string& line,
                               const std::string& commandLine) {
    CommandProgram program = FindCommandProgram(commandLine);
    bool holdsBlank = program.path.find_first_of(" \t") != std::string::npos;
    if (program.quoted || (!holdsBlank && !StartsWithExePath(program.path))) return;
    // The folder to show the cut with: the install folder, unless the path
    // itself holds no blank and the folder none either.
    std::string folder = holdsBlank || walk.m_installDir.find(' ') != std::string::npos ? walk.m_installDir
                                                                                        : "C:\\Games\\My Game";
    std::string expanded = commandLine;
    ExpandExePathText(commandLine, folder, expanded, std::string::npos);
    std::string why = holdsBlank ? "holds a blank and is not in quotes: "
                                 : "is not in quotes, and the install folder may hold a blank: in " + Quote(folder) + " ";
    walk.Add(Severity::Warning, "command-unquoted", "Execute File", key,
             "program " + Quote(program.path) + " " + why + "Windows first runs " +
                 Quote(FirstTriedProgram(expanded)) + " if there is one; write the line as " +
                 line.substr(0, line.size() - commandLine.size()) + "\"" + program.path + "\"" + program.rest);
}

// The package file a command line starts, when its program lies in the
// install folder (%EXEPATH%\..., quoted or not): the name below the install
// folder, with ".exe" added where Windows adds it. False for a program
// elsewhere, one that climbs out of the install folder, and a batch file
// (Windows starts it through the command interpreter).
static bool ProgramInInstallFolder(const std::string& commandLine, std::string& name) {
    CommandProgram program = FindCommandProgram(commandLine);
    const std::string prefix = "%EXEPATH%\\";
    if (program.path.compare(0, prefix.size(), prefix) != 0) return false;
    name = program.path.substr(prefix.size());
    if (name.empty() || name.find("..") != std::string::npos) return false;
    std::size_t part = name.find_last_of('\\');
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (part != std::string::npos && dot < part)) name += ".exe";
    std::string extension = UpperAscii(name.substr(name.rfind('.')));
    return extension != ".BAT" && extension != ".CMD";
}

// The first bytes of a medium file, found as Windows finds it; false when
// the file is not on the medium.
static bool MediumHead(const Medium& medium, const std::string& name, std::string& head) {
    for (const auto& file : medium.files) {
        if (!SameFileName(file.first, name)) continue;
        auto found = medium.heads.find(file.first);
        head = found == medium.heads.end() ? "" : found->second;
        return true;
    }
    return false;
}

// Whether the program of a command line can be started as far as the medium
// tells: one in the install folder must be a package file that is a Windows
// program ("MZ"). False: the player sees "프로그램을 실행할 수 없습니다." and
// no later line runs.
static bool ProgramStarts(MediumWalk& walk, const std::string& key, const std::string& commandLine) {
    std::string name, head;
    if (!ProgramInInstallFolder(commandLine, name)) return true;
    if (walk.m_packageNames.count(FileNameKey(name)) == 0) {
        walk.Add(Severity::Error, "program-not-installed", "Execute File", key,
                 "program " + Quote(name) + " in the install folder is not a package file of Quorin.qpk: the player "
                 "sees \"" + std::string(kProgramCannotRunText) + "\" (" + kErrorCaption +
                     ") and no later line runs (unless an earlier installation left it there)");
        return false;
    }
    if (!MediumHead(walk.m_medium, name, head)) return false;  // package-file-missing tells it
    if (head.compare(0, 2, "MZ") == 0) return true;
    walk.Add(Severity::Error, "program-not-runnable", "Execute File", key,
             "program " + Quote(name) + " does not start with \"MZ\": it is not a Windows program, the player sees \"" +
                 std::string(kProgramCannotRunText) + "\" (" + kErrorCaption + ") and no later line runs");
    return false;
}

void WalkPrograms(MediumWalk& walk) {
    int count = walk.ReadInt("Execute File", "Count", 0);
    bool ended = false;
    for (int i = 1; i <= count; ++i) {
        std::string key = LineKey(i);
        std::string text = walk.Read("Execute File", key, kLineCapacity);
        ProgramLineOutcome outcome = DecideProgramLine(text, walk.m_installDir);
        if (!outcome.message.empty() && !ended) walk.Message(kScriptErrorCaption, outcome.message, "ok");
        switch (outcome.effect) {
        case LineEffect::Skip:
            walk.Add(Severity::Warning, "program-skipped", "Execute File", key,
                     text.empty() ? "line " + key + " is missing or empty: skipped"
                                  : "line " + Quote(text) + " has no one-character wait field or no command: skipped");
            break;
        case LineEffect::EndStep:
            walk.Add(Severity::Error, "command-too-long", "Execute File", key,
                     "command " + Quote(outcome.line.commandLine) + " with %EXEPATH% as " + Quote(walk.m_installDir) +
                         " passes 299 bytes: the step ends here, later programs do not run");
            return;
        case LineEffect::Use:
            WalkProgramQuoting(walk, key, text, outcome.line.commandLine);
            // After a program that cannot start no line runs; the later lines
            // are still checked.
            if (!ProgramStarts(walk, key, outcome.line.commandLine) && !ended) {
                walk.Message(kErrorCaption, kProgramCannotRunText, "ok");
                ended = true;
            }
            if (!ended) walk.m_report.plan.programs.push_back(PlannedProgram{outcome.commandLine, outcome.line.wait});
            break;
        }
    }
}
