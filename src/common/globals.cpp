// The program-wide state, one definition each.
#include "common/setup_state.h"

char g_setupIniPath[kPathSize];
char* g_installDir;
char g_productName[kProductNameSize];
char g_productVersion[kProductVersionSize];
int g_changePath = 1;
int g_showCompleteDialog = 1;
HINSTANCE g_hInstance;
char g_startPageUrl[kStartPageDataSize];
int g_versionMode;
DWORD g_versionValue;
RegLocation g_versionLocation;
RegLocation g_installPathLocation;
SharedFileEntry* g_sharedFiles;
int g_sharedFileCount;
volatile LONG g_cancelRequested;
int g_rebootRequired;
