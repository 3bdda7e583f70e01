// Shared-file installation: each usable record of the shared-file list goes
// into the Windows or system folder through the system's version-aware
// installer, with the user asked before an older file or one in another
// language replaces the installed one, and a file in use replaced at the next
// Windows start.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/system_libraries.h"
#include "install/copy_rules.h"
#include "install/install.h"
#include "install/shared_install_rules.h"

namespace {

// The values set up once, before the first record.
struct SharedInstallContext {
    HWND m_dialog = nullptr;
    std::string m_caption;
    char m_windowsFolder[kPathSize] = "";
    char m_systemFolder[kPathSize] = "";
    char m_redirectedSystemFolder[kPathSize] = "";  // see FindRedirectedSystemFolder
    std::string m_renameFile;
    std::string m_sourceFolder;     // with its trailing backslash
    std::string m_sourceDirectory;  // as VerInstallFileA gets it
    char m_tempName[kPathSize] = "";  // written by VerInstallFileA
    UINT m_tempNameLength = 0;
    std::vector<std::string> m_deferredTempNames[2];  // per destination folder
};

// Installed (or left for the next Windows start, or kept as the player
// chose); not installed; not installed and the step ends here.
enum class RecordEnd { Next, NotInstalled, EndStep };

// The folder where this program's writes into the system folder really land
// when it runs as a 32-bit program on 64-bit Windows (SysWOW64); "" everywhere
// else. Both calls are looked up at run time: Windows before XP SP2 has neither.
void FindRedirectedSystemFolder(char* buffer, UINT size) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    using GetSystemWow64DirectoryFn = UINT(WINAPI*)(LPSTR, UINT);
    buffer[0] = '\0';
    auto isWow64Process = KernelFunction<IsWow64ProcessFn>("IsWow64Process");
    auto getWow64Directory = KernelFunction<GetSystemWow64DirectoryFn>("GetSystemWow64DirectoryA");
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || getWow64Directory == nullptr ||
        !isWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        return;
    UINT length = getWow64Directory(buffer, size);
    if (length == 0 || length >= size) buffer[0] = '\0';
}

bool PrepareSharedInstall(SharedInstallContext& context, HWND hDlg) {
    context.m_dialog = hDlg;
    context.m_caption = InstallerCaption(g_state.productName);
    UINT windowsLength = GetWindowsDirectoryA(context.m_windowsFolder, sizeof context.m_windowsFolder);
    UINT systemLength = GetSystemDirectoryA(context.m_systemFolder, sizeof context.m_systemFolder);
    if (windowsLength == 0 || windowsLength >= sizeof context.m_windowsFolder || systemLength == 0 ||
        systemLength >= sizeof context.m_systemFolder)
        return false;
    if (!JoinPath(context.m_windowsFolder, "wininit.ini", context.m_renameFile)) return false;
    FindRedirectedSystemFolder(context.m_redirectedSystemFolder, sizeof context.m_redirectedSystemFolder);
    context.m_sourceFolder = g_state.sourceFolder;
    context.m_sourceDirectory = SourceDirectoryFromFolder(g_state.sourceFolder);
    context.m_tempNameLength = sizeof context.m_tempName;
    return true;
}

const char* DestinationFolder(const SharedInstallContext& context, SharedDestination destination) {
    return destination == SharedDestination::WindowsFolder ? context.m_windowsFolder : context.m_systemFolder;
}

// One call of the version-aware installer. The buffer length is reset before
// every call, so that no call gets a shorter buffer than the one before; the
// temporary file it may leave beside the old one is never used and is removed.
// (The system's declaration takes writable texts; they are handed copies.)
DWORD AttemptInstall(SharedInstallContext& context, DWORD flags, const std::string& name, const char* folder) {
    std::string fileName = name;
    std::string sourceDirectory = context.m_sourceDirectory;
    std::string destinationFolder = folder;
    context.m_tempName[0] = '\0';
    context.m_tempNameLength = sizeof context.m_tempName;
    DWORD result = g_version.m_verInstallFile(flags, &fileName[0], &fileName[0], &sourceDirectory[0],
                                              &destinationFolder[0], &destinationFolder[0], context.m_tempName,
                                              &context.m_tempNameLength);
    std::string reported(context.m_tempName, strnlen(context.m_tempName, sizeof context.m_tempName));
    std::string leftover = LeftoverTempPath(result, folder, reported, name);
    if (!leftover.empty()) DeleteFileA(leftover.c_str());
    return result;
}

