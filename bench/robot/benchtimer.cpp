// The stopwatch of the copy benchmark: starts a program and, while it runs,
// notes when its windows appear, then prints the times in milliseconds after
// the start of the process.
//
//   benchtimer.exe [--seen <windows path>] [--until-copy | --until-file <windows path>] <program> [arguments...]
//
// With --seen the timer makes that file once it has seen both the painted
// backdrop and the copy dialog (the bench may hold the program until then).
// With --until-copy the program is ended as soon as the copy dialog shows;
// with --until-file as soon as that file exists (the first package file at
// its destination: the copy has started), printing "file_ms" too.
// "peak_working_set_kb" is the program's peak working set when it was ended
// (-1 when it ended by itself).
//
// Prints "backdrop_shown_ms", "backdrop_painted_ms" (the backdrop is visible
// and has nothing left to paint), "copy_shown_ms", "copy_gone_ms" (the copy
// dialog 106 visible, then hidden or destroyed), "exit_ms" and "exit_code";
// a time that never came is -1. The setup must run unattended: any other
// window (a message box, the folder dialog) is printed as "unexpected <title>
// | <texts>", the program is ended and the timer exits with 3.
// GetProcessMemoryInfo from kernel32 (K32GetProcessMemoryInfo), no psapi.dll.
#define PSAPI_VERSION 2
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "resource.h"
#include "utf8.h"

static std::string WindowTextOf(HWND hWnd) {
    wchar_t text[512] = L"";
    GetWindowTextW(hWnd, text, 512);
    return ToUtf8(text);
}

struct Watch {
    DWORD processId = 0;
    LARGE_INTEGER start{};
    double backdropShown = -1, backdropPainted = -1, copyShown = -1, copyGone = -1;
    bool copyVisibleNow = false;
    HWND copyDialog = nullptr;
    std::string unexpected;
};

static double Elapsed(const Watch& watch) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - watch.start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static std::string Describe(HWND hWnd) {
    std::string text = WindowTextOf(hWnd);
    for (HWND child = GetWindow(hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string part = WindowTextOf(child);
        if (!part.empty()) text += " | " + part;
    }
    return text;
}

static void NoteWindow(HWND hWnd, Watch& watch) {
    char className[64] = "";
    GetClassNameA(hWnd, className, sizeof className);
    std::string name = className;
    if (name == SETUP_WINDOW_CLASS) {
        if (watch.backdropShown < 0) watch.backdropShown = Elapsed(watch);
        if (watch.backdropPainted < 0 && !GetUpdateRect(hWnd, nullptr, FALSE)) watch.backdropPainted = Elapsed(watch);
    } else if (GetDlgItem(hWnd, IDC_PROGRESS)) {
        watch.copyVisibleNow = true;
        if (watch.copyShown < 0) {
            watch.copyShown = Elapsed(watch);
            watch.copyDialog = hWnd;
        }
    } else if (watch.unexpected.empty()) {
        watch.unexpected = Describe(hWnd);
    }
}

static BOOL CALLBACK OnTopWindow(HWND hWnd, LPARAM lParam) {
    Watch& watch = *reinterpret_cast<Watch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (processId == watch.processId && IsWindowVisible(hWnd)) NoteWindow(hWnd, watch);
    return TRUE;
}

// While the copy dialog is up only it is looked at, every poll; the other
// windows (a message box that would stop an unattended run) are looked for
// every kFullScanPolls polls. Each look asks the window system about the
// program's windows, and the copy stage is what is being timed.
constexpr int kFullScanPolls = 25;

static void Poll(Watch& watch, int poll) {
    if (watch.copyDialog && watch.copyGone < 0 && poll % kFullScanPolls != 0) {
        if (!IsWindowVisible(watch.copyDialog)) watch.copyGone = Elapsed(watch);
        return;
    }
    watch.copyVisibleNow = false;
    EnumWindows(OnTopWindow, reinterpret_cast<LPARAM>(&watch));
    if (watch.copyShown >= 0 && watch.copyGone < 0 && !watch.copyVisibleNow) watch.copyGone = Elapsed(watch);
}

static std::string CommandLineOf(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += '"';
        line += argv[i];
        line += '"';
    }
    return line;
}

// The peak working set of a running program, in KiB; -1 when it cannot be read.
static long PeakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

int main(int argc, char** argv) {
    std::string seenFile;
    if (argc > 2 && std::string(argv[1]) == "--seen") {
        seenFile = argv[2];
        argc -= 2;
        argv += 2;
    }
    bool untilCopy = argc > 1 && std::string(argv[1]) == "--until-copy";
    if (untilCopy) {
        --argc;
        ++argv;
    }
    std::string untilFile;
    if (argc > 2 && std::string(argv[1]) == "--until-file") {
        untilFile = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) {
        fprintf(stderr, "usage: benchtimer.exe [--until-copy] <program> [arguments...]\n");
        return 2;
    }
    std::string commandLine = CommandLineOf(argc, argv);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    Watch watch;
    QueryPerformanceCounter(&watch.start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        fprintf(stderr, "cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    watch.processId = process.dwProcessId;
    // The program is ended once; its windows may linger until it is gone.
    // The file is looked for before the windows: a message about the next
    // file can only come after it.
    bool ending = false;
    double fileSeen = -1;
    long peakKb = -1;
    for (int poll = 0; WaitForSingleObject(process.hProcess, 2) == WAIT_TIMEOUT; ++poll) {
        if (ending) continue;
        if (!untilFile.empty() && GetFileAttributesA(untilFile.c_str()) != INVALID_FILE_ATTRIBUTES)
            fileSeen = Elapsed(watch);
        if (fileSeen < 0) Poll(watch, poll);
        if (!seenFile.empty() && watch.backdropPainted >= 0 && watch.copyShown >= 0) {
            if (FILE* seen = fopen(seenFile.c_str(), "wb")) fclose(seen);
            seenFile.clear();
        }
        // The message about the next file (which has none behind its name)
        // may have come between the look for the file and the look at the
        // windows: the copy had started.
        if (!watch.unexpected.empty() && !untilFile.empty() &&
            GetFileAttributesA(untilFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            fileSeen = Elapsed(watch);
            watch.unexpected.clear();
        }
        // A message that comes after the point being timed (the copy dialog
        // with --until-copy) is not this run's business.
        const bool reached = (untilCopy && watch.copyShown >= 0) || fileSeen >= 0;
        if (reached) watch.unexpected.clear();
        if (reached || !watch.unexpected.empty()) {
            peakKb = PeakWorkingSetKb(process.hProcess);
            TerminateProcess(process.hProcess, watch.unexpected.empty() ? 0 : 3);
            ending = true;
        }
    }
    double exited = Elapsed(watch);
    if (watch.copyShown >= 0 && watch.copyGone < 0) watch.copyGone = exited;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    fflush(stdout);
    printf("backdrop_shown_ms %.1f\nbackdrop_painted_ms %.1f\ncopy_shown_ms %.1f\ncopy_gone_ms %.1f\n",
           watch.backdropShown, watch.backdropPainted, watch.copyShown, watch.copyGone);
    printf("exit_ms %.1f\nexit_code %ld\n", exited, static_cast<long>(exitCode));
    printf("file_ms %.1f\npeak_working_set_kb %ld\n", fileSeen, peakKb);
    if (!watch.unexpected.empty()) {
        printf("unexpected %s\n", watch.unexpected.c_str());
        return 3;
    }
    return 0;
}
