// Shared-file installation. Stand-in: installs nothing.
#include "shell/setup.h"

void InstallSharedFiles(HWND, int) {}
