// The model's answers before anything is written (the earlier installation,
// the questions, the folder), the findings of the version check and record,
// and the run of the program's own install sequence on the model: the plan
// of the case asked for, and the findings of every line.
#include "checks/folder_rules.h"
#include "checks/version_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/player_machine_rules.h"
#include "stages/sequence_rules.h"
#include "system/shortcut_rules.h"

static const char* AnswerName(Answer answer) {
    return answer == Answer::Yes ? "yes" : "no";
}

// The folder dialog's caption, as its resource gives it.
static const char kFolderDialogCaption[] = "설치 디렉토리 선택";

void PlayerMachine::Tell(const std::string& caption, const std::string& text, unsigned, MessageOwner) {
    Message(caption, text, "ok");
}

// The player answers as the case says; where No would end the installation,
// the run that gathers findings answers Yes.
bool PlayerMachine::Ask(Question question, const std::string& caption, const std::string& text, MessageOwner) {
    Answer answer = Answer::Yes;
    switch (question) {
    case Question::Overwrite: answer = m_findingsOnly ? Answer::Yes : m_context.overwrite; break;
    case Question::StartPage: answer = m_context.startPage; break;
    case Question::CreateFolder: answer = m_findingsOnly ? Answer::Yes : m_context.createFolder; break;
    case Question::DiskSpace: answer = Answer::Yes; break;
    case Question::Restart: answer = Answer::No; break;
    }
    if (question == Question::CreateFolder && answer == Answer::No) m_declinedCreate = true;
    Message(caption, text, AnswerName(answer));
    return answer == Answer::Yes;
}

// The model's folders are always made; no system failure is left to tell.
void PlayerMachine::TellLastError() {}

bool PlayerMachine::CreateFolder(const std::string&) {
    return true;
}

// The dialog shows the proposed folder and the player confirms it; the
// folder typed (--install-dir) was put in its place before the stage.
bool PlayerMachine::ChooseInstallFolder(SetupState& state) {
    Message(kFolderDialogCaption, state.installDir, "ok");
    state.installDir = TrimTrailingBackslash(state.installDir);
    return true;
}

// Whether the install folder is there before the installation: as the case
// says, else exactly when an earlier installation recorded this folder.
bool PlayerMachine::InstallFolderExists() const {
    switch (m_context.folderPresence) {
    case FolderPresence::Exists: return true;
    case FolderPresence::Missing: return false;
    case FolderPresence::Implied: break;
    }
    return !m_recordedFolder.empty() && SameFileName(m_recordedFolder, m_state.installDir);
}

// The install folder is there or only its last level is missing; every
// level above it is there.
unsigned long PlayerMachine::SetCurrentFolder(const std::string& folder) {
    if (folder != m_state.installDir || InstallFolderExists()) return 0;
    return kErrorFileNotFound;
}

// The only number the stages read is the installed version, the only text
// the folder that installation recorded.
std::uint32_t PlayerMachine::ReadRegistryNumber(const RegistryPathParts&) {
    return m_context.installedVersion;
}

bool PlayerMachine::ReadRegistryText(const RegistryPathParts&, std::string& data) {
    const std::string& recorded = m_context.installedPath;
    if (recorded.empty()) return false;
    data = recorded + '\0';
    std::string folder;
    if (RecordedInstallFolder(data.data(), data.size(), folder)) m_recordedFolder = folder;
    return true;
}

void PlayerMachine::VersionSectionRead(const SetupState& state) {
    int mode = static_cast<int>(state.versionMode);
    if (mode < 0 || mode > 4)
        Add(Severity::Warning, "version-mode", "Version", "Mode",
            "mode " + std::to_string(mode) + " is not 0 to 4: checked like mode 0, never recorded",
            "an earlier installation is checked as in mode 0, but this installation is never recorded: the next "
            "update does not find it",
            "write Mode=0 (check and record), 1 (an update), 2 (check only), 3 (record only) or 4 (neither)");
}

