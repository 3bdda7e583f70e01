// The Win32 side of what the installation leaves in the system besides
// files: the shortcuts' notice, folders and links. The registry entries, the
// shortcuts and the post-install programs themselves are stages
// (stages/stages.h).
#pragma once
#include <string>

#include "common/setup_state.h"

INT_PTR CALLBACK ShortcutsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
HWND OpenShortcutNotice(HWND owner, HCURSOR* previousCursor);
void CloseShortcutNotice(HWND notice, HCURSOR previousCursor);
// The user's Programs and Desktop folders; a folder stays empty when the key
// or its value is missing, and the links of that place are then not written.
void ReadShellFolders(std::string& programs, std::string& desktop);
HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description,
                        const char* workingFolder, int showCommand, const char* arguments,
                        const char* iconPath);
