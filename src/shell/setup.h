// The setup program's shared state and the steps that the stages call.
// Each step lives in the file of its stage; this header only declares.
#pragma once
#include <windows.h>

#include "checks/start_page_rules.h"
#include "shell/script_rules.h"

// ---- install-sequence commands, posted to the backdrop as WM_COMMAND ----
#define IDM_CHECK_VERSION  1025
#define IDM_SELECT_FOLDER  1026
#define IDM_WRITE_REGISTRY 1027
#define IDM_COPY_FILES     1028
#define IDM_FINISH         1029
#define IDM_ABORT          1030

// ---- private messages of the copy dialog ----
#define WM_COPY_START    (WM_USER + 7)
#define WM_COPY_SETRANGE (WM_USER + 8)
#define WM_COPY_SETPOS   (WM_USER + 100)
#define WM_COPY_END      (WM_USER + 101)

// ---- records shared between stages ----
struct SharedFileEntry {
    DWORD size;      // 0: the record is not used
    int kind;        // 0 Windows folder, 1 system folder, other: not installed
    char name[kPathSize];
};

struct RegLocation {
    HKEY root;            // null until a root-key name was recognised
    char subKey[200];
    char valueName[52];
};

// ---- global state (fixed for the process) ----
extern char g_setupIniPath[kPathSize];
extern char* g_installDir;              // kPathSize bytes, owned by SetupApp
extern char g_productName[99];
extern char g_productVersion[49];
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
void ReadMainSection();
bool RefuseLongDefaultPath();             // true: told the user, the installation ends

// ---- backdrop ----
LRESULT CALLBACK MainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
int PaintBackdrop(HWND hWnd, HDC hdc);
void PaintTitleLines(HDC hdc);

// ---- install sequence ----
void OnInstallCommand(HWND hWnd, WPARAM wParam, LPARAM lParam);
void RunCopyDialog(HWND hWnd);
void CentreDialogOnScreen(HWND hDlg);

// ---- pre-install checks ----
int CheckInstalledVersion();
void RecordInstalledVersion();
INT_PTR CALLBACK FolderDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND owner, char* buffer);
void OfferStartPage();
int CheckDiskSpace();
ULONGLONG GetRequiredBytes();

// ---- file installation ----
void BuildSharedFileList();
INT_PTR CALLBACK CopyDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void CopyPackageFiles(HWND hDlg);
BOOL CreateSubfolders(const char* baseFolder, char* relativePath);
void InstallSharedFiles(HWND hDlg, int position);
void DrainMessageQueue();

// ---- system integration ----
void WriteRegistryEntries();
HKEY PredefinedRootKey(DWORD handle);    // a root-key value of the script rules; null if none
void CreateShortcuts(HWND owner);
INT_PTR CALLBACK ShortcutsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
HRESULT CreateShellLink(const char* target, const char* linkFile, const char* description,
                        const char* workingFolder, int showCommand, const char* arguments,
                        const char* iconPath);
void RunPostInstallPrograms();
