// The application object: reads [Main], owns the backdrop window and runs
// the one message loop of the program.
#pragma once
#include <windows.h>

class SetupApp {
public:
    explicit SetupApp(HINSTANCE hInstance);
    virtual ~SetupApp();

    BOOL InitInstance(HINSTANCE hPrevInstance, LPSTR commandLine, int showCommand);
    int Run();

    HINSTANCE m_hInstance;
    HWND m_hWnd;
    HACCEL m_hAccel;
};
