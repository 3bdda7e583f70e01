// The model's registry, shell and processes, and the findings of the stages
// that leave something in the system besides files: the registry entries,
// the shortcuts and the post-install programs.
#include "common/link_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
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
    machine.Add(Severity::Warning, "command-unquoted", "Execute File", key,
                "program " + Quote(program.path) + " " + why + "Windows first runs " +
                    Quote(FirstTriedProgram(expanded)) + " if there is one; write the line as " +
                    line.substr(0, line.size() - commandLine.size()) + "\"" + program.path + "\"" + program.rest);
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
                    "medium beside Setup.exe");
    std::uint64_t size = 0;
    if (FindMediumFile(machine.m_medium, ProgramFileName(program.path), size))
        machine.Add(Severity::Warning, "program-on-medium", "Execute File", key,
                    "the medium holds " + Quote(ProgramFileName(program.path)) +
                        " beside Setup.exe, which Windows would start first for this line; Setup.exe does not take "
                        "programs from the medium's folder (it may be a download folder holding anything): it starts "
                        "the system's program of that name, or none. Install the file and name it %EXEPATH%\\...");
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
            "program " + Quote(name) + " in the install folder is not a package file of Quorin.qpk: the player "
            "sees \"" + std::string(kProgramCannotRunText) + "\" (" + kErrorCaption +
                ") and no later line runs (Setup.exe starts a program in the install folder only as the file it "
                "wrote there, never one an earlier installation or anyone else left)");
        return false;
    }
    if (!MediumHead(m_medium, name, head)) return false;  // package-file-missing tells it
    if (IsWindowsProgramImage(head, MediumFileSize(m_medium, name))) return true;
    Add(Severity::Error, "program-not-runnable", "Execute File", m_programKey,
        "program " + Quote(name) + " is not a Windows program (no \"MZ\" header with a \"PE\" signature): "
            "Windows refuses to start it, the player sees \"" +
            std::string(kProgramCannotRunText) + "\" (" + kErrorCaption + ") and no later line runs");
    return false;
}

void PlayerMachine::KeyLineDecided(int number, const std::string& line, const KeyLineOutcome& outcome) {
    std::string key = LineKey(number);
    if (outcome.status == KeyLineStatus::UnknownRoot)
        Add(Severity::Error, "unknown-root", "Main Registry", key,
            RootNameProblem(line) + ": key line " + Quote(line) + " is skipped silently");
    else if (outcome.status == KeyLineStatus::NoBackslash)
        Add(Severity::Error, "key-skipped", "Main Registry", key,
            "key line " + Quote(line) + " has no backslash: skipped with a message");
    else if (outcome.status == KeyLineStatus::Empty)
        Add(Severity::Warning, "key-skipped", "Main Registry", key, "key line " + key + " is missing or empty: skipped");
}

void PlayerMachine::ValueCountRead(const std::string& section, int count) {
    if (count > 0) return;
    bool found = FindProfileSection(m_profile, section) != nullptr;
    Add(Severity::Warning, "no-values", found ? section : "Main Registry", "Count",
        "no values for key " + Quote(section) + (found ? " (Count 0 or less)" : " (no section of that name)") +
            ": the key is created empty");
}

void PlayerMachine::ValueLineDecided(const std::string& section, int number, const std::string& line,
                                     const ValueLineOutcome& outcome, const SetupState& state) {
    std::string key = LineKey(number);
    switch (outcome.status) {
    case ValueLineStatus::Malformed:
        Add(Severity::Error, "value-line-ends-step", section, key,
            "value line " + Quote(line) + " has an empty type, a type of two characters or a type 3 to 9" +
                kEndsRegistry);
        break;
    case ValueLineStatus::Incomplete:
        Add(Severity::Error, "value-line-ends-step", section, key,
            "value line " + Quote(line) + " is missing or ends before its type and second comma" + kEndsRegistry);
        break;
    case ValueLineStatus::TooLong:
        Add(Severity::Error, "value-too-long", section, key,
            "text " + Quote(outcome.value.data) + " with %EXEPATH% as " + Quote(state.installDir) +
                " passes 299 bytes: this value is not written");
        break;
    case ValueLineStatus::Ok: break;
    }
}

void PlayerMachine::ProgramGroupDecided(int count, const std::string& folderName, const ProgramGroupOutcome& outcome) {
    if (outcome.effect == LineEffect::Use) m_report.plan.folders.push_back(outcome.folder);
    if (outcome.effect == LineEffect::EndStep) {
        bool empty = outcome.result == GroupFolderResult::EmptyName;
        Add(Severity::Error, empty ? "no-folder-name" : "folder-name-refused", "Program", "Folder Name",
            empty ? "shortcuts are listed but \"Folder Name\" is empty: no folder and no link"
                  : "folder name " + Quote(folderName) + " leaves the Programs folder or is too long: no link");
        return;
    }
    if (count < 0) Add(Severity::Warning, "negative-count", "Program", "Count", "Count is negative: no link is written");
}

void PlayerMachine::ShortcutLineDecided(int number, int count, const std::string& text,
                                        const ShortcutLineOutcome& outcome, const SetupState& state) {
    std::string key = LineKey(number);
    const ShortcutLine& line = outcome.line;
    if (outcome.effect == LineEffect::EndStep) {
        Add(Severity::Error, "shortcut-ends-list", "Program", key,
            "shortcut line " + Quote(text) + " is malformed or has fewer than eight fields: it and the " +
                std::to_string(count - number) + " later lines make no link");
        return;
    }
    if (!outcome.message.empty())
        Add(Severity::Error, "link-refused", "Program", key,
            "link " + Quote(line.name) +
                (outcome.pathResult == ShortcutPathResult::TooLong
                     ? " has a path over 259 bytes below " + Quote(state.installDir)
                     : " has a name that names another folder") +
                ": not written");
    if (outcome.effect == LineEffect::Use && m_packageNames.count(FileNameKey(line.target)) == 0)
        Add(Severity::Warning, "link-target-not-installed", "Program", key,
            "target " + Quote(line.target) + " is not a package file of Quorin.qpk");
}

void PlayerMachine::ProgramLineDecided(int number, const std::string& text, const ProgramLineOutcome& outcome,
                                       const SetupState& state) {
    std::string key = LineKey(number);
    switch (outcome.effect) {
    case LineEffect::Skip:
        Add(Severity::Warning, "program-skipped", "Execute File", key,
            text.empty() ? "line " + key + " is missing or empty: skipped"
                         : "line " + Quote(text) + " has no one-character wait field or no command: skipped");
        break;
    case LineEffect::EndStep:
        Add(Severity::Error, "command-too-long", "Execute File", key,
            "command " + Quote(outcome.line.commandLine) + " with %EXEPATH% as " + Quote(state.installDir) +
                " passes 299 bytes: the step ends here, later programs do not run");
        break;
    case LineEffect::Use:
        CheckProgramQuoting(*this, key, text, outcome.line.commandLine, state.installDir);
        NoteBareProgram(*this, key, outcome.line.commandLine, m_context);
        m_programKey = key;
        m_programCommand = outcome.line.commandLine;
        break;
    }
}
