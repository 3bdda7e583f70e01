// What the stages of the installation ask of the machine they run on, and
// what they decide about the script's lines. The stages are written once,
// against this interface: Setup.exe gives the Win32 calls
// (shell/win32_machine.cpp); the checker of a medium gives a model of the
// player's machine that records what would happen and answers as the case it
// plans says (medium/). Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/disk_space_rules.h"
#include "checks/version_rules.h"
#include "common/link_rules.h"
#include "common/setup_state_rules.h"
#include "install/manifest_rules.h"
#include "install/shared_file_rules.h"
#include "system/program_rules.h"
#include "system/registry_rules.h"
#include "system/shortcut_rules.h"

// Message box styles of a notice, as the window functions number them.
constexpr unsigned kPlainMessage = 0x00;        // MB_OK, no icon
constexpr unsigned kErrorMessage = 0x10;        // MB_ICONERROR
constexpr unsigned kInformationMessage = 0x40;  // MB_ICONINFORMATION

// The questions of the stages. Each but DiskSpace is asked with Yes and No
// (MB_YESNO | MB_ICONQUESTION); DiskSpace with OK and Cancel
// (MB_OKCANCEL | MB_ICONINFORMATION).
enum class Question { Overwrite, StartPage, CreateFolder, DiskSpace, Restart };

// Who owns a message box: nobody, or the backdrop window, which cannot be
// used while the box is open.
enum class MessageOwner { None, Backdrop };

class SetupMachine {
public:
    virtual ~SetupMachine() = default;

    // ---- the setup script ----
    // A value read into a buffer of `capacity` bytes (cut to capacity - 1).
    virtual std::string ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) = 0;
    virtual int ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    // The last numbered line the section holds (LastLineNumber of its key
    // names); 0 when it holds none or is missing. Counted lists read no
    // further than LinesToRead allows from it.
    virtual int LastScriptLine(const std::string& section) = 0;

    // ---- the player ----
    virtual void Tell(const std::string& caption, const std::string& text, unsigned style,
                      MessageOwner owner = MessageOwner::None) = 0;
    // True for Yes (OK for DiskSpace).
    virtual bool Ask(Question question, const std::string& caption, const std::string& text,
                     MessageOwner owner = MessageOwner::None) = 0;
    // The system's text for the failure the machine met last.
    virtual void TellLastError() = 0;
    // The install-folder dialog on state.installDir; OK leaves the chosen
    // folder there. False: the player gave up.
    virtual bool ChooseInstallFolder(SetupState& state) = 0;
    // The notice that stands while the shortcuts are written.
    virtual void ShowShortcutNotice() = 0;
    virtual void HideShortcutNotice() = 0;

    // ---- the registry ----
    // The 32-bit number of a value; 0 when the key or the value cannot be read.
    virtual std::uint32_t ReadRegistryNumber(const RegistryPathParts& location) = 0;
    // The data of a text value, as many bytes as a 300-byte buffer takes.
    virtual bool ReadRegistryText(const RegistryPathParts& location, std::string& data) = 0;
    // Creates or opens a key for writing; it stays open for the values set
    // until CloseRegistryKey. One key is open at a time.
    virtual bool CreateRegistryKey(std::uint32_t root, const std::string& subKey) = 0;
    // False: the value could not be written.
    virtual bool SetRegistryValue(const std::string& name, std::uint32_t type,
                                  const std::vector<unsigned char>& bytes) = 0;
    virtual void CloseRegistryKey() = 0;
    // Sets a value in a key that must exist already (it is never created).
    virtual bool SetExistingRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                                          std::uint32_t type, const std::string& bytes) = 0;

    // ---- files and folders ----
    virtual bool SourceFileSize(const std::string& path, std::uint64_t& size) = 0;
    // Quorin.qpk of the source folder, decoded into names.
    virtual ManifestResult ReadPackageManifest(std::vector<std::string>& names) = 0;
    virtual bool IsFixedDisk(const std::string& root) = 0;
    // False when the figures cannot be had.
    virtual bool FreeDiskBytes(const std::string& root, std::uint64_t& bytes) = 0;
    // Makes a folder the current one: 0, or the system's error code.
    virtual unsigned long SetCurrentFolder(const std::string& folder) = 0;
    virtual bool CreateFolder(const std::string& folder) = 0;
    // Every missing level of relative below base; a failure is told there.
    virtual bool CreateSubfolders(const std::string& base, const std::string& relative) = 0;
    // What a path is, the path itself and not what a link there leads to.
    virtual PathKind LookAtPath(const std::string& path) = 0;
    // Whether the install folder, followed through every link at or above it,
    // lies in the Windows folder; finalPath is where it really lies.
    virtual bool InstallFolderInWindows(const std::string& folder, std::string& finalPath) = 0;
    // The copy of the package files and the shared files behind its progress
    // dialog; what could not be installed is added to state.notInstalled.
    // False: the player cancelled it.
    virtual bool RunCopyDialog() = 0;

    // ---- the shell and processes ----
    virtual void ReadShellFolders(std::string& programs, std::string& desktop) = 0;
    // False: the link could not be saved (the failure was told).
    virtual bool CreateShellLink(const ShortcutLine& line, const ShortcutPaths& paths) = 0;
    virtual bool StartProgram(const std::string& commandLine, bool wait) = 0;
    virtual void RestartWindows() = 0;

    // ---- what the stages decided, for a checker of the medium ----
    // The program passes over these; each is told once the stage has decided
    // and before it acts on the decision.
    virtual void VersionSectionRead(const SetupState&) {}
    // A "Count" beyond the last numbered line of its section.
    virtual void CountPastLines(const std::string& /*section*/, int /*count*/, int /*lastLine*/) {}
    virtual void VersionPathDecided(const std::string& /*key*/, const std::string& /*path*/,
                                    const VersionPathOutcome&) {}
    virtual void VersionDecided(VersionVerdict) {}
    // A [Version] location the record cannot use (its root was never recognised).
    virtual void VersionRecordRefused(const std::string& /*key*/) {}
    virtual void SharedCountRead(int /*count*/, int /*used*/) {}
    virtual void SharedLineDecided(int /*number*/, const std::string& /*value*/, const SharedLineOutcome&,
                                   const SharedFileEntry&) {}
    virtual void PackagePathsDecided(PackagePaths, const std::string& /*offending*/, const SetupState&) {}
    virtual void KeyLineDecided(int /*number*/, const std::string& /*line*/, const KeyLineOutcome&) {}
    virtual void ValueCountRead(const std::string& /*section*/, int /*count*/) {}
    virtual void ValueLineDecided(const std::string& /*section*/, int /*number*/, const std::string& /*line*/,
                                  const ValueLineOutcome&, const SetupState&) {}
    virtual void ProgramGroupDecided(int /*count*/, const std::string& /*folderName*/, const ProgramGroupOutcome&) {}
    virtual void ShortcutLineDecided(int /*number*/, int /*count*/, const std::string& /*text*/,
                                     const ShortcutLineOutcome&, const SetupState&) {}
    virtual void ProgramLineDecided(int /*number*/, const std::string& /*text*/, const ProgramLineOutcome&,
                                    const SetupState&) {}
};