// The language of a file, read from its version information; nothing when
// the file has none or no translation table.
std::optional<std::string> ReadLanguageName(const std::string& path) {
    DWORD handle = 0;
    DWORD size = g_version.m_getFileVersionInfoSize(path.c_str(), &handle);
    if (size == 0) return std::nullopt;
    void* block = GlobalAlloc(GPTR, size);
    if (block == nullptr) return std::nullopt;
    std::optional<std::string> name;
    void* table = nullptr;
    UINT tableSize = 0;
    unsigned language = 0;
    if (g_version.m_getFileVersionInfo(path.c_str(), 0, size, block) &&
        g_version.m_verQueryValue(block, "\\VarFileInfo\\Translation", &table, &tableSize) &&
        TranslationLanguage(static_cast<const unsigned char*>(table), tableSize, language)) {
        char languageName[99] = "";
        g_version.m_verLanguageName(language, languageName, sizeof languageName);
        name = languageName;
    }
    GlobalFree(block);
    return name;
}

bool AnswerPrompt(const SharedInstallContext& context, InstallPrompt prompt, const SharedFilePaths& paths) {
    std::string text = InstallPromptText(prompt);
    if (prompt == InstallPrompt::LanguageDiffers)
        text = LanguageQuestionText(ReadLanguageName(paths.destination), ReadLanguageName(paths.source));
    int answer = MessageBoxA(context.m_dialog, text.c_str(), context.m_caption.c_str(), InstallPromptStyle(prompt));
    return answer == IDOK || answer == IDYES;
}

// The names in a destination folder that a temporary file must not take: the
// shared files going there and the temporary files already handed out.
std::vector<std::string> TakenNames(const SharedInstallContext& context, SharedDestination destination) {
    std::vector<std::string> taken = context.m_deferredTempNames[static_cast<int>(destination)];
    for (const SharedFileEntry& record : g_state.sharedFiles)
        if (DestinationOfRecord(record.size, record.kind) == destination) taken.push_back(record.name);
    return taken;
}

bool IsNtFamily() {
    return (GetVersion() & 0x80000000u) == 0;
}

void ShowRefusal(const SharedInstallContext& context, const std::string& text) {
    MessageBoxA(context.m_dialog, text.c_str(), context.m_caption.c_str(), MB_ICONERROR);
}

