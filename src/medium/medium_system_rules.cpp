// The model's registry, shell and processes, and the findings of the stages
// that leave something in the system besides files: the registry entries,
// the shortcuts and the post-install programs.
#include "common/link_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "install/copy_rules.h"
#include "medium/player_machine_rules.h"
#include "system/program_rules.h"
#include "system/registry_rules.h"
#include "system/shortcut_rules.h"

// The version record is written by the last stage, the registry entries by
// their own; the plan keeps them apart.
bool PlayerMachine::CreateRegistryKey(std::uint32_t root, const std::string& subKey) {
    m_openKey = RootKeyNameOf(root) + "\\" + subKey;
    if (m_command == IDM_WRITE_REGISTRY) m_report.plan.registryKeys.push_back(m_openKey);
    return true;
}

bool PlayerMachine::SetRegistryValue(const std::string& name, std::uint32_t type,
                                     const std::vector<unsigned char>& bytes) {
    PlannedValue value{m_openKey, name, type, bytes};
    if (m_command == IDM_WRITE_REGISTRY)
        m_report.plan.registryValues.push_back(value);
    else
        m_report.plan.versionRecord.push_back(value);
    return true;
}

void PlayerMachine::CloseRegistryKey() {
    m_openKey.clear();
}

// The browser's key is taken to be there, as it is on a machine with the browser.
bool PlayerMachine::SetExistingRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                                             std::uint32_t type, const std::string& bytes) {
    m_report.plan.startPage.push_back(PlannedValue{RootKeyNameOf(root) + "\\" + subKey, name, type,
                                                   std::vector<unsigned char>(bytes.begin(), bytes.end())});
    return true;
}

void PlayerMachine::ReadShellFolders(std::string& programs, std::string& desktop) {
    programs = m_context.programs;
    desktop = m_context.desktop;
}

// The program group is planned where the stage decides it (ProgramGroupDecided).
bool PlayerMachine::CreateSubfolders(const std::string&, const std::string&) {
    return true;
}

bool PlayerMachine::CreateShellLink(const ShortcutLine& line, const ShortcutPaths& paths) {
    m_report.plan.links.push_back(PlannedLink{paths.linkFile, paths.target, line.arguments, paths.workingFolder,
                                              paths.icon, line.description, line.showCommand});
    return true;
}

// The file a command line runs, where the line names it with its drive.
static std::string ProgramFileOf(const std::string& commandLine) {
    std::string path = FindCommandProgram(commandLine).path;
    const bool hasDrive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    return hasDrive ? path : "";
}

// A program that cannot start ends the step; the run that gathers findings
// goes on, so that the later lines are checked too.
bool PlayerMachine::StartProgram(const std::string& commandLine, bool wait) {
    bool starts = ProgramStarts(m_programCommand);
    if (m_findingsOnly) return true;
    if (starts) m_report.plan.programs.push_back(PlannedProgram{commandLine, wait, ProgramFileOf(commandLine)});
    return starts;
}

