// The Win32 side of what the installation leaves in the system besides
// files: the shortcuts' notice, folders and links. The registry entries, the
// shortcuts and the post-install programs themselves are stages
// (stages/stages.h).
#pragma once
#include <string>

#include "common/scoped.h"
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

// The application name a post-install command line is started with, its
// command line and current folder unchanged: a program named without a
// folder is the one found in the system folder, the Windows folder or PATH
// (never the current folder nor the medium), a program below the install
// folder the file the installation wrote, held open in `held` until it has
// started; "" for any other program, which Windows finds as before. False
// when it must not start: no such program outside the current folder, or an
// installed program that is not the package file (told here).
bool ProgramToStart(const std::string& commandLine, std::string& application, ScopedHandle& held);
