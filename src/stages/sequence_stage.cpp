// The install sequence: the stages in the order they run, one row per
// command. A stage ends by going on to the next row, coming back to its own
// command, aborting after a cancelled copy, or ending the program; the
// caller posts the command that follows or ends its message loop.
#include "checks/disk_space_rules.h"
#include "checks/folder_rules.h"
#include "checks/version_rules.h"
#include "common/paint_rules.h"
#include "common/script_rules.h"
#include "stages/sequence_rules.h"
#include "stages/stages.h"

namespace {

enum class StageEndKind { GoOn, Again, Abort, Quit };

struct StageEnd {
    StageEndKind kind = StageEndKind::GoOn;
    ExitCode exitCode = ExitCode::Completed;
    bool mediumRefusal = false;
};

StageEnd GoOn() {
    return StageEnd{};
}

StageEnd Again() {
    return StageEnd{StageEndKind::Again, ExitCode::Completed, false};
}

StageEnd Quit(ExitCode exitCode, bool mediumRefusal = false) {
    return StageEnd{StageEndKind::Quit, exitCode, mediumRefusal};
}

// "Default Path" as written, read with more room than the install folder has:
// a value that would be cut is refused before anything is written, instead of
// installing into a folder the script never named.
bool RefuseLongDefaultPath(SetupMachine& machine) {
    if (DefaultPathFits(machine.ReadScriptText("Main", "Default Path", kLineCapacity))) return false;
    machine.Tell(kScriptErrorCaption, DefaultPathTooLongText(), kErrorMessage);
    return true;
}

StageEnd RunVersionCheck(SetupMachine& machine, SetupState& state) {
    if (RefuseLongDefaultPath(machine)) return Quit(ExitCode::Failed, true);
    switch (CheckInstalledVersion(machine, state)) {
    case VersionCheckEnd::GoOn: return GoOn();
    case VersionCheckEnd::Refused: return Quit(ExitCode::Completed);
    case VersionCheckEnd::ScriptError: break;
    }
    return Quit(ExitCode::Completed, true);
}

// A folder refused where only another folder helps: back to the folder
// dialog. Without the dialog the player could not choose another one and the
// same refusal would come back for ever, so the installation ends instead,
// as for a folder that cannot be used.
StageEnd ChooseAnotherFolder(SetupMachine& machine, const SetupState& state) {
    if (FolderDialogShown(state.changePath)) return Again();
    machine.Tell(kScriptErrorCaption, kUnusableFolderText, kErrorMessage, MessageOwner::Backdrop);
    return Quit(ExitCode::Failed);
}

// Creates every missing level of the install folder; a failure sends the
// player back to the folder choice without a message (or, without the
// folder dialog, ends the installation: ChooseAnotherFolder).
StageEnd CreateFolderPath(SetupMachine& machine, const SetupState& state) {
    for (const std::string& prefix : FolderCreationPrefixes(state.installDir)) {
        if (machine.SetCurrentFolder(prefix) == 0) continue;
        if (!machine.CreateFolder(prefix)) return ChooseAnotherFolder(machine, state);
    }
    return GoOn();
}

StageEnd CreateInstallFolder(SetupMachine& machine, const SetupState& state, FolderTestFailure missing) {
    if (!machine.Ask(Question::CreateFolder, kCreateFolderCaption, kCreateFolderQuestion, MessageOwner::Backdrop))
        return Again();
    if (missing == FolderTestFailure::CreateAllLevels) return CreateFolderPath(machine, state);
    if (machine.CreateFolder(state.installDir)) return GoOn();
    machine.TellLastError();
    return ChooseAnotherFolder(machine, state);
}

// The folder dialog with the start-page offer, the shared-file list, the
// disk-space check, then the test of the folder and its creation.
StageEnd RunFolderStage(SetupMachine& machine, SetupState& state) {
    if (FolderDialogShown(state.changePath)) {
        if (!machine.ChooseInstallFolder(state)) return Quit(ExitCode::Completed);
        OfferStartPage(machine, state);
    }
    BuildSharedFileList(machine, state);
    switch (AfterDiskSpaceCheck(CheckDiskSpace(machine, state))) {
    case FolderCheckStep::ChooseAnother: return ChooseAnotherFolder(machine, state);
    case FolderCheckStep::AskAgain: return Again();
    case FolderCheckStep::Quit: return Quit(ExitCode::Completed);
    case FolderCheckStep::Abort: return Quit(ExitCode::Failed, true);
    case FolderCheckStep::GoOn: break;
    }
    if (RefuseLinksOnTheWay(machine, state)) return Quit(ExitCode::Failed);
    unsigned long error = machine.SetCurrentFolder(state.installDir);
    if (error == 0) return GoOn();
    FolderTestFailure failure = ClassifyFolderTestError(error);
    if (failure != FolderTestFailure::Unusable) return CreateInstallFolder(machine, state, failure);
    machine.TellLastError();
    machine.Tell(kScriptErrorCaption, kUnusableFolderText, kErrorMessage, MessageOwner::Backdrop);
    return Quit(ExitCode::Failed);
}

StageEnd RunRegistryStage(SetupMachine& machine, SetupState& state) {
    WriteRegistryEntries(machine, state);
    return GoOn();
}

// The copy dialog; a shared file whose line names a file that could not be
// read when the list was made is not installed either.
StageEnd RunCopyStage(SetupMachine& machine, SetupState& state) {
    if (!machine.RunCopyDialog()) return StageEnd{StageEndKind::Abort, ExitCode::Failed, false};
    for (const SharedFileEntry& record : state.sharedFiles)
        if (record.unreadable) state.notInstalled.push_back(MissedItem{MissedKind::SharedFile, record.name});
    return GoOn();
}

void ShowCompletion(SetupMachine& machine, const SetupState& state) {
    std::string text = CompletionText(state.productName, state.rebootRequired);
    switch (CompletionMessageFor(state.rebootRequired, state.showCompleteDialog)) {
    case CompletionMessage::RestartQuestion:
        if (machine.Ask(Question::Restart, kCompleteCaption, text, MessageOwner::Backdrop)) machine.RestartWindows();
        break;
    case CompletionMessage::Notice:
        machine.Tell(kCompleteCaption, text, kInformationMessage, MessageOwner::Backdrop);
        break;
    case CompletionMessage::None: break;
    }
}

// An installation that could not install everything is told so, never as a
// success; the restart question comes with it where one is needed.
void ShowIncomplete(SetupMachine& machine, const SetupState& state) {
    std::string text = IncompleteText(state.productName, state.notInstalled, state.rebootRequired);
    if (!state.rebootRequired) {
        machine.Tell(kIncompleteCaption, text, kErrorMessage, MessageOwner::Backdrop);
        return;
    }
    if (machine.Ask(Question::Restart, kIncompleteCaption, text, MessageOwner::Backdrop)) machine.RestartWindows();
}

// The version record says the version is installed: it is written only after
// an installation that installed everything.
StageEnd RunFinish(SetupMachine& machine, SetupState& state) {
    CreateShortcuts(machine, state);
    const bool complete = state.notInstalled.empty();
    if (complete && VersionModeRecords(state.versionMode)) RecordInstalledVersion(machine, state);
    RunPostInstallPrograms(machine, state);
    if (!complete) {
        ShowIncomplete(machine, state);
        return Quit(ExitCode::Failed);
    }
    ShowCompletion(machine, state);
    return Quit(ExitCode::Completed);
}

struct SequenceStage {
    SequenceCommand command;
    StageEnd (*run)(SetupMachine& machine, SetupState& state);
};

// The stages in the order they run.
const SequenceStage kSequence[] = {
    {IDM_CHECK_VERSION, RunVersionCheck},
    {IDM_SELECT_FOLDER, RunFolderStage},
    {IDM_WRITE_REGISTRY, RunRegistryStage},
    {IDM_COPY_FILES, RunCopyStage},
    {IDM_FINISH, RunFinish},
};

// The address the start-page offer makes: the text of title line 2, as the
// backdrop draws it.
std::string StartPageAddress(SetupMachine& machine) {
    if (machine.ReadScriptInt("Title", "Count", 0) < 2) return "";
    TitleLine title;
    if (!ParseTitleLine(machine.ReadScriptText("Title", "2", kLineCapacity), title)) return "";
    return StartPageUrlFromTitle(title.text);
}

}  // namespace