namespace {

const char* const kEndsRegistry =
    ": the registry step ends here; this value, the later values and the later keys are not written";

// A program path that Windows cuts at a blank: one that holds a blank, or
// one below the install folder, which may hold one ("C:\Program Files\...").
void CheckProgramQuoting(PlayerMachine& machine, const std::string& key, const std::string& line,
                         const std::string& commandLine, const std::string& installDir) {
    CommandProgram program = FindCommandProgram(commandLine);
    bool holdsBlank = program.path.find_first_of(" \t") != std::string::npos;
    if (program.quoted || (!holdsBlank && !StartsWithExePath(program.path))) return;
    // The folder to show the cut with: the install folder, unless the path
    // itself holds no blank and the folder none either.
    std::string folder =
        holdsBlank || installDir.find(' ') != std::string::npos ? installDir : "C:\\Games\\My Game";
    std::string expanded = commandLine;
    ExpandExePathText(commandLine, folder, expanded, std::string::npos);
    std::string why = holdsBlank ? "holds a blank and is not in quotes: "
                                 : "is not in quotes, and the install folder may hold a blank: in " + Quote(folder) + " ";
    const std::string quoted =
        line.substr(0, line.size() - commandLine.size()) + "\"" + program.path + "\"" + program.rest;
    machine.Add(Severity::Warning, "command-unquoted", "Execute File", key,
                "program " + Quote(program.path) + " " + why + "Windows first runs " +
                    Quote(FirstTriedProgram(expanded)) + " if there is one; write the line as " + quoted,
                "where " + Quote(FirstTriedProgram(expanded)) +
                    " exists (any user may be able to put one there), it runs with the setup's administrator rights "
                    "instead of the program",
                "put the program in double quotes: " + key + "=" + quoted);
}

// A program named without a folder: where Setup.exe takes it from, in the
// order it looks, and where it never does (Windows would look in the current
// folder too, and beside Setup.exe).
void NoteBareProgram(PlayerMachine& machine, const std::string& key, const std::string& commandLine,
                     const MediumContext& context) {
    CommandProgram program = FindCommandProgram(commandLine);
    if (!IsBareProgramName(program.path)) return;
    std::string folders;
    for (const std::string& folder : BareProgramFolders(context.systemDir, context.windowsDir, ""))
        folders += folder + ", ";
    machine.Add(Severity::Info, "program-searched", "Execute File", key,
                "program " + Quote(program.path) + " is named without a folder: Setup.exe starts " +
                    Quote(ProgramFileName(program.path)) + " from the first of " + folders +
                    "then the folders of PATH that holds it; never from the current folder (the install folder "
                    "or the deepest folder of its path that exists, which other users may write) nor from the "
                    "medium beside Setup.exe",
                "Windows' own " + Quote(ProgramFileName(program.path)) + " runs; where the player's Windows has "
                "none, \"" + std::string(kProgramCannotRunText) + "\" and no later line runs",
                "nothing to change for a program of Windows; for a program of the game, install it and name it "
                "%EXEPATH%\\...");
    std::uint64_t size = 0;
    if (FindMediumFile(machine.m_medium, ProgramFileName(program.path), size))
        machine.Add(Severity::Warning, "program-on-medium", "Execute File", key,
                    "the medium holds " + Quote(ProgramFileName(program.path)) +
                        " beside Setup.exe, which Windows would start first for this line; Setup.exe does not take "
                        "programs from the medium's folder (it may be a download folder holding anything)",
                    "Setup.exe starts the system's program of that name, or, where there is none, the player sees \"" +
                        std::string(kProgramCannotRunText) + "\" and no later line runs",
                    "install the file as a package file and name it %EXEPATH%\\" + ProgramFileName(program.path) +
                        ", in double quotes");
}

// The package file a command line starts, when its program lies in the
// install folder (%EXEPATH%\..., quoted or not): the name below the install
// folder, with ".exe" added where Windows adds it. False for a program
// elsewhere, one that climbs out of the install folder, and a batch file
// (Windows starts it through the command interpreter).
bool ProgramInInstallFolder(const std::string& commandLine, std::string& name) {
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
std::uint64_t MediumFileSize(const Medium& medium, const std::string& name) {
    for (const auto& file : medium.files)
        if (SameFileName(file.first, name)) return file.second;
    return 0;
}

bool MediumHead(const Medium& medium, const std::string& name, std::string& head) {
    for (const auto& file : medium.files) {
        if (!SameFileName(file.first, name)) continue;
        auto found = medium.heads.find(file.first);
        head = found == medium.heads.end() ? "" : found->second;
        return true;
    }
    return false;
}

}  // namespace

// Whether the program of a command line can be started as far as the medium
// tells: one in the install folder must be a package file that is a Windows
// program image. False: the player sees "프로그램을 실행할 수 없습니다." and
// no later line runs.
bool PlayerMachine::ProgramStarts(const std::string& commandLine) {
    std::string name, head;
    if (!ProgramInInstallFolder(commandLine, name)) return true;
    if (m_packageNames.count(FileNameKey(name)) == 0) {
        Add(Severity::Error, "program-not-installed", "Execute File", m_programKey,
            "program " + Quote(name) + " in the install folder is not a package file of Quorin.qpk (Setup.exe "
            "starts a program in the install folder only as the file it wrote there, never one an earlier "
            "installation or anyone else left)",
            "the player sees \"" + std::string(kProgramCannotRunText) + "\" (" + kErrorCaption +
                ") and no later line runs",
            "put " + Quote(name) + " on the medium and rebuild the manifest (" + RebuildCommand(*this) +
                "), or correct the program's name on this line");
        return false;
    }
    if (!MediumHead(m_medium, name, head)) return false;  // package-file-missing tells it
    if (IsWindowsProgramImage(head, MediumFileSize(m_medium, name))) return true;
    Add(Severity::Error, "program-not-runnable", "Execute File", m_programKey,
        "program " + Quote(name) + " is not a Windows program (no \"MZ\" header with a \"PE\" signature): "
            "Windows refuses to start it",
        "the player sees \"" + std::string(kProgramCannotRunText) + "\" (" + kErrorCaption +
            ") and no later line runs",
        "put the real program on the medium as " + Quote(name) + ", or start the file with the program that opens "
        "it (notepad.exe \"%EXEPATH%\\" + name + "\")");
    return false;
}

void PlayerMachine::KeyLineDecided(int number, const std::string& line, const KeyLineOutcome& outcome) {
    std::string key = LineKey(number);
    m_keyLineKey = key;
    if (outcome.status == KeyLineStatus::UnknownRoot) {
        const std::string root = line.substr(0, line.find('\\'));
        const std::string meant = RootKeyNameFolded(root);
        Add(Severity::Error, "unknown-root", "Main Registry", key,
            RootNameProblem(line) + ": key line " + Quote(line) + " is skipped silently",
            "the key and every value of its section are not written, without a word; the game does not find them",
            meant.empty() ? "begin the key line with one of HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, "
                            "HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA, and name its value section the same"
                          : "write the root as " + meant + ": " + key + "=" + meant + line.substr(root.size()) +
                                ", and the value section's header [" + meant + line.substr(root.size()) + "] the same");
    } else if (outcome.status == KeyLineStatus::NoBackslash) {
        Add(Severity::Error, "key-skipped", "Main Registry", key,
            "key line " + Quote(line) + " has no backslash: skipped with a message",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                "); the key and its values are not written",
            "write the key line as <root>\\<key path>: " + key + "=HKEY_CURRENT_USER\\Software\\" + line);
    } else if (outcome.status == KeyLineStatus::Empty) {
        Add(Severity::Warning, "key-skipped", "Main Registry", key, "key line " + key + " is missing or empty: skipped",
            "no key is written for this line, without a word",
            "write the key line, or lower Count to the number of key lines");
    }
}

void PlayerMachine::ValueCountRead(const std::string& section, int count) {
    if (count > 0) return;
    bool found = FindProfileSection(m_profile, section) != nullptr;
    Add(Severity::Warning, "no-values", found ? section : "Main Registry", found ? "Count" : m_keyLineKey,
        "no values for key " + Quote(section) + (found ? " (Count 0 or less)" : " (no section of that name)") +
            ": the key is created empty",
        "the key is there, with no value in it",
        found ? "set Count to the number of value lines of [" + section + "]"
              : "add the value section, named exactly as the key line: [" + section + "] with Count=<n> and lines "
                "1=<name>, <type>, <data>");
}

void PlayerMachine::ValueLineDecided(const std::string& section, int number, const std::string& line,
                                     const ValueLineOutcome& outcome, const SetupState& state) {
    std::string key = LineKey(number);
    const std::string name = line.substr(0, line.find(','));
    switch (outcome.status) {
    case ValueLineStatus::Malformed:
        Add(Severity::Error, "value-line-ends-step", section, key,
            "value line " + Quote(line) + " has an empty type, a type of two characters or a type 3 to 9" +
                kEndsRegistry,
            "silently, this value, the later values of the key and every later key line are not written; the game "
            "does not find them",
            "write the type as one character, 0 (DWORD), 1 (text) or 2 (binary): " + key + "=" + name +
                ", <type>, <data>");
        break;
    case ValueLineStatus::Incomplete:
        Add(Severity::Error, "value-line-ends-step", section, key,
            "value line " + Quote(line) + " is missing or ends before its type and second comma" + kEndsRegistry,
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                "); this value, the later values and every later key line are not written",
            line.empty() ? "write line " + key + " as <name>, <type>, <data>, or lower Count to " +
                               std::to_string(number - 1)
                         : "write the line as <name>, <type>, <data>: " + key + "=" + name + ", 1, <data>");
        break;
    case ValueLineStatus::TooLong:
        Add(Severity::Error, "value-too-long", section, key,
            "text " + Quote(outcome.value.data) + " with %EXEPATH% as " + Quote(state.installDir) +
                " passes 299 bytes: this value is not written",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                "); the value is not written, the later ones are",
            "shorten the text (with %EXEPATH% it must stay within 299 bytes)");
        break;
    case ValueLineStatus::Ok: break;
    }
    if (outcome.status == ValueLineStatus::Ok || outcome.status == ValueLineStatus::TooLong)
        CheckFlagField(*this, section, key, "type", outcome.value.typeCharacter,
                       "the value is written as a REG_DWORD (type 0) of the number its data begins with",
                       "write the type as 0 (DWORD), 1 (text) or 2 (binary): " + key + "=" + name +
                           ", 1, " + outcome.value.data);
    CheckValueData(*this, section, key, line, outcome);
}

// Why a "Folder Name" is refused, in English.
static std::string GroupFolderProblem(const std::string& folderName, GroupFolderResult result) {
    if (result == GroupFolderResult::TooLong)
        return "the Programs folder + \\" + folderName + "\\ is longer than 259 bytes";
    switch (FindGroupNameProblem(folderName)) {
    case GroupNameProblem::Colon:
        return folderName.size() >= 2 && folderName[1] == ':'
                   ? "it begins with a drive (" + folderName.substr(0, 2) + "), which would put it outside the "
                     "Programs folder"
                   : "it holds \":\", a character Windows does not allow in a folder name";
    case GroupNameProblem::Rooted:
        return "it begins with a backslash or slash, which would put it at the root of a drive";
    case GroupNameProblem::DotsPart: return "a part of it is only dots and blanks (such as ..), which climbs out of the Programs folder";
    case GroupNameProblem::DeviceName: return "a part of it is a device name (CON, NUL, COM1, ...), which is no folder";
    case GroupNameProblem::None: break;
    }
    return "it cannot name a folder below the Programs folder";
}

// The name written with what refuses it taken out, for the fix.
static std::string UsableGroupName(const std::string& folderName) {
    std::string out;
    const bool drive = folderName.size() >= 2 && folderName[1] == ':';
    for (char c : drive ? folderName.substr(2) : folderName)
        if (c != ':' && c != '/') out += c;
    std::size_t first = out.find_first_not_of("\\ ");
    out = first == std::string::npos ? "" : out.substr(first);
    std::string cleaned;
    for (const std::string& part : SplitPathComponents(out)) {
        if (CheckRelativeName(part) == NameProblem::LeavesFolder || CheckRelativeName(part) == NameProblem::DeviceName)
            continue;
        cleaned += (cleaned.empty() ? "" : "\\") + part;
    }
    return cleaned.empty() ? "<studio>\\<game>" : cleaned;
}

void PlayerMachine::ProgramGroupDecided(int count, const std::string& folderName, const ProgramGroupOutcome& outcome) {
    if (outcome.effect == LineEffect::Use) m_report.plan.folders.push_back(outcome.folder);
    if (outcome.effect == LineEffect::EndStep) {
        bool empty = outcome.result == GroupFolderResult::EmptyName;
        if (empty)
            Add(Severity::Error, "no-folder-name", "Program", "Folder Name",
                "shortcuts are listed but \"Folder Name\" is empty: no folder and no link",
                "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                    "); no program group and no link at all, the desktop links included",
                "name the program group: Folder Name=<studio>\\<game>");
        else
            Add(Severity::Error, "folder-name-refused", "Program", "Folder Name",
                "folder name " + Quote(folderName) + " is refused: " + GroupFolderProblem(folderName, outcome.result),
                "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                    "); no program group and no link at all, the desktop links included",
                outcome.result == GroupFolderResult::TooLong
                    ? "use a shorter folder name"
                    : "name a folder below the Programs folder: Folder Name=" + UsableGroupName(folderName));
        return;
    }
    if (count < 0)
        Add(Severity::Warning, "negative-count", "Program", "Count", "Count is negative: no link is written",
            "the program group folder is made, empty; no link", "set Count to the number of shortcut lines");
}

