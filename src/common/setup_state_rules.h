// The state the stages of one installation share: the script's values read
// once at the start, the install folder, the version record's locations, the
// package and shared-file lists, the cancel and restart flags. The program
// keeps one (g_state); the checker of a medium sets one up for the machine it
// models and looks at it afterwards. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/registry_path_rules.h"

// The process exit codes.
enum class ExitCode : int {
    Completed = 0,    // installed, or refused or cancelled before anything was written
    Failed = -1,      // a cancelled copy, an install folder or a package that cannot be used
    CannotStart = 1,  // a system DLL or the window could not be made
};

// [Version] "Mode": what the version check does at the start and whether the
// version record is written at the end. Any other value is kept as it is: it
// checks like CheckAndRecord and records nothing.
enum class VersionMode : int {
    CheckAndRecord = 0,
    UpdateOnly = 1,  // as CheckAndRecord, and no earlier installation refuses the setup
    CheckOnly = 2,
    RecordOnly = 3,
    Neither = 4,
};

// What the disk-space check found about the chosen install folder.
enum class DiskVerdict {
    ChooseAgain,      // not a fixed disk, or too long a folder to choose again; the user was told
    TooSmallRetry,    // too little space, the user chose OK
    Enough,
    TooSmallQuit,     // too little space, the user chose Cancel
    PackageUnusable,  // the package cannot be installed; the user was told
};

// One [Shared File] record.
struct SharedFileEntry {
    std::uint32_t size = 0;  // 0: the record is not used
    int kind = 0;            // 0 Windows folder, 1 system folder, other: not installed
    std::string name;
    // The line names a file that could not be read when it was measured
    // (missing, or held open by another program): it is not installed, and
    // the end of the installation says so.
    bool unreadable = false;
};

// What an installation could not install, told to the player at its end.
enum class MissedKind { File, SharedFile, Value, Link };
struct MissedItem {
    MissedKind kind = MissedKind::File;
    std::string name;  // as the script or the manifest names it
};

struct SetupState {
    std::string setupIniPath;  // "" when the source folder is too long to name it
    std::string sourceFolder;  // with its trailing backslash
    std::string installDir;    // at most 259 bytes
    std::string productName;
    std::string productVersion;
    int changePath = 1;
    int showCompleteDialog = 1;
    std::string startPageUrl;  // the text of title line 2, offered as the start page
    // The last numbered line of [Title], which bounds the lines every paint
    // reads (LinesToRead).
    int lastTitleLine = 0;
    VersionMode versionMode = VersionMode::CheckAndRecord;
    std::uint32_t versionValue = 0;
    // Where the version record goes; a root of 0 was never recognised.
    RegistryPathParts versionLocation;
    RegistryPathParts installPathLocation;
    std::vector<SharedFileEntry> sharedFiles;  // rebuilt by every pass through the folder stage
    // The package manifest as the disk-space check read it, names and total
    // in one reading; the copy reads it again as it starts.
    std::uint32_t packageBytes = 0;
    std::vector<std::string> packageFiles;
    // Every file, shared file, registry value and link that could not be
    // installed, in the order met: an installation with any is incomplete.
    std::vector<MissedItem> notInstalled;
    bool cancelRequested = false;  // the copy dialog's Cancel was confirmed
    bool rebootRequired = false;   // a shared file is replaced at the next Windows start
};
