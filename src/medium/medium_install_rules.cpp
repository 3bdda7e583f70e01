// The model's files and folders, and the findings of the stages that install
// files: the shared-file list, the package manifest with its paths, and the
// files of the medium that neither installs.
#include <algorithm>
#include <cstdio>

#include "checks/disk_space_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "install/copy_rules.h"
#include "install/manifest_rules.h"
#include "install/partial_copy_rules.h"
#include "install/shared_file_rules.h"
#include "install/shared_install_rules.h"
#include "medium/player_machine_rules.h"
#include "stages/sequence_rules.h"

namespace {

std::string TrimLeadingBackslashes(const std::string& folder) {
    std::size_t first = folder.find_first_not_of("\\/");
    return first == std::string::npos ? "" : folder.substr(first);
}

std::string Number(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu", value);
    return text;
}

std::uint64_t ClusterBytes(std::uint64_t size, std::uint32_t cluster) {
    if (cluster == 0) return size;
    return (size + cluster - 1) / cluster * cluster;
}

}  // namespace

std::string NameProblemEnglish(NameProblem problem) {
    switch (problem) {
    case NameProblem::None: return "";
    case NameProblem::Empty: return "the name is empty";
    case NameProblem::TooLong: return "the name is longer than 259 bytes";
    case NameProblem::Absolute: return "the name holds a drive, a colon or a leading backslash";
    case NameProblem::LeavesFolder: return "a component is made of dots and blanks only, such as ..";
    case NameProblem::EmptyComponent: return "the name holds an empty component";
    case NameProblem::BadCharacter: return "the name holds a character Windows refuses (control, / < > \" | ? *)";
    case NameProblem::DeviceName: return "a component is a device name (CON, NUL, COM1, ...)";
    case NameProblem::PartialCopyName:
        return std::string("a part is named ") + kPartialCopyName + ", the name the program copies each file through";
    }
    return "";
}

bool FindMediumFile(const Medium& medium, const std::string& name, std::uint64_t& size) {
    for (const auto& file : medium.files)
        if (SameFileName(file.first, name)) {
            size = file.second;
            return true;
        }
    return false;
}


// A source path names a file of the medium below the source folder.
bool PlayerMachine::SourceFileSize(const std::string& path, std::uint64_t& size) {
    const std::string& folder = m_context.sourceFolder;
    if (path.compare(0, folder.size(), folder) != 0) return false;
    return FindMediumFile(m_medium, path.substr(folder.size()), size);
}

bool PlayerMachine::HardDiskOfPlan(char drive) const {
    auto driveOf = [](const std::string& path) { return path.size() >= 2 && path[1] == ':' ? UpperAscii(path[0]) : 0; };
    drive = UpperAscii(drive);
    return drive == 'C' || drive == driveOf(m_context.installDir) || drive == driveOf(m_context.installedPath);
}

// A drive root is a hard disk in the run that gathers findings (so that the
// later stages are checked whatever the drive); the plan's machine has the
// hard disk C: and those its case names.
bool PlayerMachine::IsFixedDisk(const std::string& root) {
    bool driveRoot = root.size() == 3 && root[1] == ':' && root[2] == '\\';
    bool fixed = driveRoot && (m_findingsOnly || HardDiskOfPlan(root[0]));
    if (!driveRoot && !m_state.installDir.empty())
        Add(Severity::Error, "folder-not-on-disk", "Main", "Default Path",
            "install folder " + Quote(m_state.installDir) + " does not start with a drive root (such as C:\\)",
            "the disk check shows \"" + std::string(kNotFixedDiskText) + "\" (" + kNoticeCaption +
                (FolderDialogShown(m_state.changePath)
                     ? std::string("), then the folder dialog again")
                     : "); without the folder dialog the installation ends with \"" +
                           std::string(kUnusableFolderText) + "\" (" + kScriptErrorCaption + ", exit -1)"),
            "write the folder with its drive: Default Path=C:\\" + TrimLeadingBackslashes(m_state.installDir));
    return fixed;
}

