// Shared-file list. Stand-in: no shared files.
#include "shell/setup.h"

void BuildSharedFileList() { g_sharedFileCount = 0; }