// A usable location is kept for the plan, an unknown root is told, a path
// that stops the program is told.
void PlayerMachine::VersionPathDecided(const std::string& key, const std::string& path,
                                       const VersionPathOutcome& outcome) {
    PlannedValue& location = key == "Version Path" ? m_versionLocation : m_installLocation;
    if (outcome.status == RegistryPathStatus::Ok && outcome.effect == VersionPathEffect::Use) {
        location.key = RootKeyNameOf(outcome.parts.root) + "\\" + outcome.parts.subKey;
        location.name = outcome.parts.valueName;
    } else if (outcome.status == RegistryPathStatus::UnknownRoot) {
        const std::string meant = RootKeyNameFolded(path.substr(0, path.find('\\')));
        Add(Severity::Error, "unknown-root", "Version", key, RootNameProblem(path),
            key == "Version Path"
                ? "the player sees \"" + RegistryPathErrorText(key, path, outcome.status) + "\" (" +
                      kScriptErrorCaption + ") and the setup ends before anything is written"
                : "no message: the version check is skipped (no question in any mode), and in modes 0, 1 and 3 the "
                  "record at the end fails with \"" + std::string(kCreateKeyErrorText) + "\"",
            meant.empty() ? "begin the path with one of HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, "
                            "HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA"
                          : "write the root as " + meant + ": " + key + "=" + meant +
                                path.substr(path.find('\\') == std::string::npos ? path.size() : path.find('\\')));
    } else if (outcome.effect == VersionPathEffect::Stop) {
        Add(Severity::Error, "version-path", "Version", key,
            "path " + Quote(path) + " cannot be used (no backslash, or a part too long): the program stops",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption +
                ") and the setup ends before anything is written",
            "write the path as <root>\\<key>\\<value name>, the key at most 199 bytes and the value name at most 51: " +
                key + "=HKEY_LOCAL_MACHINE\\Software\\<studio>\\<game>\\" +
                (key == "Version Path" ? "Version" : "Path"));
    }
}

void PlayerMachine::VersionDecided(VersionVerdict verdict) {
    if (verdict != VersionVerdict::RefuseNoInstallation) return;
    Add(Severity::Info, "update-only", "Version", "Mode",
        "mode 1: the package refuses a machine without an earlier installation (plan an update with "
        "--installed-version)",
        "a player without the earlier installation sees \"" + std::string(kNoInstallationText) +
            "\" and the setup ends",
        "nothing to change for an update medium; for a full installation write Mode=0");
}

void PlayerMachine::VersionRecordRefused(const std::string& key) {
    const int mode = static_cast<int>(m_state.versionMode);
    const bool noSection = FindProfileSection(m_profile, "Version") == nullptr;
    const bool noMode = FindProfileEntry(m_profile, "Version", "Mode") == nullptr;
    std::string what = noSection ? "there is no [Version] section, so Mode is 0, which records the installation, "
                                   "but " + key + " is empty"
                       : noMode  ? "[Version] has no Mode, so it is 0, which records the installation, but " + key +
                                      " names no usable location"
                                 : "mode " + std::to_string(mode) + " records the installation, but " + key +
                                      " names no usable location";
    Add(Severity::Error, "version-record-empty", "Version", key, what,
        "at the end of every installation the player sees \"" + std::string(kCreateKeyErrorText) + "\" (" +
            kErrorCaption + ") before the completion message, and no later update finds this one",
        noSection ? "add a [Version] section: Mode=4 for no record; or, to record, Mode=0 with "
                    "Version Path=HKEY_LOCAL_MACHINE\\Software\\<studio>\\<game>\\Version, "
                    "Install Path=HKEY_LOCAL_MACHINE\\Software\\<studio>\\<game>\\Path and Value=<version number>"
                  : "write Mode=4 for no record; or, to record, " + key + "=HKEY_LOCAL_MACHINE\\Software\\<studio>\\<game>\\" +
                        (key == "Version Path" ? "Version" : "Path"));
}

// The case in words, for the plan's first line.
static std::string PlannedFor(const PlayerMachine& machine) {
    const MediumContext& c = machine.m_context;
    std::string text;
    if (c.installedVersion == 0 && c.installedPath.empty())
        text = "a clean machine (no earlier installation recorded)";
    else
        text = "a machine with an earlier installation recorded (version " + std::to_string(c.installedVersion) +
               (c.installedPath.empty() ? ", no folder" : ", folder " + c.installedPath) + ")";
    if (machine.m_versionLocation.key.empty() && c.installedVersion != 0)
        text += "; [Version] names no usable \"Version Path\", so the number is not read";
    if (machine.m_installLocation.key.empty() && !c.installedPath.empty())
        text += "; [Version] names no usable \"Install Path\", so the folder is not read";
    else if (!c.installedPath.empty() && machine.m_recordedFolder.empty() && !machine.m_installLocation.key.empty())
        text += "; the recorded folder does not fit 259 bytes and is not used";
    const char* folder = c.folderPresence == FolderPresence::Exists    ? "exists"
                         : c.folderPresence == FolderPresence::Missing ? "is missing"
                         : machine.m_report.plan.folderExisted         ? "exists (the earlier installation's)"
                                                                       : "is missing";
    text += ", the install folder " + std::string(folder);
    const std::string& installDir = machine.m_report.plan.installDir;
    if (installDir.size() >= 2 && installDir[1] == ':' && !machine.HardDiskOfPlan(installDir[0]))
        text += ", no hard disk " + std::string(1, UpperAscii(installDir[0])) + ": (the hard disk is C:)";
    text += std::string("; the player answering overwrite=") + AnswerName(c.overwrite) + ", start-page=" + AnswerName(c.startPage) +
            ", create-folder=" + AnswerName(c.createFolder);
    return text;
}

