// The stages of the medium walk that decide whether the installation starts
// (version check, folder choice), record the version and end it.
#include "checks/folder_rules.h"
#include "checks/start_page_rules.h"
#include "checks/version_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "medium/medium_walk_rules.h"
#include "shell/paint_rules.h"
#include "shell/sequence_rules.h"

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
    if (outcome.effect == VersionPathEffect::Stop) walk.m_stopped = true;
    return outcome.effect == VersionPathEffect::Skip || outcome.effect == VersionPathEffect::Use;
}

void WalkVersionCheck(MediumWalk& walk) {
    walk.m_versionMode = walk.ReadInt("Version", "Mode", 0);
    if (walk.m_versionMode < 0 || walk.m_versionMode > 4)
        walk.Add(Severity::Warning, "version-mode", "Version", "Mode",
                 "mode " + std::to_string(walk.m_versionMode) + " is not 0 to 4: checked like mode 0, never recorded");
    walk.m_versionValue = static_cast<std::uint32_t>(walk.ReadInt("Version", "Value", 0));
    if (!WalkVersionPath(walk, "Version Path", walk.m_versionLocation)) return;
    if (!WalkVersionPath(walk, "Install Path", walk.m_installLocation)) return;
    // A clean machine has no installed version.
    if (DecideVersion(walk.m_versionMode, 0, walk.m_versionValue) == VersionVerdict::RefuseNoInstallation) {
        walk.Add(Severity::Info, "update-only", "Version", "Mode",
                 "mode 1: the package refuses a machine without an earlier installation");
        walk.Message(InstallerCaption(walk.m_productName), kNoInstallationText, "ok");
        walk.m_stopped = true;
    }
}

static std::string StartPageAddress(MediumWalk& walk) {
    if (walk.ReadInt("Title", "Count", 0) < 2) return "";
    TitleLine title;
    if (!ParseTitleLine(walk.Read("Title", "2", kLineCapacity), title)) return "";
    return StartPageUrlFromTitle(title.text);
}

void WalkFolderStage(MediumWalk& walk) {
    if (FolderDialogShown(walk.m_changePath)) {
        walk.Message("설치 디렉토리 선택", walk.m_installDir, "ok");
        walk.m_installDir = TrimTrailingBackslash(walk.m_installDir);
        walk.Message("시작페이지 등록", StartPageQuestion(StartPageAddress(walk)), "no");
    }
    const std::string& dir = walk.m_installDir;
    if (!dir.empty() && (dir.size() < 3 || dir[1] != ':' || dir[2] != '\\'))
        walk.Add(Severity::Error, "folder-not-on-disk", "Main", "Default Path",
                 "install folder " + Quote(dir) + " does not start with a drive root: the disk check asks for a "
                 "hard disk");
    walk.m_report.plan.installDir = dir;
}

void WalkFolderCreation(MediumWalk& walk) {
    walk.Message(kCreateFolderCaption, kCreateFolderQuestion, "yes");
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

MediumReport AnalyseMedium(const Medium& medium, const MediumContext& context) {
    MediumWalk walk(medium, context);
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
    return walk.m_report;
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