// The player's machine as the plan takes it has no links where the
// installation writes: a link there is the machine's state, not the medium's,
// and Setup.exe refuses it whatever the script says.
PathKind PlayerMachine::LookAtPath(const std::string&) {
    return PathKind::Missing;
}

bool PlayerMachine::InstallFolderInWindows(const std::string&, std::string&) {
    return false;
}

// The free space is not known: the check does not stand in the way.
bool PlayerMachine::FreeDiskBytes(const std::string&, std::uint64_t&) {
    return false;
}

// The copy runs to its end; the files were planned where the disk check
// found that their paths fit (PackagePathsDecided). A file the medium does
// not hold is told in the program's words and not installed.
bool PlayerMachine::RunCopyDialog() {
    std::vector<PlannedFile>& files = m_report.plan.files;
    for (auto file = files.begin(); file != files.end();) {
        std::uint64_t size = 0;
        if (FindMediumFile(m_medium, file->name, size)) {
            ++file;
            continue;
        }
        Message(kErrorCaption, SourceMissingText(file->name), "ok");
        m_state.notInstalled.push_back(MissedItem{MissedKind::File, file->name});
        file = files.erase(file);
    }
    return true;
}

void PlayerMachine::SharedCountRead(int count, int used) {
    if (count <= used) return;
    Add(Severity::Warning, "shared-count", "Shared File", "Count",
        "Count " + std::to_string(count) + " is above " + std::to_string(kMaxSharedFiles) +
            ": only the first " + std::to_string(kMaxSharedFiles) + " lines are read",
        "the player sees \"" + SharedCountErrorText(count) + "\" (" + kScriptErrorCaption +
            "); the shared files past line " + std::to_string(kMaxSharedFiles) + " are not installed",
        "list at most " + std::to_string(kMaxSharedFiles) + " shared files; install the others as package files");
}

// Why a shared-file line names no file.
static std::string SkippedSharedLineText(SharedLine status, const std::string& key, const std::string& value) {
    if (status == SharedLine::Empty) return "line " + key + " is missing or empty: no file";
    if (status == SharedLine::NoName) return "line " + Quote(value) + " names no file: no file";
    return "line " + Quote(value) + " is not \"<kind>, <file name>\" with a one-character kind: no file";
}

// A record the list uses: the file on the medium, its size and where it goes.
static void CheckSharedRecord(PlayerMachine& machine, const std::string& key, const SharedFileEntry& record) {
    const MediumContext& context = machine.m_context;
    std::uint64_t size = 0;
    if (!FindMediumFile(machine.m_medium, record.name, size)) {
        machine.Add(Severity::Error, "shared-missing", "Shared File", key,
                    "shared file " + Quote(record.name) + " is not on the medium",
                    "it is not installed, and the installation ends with the notice that it is incomplete and "
                    "names the file (exit -1); the version is not recorded",
                    "put " + Quote(record.name) + " at the top of the medium, beside Setup.ini, or correct the name "
                    "on this line");
        return;
    }
    if (record.size == 0) {
        machine.Add(Severity::Warning, "shared-size", "Shared File", key,
                    "shared file " + Quote(record.name) + " has " + Number(size) +
                        " bytes: a file that is empty or 4 GiB or more is not installed",
                    "the file is missing from the player's Windows or system folder, without a word",
                    "ship the real file, or remove the line");
        return;
    }
    SharedDestination where = DestinationOfRecord(record.size, record.kind);
    if (where == SharedDestination::None) {
        machine.Add(Severity::Warning, "shared-kind", "Shared File", key,
                    "kind " + std::to_string(record.kind) + " is neither 0 (Windows) nor 1 (system): " +
                        Quote(record.name) + " is counted for disk space but never installed",
                    "the file is missing from the player's Windows and system folders, without a word",
                    "write kind 0 for the Windows folder or 1 for the system folder: " + key + "=1, " + record.name);
        return;
    }
    std::string destination;
    const std::string& folder = where == SharedDestination::WindowsFolder ? context.windowsDir : context.systemDir;
    if (!JoinPath(folder, record.name, destination)) {
        machine.Add(Severity::Error, "shared-path-long", "Shared File", key,
                    "destination of " + Quote(record.name) + " is longer than 259 bytes",
                    "the file is not installed; the installation ends with the notice that it is incomplete",
                    "use a shorter file name");
        return;
    }
    machine.m_report.plan.sharedFiles.push_back(PlannedFile{record.name, destination});
}

