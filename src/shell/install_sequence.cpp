// The chain of install commands: each command runs its stage on the Win32
// machine and posts the command that follows, or ends the message loop.
#include <climits>

#include "common/scoped.h"
#include "resource.h"
#include "shell/shell.h"
#include "shell/win32_machine.h"
#include "stages/stages.h"

void OnInstallCommand(HWND hWnd, WPARAM wParam, LPARAM) {
    // The whole wParam is compared: a notification code above the identifier
    // (the Escape accelerator's, for one) is no sequence command.
    if (wParam > UINT_MAX) return;
    Win32Machine machine(hWnd);
    SequenceStep step = RunSequenceCommand(static_cast<unsigned>(wParam), machine, g_state);
    if (step.quits)
        PostQuitMessage(static_cast<int>(step.exitCode));
    else if (step.next != IDM_NONE)
        PostMessageA(hWnd, WM_COMMAND, step.next, 0);
}

bool RunCopyDialog(HWND hWnd) {
    // The progress bar's class was registered at start (LoadSystemLibraries).
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_COPY_PROGRESS), hWnd, CopyDialogProc, 0) != IDCANCEL;
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

void RestartWindows() {
    EnableShutdownPrivilege();
    ExitWindowsEx(EWX_REBOOT, 0);
}
