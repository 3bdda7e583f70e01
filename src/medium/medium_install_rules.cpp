// The stages of the medium walk that install files: the shared-file list and
// the package manifest with its paths, and the files of the medium that
// neither installs.
#include <algorithm>
#include <cstdio>

#include "checks/disk_space_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "install/copy_rules.h"
#include "install/manifest_rules.h"
#include "install/shared_file_rules.h"
#include "install/shared_install_rules.h"
#include "medium/medium_walk_rules.h"

namespace {

std::string Number(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu", value);
    return text;
}

// A file of the medium, found as Windows finds it (ASCII letters without
// case, the two bytes of a Korean character exactly).
bool FindMediumFile(const Medium& medium, const std::string& name, std::uint64_t& size) {
    for (const auto& file : medium.files)
        if (SameFileName(file.first, name)) {
            size = file.second;
            return true;
        }
    return false;
}

}  // namespace

// A line the list uses: the file on the medium, its record size and where
// the record goes.
static void WalkSharedName(MediumWalk& walk, const std::string& key, const SharedLineFields& fields) {
    const MediumContext& context = walk.m_context;
    std::uint64_t size = 0;
    if (!FindMediumFile(walk.m_medium, fields.name, size)) {
        walk.Add(Severity::Error, "shared-missing", "Shared File", key,
                 "shared file " + Quote(fields.name) + " is not on the medium: silently not installed");
        return;
    }
    std::uint32_t recordSize = SharedFileSize(static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(size >> 32));
    if (recordSize == 0) {
        walk.Add(Severity::Warning, "shared-size", "Shared File", key,
                 "shared file " + Quote(fields.name) + " has " + Number(size) +
                     " bytes: a file that is empty or 4 GiB or more is not installed");
        return;
    }
    SharedDestination where = DestinationOfRecord(recordSize, fields.kind);
    if (where == SharedDestination::None) {
        walk.Add(Severity::Warning, "shared-kind", "Shared File", key,
                 "kind " + std::to_string(fields.kind) + " is neither 0 (Windows) nor 1 (system): " +
                     Quote(fields.name) + " is counted for disk space but never installed");
        return;
    }
    std::string destination;
    const std::string& folder = where == SharedDestination::WindowsFolder ? context.windowsDir : context.systemDir;
    if (!JoinPath(folder, fields.name, destination)) {
        walk.Add(Severity::Error, "shared-path-long", "Shared File", key,
                 "destination of " + Quote(fields.name) + " is longer than 259 bytes: not installed");
        return;
    }
    walk.m_report.plan.sharedFiles.push_back(PlannedFile{fields.name, destination});
}

// Every line that names a file marks it as a shared file of the medium, so
// that it is not taken for a file nobody installs.
static void NoteSharedName(MediumWalk& walk, const std::string& key, const SharedLineFields& fields) {
    if (!fields.name.empty()) walk.m_sharedNames.emplace(FileNameKey(fields.name), key);
}

// Why a shared-file line names no file.
static std::string SkippedSharedLineText(SharedLine status, const std::string& key, const std::string& value) {
    if (status == SharedLine::Empty) return "line " + key + " is missing or empty: no file";
    if (status == SharedLine::NoName) return "line " + Quote(value) + " names no file: no file";
    return "line " + Quote(value) + " is not \"<kind>, <file name>\" with a one-character kind: no file";
}

static void WalkSharedLine(MediumWalk& walk, int number) {
    std::string key = LineKey(number);
    std::string value = walk.Read("Shared File", key, kLineCapacity);
    SharedLineOutcome outcome = DecideSharedLine(number, value, walk.m_context.sourceFolder);
    if (outcome.status == SharedLine::BadName)
        walk.Add(Severity::Error, "shared-refused", "Shared File", key,
                 "file name " + Quote(outcome.fields.name) + " is refused by the program (it would leave its folder or "
                 "is not a file name): not installed");
    else if (outcome.sourceTooLong)
        walk.Add(Severity::Error, "shared-path-long", "Shared File", key,
                 "source folder + " + Quote(outcome.fields.name) + " is longer than 259 bytes: not installed");
    else if (outcome.status != SharedLine::Ok)
        walk.Add(Severity::Warning, "shared-skipped", "Shared File", key, SkippedSharedLineText(outcome.status, key, value));
    if (!outcome.message.empty()) walk.Message(kScriptErrorCaption, outcome.message, "ok");
    if (outcome.effect == LineEffect::Use) {
        NoteSharedName(walk, key, outcome.fields);
        WalkSharedName(walk, key, outcome.fields);
    }
}

