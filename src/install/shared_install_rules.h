// Decisions of the shared-file installation: what a VerInstallFileA result
// means given the user's answers, the texts of its messages, the paths it
// builds (with the 260-byte limit) and the temporary names of a deferred
// replacement. Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Result bits of VerInstallFileA that the installation looks at.
constexpr unsigned long kVifTempFile = 0x00000001;
constexpr unsigned long kVifMismatch = 0x00000002;
constexpr unsigned long kVifSrcOld = 0x00000004;
constexpr unsigned long kVifWriteProt = 0x00000040;
constexpr unsigned long kVifFileInUse = 0x00000080;
constexpr unsigned long kVifOutOfSpace = 0x00000100;
constexpr unsigned long kVifAccessViolation = 0x00000200;
constexpr unsigned long kVifSharingViolation = 0x00000400;
constexpr unsigned long kVifCannotDelete = 0x00001000;
constexpr unsigned long kVifCannotRename = 0x00002000;
constexpr unsigned long kVifCannotDeleteCur = 0x00004000;
constexpr unsigned long kVifOutOfMemory = 0x00008000;
constexpr unsigned long kVifCannotReadSrc = 0x00010000;
constexpr unsigned long kVifCannotReadDst = 0x00020000;

// Message-box styles of the prompts.
constexpr unsigned kStyleError = 0x10;          // MB_ICONERROR
constexpr unsigned kStyleErrorOkCancel = 0x11;  // MB_OKCANCEL | MB_ICONERROR
constexpr unsigned kStyleQuestion = 0x34;       // MB_YESNO | MB_ICONWARNING

// Flags of the two attempts: the first keeps the old file (VIFF_DONTDELETEOLD),
// the forced one adds VIFF_FORCEINSTALL.
constexpr unsigned kFirstAttemptFlags = 0x0002;
constexpr unsigned kForcedAttemptFlags = 0x0003;

enum class SharedDestination { WindowsFolder, SystemFolder, None };

// Where a record goes: kind 0 the Windows folder, kind 1 the system folder.
// A record of size 0 (not usable) or of any other kind goes nowhere.
SharedDestination DestinationOfRecord(unsigned long size, int kind);

// The source directory handed to VerInstallFileA: the source folder without
// its trailing backslash, except for a drive root such as "D:\".
std::string SourceDirectoryFromFolder(const std::string& sourceFolder);

// The questions and messages a result can bring up, in the order they are asked.
enum class InstallPrompt { SourceUnreadable, OutOfMemory, OutOfSpace, SourceOlder, LanguageDiffers };

// What happens to the record: installed by the attempt; left as it is (a
// declined question, or bits that ask for nothing); installed by a forced
// attempt; replaced at the next Windows start; the same record tried again
// from its first attempt; or the end of the whole installation step.
enum class InstallOutcome { Installed, Skip, Force, Defer, Retry, End };

// Asks the user; true for OK or Yes.
using InstallPromptAnswer = std::function<bool(InstallPrompt)>;

// The meaning of a first attempt's result. The bits are looked at in a fixed
// order: unreadable source, memory, disk space, unreadable destination, older
// source (question), another language (question), write protection, and the
// bits of a destination in use. Defer outranks force.
InstallOutcome DecideInstallOutcome(unsigned long result, const InstallPromptAnswer& ask);

// The fixed text of a prompt; the language question is composed by
// LanguageQuestionText and gets "" here.
std::string InstallPromptText(InstallPrompt prompt);

// The message-box style of a prompt (MB_ICONERROR, MB_OKCANCEL | MB_ICONERROR,
// MB_YESNO | MB_ICONWARNING).
unsigned InstallPromptStyle(InstallPrompt prompt);

// The language question; a file whose language is unknown (no version
// information, no translation table) has its line left out.
std::string LanguageQuestionText(const std::optional<std::string>& installedLanguage,
                                 const std::optional<std::string>& newLanguage);

// The language of a "\VarFileInfo\Translation" table: the low 16 bits of its
// first entry. False when the table holds no whole entry.
bool TranslationLanguage(const unsigned char* table, std::size_t size, unsigned& language);

struct SharedFilePaths {
    std::string source;       // source folder + name
    std::string destination;  // destination folder + "\" + name: the file to install or replace
};

// The message for a shared file that is not installed: its name, the problem
// (a sentence of NameProblemText or PathTooLongText) and the consequence.
std::string SharedFileRefusalText(const std::string& name, const std::string& problem);

// The paths of a shared file. False, with paths untouched and refusal holding
// the message to show, when the name could leave its folder or a path would
// not fit a 260-byte buffer: such a file is not installed.
bool SharedFilePathsFor(const std::string& name, const std::string& sourceFolder,
                        const std::string& destinationFolder, SharedFilePaths& paths, std::string& refusal);

// The temporary name of a deferred replacement: the name up to the last "."
// of its file part followed by ".tmp" (shared.dll -> shared.tmp, a.b.ocx ->
// a.b.tmp, readme -> readme.tmp). When that name is taken in the folder (by another shared file
// or by the temporary file of an earlier deferred one), "~1" ... "~99" are
// put before ".tmp" until one is free. Returns the whole path, or "" when no
// free name gives a path that fits 260 bytes.
std::string DeferredTempPath(const std::string& folder, const std::string& name,
                             const std::vector<std::string>& takenNames);

// The temporary file that VerInstallFileA reports (with kVifTempFile) when it
// leaves the new file beside the old one without installing it. The
// installation never uses that file, so it is removed: returns its path in the
// destination folder, or "" when there is nothing that may be removed (no
// such bit, an empty or foreign name, a path outside the folder, not a ".tmp"
// file, or the record's own name). The name may come plain, with a leading
// backslash, or as a path in the destination folder.
std::string LeftoverTempPath(unsigned long result, const std::string& folder, const std::string& reportedName,
                             const std::string& recordName);

// Where a file that this program wrote into the system folder really lies,
// for the records that another program carries out at the next start (the
// pending moves, "wininit.ini"). A 32-bit program on 64-bit Windows writes
// "system folder" files into the 32-bit system folder (redirectedFolder,
// e.g. C:\Windows\SysWOW64), while the start-up moves are done by 64-bit
// Windows, which sees no redirection. A path in systemFolder itself (not in
// a sub-folder, which keeps its name) gets redirectedFolder instead; every
// other path, and every path when redirectedFolder is "" (32-bit Windows, a
// 64-bit program), stays as it is. "" when the new path would not fit 260 bytes.
std::string RealSystemPath(const std::string& path, const std::string& systemFolder,
                           const std::string& redirectedFolder);
