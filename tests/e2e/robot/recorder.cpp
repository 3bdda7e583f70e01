// A program for the setup to start: appends to a log (UTF-8) the time it
// started and its whole command line, and the time it ended.
//
//   recorder.exe <log file> [sleep=<ms>] [watch=<ms>] [anything else]
//
// sleep=<ms> keeps it running that long. watch=<ms> looks, for up to that
// long, for the setup's completion message ("설치 완료") and notes whether it
// came while the recorder ran, which tells a program that was waited for from
// one that was not. Each log line begins with the local time (hh:mm:ss.mmm).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static std::string ToUtf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return "";
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(size - 1);
    return out;
}

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

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* logFile = argv[1];
    std::string commandLine = ToUtf8(GetCommandLineW());
    Append(logFile, "start " + commandLine);
    for (int i = 2; i < argc; ++i) {
        if (strncmp(argv[i], "sleep=", 6) == 0) Sleep(static_cast<DWORD>(atoi(argv[i] + 6)));
        if (strncmp(argv[i], "watch=", 6) == 0) {
            bool seen = WatchForCompletionMessage(static_cast<DWORD>(atoi(argv[i] + 6)));
            Append(logFile, seen ? "completion message seen" : "completion message not seen");
        }
    }
    Append(logFile, "end " + commandLine);
    return 0;
}