void PlayerMachine::SharedLineDecided(int number, const std::string& value, const SharedLineOutcome& outcome,
                                      const SharedFileEntry& record) {
    std::string key = LineKey(number);
    if (outcome.status == SharedLine::BadName)
        Add(Severity::Error, "shared-refused", "Shared File", key,
            "file name " + Quote(outcome.fields.name) + " is refused by the program: " +
                NameProblemEnglish(outcome.fields.problem),
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption + "); the file is not installed",
            "name the file as it lies at the top of the medium, without a folder: " + key + "=" +
                std::string(1, outcome.fields.kindCharacter) + ", <file name>");
    else if (outcome.sourceTooLong)
        Add(Severity::Error, "shared-path-long", "Shared File", key,
            "source folder " + Quote(m_state.sourceFolder) + " + " + Quote(outcome.fields.name) +
                " is longer than 259 bytes",
            "the player sees \"" + outcome.message + "\" (" + kScriptErrorCaption + "); the file is not installed",
            "use a shorter file name");
    else if (outcome.status != SharedLine::Ok)
        Add(Severity::Warning, "shared-skipped", "Shared File", key, SkippedSharedLineText(outcome.status, key, value),
            "no file is installed for this line, without a word",
            "write the line as <kind>, <file name>: " + key + "=1, <file name>");
    if (outcome.keepsKind)
        CheckFlagField(*this, "Shared File", key, "kind", outcome.fields.kindCharacter,
                       "the file goes into the Windows folder (kind 0)",
                       "write kind 0 for the Windows folder or 1 for the system folder: " + key + "=1, " +
                           outcome.fields.name);
    if (outcome.effect != LineEffect::Use) return;
    // Every line that names a file marks it as a shared file of the medium,
    // so that it is not taken for a file nobody installs.
    if (!outcome.fields.name.empty()) {
        auto earlier = m_sharedNames.emplace(FileNameKey(outcome.fields.name), key);
        if (!earlier.second) {
            const std::string& first = earlier.first->second;
            Add(Severity::Warning, "shared-twice", "Shared File", key,
                "shared file " + Quote(outcome.fields.name) + " is listed a second time (first at line " + first + ")",
                "it is installed twice and counted twice for the disk space; where the player's copy is in use, two "
                "replacements wait for the next Windows start" +
                    std::string(m_sharedKinds[earlier.first->first] != record.kind
                                    ? ", and with the other kind it goes into both the Windows and the system folder"
                                    : ""),
                "remove line " + key + " and lower Count by one (renumber the lines after it)");
        } else {
            m_sharedKinds[earlier.first->first] = record.kind;
        }
        m_sharedFileNames.push_back(outcome.fields.name);
    }
    CheckSharedRecord(*this, key, record);
}

static std::string ManifestDefectEnglish(const ManifestResult& result) {
    std::string where = "entry " + Number(result.entryNumber) + " at offset " + Number(result.entryOffset) + ": ";
    switch (result.error) {
    case ManifestError::None: return "";
    case ManifestError::CannotOpen: return "Quorin.qpk cannot be opened";
    case ManifestError::ShortHeader: return "Quorin.qpk is shorter than its 8-byte header";
    case ManifestError::ShortEntry: return where + "the data ends before the entry count is reached";
    case ManifestError::ZeroNameLength: return where + "name length 0";
    case ManifestError::NameLengthTooLarge: return where + "name length " + Number(result.nameLength) + " above 260";
    case ManifestError::NameNotTerminated: return where + "no zero byte within the counted name bytes";
    case ManifestError::BadName:
        return where + "name " + Quote(result.name) + " is refused (it would leave the install folder or is not "
               "a file name)";
    }
    return "";
}

