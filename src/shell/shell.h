// The program itself: the backdrop window, the setup script's place and the
// install sequence that runs the stages in order.
#pragma once
#include "checks/checks.h"
#include "common/setup_state.h"
#include "install/install.h"
#include "system/system.h"

// ---- the setup script ----
void LocateSetupScript();

// ---- backdrop ----
LRESULT CALLBACK MainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
int PaintBackdrop(HWND hWnd, HDC hdc);
void PaintTitleLines(HDC hdc);

// ---- install sequence ----
void OnInstallCommand(HWND hWnd, WPARAM wParam, LPARAM lParam);
// False: the copy was cancelled.
bool RunCopyDialog(HWND hWnd);
void RestartWindows();