int CountedLinesToRead(SetupMachine& machine, const std::string& section, int count) {
    if (count <= 0) return count;  // no line is read, whatever the section holds
    int lastLine = machine.LastScriptLine(section);
    if (count > lastLine) machine.CountPastLines(section, count, lastLine);
    return LinesToRead(count, lastLine);
}

void ReadMainSection(SetupMachine& machine, SetupState& state) {
    state.installDir = machine.ReadScriptText("Main", "Default Path", kPathSize - 1);
    state.changePath = machine.ReadScriptInt("Main", "Change Path", 1);
    state.showCompleteDialog = machine.ReadScriptInt("Main", "Install Complete Dialog", 1);
    state.productName = machine.ReadScriptText("Main", "Name", kProductNameSize);
    state.productVersion = machine.ReadScriptText("Main", "Version", kProductVersionSize);
    state.startPageUrl = StartPageAddress(machine);
    state.lastTitleLine = machine.LastScriptLine("Title");
}

SequenceCommand FirstCommand() {
    return kSequence[0].command;
}

SequenceCommand CommandAfter(SequenceCommand command) {
    const std::size_t count = sizeof kSequence / sizeof kSequence[0];
    for (std::size_t i = 0; i + 1 < count; ++i)
        if (kSequence[i].command == command) return kSequence[i + 1].command;
    return IDM_NONE;
}

SequenceStep RunSequenceCommand(unsigned command, SetupMachine& machine, SetupState& state) {
    SequenceStep step;
    if (command == IDM_ABORT) {
        step.quits = true;
        step.exitCode = ExitCode::Failed;
        return step;
    }
    for (const SequenceStage& stage : kSequence) {
        if (stage.command != command) continue;
        StageEnd end = stage.run(machine, state);
        switch (end.kind) {
        case StageEndKind::GoOn: step.next = CommandAfter(stage.command); break;
        case StageEndKind::Again: step.next = stage.command; break;
        case StageEndKind::Abort: step.next = IDM_ABORT; break;
        case StageEndKind::Quit:
            step.quits = true;
            step.exitCode = end.exitCode;
            step.mediumRefusal = end.mediumRefusal;
            break;
        }
        break;
    }
    return step;
}
