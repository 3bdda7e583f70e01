// The stages of an installation and the install sequence that chains them,
// each written once against SetupMachine: Setup.exe runs them on Windows, the
// checker of a medium on its model of the player's machine. Portable: no
// Windows headers.
#pragma once
#include "common/setup_state_rules.h"
#include "stages/setup_machine.h"

// ---- the install sequence ----
// The commands the backdrop window posts itself as WM_COMMAND, one per stage.
enum SequenceCommand : unsigned {
    IDM_NONE = 0,
    IDM_CHECK_VERSION = 1025,
    IDM_SELECT_FOLDER = 1026,
    IDM_WRITE_REGISTRY = 1027,
    IDM_COPY_FILES = 1028,
    IDM_FINISH = 1029,
    IDM_ABORT = 1030,
};

// What follows a command: the next command to post, or the end of the
// message loop with an exit code.
struct SequenceStep {
    SequenceCommand next = IDM_NONE;
    bool quits = false;
    ExitCode exitCode = ExitCode::Completed;
    // The end comes from the script or the medium itself, the same on every
    // machine, not from the player's machine or answers.
    bool mediumRefusal = false;
};

// The command the sequence starts with.
SequenceCommand FirstCommand();

// Runs the stage of a command. Any other value does nothing: no command
// follows and the loop goes on.
SequenceStep RunSequenceCommand(unsigned command, SetupMachine& machine, SetupState& state);

// The command of the stage after `command` in the sequence's order; IDM_NONE
// after the last one and for IDM_ABORT, which the sequence reaches only from a
// cancelled copy.
SequenceCommand CommandAfter(SequenceCommand command);

// ---- [Main] and title line 2, read once at the start ----
void ReadMainSection(SetupMachine& machine, SetupState& state);

// ---- counted lists ----
// How many lines of a section whose "Count" is `count` the list reads
// (LinesToRead against the section's last numbered line); a count beyond
// that line is told to the machine first.
int CountedLinesToRead(SetupMachine& machine, const std::string& section, int count);

// ---- the stages ----
enum class VersionCheckEnd {
    GoOn,
    Refused,      // the machine's earlier installation or the player's answer stops it
    ScriptError,  // a [Version] path the program cannot use stops it on every machine
};
VersionCheckEnd CheckInstalledVersion(SetupMachine& machine, SetupState& state);
void RecordInstalledVersion(SetupMachine& machine, const SetupState& state);
void OfferStartPage(SetupMachine& machine, const SetupState& state);
void BuildSharedFileList(SetupMachine& machine, SetupState& state);
DiskVerdict CheckDiskSpace(SetupMachine& machine, SetupState& state);
// True, after telling the player, when the installation would write through a
// link: an install folder that a link carries into the Windows folder, or a
// link among the folders and existing files the copy writes below it.
bool RefuseLinksOnTheWay(SetupMachine& machine, const SetupState& state);
void WriteRegistryEntries(SetupMachine& machine, SetupState& state);
void CreateShortcuts(SetupMachine& machine, SetupState& state);
void RunPostInstallPrograms(SetupMachine& machine, const SetupState& state);