void WalkSharedFiles(MediumWalk& walk) {
    int count = walk.ReadInt("Shared File", "Count", 0);
    int used = SharedFileCountToUse(count);
    if (count > used) {
        walk.Add(Severity::Warning, "shared-count", "Shared File", "Count",
                 "Count " + std::to_string(count) + " is above " + std::to_string(kMaxSharedFiles) +
                     ": only the first lines are read");
        walk.Message(kScriptErrorCaption, SharedCountErrorText(count), "ok");
    }
    for (int i = 1; i <= used; ++i) WalkSharedLine(walk, i);
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
    case ManifestError::OutOfMemory: return where + "out of memory";
    }
    return "";
}

static void StopWithManifestError(MediumWalk& walk, const ManifestResult& result) {
    walk.Add(Severity::Error, result.error == ManifestError::CannotOpen ? "no-manifest" : "manifest-defect", "", "",
             ManifestDefectEnglish(result) + ": the program refuses the whole package and stops");
    walk.Message(kScriptErrorCaption, ManifestErrorText(result), "ok");
    walk.Stop(WalkStop::Medium);
    walk.m_report.plan.exitCode = -1;
}

// One package file: on the medium, and its paths within their buffers.
static bool WalkPackageFile(MediumWalk& walk, const std::string& name, std::uint64_t& bytes) {
    std::uint64_t size = 0;
    if (!FindMediumFile(walk.m_medium, name, size))
        walk.Add(Severity::Error, "package-file-missing", "", "",
                 "manifest entry " + Quote(name) + " is not on the medium: its copy fails with the system's message");
    bytes = size;
    FileList one;
    one.Append(new FileEntry(name.c_str()));
    std::string offending;
    PackagePaths paths = CheckPackagePaths(one, walk.m_context.sourceFolder, walk.m_installDir, offending);
    if (paths == PackagePaths::Fit) return true;
    bool source = paths == PackagePaths::SourceTooLong;
    walk.Add(Severity::Error, source ? "source-path-long" : "install-path-long", "", "",
             Quote(name) + (source ? " below the source folder " + Quote(walk.m_context.sourceFolder)
                                   : " below the install folder " + Quote(walk.m_installDir)) +
                 " passes 260 bytes: the program stops before anything is written");
    walk.Message(source || InstallFolderTooLongIsError(walk.m_changePath) ? kScriptErrorCaption : kNoticeCaption,
                 source ? SourcePathTooLongText(name) : InstallFolderTooLongText(name, walk.m_changePath), "ok");
    walk.Stop(WalkStop::Medium);
    walk.m_report.plan.exitCode = -1;
    return false;
}

static std::uint64_t ClusterBytes(std::uint64_t size, std::uint32_t cluster) {
    if (cluster == 0) return size;
    return (size + cluster - 1) / cluster * cluster;
}

bool IsSetupFileName(const std::string& name) {
    return SameFileName(name, "Setup.exe") || SameFileName(name, "Setup.ini") || SameFileName(name, "Quorin.qpk");
}

// A shared file that is also a package file is installed twice: into the
// install folder by the copy, and into the Windows or system folder.
static void CheckSharedInManifest(MediumWalk& walk, const std::string& name) {
    auto shared = walk.m_sharedNames.find(FileNameKey(name));
    if (shared == walk.m_sharedNames.end()) return;
    walk.Add(Severity::Warning, "shared-in-manifest", "Shared File", shared->second,
             "shared file " + Quote(name) + " is also a package file of Quorin.qpk: it is installed twice, into the "
             "install folder and into the Windows or system folder; rebuild the manifest with qpk build --exclude " +
                 name);
}

