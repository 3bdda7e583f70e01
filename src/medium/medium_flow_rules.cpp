// The stages of the medium walk that decide whether the installation starts
// (version check, folder choice), record the version and end it, and the
// walk itself: the plan of the case asked for, and the findings of every line.
#include "checks/folder_rules.h"
#include "checks/start_page_rules.h"
#include "checks/version_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/medium_walk_rules.h"
#include "shell/paint_rules.h"
#include "shell/sequence_rules.h"
#include "system/shortcut_rules.h"

static const char* AnswerName(Answer answer) {
    return answer == Answer::Yes ? "yes" : "no";
}

// One [Version] path as the check decides it: a usable location is kept for
// the record step, an unknown root is told, a path that stops the program
// ends the walk with its message. False: the check ends here.
static bool WalkVersionPath(MediumWalk& walk, const char* key, PlannedValue& location) {
    std::string path = walk.Read("Version", key, kLineCapacity);
    VersionPathOutcome outcome = DecideVersionPath(key, path);
    if (outcome.status == RegistryPathStatus::Ok && outcome.effect == VersionPathEffect::Use) {
        location.key = RootKeyNameOf(outcome.parts.root) + "\\" + outcome.parts.subKey;
        location.name = outcome.parts.valueName;
    } else if (outcome.status == RegistryPathStatus::UnknownRoot) {
        walk.Add(Severity::Error, "unknown-root", "Version", key, RootNameProblem(path));
    } else if (outcome.effect == VersionPathEffect::Stop) {
        walk.Add(Severity::Error, "version-path", "Version", key,
                 "path " + Quote(path) + " cannot be used (no backslash, or a part too long): the program stops");
    }
    if (!outcome.message.empty()) walk.Message(kScriptErrorCaption, outcome.message, "ok");
    if (outcome.effect == VersionPathEffect::Stop) walk.Stop(WalkStop::Medium);
    return outcome.effect == VersionPathEffect::Skip || outcome.effect == VersionPathEffect::Use;
}

void WalkVersionCheck(MediumWalk& walk) {
    walk.m_versionMode = walk.ReadInt("Version", "Mode", 0);
    if (walk.m_versionMode < 0 || walk.m_versionMode > 4)
        walk.Add(Severity::Warning, "version-mode", "Version", "Mode",
                 "mode " + std::to_string(walk.m_versionMode) + " is not 0 to 4: checked like mode 0, never recorded");
    walk.m_versionValue = static_cast<std::uint32_t>(walk.ReadInt("Version", "Value", 0));
    if (!WalkVersionPath(walk, "Version Path", walk.m_versionLocation)) return;
    // The number is read only from a location the check can use.
    std::uint32_t installed = walk.m_versionLocation.key.empty() ? 0 : walk.m_context.installedVersion;
    if (!WalkVersionPath(walk, "Install Path", walk.m_installLocation)) return;
    const std::string& recorded = walk.m_context.installedPath;
    std::string folder;
    if (!walk.m_installLocation.key.empty() && !recorded.empty() &&
        RecordedInstallFolder(recorded.c_str(), recorded.size() + 1, folder)) {
        walk.m_installDir = folder;
        walk.m_recordedFolder = folder;
    }
    std::string caption = InstallerCaption(walk.m_productName);
    switch (DecideVersion(walk.m_versionMode, installed, walk.m_versionValue)) {
    case VersionVerdict::GoOn: return;
    case VersionVerdict::RefuseNoInstallation:
        walk.Add(Severity::Info, "update-only", "Version", "Mode",
                 "mode 1: the package refuses a machine without an earlier installation (plan an update with "
                 "--installed-version)");
        walk.Message(caption, kNoInstallationText, "ok");
        walk.Stop(WalkStop::Case);
        return;
    case VersionVerdict::AskNewerInstalled: walk.Message(caption, kNewerInstalledText, AnswerName(walk.m_context.overwrite)); break;
    case VersionVerdict::AskSameInstalled: walk.Message(caption, kSameInstalledText, AnswerName(walk.m_context.overwrite)); break;
    }
    if (walk.m_context.overwrite == Answer::Yes) return;
    walk.Message(kCancelCaption, kInstallStoppedText, "ok");
    walk.Stop(WalkStop::Case);
}