void PlayerMachine::ShortcutLineDecided(int number, int count, const std::string& text,
                                        const ShortcutLineOutcome& outcome, const SetupState& state) {
    std::string key = LineKey(number);
    const ShortcutLine& line = outcome.line;
    if (outcome.effect == LineEffect::EndStep) {
        Add(Severity::Error, "shortcut-ends-list", "Program", key,
            "shortcut line " + Quote(text) + " is malformed or has fewer than eight fields: it and the " +
                std::to_string(count - number) + " later lines make no link",
            "silently, no link is made for this line or any later one",
            text.empty() ? "write line " + key + ", or lower Count to " + std::to_string(number - 1)
                         : "write eight fields, seven commas: place 0 or 1, name, show 0 to 2, description, target, "
                           "arguments, working folder, icon: " + key + "=0, <name>, 0, , <target>, , , <target>");
        return;
    }
    if (!outcome.message.empty())
        Add(Severity::Error, "link-refused", "Program", key,
            "link " + Quote(line.name) +
                (outcome.pathResult == ShortcutPathResult::TooLong
                     ? " has a path over 259 bytes below " + Quote(state.installDir)
                     : " has a name that names another folder (\\, / or :)") +
                ": not written",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption + "); this link is not made, the "
            "later ones are",
            outcome.pathResult == ShortcutPathResult::TooLong ? "shorten the link's name or its paths"
                                                              : "take \\, / and : out of the link's name");
    CheckFlagField(*this, "Program", key, "place", line.placeCharacter, "the link goes into the program group",
                   "write the place as 0 (program group) or 1 (desktop)");
    CheckFlagField(*this, "Program", key, "show", line.showCharacter, "the program opens in a normal window",
                   "write the show field as 0 (normal), 1 (minimised) or 2 (maximised)");
    if (line.icon.find(',') != std::string::npos) {
        const std::string icon = line.icon.substr(0, line.icon.find(','));
        Add(Severity::Warning, "field-count", "Program", key,
            "shortcut line " + Quote(text) + " has more than its eight fields: the icon, the last field, takes the "
            "rest of the line, " + Quote(line.icon),
            "the link's icon is the file " + Quote(line.icon) + " in the install folder, which is not there: "
            "Windows shows the link with a blank icon",
            "end the line with the icon's file (its first icon is used): ..., " + icon);
    }
    if (outcome.effect == LineEffect::Use && m_packageNames.count(FileNameKey(line.target)) == 0)
        Add(Severity::Warning, "link-target-not-installed", "Program", key,
            "target " + Quote(line.target) + " is not a package file of Quorin.qpk",
            "the link is made but points at nothing: opening it, the player is told the target cannot be found",
            "name a package file as the target (a path below the install folder), or add " + Quote(line.target) +
                " to the medium and " + RebuildCommand(*this));
}