// Files of the medium that neither the manifest nor [Shared File] names:
// they are never installed. Returns their bytes in clusters.
static std::uint64_t CheckUnlistedFiles(MediumWalk& walk, const std::set<std::string>& listed, std::size_t& count) {
    std::uint64_t clustered = 0;
    count = 0;
    for (const auto& file : walk.m_medium.files) {
        std::string key = FileNameKey(file.first);
        if (listed.count(key) || walk.m_sharedNames.count(key) || IsSetupFileName(file.first)) continue;
        walk.AddAbout(Severity::Warning, "file-not-listed", "",
                      Quote(file.first) + " is on the medium but not in Quorin.qpk: it will not be installed");
        clustered += ClusterBytes(file.second, walk.m_context.clusterSize);
        ++count;
    }
    return clustered;
}

static void CheckManifestTotal(MediumWalk& walk, std::uint32_t total, std::uint64_t exact, std::uint64_t clustered) {
    if (total < exact)
        walk.Add(Severity::Warning, "total-too-small", "", "",
                 "manifest total " + Number(total) + " is less than the files' " + Number(exact) +
                     " bytes: the disk-space check asks for too little");
    else if (total != clustered)
        walk.Add(Severity::Warning, "total-mismatch", "", "",
                 "manifest total " + Number(total) + " differs from the files' " + Number(clustered) +
                     " bytes in clusters of " + Number(walk.m_context.clusterSize));
}

void WalkManifest(MediumWalk& walk) {
    const Medium& medium = walk.m_medium;
    ManifestResult result;
    if (!medium.hasManifest) {
        result.error = ManifestError::CannotOpen;
        StopWithManifestError(walk, result);
        return;
    }
    if (medium.manifestBuilt)
        walk.Add(Severity::Info, "manifest-not-built", "", "",
                 "no Quorin.qpk: checked with the manifest `qpk build` writes for this folder");
    std::size_t offset = 0;
    FileList list;
    result = DecodeManifest(
        [&medium, &offset](unsigned char* out, std::size_t size) {
            std::size_t n = std::min(size, medium.manifest.size() - offset);
            medium.manifest.copy(reinterpret_cast<char*>(out), n, offset);
            offset += n;
            return n;
        },
        list);
    if (result.error != ManifestError::None) return StopWithManifestError(walk, result);
    std::uint64_t exact = 0, clustered = 0;
    bool allFound = true;
    std::set<std::string> listed;
    for (FileEntry* e = list.m_head; e != nullptr; e = e->m_next) {
        std::uint64_t bytes = 0;
        if (!WalkPackageFile(walk, e->m_name, bytes)) return;
        allFound = allFound && FindMediumFile(medium, e->m_name, bytes);
        exact += bytes;
        clustered += ClusterBytes(bytes, walk.m_context.clusterSize);
        walk.m_packageNames.insert(FileNameKey(e->m_name));
        if (listed.insert(FileNameKey(e->m_name)).second) CheckSharedInManifest(walk, e->m_name);
        std::string destination;
        JoinPath(walk.m_installDir, e->m_name, destination);
        walk.m_report.plan.files.push_back(PlannedFile{e->m_name, destination});
    }
    if (allFound) CheckManifestTotal(walk, result.totalSize, exact, clustered);
    if (medium.manifestBuilt) return;
    std::size_t added = 0;
    std::uint64_t addedBytes = CheckUnlistedFiles(walk, listed, added);
    if (added > 0 && allFound && result.totalSize != clustered + addedBytes)
        walk.Add(Severity::Warning, "total-files-added", "", "",
                 "manifest total " + Number(result.totalSize) + " does not count the " + Number(added) +
                     " file(s) on the medium that it does not list (" + Number(addedBytes) + " bytes in clusters of " +
                     Number(walk.m_context.clusterSize) + "), added after qpk build or left out: rebuild with qpk build");
}