static std::string StartPageAddress(MediumWalk& walk) {
    if (walk.ReadInt("Title", "Count", 0) < 2) return "";
    TitleLine title;
    if (!ParseTitleLine(walk.Read("Title", "2", kLineCapacity), title)) return "";
    return StartPageUrlFromTitle(title.text);
}

// The start-page offer after the folder dialog, answered as the case says;
// Yes writes the address for the current user (the browser's key is taken to
// be there, as it is on a machine with the browser) and confirms it.
static void WalkStartPage(MediumWalk& walk) {
    std::string address = StartPageAddress(walk);
    walk.Message(kStartPageCaption, StartPageQuestion(address), AnswerName(walk.m_context.startPage));
    if (walk.m_context.startPage == Answer::No) return;
    std::string data = StartPageValueData(address);
    walk.m_report.plan.startPage.push_back(PlannedValue{std::string("HKEY_CURRENT_USER\\") + kStartPageKey,
                                                        kStartPageValueName, 1,
                                                        std::vector<unsigned char>(data.begin(), data.end())});
    walk.Message(kStartPageDoneCaption, kStartPageDoneText, "ok");
}

void WalkFolderStage(MediumWalk& walk) {
    // The folder the player types (--install-dir) replaces the proposed one.
    if (!walk.m_context.installDir.empty()) walk.m_installDir = walk.m_context.installDir;
    if (FolderDialogShown(walk.m_changePath)) {
        walk.Message("설치 디렉토리 선택", walk.m_installDir, "ok");
        walk.m_installDir = TrimTrailingBackslash(walk.m_installDir);
        WalkStartPage(walk);
    }
    const std::string& dir = walk.m_installDir;
    if (!dir.empty() && (dir.size() < 3 || dir[1] != ':' || dir[2] != '\\'))
        walk.Add(Severity::Error, "folder-not-on-disk", "Main", "Default Path",
                 "install folder " + Quote(dir) + " does not start with a drive root: the disk check asks for a "
                 "hard disk");
    walk.m_report.plan.installDir = dir;
}

// Whether the install folder is there before the installation: as the case
// says, else exactly when an earlier installation recorded this folder.
static bool InstallFolderExists(const MediumWalk& walk) {
    switch (walk.m_context.folderPresence) {
    case FolderPresence::Exists: return true;
    case FolderPresence::Missing: return false;
    case FolderPresence::Implied: break;
    }
    return !walk.m_recordedFolder.empty() && SameFileName(walk.m_recordedFolder, walk.m_installDir);
}

void WalkFolderCreation(MediumWalk& walk) {
    walk.m_report.plan.folderExisted = InstallFolderExists(walk);
    if (walk.m_report.plan.folderExisted) return;
    walk.Message(kCreateFolderCaption, kCreateFolderQuestion, AnswerName(walk.m_context.createFolder));
    if (walk.m_context.createFolder == Answer::Yes) return;
    walk.m_report.plan.endNote =
        FolderDialogShown(walk.m_changePath)
            ? "the folder stage starts again: the folder dialog comes back with the same folder"
            : "the folder stage starts again: without the folder dialog the same question comes back until the "
              "player answers yes";
    walk.Stop(WalkStop::Case);
}

static bool RecordLocation(MediumWalk& walk, const PlannedValue& location, const char* key, PlannedValue value) {
    if (location.key.empty()) {
        walk.Add(Severity::Error, "version-record-empty", "Version", key,
                 "mode " + std::to_string(walk.m_versionMode) + " records the installation, but " + key +
                     " names no usable location: the player sees \"" + kCreateKeyErrorText + "\"");
        walk.Message(kErrorCaption, kCreateKeyErrorText, "ok");
        return false;
    }
    value.key = location.key;
    value.name = location.name;
    walk.m_report.plan.versionRecord.push_back(value);
    return true;
}

