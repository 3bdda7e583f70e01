// What the installation leaves in the system besides files: registry
// entries, shortcuts and the post-install programs.
#pragma once
#include "common/setup_state.h"

void WriteRegistryEntries();
void CreateShortcuts(HWND owner);
INT_PTR CALLBACK ShortcutsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description,
                        const char* workingFolder, int showCommand, const char* arguments,
                        const char* iconPath);
void RunPostInstallPrograms();