// Copies the new file beside the old one and has it moved over the old one at
// the next Windows start: through "wininit.ini", and on NT-family Windows,
// which ignores that file, through the system's own list of pending moves.
// Both records name the files where they really lie, which for a 32-bit
// program on 64-bit Windows is not the system folder it writes to.
RecordEnd DeferReplacement(SharedInstallContext& context, const std::string& name, const SharedFilePaths& paths,
                           SharedDestination destination) {
    const char* folder = DestinationFolder(context, destination);
    std::string tempPath = DeferredTempPath(folder, name, TakenNames(context, destination));
    std::string recordedTemp = RealSystemPath(tempPath, context.m_systemFolder, context.m_redirectedSystemFolder);
    std::string recordedTarget =
        RealSystemPath(paths.destination, context.m_systemFolder, context.m_redirectedSystemFolder);
    if (tempPath.empty() || recordedTemp.empty() || recordedTarget.empty()) {
        ShowRefusal(context, SharedFileRefusalText(name, PathTooLongText()));
        return RecordEnd::NotInstalled;
    }
    if (!CopyFileA(paths.source.c_str(), tempPath.c_str(), FALSE)) return RecordEnd::EndStep;
    MakeFileWritable(tempPath.c_str());
    WritePrivateProfileStringA("rename", recordedTarget.c_str(), recordedTemp.c_str(), context.m_renameFile.c_str());
    if (IsNtFamily())
        MoveFileExA(recordedTemp.c_str(), recordedTarget.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    context.m_deferredTempNames[static_cast<int>(destination)].push_back(tempPath.substr(tempPath.rfind('\\') + 1));
    g_state.rebootRequired = true;
    return RecordEnd::Next;
}

RecordEnd InstallSharedRecord(SharedInstallContext& context, const SharedFileEntry& entry,
                              SharedDestination destination) {
    const char* folder = DestinationFolder(context, destination);
    const std::string& name = entry.name;
    SharedFilePaths paths;
    std::string refusal;
    if (!SharedFilePathsFor(name, context.m_sourceFolder, folder, paths, refusal)) {
        ShowRefusal(context, refusal);
        return RecordEnd::NotInstalled;
    }
    InstallOutcome outcome;
    DWORD result = 0;
    bool declined = false;
    do {
        result = AttemptInstall(context, kFirstAttemptFlags, name, folder);
        outcome = DecideInstallOutcome(result, [&](InstallPrompt prompt) {
            const bool yes = AnswerPrompt(context, prompt, paths);
            declined = !yes;
            return yes;
        });
    } while (outcome == InstallOutcome::Retry);
    switch (outcome) {
    case InstallOutcome::Installed: MakeFileWritable(paths.destination.c_str()); return RecordEnd::Next;
    case InstallOutcome::End: return RecordEnd::EndStep;
    case InstallOutcome::Force:
        // A file left read-only (by an installation from a CD) is ours to replace.
        if (result & kVifWriteProt) MakeFileWritable(paths.destination.c_str());
        if (AttemptInstall(context, kForcedAttemptFlags, name, folder) == 0) {
            MakeFileWritable(paths.destination.c_str());
            return RecordEnd::Next;
        }
        return DeferReplacement(context, name, paths, destination);
    case InstallOutcome::Defer: return DeferReplacement(context, name, paths, destination);
    default: break;
    }
    // Kept as the player chose, or bits that install nothing.
    return declined ? RecordEnd::Next : RecordEnd::NotInstalled;
}

// Shows the record as done, lets the dialog and the backdrop work, and tells
// whether the user has cancelled meanwhile.
bool ProgressStep(HWND hDlg, int& position) {
    SendMessageA(hDlg, WM_COPY_SETPOS, static_cast<WPARAM>(position), 0);
    ++position;
    DrainMessageQueue();
    return !g_state.cancelRequested;
}

// The records from `first` on that the step would have installed, noted as
// not installed.
void NoteRestNotInstalled(std::size_t first) {
    for (std::size_t i = first; i < g_state.sharedFiles.size(); ++i) {
        const SharedFileEntry& entry = g_state.sharedFiles[i];
        if (DestinationOfRecord(entry.size, entry.kind) != SharedDestination::None)
            g_state.notInstalled.push_back(MissedItem{MissedKind::SharedFile, entry.name});
    }
}

}  // namespace

void InstallSharedFiles(HWND hDlg, int position) {
    SharedInstallContext context;
    if (g_state.sharedFiles.empty()) return;
    if (!PrepareSharedInstall(context, hDlg)) {
        NoteRestNotInstalled(0);
        return;
    }
    for (std::size_t i = 0; i < g_state.sharedFiles.size(); ++i) {
        const SharedFileEntry& entry = g_state.sharedFiles[i];
        SharedDestination destination = DestinationOfRecord(entry.size, entry.kind);
        if (destination == SharedDestination::None) continue;
        RecordEnd end = InstallSharedRecord(context, entry, destination);
        if (end != RecordEnd::Next) g_state.notInstalled.push_back(MissedItem{MissedKind::SharedFile, entry.name});
        if (end == RecordEnd::EndStep) {
            NoteRestNotInstalled(i + 1);
            return;
        }
        if (!ProgressStep(hDlg, position)) return;
    }
}