// Why the plan ends where the folder stage would start again.
static std::string FolderStageAgainNote(const PlayerMachine& machine) {
    if (FolderDialogShown(machine.m_state.changePath))
        return "the folder stage starts again: the folder dialog comes back with the same folder";
    if (machine.m_declinedCreate)
        return "the folder stage starts again: without the folder dialog the same question comes back until the "
               "player answers yes";
    return "the folder stage starts again: without the folder dialog the same message comes back again and again";
}

// The folder stage as the case has it: the folder the player types
// (--install-dir) replaces the proposed one before the stage, and the plan
// notes the folder the stage settled on.
static SequenceStep RunFolderStage(PlayerMachine& machine) {
    InstallPlan& plan = machine.m_report.plan;
    if (!machine.m_context.installDir.empty()) machine.m_state.installDir = machine.m_context.installDir;
    SequenceStep step = RunSequenceCommand(IDM_SELECT_FOLDER, machine, machine.m_state);
    plan.installDir = machine.m_state.installDir;
    plan.folderExisted = machine.InstallFolderExists();
    return step;
}

// The program's install sequence on the model, command by command, from the
// reading of [Main] to the end. The plan follows every command the program
// would post; where a stage would start again (the player would be asked
// the same thing again) it ends with a note. The run that gathers findings
// goes on past every end the case brings, to the next stage in order, and
// stops only where the medium itself ends the installation or the folder
// stage would start again (the later stages need a usable folder).
static void RunInstallSequence(PlayerMachine& machine) {
    InstallPlan& plan = machine.m_report.plan;
    ReadMainSection(machine, machine.m_state);
    plan.installs = false;
    for (SequenceCommand command = FirstCommand(); command != IDM_NONE;) {
        machine.m_command = command;
        SequenceStep step = command == IDM_SELECT_FOLDER ? RunFolderStage(machine)
                                                         : RunSequenceCommand(command, machine, machine.m_state);
        if (step.quits) {
            if (machine.m_findingsOnly && !step.mediumRefusal && command != IDM_FINISH) {
                command = CommandAfter(command);
                continue;
            }
            plan.exitCode = static_cast<int>(step.exitCode);
            plan.installs = command == IDM_FINISH;
            return;
        }
        if (step.next == command) {
            if (machine.m_findingsOnly)
                machine.CheckManifestUnread();
            else
                plan.endNote = FolderStageAgainNote(machine);
            return;
        }
        command = step.next;
    }
}

static MediumReport Run(const Medium& medium, const MediumContext& context, bool findingsOnly) {
    PlayerMachine machine(medium, context, findingsOnly);
    CheckMediumFiles(machine);
    CheckMainSection(machine);
    CheckBackdrop(machine);
    RunInstallSequence(machine);
    if (findingsOnly) {
        CheckStartPageOffer(machine);
        CheckUnreadScript(machine);
    }
    machine.m_report.plan.plannedFor = PlannedFor(machine);
    machine.m_report.plan.versionLocation = machine.m_versionLocation;
    machine.m_report.plan.installLocation = machine.m_installLocation;
    return machine.m_report;
}

MediumReport AnalyseMedium(const Medium& medium, const MediumContext& context) {
    MediumReport report = Run(medium, context, true);
    report.plan = Run(medium, context, false).plan;
    return report;
}

std::string ShowCommandName(int showCommand) {
    switch (showCommand) {
    case kShowNormal: return "normal window (SW_SHOWNORMAL 1)";
    case kShowMinimized: return "minimised (SW_MINIMIZE 6)";
    case kShowMaximized: return "maximised (SW_SHOWMAXIMIZED 3)";
    }
    return "show command " + std::to_string(showCommand);
}

int FindingsExitStatus(const std::vector<Finding>& findings) {
    int status = 0;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error) return 2;
        if (f.severity == Severity::Warning) status = 1;
    }
    return status;
}

const char* SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Info: return "info";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
    }
    return "";
}
