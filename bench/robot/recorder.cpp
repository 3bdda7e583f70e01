// A program for the setup to start: appends to a log (UTF-8) the time it
// started and its whole command line, and the time it ended.
//
//   recorder.exe <log file> [sleep=<ms>] [watch=<ms>] [outlive=<ms>] [cwd]
//                [notice] [anything else]
//
// sleep=<ms> keeps it running that long. watch=<ms> looks, for up to that
// long, for the setup's completion message ("설치 완료") and notes whether it
// came while the recorder ran. outlive=<ms> waits up to that long for the
// program that started it to end and notes whether it did: a setup that
// waits for the recorder cannot end first. cwd notes the current directory,
// notice whether the shortcut notice dialog is open. Each log line begins
// with the local time (hh:mm:ss.mmm).
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utf8.h"

static std::string Now() {
    SYSTEMTIME time;
    GetLocalTime(&time);
    char text[32];
    snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

// One line per write, appended, so that recorders running side by side keep
// their lines whole.
static void Append(const char* logFile, const std::string& text) {
    std::string line = Now() + " " + text + "\n";
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(logFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}

static bool CompletionMessageShown() {
    return FindWindowW(L"#32770", L"\uC124\uCE58 \uC644\uB8CC") != nullptr;  // "설치 완료"
}

static bool WatchForCompletionMessage(DWORD milliseconds) {
    DWORD started = GetTickCount();
    do {
        if (CompletionMessageShown()) return true;
        Sleep(5);
    } while (GetTickCount() - started < milliseconds);
    return false;
}

static DWORD ParentProcessId() {
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

static bool ParentEndsWithin(DWORD milliseconds) {
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, ParentProcessId());
    if (!parent) return true;  // already gone
    bool ended = WaitForSingleObject(parent, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(parent);
    return ended;
}

static BOOL CALLBACK FindNotice(HWND hWnd, LPARAM found) {
    wchar_t text[64] = L"";
    for (HWND child = GetWindow(hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetWindowTextW(child, text, 64);
        if (wcscmp(text, L"\uB2E8\uCD95 \uC544\uC774\uCF58\uC744 \uB9CC\uB4DC\uB294 \uC911\uC785\uB2C8\uB2E4.") == 0 &&
            IsWindowVisible(hWnd)) {
            *reinterpret_cast<bool*>(found) = true;  // "단축 아이콘을 만드는 중입니다."
            return FALSE;
        }
    }
    return TRUE;
}

static bool NoticeOpen() {
    bool found = false;
    EnumWindows(FindNotice, reinterpret_cast<LPARAM>(&found));
    return found;
}

static void Note(const char* logFile, const char* option) {
    if (strncmp(option, "sleep=", 6) == 0) Sleep(static_cast<DWORD>(atoi(option + 6)));
    if (strncmp(option, "watch=", 6) == 0) {
        bool seen = WatchForCompletionMessage(static_cast<DWORD>(atoi(option + 6)));
        Append(logFile, seen ? "completion message seen" : "completion message not seen");
    }
    if (strncmp(option, "outlive=", 8) == 0)
        Append(logFile, ParentEndsWithin(static_cast<DWORD>(atoi(option + 8))) ? "setup ended first" : "setup still running");
    if (strcmp(option, "cwd") == 0) {
        wchar_t folder[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, folder);
        Append(logFile, "cwd " + ToUtf8(folder));
    }
    if (strcmp(option, "notice") == 0) Append(logFile, NoticeOpen() ? "notice open" : "notice closed");
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* logFile = argv[1];
    std::string commandLine = ToUtf8(GetCommandLineW());
    Append(logFile, "start " + commandLine);
    for (int i = 2; i < argc; ++i) Note(logFile, argv[i]);
    Append(logFile, "end " + commandLine);
    return 0;
}
