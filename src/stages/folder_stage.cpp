// The work of the folder stage before the folder is tested: the start-page
// offer after the folder dialog, the shared-file list, the disk-space check
// with the package manifest read for the chosen folder, and the look for
// links on the way of the copy.
#include <map>

#include "checks/disk_space_rules.h"
#include "checks/start_page_rules.h"
#include "common/link_rules.h"
#include "common/script_rules.h"
#include "install/shared_install_rules.h"
#include "install/copy_rules.h"
#include "stages/stages.h"

// Yes writes the address for the current user, into the browser's key only
// where it is there; the installation goes on either way.
void OfferStartPage(SetupMachine& machine, const SetupState& state) {
    if (!machine.Ask(Question::StartPage, kStartPageCaption, StartPageQuestion(state.startPageUrl))) return;
    if (machine.SetExistingRegistryValue(kRootCurrentUser, kStartPageKey, kStartPageValueName, kRegSz,
                                         StartPageValueData(state.startPageUrl)))
        machine.Tell(kStartPageDoneCaption, kStartPageDoneText, kInformationMessage);
    else
        machine.Tell(kStartPageCaption, kStartPageFailedText, kErrorMessage);
}

// Fills one record from line `number`; a line the record cannot hold is told
// and leaves the record unused (size 0).
static void ReadSharedFileRecord(SetupMachine& machine, const SetupState& state, int number,
                                 SharedFileEntry& record) {
    std::string value = machine.ReadScriptText("Shared File", LineKey(number), kLineCapacity);
    SharedLineOutcome outcome = DecideSharedLine(number, value, state.sourceFolder);
    if (outcome.keepsKind) record.kind = outcome.fields.kind;
    if (!outcome.message.empty()) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
    if (outcome.effect == LineEffect::Use) {
        record.name = outcome.fields.name;
        std::uint64_t size = 0;
        if (machine.SourceFileSize(outcome.sourcePath, size))
            record.size = SharedFileSize(static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(size >> 32));
        else
            record.unreadable = DestinationOfRecord(1, record.kind) != SharedDestination::None;
    }
    machine.SharedLineDecided(number, value, outcome, record);
}

void BuildSharedFileList(SetupMachine& machine, SetupState& state) {
    int count = machine.ReadScriptInt("Shared File", "Count", 0);
    int used = SharedFileCountToUse(count);
    machine.SharedCountRead(count, used);
    if (count > used) machine.Tell(kScriptErrorCaption, SharedCountErrorText(count), kErrorMessage);
    state.sharedFiles.assign(static_cast<std::size_t>(used), SharedFileEntry());
    // Records past the lines read stay unused, as a missing line leaves them.
    int lines = CountedLinesToRead(machine, "Shared File", used);
    for (int i = 0; i < lines; ++i) ReadSharedFileRecord(machine, state, i + 1, state.sharedFiles[static_cast<std::size_t>(i)]);
}

// The manifest must be whole and every file must fit its paths below the
// chosen folder before anything is written.
static DiskVerdict CheckPackageFits(SetupMachine& machine, SetupState& state) {
    state.packageFiles.clear();
    ManifestResult manifest = machine.ReadPackageManifest(state.packageFiles);
    if (manifest.error != ManifestError::None) {
        machine.Tell(kScriptErrorCaption, ManifestErrorText(manifest), kErrorMessage);
        return DiskVerdict::PackageUnusable;
    }
    state.packageBytes = manifest.totalSize;
    std::string name;
    PackagePaths paths = CheckPackagePaths(state.packageFiles, state.sourceFolder, state.installDir, name);
    machine.PackagePathsDecided(paths, name, state);
    switch (paths) {
    case PackagePaths::Fit: return DiskVerdict::Enough;
    case PackagePaths::SourceTooLong:
        machine.Tell(kScriptErrorCaption, SourcePathTooLongText(name), kErrorMessage);
        return DiskVerdict::PackageUnusable;
    case PackagePaths::InstallTooLong:
        if (InstallFolderTooLongIsError(state.changePath))
            machine.Tell(kScriptErrorCaption, InstallFolderTooLongText(name, state.changePath), kErrorMessage);
        else
            machine.Tell(kNoticeCaption, InstallFolderTooLongText(name, state.changePath), kInformationMessage);
        return LongInstallFolderResult(state.changePath);
    }
    return DiskVerdict::PackageUnusable;
}

