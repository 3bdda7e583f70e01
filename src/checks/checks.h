// The install-folder dialog of the checks before anything is written; the
// checks themselves are stages (stages/stages.h).
#pragma once
#include "common/setup_state.h"

// The dialog works on the SetupState given as DialogBoxParam's lParam: it
// shows its install folder and keeps the folder chosen with OK there.
INT_PTR CALLBACK FolderDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND owner, char* buffer);
