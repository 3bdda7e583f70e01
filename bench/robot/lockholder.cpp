// A program running beside the setup while it installs: keeps one file open
// without sharing, so that nobody can replace or delete it, and writes down
// the end-of-session messages its hidden window receives (a restart request
// sends them to every window). It lets the file go when the bench says the
// setup has ended.
//
//   lockholder.exe <file to hold> <ready marker> <session log> <release marker> [session]
//
// The ready marker is created once the file is held; the file is let go when
// the release marker appears (the bench makes it once the setup has ended).
// With "session" the program then also waits until it has received the end
// of the session that the setup's restart request brings, and notes it. Both
// waits end, as a last resort, after two minutes (exit code 3), and the log
// says which condition never came.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static FILE* g_sessionLog;
static bool g_sessionEnded;

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
        g_sessionEnded = true;
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

static void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

static bool FileExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Answers the window's messages until the condition holds; false at the limit.
template <typename Condition>
static bool WaitUntil(Condition condition, DWORD limitMs) {
    DWORD started = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - started > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: lockholder <file> <ready marker> <session log> <release marker> [session]\n");
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
    const DWORD limitMs = 120000;
    const char* release = argv[4];
    bool released = WaitUntil([&] { return FileExists(release); }, limitMs);
    CloseHandle(held);
    Note(released ? "released after the setup ended" : "released at the time limit: the setup never ended");
    bool session = argc > 5 && strcmp(argv[5], "session") == 0;
    bool ended = !session || WaitUntil([] { return g_sessionEnded; }, limitMs);
    if (!ended) Note("no end of the session came");
    fclose(g_sessionLog);
    return released && ended ? 0 : 3;
}
