// Program-group and desktop shortcuts of [Program], written behind a small
// notice while the cursor shows the hourglass.
#include "common/script_rules.h"
#include "stages/stages.h"

static const char kSection[] = "Program";

// Lines are read until the first malformed one, which ends the list.
static void CreateLinksOfLines(SetupMachine& machine, SetupState& state, int count,
                               const std::string& groupFolder, const std::string& desktopFolder) {
    int lines = CountedLinesToRead(machine, kSection, count);
    for (int i = 1; i <= lines; ++i) {
        std::string text = machine.ReadScriptText(kSection, LineKey(i), kPathSize);
        ShortcutLineOutcome outcome = DecideShortcutLine(text, groupFolder, desktopFolder, state.installDir);
        machine.ShortcutLineDecided(i, count, text, outcome, state);
        if (!outcome.message.empty()) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
        if (outcome.effect == LineEffect::EndStep) return;
        if (outcome.effect == LineEffect::Use && !machine.CreateShellLink(outcome.line, outcome.paths))
            state.notInstalled.push_back(MissedItem{MissedKind::Link, outcome.line.name});
    }
}

static void CreateGroupAndLinks(SetupMachine& machine, SetupState& state, int count) {
    std::string programs, desktop;
    machine.ReadShellFolders(programs, desktop);
    std::string desktopFolder = DesktopLinkFolder(desktop);
    std::string folderName = machine.ReadScriptText(kSection, "Folder Name", kPathSize);
    ProgramGroupOutcome group = DecideProgramGroup(programs, folderName);
    machine.ProgramGroupDecided(count, folderName, group);
    if (!group.message.empty()) machine.Tell(kScriptErrorCaption, group.message, kErrorMessage);
    if (group.effect == LineEffect::EndStep) return;
    if (group.effect == LineEffect::Use) machine.CreateSubfolders(programs, folderName);
    CreateLinksOfLines(machine, state, count, group.folder, desktopFolder);
}

void CreateShortcuts(SetupMachine& machine, SetupState& state) {
    int count = machine.ReadScriptInt(kSection, "Count", 0);
    if (!ShortcutStepRuns(count)) return;
    machine.ShowShortcutNotice();
    CreateGroupAndLinks(machine, state, count);
    machine.HideShortcutNotice();
}
