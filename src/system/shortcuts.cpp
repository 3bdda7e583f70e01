// Program-group and desktop shortcuts of [Program], written behind a small
// notice dialog while the cursor shows the hourglass.
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "common/scoped.h"
#include "common/script_rules.h"
#include "install/install.h"
#include "resource.h"
#include "system/shortcut_rules.h"
#include "system/system.h"

static const char kSection[] = "Program";

INT_PTR CALLBACK ShortcutsDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    SetForegroundWindow(hDlg);
    CentreDialogOnScreen(hDlg);
    return TRUE;
}

static void ReportLinkFailure(HRESULT result, const char* text) {
    if (FAILED(result)) MessageBoxA(nullptr, text, kLinkErrorCaption, MB_ICONERROR);
}

// Every property is set even when an earlier one failed; each failure is told.
static void SetLinkProperties(IShellLinkA* link, const char* target, const char* description,
                              const char* workingFolder, int showCommand, const char* arguments,
                              const char* iconPath) {
    ReportLinkFailure(link->SetPath(target), "SetPath failed!");
    ReportLinkFailure(link->SetArguments(arguments), "SetArguments failed!");
    ReportLinkFailure(link->SetIconLocation(iconPath, 0), "SetIconLocation failed!");
    ReportLinkFailure(link->SetDescription(description), "SetDescription failed!");
    ReportLinkFailure(link->SetWorkingDirectory(workingFolder), "SetWorkingDirectory failed!");
    ReportLinkFailure(link->SetShowCmd(showCommand), "SetShowCmd failed!");
}

static HRESULT SaveLink(IPersistFile* file, const char* linkFile) {
    WCHAR widePath[kPathSize] = L"";
    MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, kPathSize);
    HRESULT result = file->Save(widePath, TRUE);
    ReportLinkFailure(result, "Save failed!");
    return result;
}

// The link object, released before COM is uninitialised.
static HRESULT WriteShellLink(const char* target, const char* linkFile, const char* description,
                              const char* workingFolder, int showCommand, const char* arguments,
                              const char* iconPath) {
    ComPtr<IShellLinkA> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive());
    if (FAILED(result)) return result;
    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.Receive());
    if (FAILED(result)) return result;
    SetLinkProperties(link.Get(), target, description, workingFolder, showCommand, arguments, iconPath);
    return SaveLink(file.Get(), linkFile);
}

HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description,
                        const char* workingFolder, int showCommand, const char* arguments,
                        const char* iconPath) {
    HRESULT initialised = CoInitialize(nullptr);
    HRESULT result = WriteShellLink(target, linkFile, description, workingFolder, showCommand, arguments, iconPath);
    // Only a successful initialisation is balanced, so that another user of
    // COM on this thread keeps its own.
    if (SUCCEEDED(initialised)) CoUninitialize();
    return result;
}

static std::string QueryShellFolder(HKEY key, const char* name) {
    char value[kValueSize];
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return "";
    return ShellFolderValueText(value, size);
}

// The user's Programs and Desktop folders; a folder stays empty when the key
// or its value is missing, and the links of that place are then not written.
static void ReadShellFolders(std::string& programs, std::string& desktop) {
    char keyPath[kPathSize] = "";
    if (!LoadStringA(g_hInstance, IDS_SHELL_FOLDERS_KEY, keyPath, sizeof keyPath)) return;
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    programs = QueryShellFolder(key.Get(), "Programs");
    desktop = QueryShellFolder(key.Get(), "Desktop");
}

// Lines are read until the first malformed one, which ends the list.
static void CreateLinksOfLines(int count, const std::string& groupFolder, const std::string& desktopFolder) {
    for (int i = 1; i <= count; ++i) {
        char text[kPathSize];
        ReadScriptText(kSection, LineKey(i).c_str(), text, sizeof text);
        ShortcutLineOutcome outcome = DecideShortcutLine(text, groupFolder, desktopFolder, g_installDir);
        if (!outcome.message.empty()) ShowScriptError(outcome.message.c_str());
        if (outcome.effect == LineEffect::EndStep) return;
        if (outcome.effect != LineEffect::Use) continue;
        const ShortcutPaths& paths = outcome.paths;
        CreateShellLink(paths.target.c_str(), paths.linkFile.c_str(), outcome.line.description.c_str(),
                        paths.workingFolder.c_str(), outcome.line.showCommand, outcome.line.arguments.c_str(),
                        paths.icon.c_str());
    }
}

static void CreateGroupAndLinks(int count) {
    std::string programs, desktop;
    ReadShellFolders(programs, desktop);
    std::string desktopFolder = DesktopLinkFolder(desktop);

    char folderName[kPathSize];
    ReadScriptText(kSection, "Folder Name", folderName, sizeof folderName);
    ProgramGroupOutcome group = DecideProgramGroup(programs, folderName);
    if (!group.message.empty()) ShowScriptError(group.message.c_str());
    if (group.effect == LineEffect::EndStep) return;
    if (group.effect == LineEffect::Use) {
        char relativePath[kPathSize];
        lstrcpynA(relativePath, folderName, sizeof relativePath);
        CreateSubfolders(programs.c_str(), relativePath);
    }
    CreateLinksOfLines(count, group.folder, desktopFolder);
}

void CreateShortcuts(HWND owner) {
    int count = ReadScriptInt(kSection, "Count", 0);
    if (!ShortcutStepRuns(count)) return;
    HWND notice = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SHORTCUTS), owner, ShortcutsDlgProc, 0);
    if (notice) {
        ShowWindow(notice, SW_SHOWNORMAL);
        UpdateWindow(notice);
    }
    DrainMessageQueue();
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    CreateGroupAndLinks(count);
    if (notice) DestroyWindow(notice);
    SetCursor(previous);
}
