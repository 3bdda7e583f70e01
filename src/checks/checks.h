// The checks before anything is written: the version record, the folder
// choice with the start-page offer, and the disk space.
#pragma once
#include "common/setup_state.h"

// False: the installation ends here (the user has been told why).
bool CheckInstalledVersion();
void RecordInstalledVersion();
INT_PTR CALLBACK FolderDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND owner, char* buffer);
void OfferStartPage();
int CheckDiskSpace();
ULONGLONG GetRequiredBytes();
