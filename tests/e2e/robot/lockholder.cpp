// A program running beside the setup while it installs: keeps one file open
// without sharing, so that nobody can replace or delete it, and writes down
// the end-of-session messages its hidden window receives (a restart request
// sends them to every window). It lets the file go when the setup has ended.
//
//   lockholder.exe <file to hold> <ready marker> <session log> [seconds] [linger]
//
// The ready marker is created once the file is held. The program waits for
// a process named Setup.exe to appear and end, or gives up after the time
// limit (120 seconds by default; exit code 3). It then stays "linger" seconds
// longer (default 0) to receive the messages of a restart that the setup
// requested just before it ended; the system may end it meanwhile.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static FILE* g_sessionLog;

static void Note(const char* text) {
    fprintf(g_sessionLog, "%s\n", text);
    fflush(g_sessionLog);
}

static LRESULT CALLBACK WatchWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        Note("WM_QUERYENDSESSION");
        return TRUE;
    }
    if (message == WM_ENDSESSION) {
        Note(wParam ? "WM_ENDSESSION TRUE" : "WM_ENDSESSION FALSE");
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

static HWND CreateWatchWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WatchWndProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BenchLockHolder";
    RegisterClassW(&windowClass);
    return CreateWindowW(L"BenchLockHolder", L"lock holder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

// A handle to the running setup, or null while there is none.
static HANDLE OpenSetupProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    HANDLE process = nullptr;
    for (BOOL more = Process32First(snapshot, &entry); more && !process; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, "Setup.exe") == 0)
            process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    CloseHandle(snapshot);
    return process;
}

static void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Keeps the window answering for a while.
static void Linger(DWORD ms) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
}

// Waits until the setup has come and gone; false at the time limit.
static bool WaitForSetup(DWORD limitMs) {
    DWORD started = GetTickCount();
    HANDLE setup = nullptr;
    while (GetTickCount() - started < limitMs) {
        if (!setup) setup = OpenSetupProcess();
        DWORD count = setup ? 1 : 0;
        DWORD wait = MsgWaitForMultipleObjects(count, setup ? &setup : nullptr, FALSE, 50, QS_ALLINPUT);
        if (setup && wait == WAIT_OBJECT_0) {
            CloseHandle(setup);
            return true;
        }
        PumpMessages();
    }
    if (setup) CloseHandle(setup);
    return false;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: lockholder <file> <ready marker> <session log> [seconds] [linger]\n");
        return 2;
    }
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "lockholder: cannot open %s (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    g_sessionLog = fopen(argv[3], "wb");
    if (!g_sessionLog) return 2;
    CreateWatchWindow();
    FILE* marker = fopen(argv[2], "wb");
    if (!marker) return 2;
    fclose(marker);
    DWORD limitMs = static_cast<DWORD>(argc > 4 ? atoi(argv[4]) : 120) * 1000;
    bool ended = WaitForSetup(limitMs);
    CloseHandle(held);
    Note(ended ? "released after the setup ended" : "released at the time limit");
    if (ended && argc > 5) Linger(static_cast<DWORD>(atoi(argv[5])) * 1000);
    fclose(g_sessionLog);
    return ended ? 0 : 3;
}
