// The install-folder dialog: shows the current install folder and the
// product's intro text, lets the user type or browse for another folder,
// keeps the folder chosen with OK, and confirms a cancel.
#include <shlobj.h>

#include <string>

#include "checks/checks.h"
#include "checks/folder_rules.h"
#include "common/script_rules.h"
#include "resource.h"

// The state the dialog works on, kept with the dialog from WM_INITDIALOG on.
static SetupState& DialogState(HWND hDlg) {
    return *reinterpret_cast<SetupState*>(GetWindowLongPtrA(hDlg, DWLP_USER));
}

static void OnInitFolderDialog(HWND hDlg, LPARAM lParam) {
    SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
    const SetupState& state = DialogState(hDlg);
    SetForegroundWindow(hDlg);
    CentreDialogOnScreen(hDlg);
    SetDlgItemTextA(hDlg, IDC_FOLDER_EDIT, state.installDir.c_str());
    char format[199] = "";
    GetDlgItemTextA(hDlg, IDC_INTRO_TEXT, format, sizeof format);
    std::string intro = FormatIntroText(format, state.productName, state.productVersion);
    SetDlgItemTextA(hDlg, IDC_INTRO_TEXT, intro.c_str());
}

// The edit control's whole text, however long, so that an over-long entry
// is refused rather than read cut.
static std::string FolderEditText(HWND hDlg) {
    HWND edit = GetDlgItem(hDlg, IDC_FOLDER_EDIT);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    int length = GetWindowTextA(edit, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

static void OnFolderOk(HWND hDlg) {
    std::string folder;
    if (AcceptFolderEntry(FolderEditText(hDlg), folder) == FolderEntry::TooLong) {
        MessageBoxA(hDlg, "설치할 디렉토리의 경로가 너무 깁니다.\n더 짧은 경로를 지정해 주십시요.", kScriptErrorCaption,
                    MB_ICONERROR);
        return;
    }
    DialogState(hDlg).installDir = folder;
    EndDialog(hDlg, IDOK);
}

static void OnFolderCancel(HWND hDlg) {
    if (MessageBoxA(hDlg, "설치를 중단하시겠습니까?", "설치 중단", MB_YESNO | MB_ICONQUESTION) != IDNO)
        EndDialog(hDlg, IDCANCEL);
}

static void OnFolderBrowse(HWND hDlg) {
    char* chosen = new char[kPathSize]();
    BrowseForFolder(hDlg, chosen);
    if (chosen[0] != '\0') {
        DialogState(hDlg).installDir = chosen;
        SetDlgItemTextA(hDlg, IDC_FOLDER_EDIT, chosen);
    }
    delete[] chosen;
}

INT_PTR CALLBACK FolderDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OnInitFolderDialog(hDlg, lParam);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: OnFolderOk(hDlg); break;
    case IDCANCEL: OnFolderCancel(hDlg); break;
    case IDC_BROWSE: OnFolderBrowse(hDlg); break;
    }
    return FALSE;
}

void BrowseForFolder(HWND owner, char* buffer) {
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = "설치할 폴더를 지정하십시요.";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = nullptr;
    info.lParam = 0;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    buffer[0] = '\0';
    if (!item) return;
    SHGetPathFromIDListA(item, buffer);
    CoTaskMemFree(item);
}
