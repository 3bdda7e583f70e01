// Helpers of the program's dialogs: centring one on the screen, and letting
// the windows paint while a step works.
#include "common/setup_state.h"

void CentreDialogOnScreen(HWND hDlg) {
    RECT window;
    GetWindowRect(hDlg, &window);
    HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    int screenWidth = GetDeviceCaps(info, HORZRES);
    int screenHeight = GetDeviceCaps(info, VERTRES);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    MoveWindow(hDlg, (screenWidth - width) / 2, (screenHeight - height) / 2, width, height, FALSE);
    DeleteDC(info);
}

void DrainMessageQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