void WalkVersionRecord(MediumWalk& walk) {
    if (!VersionModeRecords(walk.m_versionMode)) return;
    PlannedValue number;
    number.type = 4;
    for (int i = 0; i < 4; ++i) number.bytes.push_back(static_cast<unsigned char>(walk.m_versionValue >> (8 * i)));
    if (!RecordLocation(walk, walk.m_versionLocation, "Version Path", number)) return;
    PlannedValue folder;
    folder.type = 1;
    folder.bytes.assign(walk.m_installDir.begin(), walk.m_installDir.end());
    folder.bytes.push_back(0);
    RecordLocation(walk, walk.m_installLocation, "Install Path", folder);
}

void WalkCompletion(MediumWalk& walk) {
    // The walk models no replacement left for the next start (it cannot
    // know which shared files will be in use).
    if (CompletionMessageFor(false, walk.ReadInt("Main", "Install Complete Dialog", 1)) == CompletionMessage::Notice)
        walk.Message(kCompleteCaption, CompletionText(walk.m_productName, false), "ok");
}

// The case in words, for the plan's first line.
static std::string PlannedFor(const MediumWalk& walk) {
    const MediumContext& c = walk.m_context;
    std::string text;
    if (c.installedVersion == 0 && c.installedPath.empty())
        text = "a clean machine (no earlier installation recorded)";
    else
        text = "a machine with an earlier installation recorded (version " + std::to_string(c.installedVersion) +
               (c.installedPath.empty() ? ", no folder" : ", folder " + c.installedPath) + ")";
    if (walk.m_versionLocation.key.empty() && c.installedVersion != 0)
        text += "; [Version] names no usable \"Version Path\", so the number is not read";
    if (walk.m_installLocation.key.empty() && !c.installedPath.empty())
        text += "; [Version] names no usable \"Install Path\", so the folder is not read";
    else if (!c.installedPath.empty() && walk.m_recordedFolder.empty() && !walk.m_installLocation.key.empty())
        text += "; the recorded folder does not fit 259 bytes and is not used";
    const char* folder = c.folderPresence == FolderPresence::Exists    ? "exists"
                         : c.folderPresence == FolderPresence::Missing ? "is missing"
                         : walk.m_report.plan.folderExisted            ? "exists (the earlier installation's)"
                                                                       : "is missing";
    text += ", the install folder " + std::string(folder) + "; the player answering overwrite=" +
            AnswerName(c.overwrite) + ", start-page=" + AnswerName(c.startPage) +
            ", create-folder=" + AnswerName(c.createFolder);
    return text;
}

// One walk through the stages in the program's order.
static MediumReport Walk(const Medium& medium, const MediumContext& context, bool pastCaseStops, WalkStop& stop) {
    MediumWalk walk(medium, context);
    walk.m_pastCaseStops = pastCaseStops;
    WalkMediumFiles(walk);
    WalkMainSection(walk);
    WalkBackdrop(walk);
    if (!walk.m_stopped) WalkVersionCheck(walk);
    if (!walk.m_stopped) WalkFolderStage(walk);
    if (!walk.m_stopped) WalkSharedFiles(walk);
    if (!walk.m_stopped) WalkManifest(walk);
    if (!walk.m_stopped) WalkFolderCreation(walk);
    if (!walk.m_stopped) WalkRegistry(walk);
    if (!walk.m_stopped) WalkShortcuts(walk);
    if (!walk.m_stopped) WalkVersionRecord(walk);
    if (!walk.m_stopped) WalkPrograms(walk);
    if (!walk.m_stopped) WalkCompletion(walk);
    walk.m_report.plan.installs = !walk.m_stopped;
    walk.m_report.plan.plannedFor = PlannedFor(walk);
    walk.m_report.plan.versionLocation = walk.m_versionLocation;
    walk.m_report.plan.installLocation = walk.m_installLocation;
    stop = walk.m_stop;
    return walk.m_report;
}

MediumReport AnalyseMedium(const Medium& medium, const MediumContext& context) {
    WalkStop stop = WalkStop::None;
    MediumReport planned = Walk(medium, context, false, stop);
    if (stop != WalkStop::Case) return planned;
    // The case stopped the installation: the findings of the stages after
    // that point come from a walk that goes on there.
    WalkStop ignored = WalkStop::None;
    MediumReport report = Walk(medium, context, true, ignored);
    report.plan = planned.plan;
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
