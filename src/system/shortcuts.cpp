// Shortcuts. Stand-in: creates nothing.
#include "shell/setup.h"

void CreateShortcuts(HWND) {}

INT_PTR CALLBACK ShortcutsDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HRESULT CreateShellLink(const char*, const char*, const char*, const char*, int, const char*, const char*) {
    return E_NOTIMPL;
}
