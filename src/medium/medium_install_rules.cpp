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

namespace {

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

bool PlayerMachine::IsFixedDisk(const std::string& root) {
    bool fixed = root.size() == 3 && root[1] == ':' && root[2] == '\\';
    if (!fixed && !m_state.installDir.empty())
        Add(Severity::Error, "folder-not-on-disk", "Main", "Default Path",
            "install folder " + Quote(m_state.installDir) + " does not start with a drive root: the disk check asks "
            "for a hard disk");
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
            ": only the first lines are read");
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
                    "shared file " + Quote(record.name) + " is not on the medium: not installed, and the installation ends "
                    "as incomplete");
        return;
    }
    if (record.size == 0) {
        machine.Add(Severity::Warning, "shared-size", "Shared File", key,
                    "shared file " + Quote(record.name) + " has " + Number(size) +
                        " bytes: a file that is empty or 4 GiB or more is not installed");
        return;
    }
    SharedDestination where = DestinationOfRecord(record.size, record.kind);
    if (where == SharedDestination::None) {
        machine.Add(Severity::Warning, "shared-kind", "Shared File", key,
                    "kind " + std::to_string(record.kind) + " is neither 0 (Windows) nor 1 (system): " +
                        Quote(record.name) + " is counted for disk space but never installed");
        return;
    }
    std::string destination;
    const std::string& folder = where == SharedDestination::WindowsFolder ? context.windowsDir : context.systemDir;
    if (!JoinPath(folder, record.name, destination)) {
        machine.Add(Severity::Error, "shared-path-long", "Shared File", key,
                    "destination of " + Quote(record.name) + " is longer than 259 bytes: not installed");
        return;
    }
    machine.m_report.plan.sharedFiles.push_back(PlannedFile{record.name, destination});
}

void PlayerMachine::SharedLineDecided(int number, const std::string& value, const SharedLineOutcome& outcome,
                                      const SharedFileEntry& record) {
    std::string key = LineKey(number);
    if (outcome.status == SharedLine::BadName)
        Add(Severity::Error, "shared-refused", "Shared File", key,
            "file name " + Quote(outcome.fields.name) + " is refused by the program (it would leave its folder or "
            "is not a file name): not installed");
    else if (outcome.sourceTooLong)
        Add(Severity::Error, "shared-path-long", "Shared File", key,
            "source folder + " + Quote(outcome.fields.name) + " is longer than 259 bytes: not installed");
    else if (outcome.status != SharedLine::Ok)
        Add(Severity::Warning, "shared-skipped", "Shared File", key, SkippedSharedLineText(outcome.status, key, value));
    if (outcome.effect != LineEffect::Use) return;
    // Every line that names a file marks it as a shared file of the medium,
    // so that it is not taken for a file nobody installs.
    if (!outcome.fields.name.empty()) m_sharedNames.emplace(FileNameKey(outcome.fields.name), key);
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

// A shared file that is also a package file is installed twice: into the
// install folder by the copy, and into the Windows or system folder.
static void CheckSharedInManifest(PlayerMachine& machine, const std::string& name) {
    auto shared = machine.m_sharedNames.find(FileNameKey(name));
    if (shared == machine.m_sharedNames.end()) return;
    machine.Add(Severity::Warning, "shared-in-manifest", "Shared File", shared->second,
                "shared file " + Quote(name) + " is also a package file of Quorin.qpk: it is installed twice, into "
                "the install folder and into the Windows or system folder; rebuild the manifest with qpk build "
                "--exclude " + name);
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
        machine.AddAbout(Severity::Warning, "file-not-listed", "",
                         Quote(file.first) + " is on the medium but not in Quorin.qpk: it will not be installed");
        clustered += ClusterBytes(file.second, machine.m_context.clusterSize);
        ++count;
    }
    return clustered;
}

static void CheckManifestTotal(PlayerMachine& machine, std::uint32_t total, std::uint64_t exact,
                               std::uint64_t clustered) {
    if (total < exact)
        machine.Add(Severity::Warning, "total-too-small", "", "",
                    "manifest total " + Number(total) + " is less than the files' " + Number(exact) +
                        " bytes: the disk-space check asks for too little");
    else if (total != clustered)
        machine.Add(Severity::Warning, "total-mismatch", "", "",
                    "manifest total " + Number(total) + " differs from the files' " + Number(clustered) +
                        " bytes in clusters of " + Number(machine.m_context.clusterSize));
}

// The manifest against the medium, the first time the program reads it: a
// defect that refuses the package, files that are missing, the total, and the
// files nobody installs.
void PlayerMachine::CheckManifest(const ManifestResult& result, const std::vector<std::string>& names) {
    if (m_medium.manifestBuilt)
        Add(Severity::Info, "manifest-not-built", "", "",
            "no Quorin.qpk: checked with the manifest `qpk build` writes for this folder");
    if (result.error != ManifestError::None) {
        Add(Severity::Error, result.error == ManifestError::CannotOpen ? "no-manifest" : "manifest-defect", "", "",
            ManifestDefectEnglish(result) + ": the program refuses the whole package and stops");
        return;
    }
    std::uint64_t exact = 0, clustered = 0;
    bool allFound = true;
    std::set<std::string> listed;
    for (const std::string& name : names) {
        std::uint64_t bytes = 0;
        if (!FindMediumFile(m_medium, name, bytes)) {
            Add(Severity::Error, "package-file-missing", "", "",
                "manifest entry " + Quote(name) + " is not on the medium: not installed, and the installation ends as "
                "incomplete");
            allFound = false;
        }
        exact += bytes;
        clustered += ClusterBytes(bytes, m_context.clusterSize);
        if (NameHoldsPartialCopyName(name))
            Add(Severity::Error, "package-temporary-name", "", "",
                "manifest entry " + Quote(name) + " has a part named " + kPartialCopyName + ", the name the program "
                "copies each file of a folder through: the file is lost, or the files of the folder above it are "
                "not installed; rename it and rebuild with qpk build");
        m_packageNames.insert(FileNameKey(name));
        if (listed.insert(FileNameKey(name)).second) CheckSharedInManifest(*this, name);
    }
    if (allFound) CheckManifestTotal(*this, result.totalSize, exact, clustered);
    if (m_medium.manifestBuilt) return;
    std::size_t added = 0;
    std::uint64_t addedBytes = CheckUnlistedFiles(*this, listed, added);
    if (added > 0 && allFound && result.totalSize != clustered + addedBytes)
        Add(Severity::Warning, "total-files-added", "", "",
            "manifest total " + Number(result.totalSize) + " does not count the " + Number(added) +
                " file(s) on the medium that it does not list (" + Number(addedBytes) + " bytes in clusters of " +
                Number(m_context.clusterSize) + "), added after qpk build or left out: rebuild with qpk build");
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
    Add(Severity::Error, source ? "source-path-long" : "install-path-long", "", "",
        Quote(offending) + (source ? " below the source folder " + Quote(state.sourceFolder)
                                   : " below the install folder " + Quote(state.installDir)) +
            " passes 260 bytes: the program " +
            (source || InstallFolderTooLongIsError(state.changePath) ? "stops before anything is written"
                                                                    : "asks for a shorter folder"));
}

bool IsSetupFileName(const std::string& name) {
    return SameFileName(name, "Setup.exe") || SameFileName(name, "Setup.ini") || SameFileName(name, "Quorin.qpk");
}
