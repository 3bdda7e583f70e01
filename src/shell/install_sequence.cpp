// The chain of install commands: each stage runs to its end and posts the
// command of the next one, or ends the message loop.
#include <string>
#include <vector>

#include "checks/version_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"
#include "resource.h"
#include "shell/sequence_rules.h"
#include "shell/shell.h"

static void PostCommand(HWND hWnd, WPARAM command) {
    PostMessageA(hWnd, WM_COMMAND, command, 0);
}

static void OnCheckVersion(HWND hWnd) {
    if (RefuseLongDefaultPath()) {
        PostQuitMessage(-1);
        return;
    }
    if (CheckInstalledVersion())
        PostCommand(hWnd, IDM_SELECT_FOLDER);
    else
        PostQuitMessage(0);
}

// Creates every missing level of the install folder; a failure sends the
// user back to the folder choice without a message.
static void CreateFolderPath(HWND hWnd) {
    std::vector<std::string> prefixes = FolderCreationPrefixes(g_installDir);
    bool failed = false;
    for (const std::string& prefix : prefixes) {
        if (SetCurrentDirectoryA(prefix.c_str())) continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr)) {
            failed = true;
            break;
        }
    }
    PostCommand(hWnd, failed ? IDM_SELECT_FOLDER : IDM_WRITE_REGISTRY);
}

static void CreateInstallFolder(HWND hWnd, FolderTestFailure missing) {
    int answer = MessageBoxA(hWnd, kCreateFolderQuestion, kCreateFolderCaption, MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        PostCommand(hWnd, IDM_SELECT_FOLDER);
        return;
    }
    if (missing == FolderTestFailure::CreateAllLevels) {
        CreateFolderPath(hWnd);
        return;
    }
    if (CreateDirectoryA(g_installDir, nullptr)) {
        PostCommand(hWnd, IDM_WRITE_REGISTRY);
    } else {
        ShowLastError();
        PostCommand(hWnd, IDM_SELECT_FOLDER);
    }
}

static void OnSelectFolder(HWND hWnd) {
    if (FolderDialogShown(g_changePath) &&
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SELECT_FOLDER), hWnd, FolderDialogProc, 0) == IDCANCEL) {
        PostQuitMessage(0);
        return;
    }
    BuildSharedFileList();
    switch (AfterDiskSpaceCheck(CheckDiskSpace())) {
    case FolderCheckStep::AskAgain: PostCommand(hWnd, IDM_SELECT_FOLDER); return;
    case FolderCheckStep::Quit: PostQuitMessage(0); return;
    case FolderCheckStep::Abort: PostQuitMessage(-1); return;
    case FolderCheckStep::GoOn: break;
    }
    if (SetCurrentDirectoryA(g_installDir)) {
        PostCommand(hWnd, IDM_WRITE_REGISTRY);
        return;
    }
    FolderTestFailure failure = ClassifyFolderTestError(GetLastError());
    if (failure == FolderTestFailure::Unusable) {
        ShowLastError();
        MessageBoxA(hWnd, "설치를 중단합니다.\n다음에 다시 시도하십시요.", kScriptErrorCaption, MB_ICONERROR);
        PostQuitMessage(-1);
        return;
    }
    CreateInstallFolder(hWnd, failure);
}

static void OnWriteRegistry(HWND hWnd) {
    WriteRegistryEntries();
    PostCommand(hWnd, IDM_COPY_FILES);
}

void RunCopyDialog(HWND hWnd) {
    // The progress bar's class was registered at start (LoadSystemLibraries).
    INT_PTR result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_COPY_PROGRESS), hWnd, CopyDialogProc, 0);
    PostCommand(hWnd, result == IDCANCEL ? IDM_ABORT : IDM_FINISH);
}

// NT-family Windows ignores a restart request without the shutdown privilege.
static void EnableShutdownPrivilege() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

static void ShowCompletion(HWND hWnd) {
    std::string text = CompletionText(g_productName, g_rebootRequired != 0);
    switch (CompletionMessageFor(g_rebootRequired != 0, g_showCompleteDialog)) {
    case CompletionMessage::RestartQuestion:
        if (MessageBoxA(hWnd, text.c_str(), kCompleteCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            EnableShutdownPrivilege();
            ExitWindowsEx(EWX_REBOOT, 0);
        }
        break;
    case CompletionMessage::Notice: MessageBoxA(hWnd, text.c_str(), kCompleteCaption, MB_ICONINFORMATION); break;
    case CompletionMessage::None: break;
    }
}

static void OnFinish(HWND hWnd) {
    CreateShortcuts(hWnd);
    if (VersionModeRecords(g_versionMode)) RecordInstalledVersion();
    RunPostInstallPrograms();
    ShowCompletion(hWnd);
    PostQuitMessage(0);
}

void OnInstallCommand(HWND hWnd, WPARAM wParam, LPARAM) {
    switch (wParam) {
    case IDM_CHECK_VERSION: OnCheckVersion(hWnd); break;
    case IDM_SELECT_FOLDER: OnSelectFolder(hWnd); break;
    case IDM_WRITE_REGISTRY: OnWriteRegistry(hWnd); break;
    case IDM_COPY_FILES: RunCopyDialog(hWnd); break;
    case IDM_FINISH: OnFinish(hWnd); break;
    case IDM_ABORT: PostQuitMessage(-1); break;
    }
}