// The package files' bytes and those of every shared-file record.
static std::uint64_t RequiredBytes(const SetupState& state) {
    std::vector<std::uint32_t> sharedSizes;
    for (const SharedFileEntry& record : state.sharedFiles) sharedSizes.push_back(record.size);
    return SumRequiredBytes(state.packageBytes, sharedSizes.data(), static_cast<int>(sharedSizes.size()));
}

DiskVerdict CheckDiskSpace(SetupMachine& machine, SetupState& state) {
    std::string root = DriveRoot(state.installDir);
    if (!machine.IsFixedDisk(root)) {
        machine.Tell(kNoticeCaption, kNotFixedDiskText, kInformationMessage);
        return DiskVerdict::ChooseAgain;
    }
    DiskVerdict fits = CheckPackageFits(machine, state);
    if (fits != DiskVerdict::Enough) return fits;
    std::uint64_t freeBytes = 0;
    bool known = machine.FreeDiskBytes(root, freeBytes);
    std::uint64_t requiredBytes = RequiredBytes(state) + kSpaceMargin;
    if (HasEnoughSpace(known, freeBytes, requiredBytes)) return DiskVerdict::Enough;
    return machine.Ask(Question::DiskSpace, kDiskSpaceCaption, DiskSpaceText(requiredBytes, freeBytes))
               ? DiskVerdict::TooSmallRetry
               : DiskVerdict::TooSmallQuit;
}

// A link among the folder levels of one manifest name; levels already looked
// at are taken from `levels`. present turns false below a missing level: what
// lies below it cannot be there yet.
static bool FolderLevelsHoldLink(SetupMachine& machine, const std::string& installDir, const std::string& name,
                                 std::map<std::string, PathKind>& levels, bool& present, std::string& link) {
    present = true;
    for (const std::string& level : FolderLevelsOf(FolderPartOfName(name))) {
        auto found = levels.find(level);
        if (found == levels.end())
            found = levels.emplace(level, present ? machine.LookAtPath(installDir + "\\" + level) : PathKind::Missing)
                        .first;
        if (found->second == PathKind::Link) {
            link = installDir + "\\" + level;
            return true;
        }
        if (found->second == PathKind::Missing) present = false;
    }
    return false;
}

// The path of the first link the copy would write through, "" when none. The
// install folder itself may be a link (a folder moved to another disk); what
// lies below it may not.
static std::string FirstLinkBelow(SetupMachine& machine, const SetupState& state) {
    if (machine.LookAtPath(state.installDir) == PathKind::Missing) return "";
    std::map<std::string, PathKind> levels;
    std::string link;
    for (const std::string& name : state.packageFiles) {
        bool present = true;
        if (FolderLevelsHoldLink(machine, state.installDir, name, levels, present, link)) return link;
        if (!present) continue;
        const std::string file = state.installDir + "\\" + name;
        if (machine.LookAtPath(file) == PathKind::Link) return file;
    }
    return "";
}

bool RefuseLinksOnTheWay(SetupMachine& machine, const SetupState& state) {
    std::string finalPath;
    if (machine.InstallFolderInWindows(state.installDir, finalPath)) {
        machine.Tell(kScriptErrorCaption, InstallFolderInWindowsText(state.installDir, finalPath), kErrorMessage,
                     MessageOwner::Backdrop);
        return true;
    }
    const std::string link = FirstLinkBelow(machine, state);
    if (link.empty()) return false;
    machine.Tell(kScriptErrorCaption, LinkOnTheWayText(link), kErrorMessage, MessageOwner::Backdrop);
    return true;
}
