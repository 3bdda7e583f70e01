// The setup program's state shared by its stages, the commands of the install
// sequence, and the Win32 helpers every stage uses: reading the setup script,
// telling the user, centring a dialog. Each stage declares its own entry points
// in its folder's header.
#pragma once
#include <windows.h>

#include "common/registry_path_rules.h"
#include "common/script_rules.h"

// ---- install-sequence commands, posted to the backdrop as WM_COMMAND ----
#define IDM_CHECK_VERSION  1025
#define IDM_SELECT_FOLDER  1026
#define IDM_WRITE_REGISTRY 1027
#define IDM_COPY_FILES     1028
#define IDM_FINISH         1029
#define IDM_ABORT          1030

// ---- records shared between stages ----
struct SharedFileEntry {
    DWORD size;      // 0: the record is not used
    int kind;        // 0 Windows folder, 1 system folder, other: not installed
    char name[kPathSize];
};

struct RegLocation {
    HKEY root;            // null until a root-key name was recognised
    char subKey[kSubKeySize];
    char valueName[kValueNameSize];
};

// ---- global state (fixed for the process) ----
extern char g_setupIniPath[kPathSize];
extern char* g_installDir;              // kPathSize bytes, owned by SetupApp
extern char g_productName[kProductNameSize];
extern char g_productVersion[kProductVersionSize];
extern int g_changePath;
extern int g_showCompleteDialog;
extern HINSTANCE g_hInstance;
extern char g_startPageUrl[kStartPageDataSize];
extern int g_versionMode;
extern DWORD g_versionValue;
extern RegLocation g_versionLocation;
extern RegLocation g_installPathLocation;
extern SharedFileEntry* g_sharedFiles;
extern int g_sharedFileCount;
extern volatile LONG g_cancelRequested;
extern int g_rebootRequired;

// ---- setup script and shared paths ----
void ReadScriptText(const char* section, const char* key, char* buffer, DWORD capacity);
int ReadScriptInt(const char* section, const char* key, int defaultValue);
void GetSourceFolder(char* buffer);       // kPathSize bytes, ends with a backslash
void ShowLastError();
void ShowScriptError(const char* text);   // a script value the program cannot use

// ---- dialogs ----
void CentreDialogOnScreen(HWND hDlg);
void DrainMessageQueue();

// The predefined key of a root-key value of the script rules; null if none.
HKEY PredefinedRootKey(DWORD handle);
