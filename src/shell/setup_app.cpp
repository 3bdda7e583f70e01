// Entry point, the application object and the backdrop window's procedure.
#include "shell/setup_app.h"

#include <string>

#include "common/scoped.h"
#include "common/system_libraries.h"
#include "resource.h"
#include "shell/shell.h"
#include "shell/win32_machine.h"
#include "stages/sequence_rules.h"
#include "stages/stages.h"

static const char kWindowClass[] = SETUP_WINDOW_CLASS;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR commandLine, int showCommand) {
    RestrictDllSearch();
    EnforceRedirectionTrust();
    if (!LoadSystemLibraries()) return static_cast<int>(ExitCode::CannotStart);
    SetupApp app(hInstance);
    if (!app.InitInstance(hPrevInstance, commandLine, showCommand)) return static_cast<int>(ExitCode::CannotStart);
    return app.Run();
}

// The instance is known before [Main] is read: the script is found beside
// this module.
SetupApp::SetupApp(HINSTANCE hInstance) {
    g_hInstance = hInstance;
    g_state = SetupState();
    m_hInstance = hInstance;
    m_hWnd = nullptr;
    m_hAccel = nullptr;
    LocateSetupScript();
    Win32Machine machine(nullptr);
    ReadMainSection(machine, g_state);
}

SetupApp::~SetupApp() {
    UnregisterClassA(kWindowClass, m_hInstance);
}

BOOL SetupApp::InitInstance(HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = m_hInstance;
    windowClass.hIcon = LoadIconA(m_hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(nullptr, "실행할 수 없음", "윈도우 클래스 등록 실패", MB_ICONERROR);
        return FALSE;
    }

    int width = GetSystemMetrics(SM_CXFULLSCREEN);
    int height = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
    std::string title = WindowTitle(g_state.productName, g_state.productVersion);
    m_hWnd = CreateWindowExA(0, kWindowClass, title.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, width,
                             height, nullptr, nullptr, m_hInstance, nullptr);
    if (!m_hWnd) {
        MessageBoxA(nullptr, "메인 윈도우 생성실패", "윈도우 생성", MB_ICONERROR);
        return FALSE;
    }
    ShowWindow(m_hWnd, showCommand);
    UpdateWindow(m_hWnd);

    m_hAccel = LoadAcceleratorsA(m_hInstance, MAKEINTRESOURCEA(IDR_ACCEL));
    if (!m_hAccel) MessageBoxA(m_hWnd, "Accelerator 로드 실패", "Accelerator", MB_ICONERROR);
    return TRUE;
}

int SetupApp::Run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        if (!TranslateAcceleratorA(m_hWnd, m_hAccel, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

static LRESULT OnEraseBackground(HWND hWnd, HDC hdc) {
    if (!PaintBackdrop(hWnd, hdc)) {
        RECT client;
        GetClientRect(hWnd, &client);
        ScopedGdiObject black(CreateSolidBrush(RGB(0, 0, 0)));
        FillRect(hdc, &client, static_cast<HBRUSH>(black.Get()));
    }
    return 1;
}

static LRESULT OnPaint(HWND hWnd) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hWnd, &paint);
    PaintTitleLines(hdc);
    EndPaint(hWnd, &paint);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        PostMessageA(hWnd, WM_COMMAND, FirstCommand(), 0);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        return OnPaint(hWnd);
    case WM_ERASEBKGND:
        return OnEraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
        OnInstallCommand(hWnd, wParam, lParam);
        break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
