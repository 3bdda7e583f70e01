// The copy progress dialog and the copy loop: the package files of the
// manifest are copied from the source folder into the install folder, then
// the shared files are handed to their installation.
#include <set>
#include <string>
#include <vector>

#include "common/script_rules.h"
#include "install/copy_rules.h"
#include "install/install.h"
#include "install/link_guard.h"
#include "install/manifest.h"
#include "resource.h"

#include <commctrl.h>  // after <windows.h>, which it needs

static void OnCopyInitDialog(HWND hDlg) {
    SetForegroundWindow(hDlg);
    char format[200] = "";
    GetWindowTextA(hDlg, format, 199);
    SetWindowTextA(hDlg, CopyDialogTitle(format, g_state.productName, g_state.productVersion).c_str());
    CentreDialogOnScreen(hDlg);
    SendDlgItemMessageA(hDlg, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(hDlg, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SetDlgItemTextA(hDlg, IDC_PATH_TEXT, g_state.installDir.c_str());
    ShowWindow(hDlg, SW_SHOWNORMAL);
    UpdateWindow(hDlg);
    PostMessageA(hDlg, WM_COPY_START, 0, 0);
}

// Cancel asks first; only a confirmed cancel ends the dialog, and the copy
// loop stops after the file in progress. The sequence aborts the installation
// once the dialog has returned IDCANCEL.
static void OnCopyCancel(HWND hDlg) {
    if (MessageBoxA(hDlg, "설치를 중단하시겠습니까?", "설치 중단", MB_YESNO | MB_ICONQUESTION) == IDNO) return;
    g_state.cancelRequested = true;
    EndDialog(hDlg, IDCANCEL);
}

// WM_COPY_END: 1 after the copy; 2 after a confirmed cancel, which must stand,
// or when the copy could not run at all (wParam IDCANCEL).
static void OnCopyEnd(HWND hDlg, WPARAM wParam) {
    EndDialog(hDlg, (g_state.cancelRequested || wParam == IDCANCEL) ? IDCANCEL : IDOK);
}

INT_PTR CALLBACK CopyDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: OnCopyInitDialog(hDlg); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) OnCopyCancel(hDlg);
        return TRUE;
    case WM_COPY_START: CopyPackageFiles(hDlg); return TRUE;
    case WM_COPY_SETRANGE:
        // The whole 32-bit range: a package of more than 65,535 steps fills the bar once, at its end.
        SendDlgItemMessageA(hDlg, IDC_PROGRESS, PBM_SETRANGE32, 0, static_cast<LPARAM>(wParam));
        return TRUE;
    case WM_COPY_SETPOS: SendDlgItemMessageA(hDlg, IDC_PROGRESS, PBM_SETPOS, wParam, 0); return TRUE;
    case WM_COPY_END: OnCopyEnd(hDlg, wParam); return TRUE;
    }
    return FALSE;
}

// Copies a file to its final name, whole or not at all (CopyFileWhole). A
// file the medium does not hold is told in the program's words, any other
// failure with the system's text; either way the file is noted as not
// installed.
static void CopyOneFile(const char* name, const std::string& source, const std::string& destination) {
    if (CopyFileWhole(source.c_str(), destination.c_str())) return;
    g_state.notInstalled.push_back(MissedItem{MissedKind::File, name});
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        MessageBoxA(nullptr, SourceMissingText(name).c_str(), kErrorCaption, MB_ICONERROR);
    else
        ShowLastError();
}

// Copies one package file, creating its folders first. A path that would not
// fit its buffer is reported and the file skipped, never cut into another path.
// The folders are walked once per folder part, from below the deepest part
// known to be whole: madeFolders holds the parts this copy has made or found
// whole (a part that failed is walked, and reported, again for its next file).
static void CopyPackageFile(const std::string& sourceFolder, const char* name, std::set<std::string>& madeFolders) {
    std::string source;
    std::string destination;
    if (!JoinPath(sourceFolder, name, source) || !JoinPath(g_state.installDir, name, destination)) {
        MessageBoxA(nullptr, CopySkippedText(name).c_str(), kErrorCaption, MB_ICONINFORMATION);
        g_state.notInstalled.push_back(MissedItem{MissedKind::File, name});
        return;
    }
    const std::string folders = FolderPartOfName(name);
    if (FolderWalkNeeded(madeFolders, folders)) {
        const FolderWalkStart start = WalkStartFor(madeFolders, g_state.installDir, folders);
        std::vector<char> below(start.below.begin(), start.below.end());
        below.push_back('\0');
        if (CreateSubfolders(start.base.c_str(), below.data())) RememberMadeFolders(madeFolders, folders);
    }
    if (StopCopyAtLink(destination)) return;
    CopyOneFile(name, source, destination);
}

// The progress bar's client width in pixels; 0 when it cannot be measured.
static unsigned ProgressBarWidth(HWND hDlg) {
    RECT client;
    if (!GetClientRect(GetDlgItem(hDlg, IDC_PROGRESS), &client) || client.right <= client.left) return 0;
    return static_cast<unsigned>(client.right - client.left);
}

// Milliseconds since a performance-counter reading.
static double MillisecondsSince(const LARGE_INTEGER& then) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - then.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The manifest is read again as the copy starts: the copy is of the list as
// it is then, and a manifest that has gone since the disk-space check is
// told rather than a success announced.
void CopyPackageFiles(HWND hDlg) {
    std::vector<std::string>& files = g_state.packageFiles;
    files.clear();
    ManifestResult manifest = ReadPackageManifest(files);
    if (manifest.error != ManifestError::None) {
        MessageBoxA(nullptr, ManifestErrorText(manifest).c_str(), kScriptErrorCaption, MB_ICONERROR);
        SendMessageA(hDlg, WM_COPY_END, IDCANCEL, 0);
        return;
    }
    if (!EnterInstallFolder(g_state.installDir)) {
        SendMessageA(hDlg, WM_COPY_END, IDCANCEL, 0);
        return;
    }
    const unsigned range =
        ProgressRange(static_cast<unsigned>(files.size()), static_cast<int>(g_state.sharedFiles.size()));
    SendMessageA(hDlg, WM_COPY_SETRANGE, range, 0);
    const unsigned barWidth = ProgressBarWidth(hDlg);
    const std::string& sourceFolder = g_state.sourceFolder;
    std::set<std::string> madeFolders;
    int position = 1;
    unsigned shown = 0;
    bool cancelled = false;
    LARGE_INTEGER lastTurn;
    QueryPerformanceCounter(&lastTurn);
    for (std::size_t i = 0; i < files.size(); ++i) {
        CopyPackageFile(sourceFolder, files[i].c_str(), madeFolders);
        const CopyLoopTurn turn =
            TurnAfterCopiedFile(shown, position, range, barWidth, MillisecondsSince(lastTurn), i + 1 == files.size());
        if (turn.sendPosition) {
            SendMessageA(hDlg, WM_COPY_SETPOS, position, 0);
            shown = position;
        }
        ++position;
        if (turn.drainQueue) {
            DrainMessageQueue();
            QueryPerformanceCounter(&lastTurn);
        }
        if (g_state.cancelRequested) {
            cancelled = true;
            break;
        }
    }
    if (!cancelled) InstallSharedFiles(hDlg, position);
    SendMessageA(hDlg, WM_COPY_END, 0, 0);
}
