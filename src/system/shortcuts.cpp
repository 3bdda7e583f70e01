// The Win32 side of the shortcuts: the notice dialog, the user's Shell
// Folders, and the shell-link object that writes one link.
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "common/scoped.h"
#include "common/script_rules.h"
#include "resource.h"
#include "system/shortcut_rules.h"
#include "system/system.h"

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

void ReadShellFolders(std::string& programs, std::string& desktop) {
    char keyPath[kPathSize] = "";
    if (!LoadStringA(g_hInstance, IDS_SHELL_FOLDERS_KEY, keyPath, sizeof keyPath)) return;
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    programs = QueryShellFolder(key.Get(), "Programs");
    desktop = QueryShellFolder(key.Get(), "Desktop");
}

// The notice that stands while the links are written, with the hourglass;
// the queue is drained once so that it and the backdrop are painted.
HWND OpenShortcutNotice(HWND owner, HCURSOR* previousCursor) {
    HWND notice = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SHORTCUTS), owner, ShortcutsDlgProc, 0);
    if (notice) {
        ShowWindow(notice, SW_SHOWNORMAL);
        UpdateWindow(notice);
    }
    DrainMessageQueue();
    *previousCursor = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    return notice;
}

void CloseShortcutNotice(HWND notice, HCURSOR previousCursor) {
    if (notice) DestroyWindow(notice);
    SetCursor(previousCursor);
}