void PlayerMachine::ProgramLineDecided(int number, const std::string& text, const ProgramLineOutcome& outcome,
                                       const SetupState& state) {
    std::string key = LineKey(number);
    if (outcome.effect != LineEffect::Skip)
        CheckFlagField(*this, "Execute File", key, "wait field", outcome.line.waitCharacter,
                       "the setup does not wait for the program to end (only 1 waits)",
                       "write the wait field as 1 (wait until the program has ended) or 0 (go on at once)");
    switch (outcome.effect) {
    case LineEffect::Skip:
        Add(Severity::Warning, "program-skipped", "Execute File", key,
            text.empty() ? "line " + key + " is missing or empty: skipped"
                         : "line " + Quote(text) + " has no one-character wait field or no command: skipped",
            "the program is not started, without a word; the later lines are",
            text.empty() ? "write line " + key + ", or lower Count to " + std::to_string(number - 1)
                         : "write the line as <wait>, <command line>: " + key + "=1, <command line>");
        break;
    case LineEffect::EndStep:
        Add(Severity::Error, "command-too-long", "Execute File", key,
            "command " + Quote(outcome.line.commandLine) + " with %EXEPATH% as " + Quote(state.installDir) +
                " passes 299 bytes: the step ends here, later programs do not run",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                "); this program and every later one are not started",
            "shorten the command line (with %EXEPATH% it must stay within 299 bytes)");
        break;
    case LineEffect::Use:
        CheckProgramQuoting(*this, key, text, outcome.line.commandLine, state.installDir);
        NoteBareProgram(*this, key, outcome.line.commandLine, m_context);
        m_programKey = key;
        m_programCommand = outcome.line.commandLine;
        break;
    }
}