ManifestResult PlayerMachine::ReadPackageManifest(std::vector<std::string>& names) {
    ManifestResult result;
    if (!m_medium.hasManifest) {
        result.error = ManifestError::CannotOpen;
    } else {
        std::size_t offset = 0;
        const std::string& bytes = m_medium.manifest;
        result = DecodeManifest(
            [&bytes, &offset](unsigned char* out, std::size_t size) {
                std::size_t n = std::min(size, bytes.size() - offset);
                bytes.copy(reinterpret_cast<char*>(out), n, offset);
                offset += n;
                return n;
            },
            names);
    }
    if (!m_manifestChecked) CheckManifest(result, names);
    m_manifestChecked = true;
    return result;
}

void PlayerMachine::CheckManifestUnread() {
    std::vector<std::string> names;
    if (!m_manifestChecked) ReadPackageManifest(names);
}

std::string RebuildCommand(const PlayerMachine& machine) {
    const std::string folder = MediumFolderName(machine.m_medium);
    std::string command = "qpk build " + folder + " -o " + folder + "/Quorin.qpk";
    for (const std::string& name : machine.m_sharedFileNames) command += " --exclude " + name;
    return command;
}

// A shared file that is also a package file is installed twice: into the
// install folder by the copy, and into the Windows or system folder.
static void CheckSharedInManifest(PlayerMachine& machine, const std::string& name) {
    auto shared = machine.m_sharedNames.find(FileNameKey(name));
    if (shared == machine.m_sharedNames.end()) return;
    machine.Add(Severity::Warning, "shared-in-manifest", "Shared File", shared->second,
                "shared file " + Quote(name) + " is also a package file of Quorin.qpk",
                "it is installed twice: into the install folder by the copy, and into the Windows or system folder",
                "rebuild the manifest without it: " + RebuildCommand(machine));
}

// Files of the medium that neither the manifest nor [Shared File] names:
// they are never installed. Returns their bytes in clusters.
static std::uint64_t CheckUnlistedFiles(PlayerMachine& machine, const std::set<std::string>& listed,
                                        std::size_t& count) {
    std::uint64_t clustered = 0;
    count = 0;
    for (const auto& file : machine.m_medium.files) {
        std::string key = FileNameKey(file.first);
        if (listed.count(key) || machine.m_sharedNames.count(key) || IsSetupFileName(file.first)) continue;
        machine.AddAbout(Severity::Warning, "file-not-listed", file.first,
                         Quote(file.first) + " is on the medium but not in Quorin.qpk",
                         "it is not installed: the player's install folder lacks it",
                         "rebuild the manifest so that it lists the file: " + RebuildCommand(machine) +
                             "; or, if the file is not to be installed, take it off the medium");
        clustered += ClusterBytes(file.second, machine.m_context.clusterSize);
        ++count;
    }
    return clustered;
}

// The package files that changed after Quorin.qpk was written, as the times
// of the medium's files tell; "" when none is known to have.
static std::string FilesChangedAfterManifest(const PlayerMachine& machine, const std::vector<std::string>& names) {
    const Medium& medium = machine.m_medium;
    std::int64_t built = 0;
    bool known = false;
    for (const auto& time : medium.times)
        if (SameFileName(time.first, "Quorin.qpk")) {
            built = time.second;
            known = true;
        }
    std::string changed;
    if (!known) return changed;
    for (const std::string& name : names)
        for (const auto& time : medium.times)
            if (SameFileName(time.first, name) && time.second > built)
                changed += std::string(changed.empty() ? "" : ", ") + Quote(name);
    return changed;
}

// The cluster size another than the one checked with that gives the total.
static std::uint32_t ClusterOfTotal(const PlayerMachine& machine, const std::vector<std::string>& names,
                                    std::uint32_t total) {
    for (std::uint32_t cluster = 512; cluster <= 65536; cluster *= 2) {
        if (cluster == machine.m_context.clusterSize) continue;
        std::uint64_t sum = 0;
        for (const std::string& name : names) {
            std::uint64_t bytes = 0;
            FindMediumFile(machine.m_medium, name, bytes);
            sum += ClusterBytes(bytes, cluster);
        }
        if (sum == total) return cluster;
    }
    return 0;
}

