// File installation: the shared-file list, the copy dialog with the package
// files, their sub-folders and the shared files.
#pragma once
#include "common/setup_state.h"

// ---- private messages of the copy dialog ----
#define WM_COPY_START    (WM_USER + 7)
#define WM_COPY_SETRANGE (WM_USER + 8)
#define WM_COPY_SETPOS   (WM_USER + 100)
#define WM_COPY_END      (WM_USER + 101)

INT_PTR CALLBACK CopyDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void CopyPackageFiles(HWND hDlg);
BOOL CreateSubfolders(const char* baseFolder, char* relativePath);
void InstallSharedFiles(HWND hDlg, int position);

// Copies a package file to its destination, whole or not at all: FALSE, with
// the system's error, leaves the file that was there as it was. The copy is
// never read-only, and a read-only file it replaces is replaced.
BOOL CopyFileWhole(const char* source, const char* destination);
// Takes the read-only attribute off a file; TRUE when it has none now (or
// there is no such file). A read-only link is left so (FALSE).
BOOL MakeFileWritable(const char* path);
