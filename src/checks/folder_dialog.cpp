// Install-folder dialog. Stand-in: confirms the current folder at once.
#include "shell/setup.h"

INT_PTR CALLBACK FolderDialogProc(HWND hDlg, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        EndDialog(hDlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

void BrowseForFolder(HWND, char* buffer) { buffer[0] = '\0'; }