// Which files the total no longer fits, as far as the medium tells.
static std::string WhichFilesChanged(const PlayerMachine& machine, const std::vector<std::string>& names) {
    std::string changed = FilesChangedAfterManifest(machine, names);
    if (!changed.empty()) return "changed after Quorin.qpk was written: " + changed;
    if (names.size() == 1) return "the one file it lists, " + Quote(names[0]) + ", has another size than at qpk build";
    return "one or more of the " + Number(names.size()) +
           " files it lists changed size after qpk build (no file of the medium is newer than Quorin.qpk, so the "
           "check cannot tell which)";
}

static void CheckManifestTotal(PlayerMachine& machine, const std::vector<std::string>& names, std::uint32_t total,
                               std::uint64_t exact, std::uint64_t clustered) {
    const std::string cluster = Number(machine.m_context.clusterSize);
    if (total < exact) {
        machine.Add(Severity::Warning, "total-too-small", "", "",
                    "manifest total " + Number(total) + " is less than the files' " + Number(exact) + " bytes: " +
                        WhichFilesChanged(machine, names),
                    "the disk-space check asks for " + Number(exact - total) +
                        " bytes too few: on a nearly full disk the copy runs out of space and the installation ends "
                        "incomplete",
                    "rebuild the manifest: " + RebuildCommand(machine));
        return;
    }
    if (total == clustered) return;
    // Files newer than the manifest name themselves; else a total that is
    // the files' size in other clusters was built with another --cluster.
    const std::string changed = FilesChangedAfterManifest(machine, names);
    const std::uint32_t other = changed.empty() ? ClusterOfTotal(machine, names, total) : 0;
    const std::string why = other != 0 ? "it is the files' size in clusters of " + Number(other) +
                                             ", as qpk build --cluster " + Number(other) + " writes it"
                                       : WhichFilesChanged(machine, names);
    machine.Add(Severity::Warning, "total-mismatch", "", "",
                "manifest total " + Number(total) + " differs from the files' " + Number(clustered) +
                    " bytes in clusters of " + cluster + ": " + why,
                total > clustered ? "the disk-space check asks for " + Number(total - clustered) +
                                        " bytes more than the files need: a player with just enough room is told the "
                                        "disk is too small"
                                  : "the disk-space check asks for " + Number(clustered - total) +
                                        " bytes fewer than the files need in clusters of " + cluster +
                                        ": on a nearly full disk the copy may run out of space",
                "rebuild the manifest: " + RebuildCommand(machine) +
                    (other != 0 ? " (with --cluster " + cluster + ", the cluster size of the players' disks)" : ""));
}

// The finding of a manifest the program refuses, and the start of its fix: a
// package file named as the copy's temporary name is the medium's own
// mistake, told apart from a missing or damaged manifest.
struct ManifestRefusal {
    const char* code;
    const char* fix;
};
static ManifestRefusal ManifestRefusalFinding(const ManifestResult& result) {
    if (result.error == ManifestError::CannotOpen) return {"no-manifest", "write the manifest: "};
    if (result.nameProblem == NameProblem::PartialCopyName)
        return {"package-temporary-name", "rename it and rebuild the manifest: "};
    return {"manifest-defect", "write the manifest again: "};
}

