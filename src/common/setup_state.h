// The program's state shared by its stages (g_state, described in
// setup_state_rules.h) and the Win32 helpers every step uses: reading the
// setup script, telling the user, centring a dialog. Each stage declares its
// own entry points in its folder's header.
#pragma once
#include <windows.h>

#include <vector>

#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/setup_state_rules.h"

// ---- global state (fixed for the process) ----
extern SetupState g_state;
extern HINSTANCE g_hInstance;

// ---- setup script and shared paths ----
void ReadScriptText(const char* section, const char* key, char* buffer, DWORD capacity);
int ReadScriptInt(const char* section, const char* key, int defaultValue);
// The section's lines as GetPrivateProfileSectionA lists them, each ended by
// a NUL and the list by an empty one (an empty list without a script).
std::vector<char> ReadScriptSectionList(const char* section);
void GetSourceFolder(char* buffer);       // kPathSize bytes, ends with a backslash
void ShowLastError();
void ShowScriptError(const char* text);   // a script value the program cannot use

// ---- dialogs ----
void CentreDialogOnScreen(HWND hDlg);
void DrainMessageQueue();

// The predefined key of a root-key value of the script rules; null if none.
HKEY PredefinedRootKey(DWORD handle);