// The manifest against the medium, the first time the program reads it: a
// defect that refuses the package, files that are missing, the total, and the
// files nobody installs.
void PlayerMachine::CheckManifest(const ManifestResult& result, const std::vector<std::string>& names) {
    if (m_medium.manifestBuilt)
        Add(Severity::Info, "manifest-not-built", "", "",
            "no Quorin.qpk: checked with the manifest `qpk build` writes for this folder",
            "without Quorin.qpk the program refuses the package: the medium needs it",
            "write it before the medium ships: " + RebuildCommand(*this));
    if (result.error != ManifestError::None) {
        const ManifestRefusal refusal = ManifestRefusalFinding(result);
        Add(Severity::Error, refusal.code, "", "",
            ManifestDefectEnglish(result) + ": the program refuses the whole package and stops",
            "the player sees \"" + ManifestErrorText(result) + "\" (" + kScriptErrorCaption +
                ") and the setup ends (-1) before anything is written",
            refusal.fix + RebuildCommand(*this));
        return;
    }
    std::uint64_t exact = 0, clustered = 0;
    bool allFound = true;
    std::set<std::string> listed;
    for (const std::string& name : names) {
        std::uint64_t bytes = 0;
        if (!FindMediumFile(m_medium, name, bytes)) {
            Add(Severity::Error, "package-file-missing", "", "",
                "manifest entry " + Quote(name) + " is not on the medium",
                "the player sees \"" + SourceMissingText(name) + "\" (" + kErrorCaption +
                    "); the file is not installed, and the installation ends with the notice that it is incomplete "
                    "(exit -1)",
                "put " + Quote(name) + " on the medium, or rebuild the manifest from the files there: " +
                    RebuildCommand(*this));
            allFound = false;
        }
        exact += bytes;
        clustered += ClusterBytes(bytes, m_context.clusterSize);
        m_packageNames.insert(FileNameKey(name));
        if (listed.insert(FileNameKey(name)).second) CheckSharedInManifest(*this, name);
    }
    if (allFound) CheckManifestTotal(*this, names, result.totalSize, exact, clustered);
    if (m_medium.manifestBuilt) return;
    std::size_t added = 0;
    std::uint64_t addedBytes = CheckUnlistedFiles(*this, listed, added);
    if (added > 0 && allFound && result.totalSize != clustered + addedBytes)
        Add(Severity::Warning, "total-files-added", "", "",
            "manifest total " + Number(result.totalSize) + " does not count the " + Number(added) +
                " file(s) on the medium that it does not list (" + Number(addedBytes) + " bytes in clusters of " +
                Number(m_context.clusterSize) + "), added after qpk build or left out",
            "those files are not installed, and the disk-space check does not count them",
            "rebuild the manifest: " + RebuildCommand(*this));
}

// The disk check found whether every package file fits its paths: the files
// before the first that does not are planned where the copy puts them.
void PlayerMachine::PackagePathsDecided(PackagePaths paths, const std::string& offending, const SetupState& state) {
    for (const std::string& name : state.packageFiles) {
        if (paths != PackagePaths::Fit && name == offending) break;
        std::string destination;
        JoinPath(state.installDir, name, destination);
        m_report.plan.files.push_back(PlannedFile{name, destination});
    }
    if (paths == PackagePaths::Fit) return;
    bool source = paths == PackagePaths::SourceTooLong;
    const bool stops = source || InstallFolderTooLongIsError(state.changePath);
    const std::string told = source ? SourcePathTooLongText(offending) : InstallFolderTooLongText(offending, state.changePath);
    const std::size_t room = offending.size() + 2 < kPathSize ? kPathSize - 2 - offending.size() : 0;
    Add(Severity::Error, source ? "source-path-long" : "install-path-long", "", "",
        Quote(offending) + (source ? " below the source folder " + Quote(state.sourceFolder)
                                   : " below the install folder " + Quote(state.installDir)) +
            " passes 259 bytes: the program " + (stops ? "stops before anything is written" : "asks for a shorter folder"),
        "the player sees \"" + told + "\" (" + (stops ? kScriptErrorCaption : kNoticeCaption) + ")" +
            (stops ? " and the setup ends before anything is written" : " and the folder dialog again"),
        source ? "give the file a shorter name or put it in a shallower folder of the medium, then " +
                     RebuildCommand(*this)
               : "keep the install folder within " + Number(room) + " bytes (Default Path, Setup.ini [Main]), or "
                 "give " + Quote(offending) + " a shorter name and " + RebuildCommand(*this));
}

bool IsSetupFileName(const std::string& name) {
    return SameFileName(name, "Setup.exe") || SameFileName(name, "Setup.ini") || SameFileName(name, "Quorin.qpk") ||
           SameFileName(name, "autorun.inf");
}
