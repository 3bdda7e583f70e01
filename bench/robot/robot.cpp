// The test bench's robot: starts Setup.exe, watches its top-level windows,
// answers message boxes and dialogs as the scenario says, and writes what it
// saw to a transcript (UTF-8), ending with the setup's 32-bit exit code.
//
//   robot.exe <setup.exe> <answers file> <transcript file> [timeout seconds] [preview]
//
// With "preview" (and for the actions "shot <name>" and "shot-backdrop
// <name>") the robot asks the bench for pictures of the screen through
// request files in "shots\" beside the transcript.
//
// Each answer line is "<kind> <action>": kind is box, 104, 106 or 107, and it
// is taken only by a window of that kind. A line "drive <X:> <type>" is a
// condition of the start instead: the setup is started only once the drive
// shows that GetDriveType type (the prefix's services set drive types while
// they start, which may be after the first program has); it is also started
// only once the prefix's desktop window is there (see WaitForDesktop). A window is acted
// on only once its texts are set (see WaitUntilSettled). Windows of kinds 106 and 107 need no
// answer; a box or folder dialog without a matching answer is logged with
// "-> ?" and the setup is ended there, since the run has left its script.
//
// A line "auto <limit>" makes the robot answer every box and folder dialog
// that no answer line takes, as a player who goes on wherever he can: a box
// with Yes, else OK; the folder dialog with OK the first time and Cancel
// whenever it is shown again (the player gives up where the setup asks
// again). The same window answered more than <limit> times is a loop that
// the robot cannot leave: it says so and ends the setup.
#include <windows.h>

#include <commctrl.h>  // the progress bar's messages

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource.h"
#include "utf8.h"

#define ID_TEXT(id) ID_TEXT_(id)
#define ID_TEXT_(id) #id
static const std::string kFolderKind = ID_TEXT(IDD_SELECT_FOLDER);
static const std::string kCopyKind = ID_TEXT(IDD_COPY_PROGRESS);
static const std::string kNoticeKind = ID_TEXT(IDD_SHORTCUTS);

static std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return L"";
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

static std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

static std::string WindowText(HWND hWnd) {
    int length = GetWindowTextLengthW(hWnd);
    std::wstring text(length + 1, L'\0');
    GetWindowTextW(hWnd, &text[0], length + 1);
    text.resize(wcslen(text.c_str()));
    return ToUtf8(text);
}

// The text an edit control holds: GetWindowText on another process's window
// gives only the text it was created with, so the control is asked itself.
static std::string EditText(HWND hWnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return "";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    text.resize(wcslen(text.c_str()));
    return ToUtf8(text);
}

static std::string ClassOf(HWND hWnd) {
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

struct Answer {
    std::string kind;
    std::string action;
};

static FILE* g_transcript;
static std::vector<Answer> g_answers;
static size_t g_nextAnswer;
static DWORD g_setupProcessId;
static HWND g_backdrop;

// "auto": see the top of the file.
static int g_autoLimit;          // 0: no automatic answers
static int g_folderDialogsAnswered;
static std::map<std::string, int> g_answeredTimes;
static bool g_looping;           // a window came back more often than g_autoLimit

static void Log(const std::string& line) {
    fprintf(g_transcript, "%s\n", line.c_str());
    fflush(g_transcript);
}

static std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Kinds: "box" (message box) and the three dialogs by their resource ids, as
// the transcript names them: "104" (folder), "106" (copy), "107" (notice).
static std::string KindOf(HWND hWnd) {
    if (GetDlgItem(hWnd, IDC_FOLDER_EDIT)) return kFolderKind;
    if (GetDlgItem(hWnd, IDC_PROGRESS)) return kCopyKind;
    for (HWND child : Children(hWnd))
        if (ClassOf(child) == "Button" && (GetWindowLongW(child, GWL_STYLE) & 0x0F) != BS_GROUPBOX) return "box";
    return kNoticeKind;
}

static std::string StaticTexts(HWND hWnd) {
    std::string joined;
    for (HWND child : Children(hWnd)) {
        if (ClassOf(child) != "Static") continue;
        std::string text = WindowText(child);
        if (text.empty()) continue;
        if (!joined.empty()) joined += "\" \"";
        joined += Escape(text);
    }
    return joined;
}

static std::string Describe(HWND hWnd, const std::string& kind) {
    std::string caption = Escape(WindowText(hWnd));
    if (kind == "box") return "box \"" + caption + "\" \"" + StaticTexts(hWnd) + "\"";
    if (kind == kFolderKind)
        return "dialog " + kFolderKind + " \"" + caption + "\" edit=\"" + Escape(EditText(GetDlgItem(hWnd, IDC_FOLDER_EDIT))) + "\" intro=\"" +
               Escape(WindowText(GetDlgItem(hWnd, IDC_INTRO_TEXT))) + "\"";
    if (kind == kCopyKind)
        return "dialog " + kCopyKind + " \"" + caption + "\" path=\"" + Escape(WindowText(GetDlgItem(hWnd, IDC_PATH_TEXT))) + "\"";
    return "dialog " + kNoticeKind + " \"" + StaticTexts(hWnd) + "\"";
}

// True once the setup's thread has come back to reading its messages since
// the window was made: the handler that sets a dialog's texts (WM_INITDIALOG)
// is over, and so is whatever the thread was doing when it was asked.
static bool ThreadAnswers(HWND hWnd, UINT waitMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, waitMs, &result) != 0;
}

// The texts the setup always gives a window of this kind are there: the
// format of a caption or intro ("%s") has been filled in, and the texts that
// are never empty are not.
static bool TextsSet(HWND hWnd, const std::string& kind) {
    std::string caption = WindowText(hWnd);
    if (kind == kCopyKind)
        return !caption.empty() && caption.find('%') == std::string::npos &&
               !WindowText(GetDlgItem(hWnd, IDC_PATH_TEXT)).empty();
    if (kind == kFolderKind) {
        std::string intro = WindowText(GetDlgItem(hWnd, IDC_INTRO_TEXT));
        return !caption.empty() && !intro.empty() && intro.find('%') == std::string::npos;
    }
    return !StaticTexts(hWnd).empty();  // a box's message, the notice's text
}

// Waits until the window is settled: its thread has answered (the window's
// setup is over) or, for a thread that stays busy (the copy loop), the texts
// show it. False when the window went away meanwhile. The limit is a last
// resort, and the transcript then says which window never settled.
static bool WaitUntilSettled(HWND hWnd, const std::string& kind) {
    DWORD started = GetTickCount();
    for (;;) {
        if (!IsWindow(hWnd)) return false;
        if (kind != kNoticeKind && ThreadAnswers(hWnd, 50)) return IsWindowVisible(hWnd) != FALSE;
        if (TextsSet(hWnd, kind)) return true;
        if (GetTickCount() - started > 60000) {
            Log("robot: the texts of this window were never set: " + Describe(hWnd, kind));
            return true;
        }
        Sleep(10);
    }
}

static void Press(HWND hWnd, int id) {
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hWnd, id)));
}

// ---- pictures: the test bench takes them from outside Wine (Xvfb) ----
static std::string g_shotFolder;  // "shots\" beside the transcript
static int g_gatesOpened;
static bool g_preview;            // a picture of every window as it appears
static int g_shotCount;

static bool FileExists(const std::string& path) {
    return GetFileAttributesW(FromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The backdrop, also when a window over it is handled before the backdrop
// itself has been seen (windows are visited from the top down).
static HWND BackdropWindow() {
    return g_backdrop ? g_backdrop : FindWindowA(SETUP_WINDOW_CLASS, nullptr);
}

// Asks the bench for a picture of the screen, telling it where the backdrop's
// client area lies, and waits until the picture is taken.
// Every window of the setup is painted and its drawing has left for the X
// server: the setup's windows are painted now (the call returns once their
// thread has done it), and the thread has then come back to waiting for its
// messages, which is where Wine hands its drawing to the X server.
static void SettleDrawing(HWND hWnd) {
    HWND backdrop = BackdropWindow();
    for (HWND window : {backdrop, hWnd}) {
        if (!window || !IsWindow(window)) continue;
        RedrawWindow(window, nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
        ThreadAnswers(window, 60000);
    }
}

// settle: false while the setup stands stopped in a gate, where nothing may
// be asked of its windows (the question would wait for it); its windows were
// painted and handed to the X server before it was stopped.
static void TakeShot(const std::string& name, HWND hWnd = nullptr, bool settle = true) {
    if (settle) SettleDrawing(hWnd);
    RECT client = {};
    POINT origin = {0, 0};
    if (HWND backdrop = BackdropWindow()) {
        GetClientRect(backdrop, &client);
        ClientToScreen(backdrop, &origin);
    }
    CreateDirectoryA(g_shotFolder.c_str(), nullptr);
    std::string base = g_shotFolder + name;  // UTF-8: a name may hold the window's Korean title
    FILE* request = _wfopen(FromUtf8(base + ".tmp").c_str(), L"wb");
    if (!request) {
        Log("robot: cannot ask for picture " + name);
        return;
    }
    fprintf(request, "%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    fclose(request);
    MoveFileW(FromUtf8(base + ".tmp").c_str(), FromUtf8(base + ".req").c_str());
    for (int waited = 0; !FileExists(base + ".done"); waited += 50) {
        if (waited > 30000) {
            Log("robot: no picture " + name);
            return;
        }
        Sleep(50);
    }
}

// The backdrop alone: the window being answered moves out of sight while the
// backdrop repaints and the picture is taken, then comes back.
static void TakeBackdropShot(HWND hWnd, const std::string& name) {
    RECT rect;
    GetWindowRect(hWnd, &rect);
    SetWindowPos(hWnd, nullptr, -10000, -10000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Erased and painted now: the call returns once the setup's thread has done both.
    if (HWND backdrop = BackdropWindow())
        RedrawWindow(backdrop, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_ERASENOW | RDW_UPDATENOW);
    TakeShot(name);
    SetWindowPos(hWnd, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A key pressed on the window that has the keyboard focus in the setup's
// thread, so that the dialog manager sees it as the player's key.
static void PressKey(HWND hWnd, UINT key) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = hWnd;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

static int ButtonId(const std::string& name) {
    if (name == "ok") return IDOK;
    if (name == "cancel") return IDCANCEL;
    if (name == "yes") return IDYES;
    if (name == "no") return IDNO;
    if (name == "browse") return IDC_BROWSE;
    return 0;
}

// ---- the copy dialog's progress bar, read while the copy runs ----
// The action "watch-progress" (on the copy dialog) reads the bar's position
// and range again and again from a thread of its own until the dialog is
// gone. A question waits in the setup's queue until the copy loop looks after
// its window, so every look answers one, and the look after the last file
// answers with the final position. Before the next window is described the
// transcript gets
//   progress range 0-<high>, never back, ends at <position>
// with "back from <a> to <b>" for "never back" when the position went back.
struct ProgressWatch {
    HWND dialog = nullptr;
    HWND bar = nullptr;
    HANDLE thread = nullptr;
    int high = -1;
    int last = -1;
    int backFrom = -1;
    int backTo = -1;
    volatile LONG readings = 0;  // also read by the robot's own thread while it runs
};
static ProgressWatch g_progress;

static DWORD WINAPI ReadProgress(LPVOID) {
    for (;;) {
        DWORD_PTR position = 0;
        DWORD_PTR high = 0;
        if (!SendMessageTimeoutW(g_progress.bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000, &position) ||
            !SendMessageTimeoutW(g_progress.bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 60000, &high))
            return 0;
        const int now = static_cast<int>(position);
        if (now < g_progress.last && g_progress.backFrom < 0) {
            g_progress.backFrom = g_progress.last;
            g_progress.backTo = now;
        }
        g_progress.last = now;
        g_progress.high = static_cast<int>(high);
        InterlockedIncrement(&g_progress.readings);
    }
}

static void StartProgressWatch(HWND dialog) {
    if (g_progress.thread) return;
    g_progress.dialog = dialog;
    g_progress.bar = GetDlgItem(dialog, IDC_PROGRESS);
    g_progress.thread = CreateThread(nullptr, 0, ReadProgress, nullptr, 0, nullptr);
    if (!g_progress.thread) Log("robot: cannot watch the progress bar");
}

// A question over the watched dialog holds the copy: before it is answered
// the bar is read twice more, the second time by a question sent after the
// question appeared, so that the transcript holds the position under it.
static void AwaitProgressReadings(LONG count) {
    const LONG target = g_progress.readings + count;
    for (int waited = 0; g_progress.readings < target && waited < 60000; waited += 5) {
        if (WaitForSingleObject(g_progress.thread, 5) != WAIT_TIMEOUT) return;
    }
}

// Once the watched dialog is gone (or the setup has ended), its reading ends
// and the transcript says what it saw.
static void EndProgressWatch(bool setupEnded) {
    if (!g_progress.thread || (!setupEnded && IsWindow(g_progress.dialog))) return;
    if (WaitForSingleObject(g_progress.thread, 60000) != WAIT_OBJECT_0) Log("robot: the progress reading did not end");
    CloseHandle(g_progress.thread);
    g_progress.thread = nullptr;
    std::string line = "progress range 0-" + std::to_string(g_progress.high) + ", ";
    if (g_progress.backFrom < 0) line += "never back";
    else line += "back from " + std::to_string(g_progress.backFrom) + " to " + std::to_string(g_progress.backTo);
    Log(line + ", ends at " + std::to_string(g_progress.last));
    Log("progress readings " + std::to_string(g_progress.readings));
}

// "wait-gate": returns once the copy stands in the next gate file of the
// medium (the bench writes gate<n>.reached beside the transcript when it has
// stopped the setup there), or once the setup has ended.
static HANDLE g_setupProcess;

// Whether the robot ended the setup itself (the action "kill", a time limit,
// a window the scenario does not answer). Wine gives a program ended so the
// exit code 0, as if it had finished: the transcript ends with "killed"
// instead of an exit code, so that no run that was cut short passes for one
// that finished.
static bool g_killed;
static void KillSetup() {
    g_killed = true;
    TerminateProcess(g_setupProcess, 0xDEAD);
}

// "wait-size <path> <bytes>": returns once the file holds at least that many
// bytes (a copy is under way in it), or once the setup has ended.
static void WaitForSize(const std::string& args) {
    const size_t blank = args.rfind(' ');
    const std::wstring path = FromUtf8(args.substr(0, blank));
    const unsigned long long wanted = blank == std::string::npos ? 0 : _strtoui64(args.c_str() + blank + 1, nullptr, 10);
    for (;;) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) >= wanted)
            return;
        if (WaitForSingleObject(g_setupProcess, 5) != WAIT_TIMEOUT) {
            Log("robot: the setup ended before " + args);
            return;
        }
    }
}

// "wait-value <key> <name>": returns once the registry value is there (the
// registry step is under way), or once the setup has ended. The key begins
// with the root's full name, as in a script: HKEY_CURRENT_USER\Software\X.
static HKEY RootKey(const std::string& name) {
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKEY_USERS") return HKEY_USERS;
    if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    return nullptr;
}

static void WaitForValue(const std::string& args) {
    const size_t blank = args.rfind(' ');
    const std::string path = args.substr(0, blank);
    const std::string name = blank == std::string::npos ? "" : args.substr(blank + 1);
    const size_t slash = path.find('\\');
    HKEY root = RootKey(path.substr(0, slash));
    const std::wstring subKey = FromUtf8(slash == std::string::npos ? "" : path.substr(slash + 1));
    if (!root) {
        Log("robot: wait-value: unknown root in " + args);
        return;
    }
    for (;;) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            const LONG found = RegQueryValueExW(key, FromUtf8(name).c_str(), nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
            if (found == ERROR_SUCCESS) return;
        }
        if (WaitForSingleObject(g_setupProcess, 1) != WAIT_TIMEOUT) {
            Log("robot: the setup ended before " + args);
            return;
        }
    }
}

static void WaitAtGate() {
    std::string reached = g_shotFolder.substr(0, g_shotFolder.size() - 6) + "gate" +
                          std::to_string(g_gatesOpened + 1) + ".reached";
    while (!FileExists(reached)) {
        if (WaitForSingleObject(g_setupProcess, 20) != WAIT_TIMEOUT) {
            Log("robot: the setup ended before gate " + std::to_string(g_gatesOpened + 1));
            return;
        }
    }
}

// The copy may go on past the next gate file of the medium.
static void OpenGate() {
    std::string signal = g_shotFolder.substr(0, g_shotFolder.size() - 6) + "gate" +
                         std::to_string(++g_gatesOpened) + ".open";
    FILE* file = fopen(signal.c_str(), "wb");
    if (file) fclose(file);
    else Log("robot: cannot open gate " + std::to_string(g_gatesOpened));
}

// Carries out one action; several are separated by ';' (for example
// "set C:\Games;ok" on the folder dialog).
static void Perform(HWND hWnd, const std::string& actions) {
    size_t start = 0;
    while (start <= actions.size()) {
        size_t end = actions.find(';', start);
        if (end == std::string::npos) end = actions.size();
        std::string action = actions.substr(start, end - start);
        while (!action.empty() && action[0] == ' ') action.erase(0, 1);
        if (action.compare(0, 4, "set ") == 0) {
            SetWindowTextW(GetDlgItem(hWnd, IDC_FOLDER_EDIT), FromUtf8(action.substr(4)).c_str());
        } else if (action.compare(0, 7, "delete ") == 0) {
            // A file of the medium taken away while the setup waits for the answer.
            if (!DeleteFileW(FromUtf8(action.substr(7)).c_str())) Log("robot: cannot delete " + action.substr(7));
        } else if (action == "close") {
            PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (action.compare(0, 5, "shot ") == 0) {
            TakeShot(action.substr(5), hWnd);
        } else if (action.compare(0, 14, "shot-backdrop ") == 0) {
            TakeBackdropShot(hWnd, action.substr(14));
        } else if (action == "watch-progress") {
            StartProgressWatch(hWnd);
        } else if (action == "esc" || action == "enter") {
            PressKey(hWnd, action == "esc" ? VK_ESCAPE : VK_RETURN);
        } else if (action == "close-backdrop") {
            PostMessageW(g_backdrop, WM_CLOSE, 0, 0);
        } else if (action == "wait-gate") {
            WaitAtGate();
        } else if (action == "open-gate") {
            OpenGate();
        } else if (action.compare(0, 11, "wait-value ") == 0) {
            WaitForValue(action.substr(11));
        } else if (action.compare(0, 10, "wait-size ") == 0) {
            WaitForSize(action.substr(10));
        } else if (action == "kill") {
            KillSetup();
        } else if (action == "wait" || action.empty()) {
        } else if (int id = ButtonId(action)) {
            Press(hWnd, id);
        } else {
            Log("robot: unknown action " + action);
        }
        start = end + 1;
    }
}

// ---- preview: a picture of every window, named after what it shows ----

// A window title as part of a file name: the characters Windows refuses in
// a name, blanks and control characters become '-' (one for a run of them),
// cut to 48 bytes on a character's boundary.
static std::string NamePart(const std::string& title) {
    std::string part;
    for (char c : title) {
        bool refused = static_cast<unsigned char>(c) <= ' ' || std::string("\\/:*?\"<>|.").find(c) != std::string::npos;
        if (!refused) part += c;
        else if (!part.empty() && part.back() != '-') part += '-';
    }
    size_t end = part.size() > 48 ? 48 : part.size();
    while (end > 0 && end < part.size() && (static_cast<unsigned char>(part[end]) & 0xC0) == 0x80) --end;
    part.resize(end);
    while (!part.empty() && part.back() == '-') part.pop_back();
    return part;
}

// What a picture shows: "folder-dialog", "copy-progress", "notice-<title>"
// or "box-<caption>" (a window without a caption by its first text).
static std::string PictureName(HWND hWnd, const std::string& kind) {
    if (kind == kFolderKind) return "folder-dialog";
    if (kind == kCopyKind) return "copy-progress";
    std::string caption = WindowText(hWnd);
    if (caption.empty())
        for (HWND child : Children(hWnd))
            if (ClassOf(child) == "Static" && caption.empty()) caption = WindowText(child);
    std::string title = NamePart(caption);
    std::string what = kind == "box" ? "box" : "notice";
    return title.empty() ? what : what + "-" + title;
}

// The number of gates the bench set before the copy for its picture (the
// file "hold-copy" in the shots folder, written by the bench's "hold-copy"):
// the copy dialog is pictured while the setup stands in the last of them,
// after the first has let the dialog be painted and handed to the X server.
static int CopyHolds() {
    FILE* file = _wfopen(FromUtf8(g_shotFolder + "hold-copy").c_str(), L"rb");
    if (!file) return 0;
    int holds = 0;
    if (fscanf(file, "%d", &holds) != 1) holds = 0;
    fclose(file);
    return holds;
}

static void TakePreviewShot(HWND hWnd, const std::string& kind) {
    const int holds = kind == kCopyKind ? CopyHolds() : 0;
    // The backdrop's own picture moves the first window away and asks for a
    // repaint: never while the setup stands in a gate.
    if (g_shotCount == 0 && holds == 0) TakeBackdropShot(hWnd, "00-backdrop");
    char number[8];
    snprintf(number, sizeof number, "%02d-", ++g_shotCount);
    const std::string name = number + PictureName(hWnd, kind);
    if (holds == 0) {
        TakeShot(name, hWnd);
        // A window gone by the end of its picture (the shortcut notice lasts
        // as long as the links take) may be missing from it: the bench drops
        // the picture and says so rather than show another window under its name.
        if (!IsWindow(hWnd) || !IsWindowVisible(hWnd)) {
            FILE* gone = _wfopen(FromUtf8(g_shotFolder + name + ".gone").c_str(), L"wb");
            if (gone) fclose(gone);
        }
        return;
    }
    for (int gate = 1; gate < holds; ++gate) {
        WaitAtGate();
        OpenGate();
    }
    WaitAtGate();
    TakeShot(name, hWnd, false);
    OpenGate();
}

// What a player who goes on wherever he can answers (the "auto" line).
static std::string AutomaticAnswer(HWND hWnd, const std::string& kind) {
    if (kind == kFolderKind) return g_folderDialogsAnswered++ == 0 ? "ok" : "cancel";
    return GetDlgItem(hWnd, IDYES) ? "yes" : "ok";
}

static std::set<HWND> g_acted;
static bool g_stopped;  // a window came that the scenario does not answer

// A window over the folder dialog (a question, the folder picker) may be
// answered and gone before the dialog is ever seen disabled. Once that window
// has closed and the setup has had time to end the dialog or keep it, a
// dialog still shown is described again.
static void RecheckFolderDialog(HWND answeredWindow, HWND dialog) {
    for (int waited = 0; IsWindow(answeredWindow) && IsWindowVisible(answeredWindow) && waited < 60000; waited += 10)
        Sleep(10);
    // Once the thread reads its messages again, the answer has been handled
    // and the dialog ended or kept.
    ThreadAnswers(dialog, 60000);
    if (IsWindow(dialog) && IsWindowVisible(dialog)) g_acted.erase(dialog);
}

static void Handle(HWND hWnd) {
    EndProgressWatch(false);
    std::string kind = KindOf(hWnd);
    HWND owner = GetWindow(hWnd, GW_OWNER);
    std::string ownerKind = owner ? KindOf(owner) : "";
    // Right after a question over it is answered, a dialog may still be shown
    // although the setup is ending it: settled, it is gone.
    if (!WaitUntilSettled(hWnd, kind) || !IsWindowVisible(hWnd)) return;
    std::string line = Describe(hWnd, kind);
    if (g_preview) TakePreviewShot(hWnd, kind);
    if (g_progress.thread && owner == g_progress.dialog) AwaitProgressReadings(2);
    bool answered = g_nextAnswer < g_answers.size() && g_answers[g_nextAnswer].kind == kind;
    const bool automatic = !answered && g_autoLimit > 0 && (kind == "box" || kind == kFolderKind);
    if (automatic && ++g_answeredTimes[line] > g_autoLimit) {
        Log("robot: window loop: " + line);
        g_looping = true;
    } else if (answered || automatic) {
        const std::string action = answered ? g_answers[g_nextAnswer++].action : AutomaticAnswer(hWnd, kind);
        answered = true;
        Log(line + " -> " + action);
        Perform(hWnd, action);
    } else if (kind == "box" || kind == kFolderKind) {
        Log(line + " -> ?");
        g_stopped = true;
    } else {
        Log(line);
    }
    g_acted.insert(hWnd);
    if (answered && owner && owner != g_backdrop && ownerKind == kFolderKind) RecheckFolderDialog(hWnd, owner);
    // The copy dialog under an answered question goes on copying: it is seen
    // again once the question has gone, even if no poll caught it disabled.
    if (answered && owner && ownerKind == kCopyKind) g_acted.erase(owner);
}

// The backdrop is logged before the first window over it, although windows
// are visited from the top down.
static void NoteBackdrop() {
    if (g_backdrop) return;
    HWND backdrop = FindWindowA(SETUP_WINDOW_CLASS, nullptr);
    DWORD processId = 0;
    if (backdrop) GetWindowThreadProcessId(backdrop, &processId);
    if (!backdrop || processId != g_setupProcessId || !IsWindowVisible(backdrop)) return;
    g_backdrop = backdrop;
    Log("backdrop \"" + Escape(WindowText(backdrop)) + "\"");
}

static BOOL CALLBACK VisitWindow(HWND hWnd, LPARAM) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (processId != g_setupProcessId || !IsWindowVisible(hWnd)) return TRUE;
    std::string windowClass = ClassOf(hWnd);
    if (windowClass == SETUP_WINDOW_CLASS) {
        if (!g_backdrop) {
            g_backdrop = hWnd;
            Log("backdrop \"" + Escape(WindowText(hWnd)) + "\"");
        }
        return TRUE;
    }
    if (windowClass != "#32770") return TRUE;
    if (!IsWindowEnabled(hWnd)) {
        g_acted.erase(hWnd);  // a box stands over it; it is answered again afterwards
        return TRUE;
    }
    if (!g_acted.count(hWnd)) {
        NoteBackdrop();
        Handle(hWnd);
    }
    return TRUE;
}

static void ForgetClosedWindows() {
    for (auto it = g_acted.begin(); it != g_acted.end();) {
        if (!IsWindow(*it) || !IsWindowVisible(*it)) it = g_acted.erase(it);
        else ++it;
    }
}

struct DriveCondition {
    std::string root;  // "D:\"
    UINT type;
};
static std::vector<DriveCondition> g_driveConditions;

// Waits until every drive named by the scenario shows its type; false, with
// the drive named in the transcript, at the limit (a last resort).
static bool WaitForDrives() {
    for (const DriveCondition& drive : g_driveConditions) {
        DWORD started = GetTickCount();
        while (GetDriveTypeA(drive.root.c_str()) != drive.type) {
            if (GetTickCount() - started > 120000) {
                Log("robot: drive " + drive.root + " never showed type " + std::to_string(drive.type));
                return false;
            }
            Sleep(20);
        }
    }
    return true;
}

// The setup's first window needs the prefix's desktop window, which Wine's
// explorer makes when a process first asks for it; Wine waits only so long
// for that, and on a busy machine the setup's window then cannot be made (it
// ends with exit code 1 and no window). The robot asks for the desktop
// itself and starts the setup only once the desktop is there; false, said in
// the transcript, at the limit. Now and then, under load, Wine's start of a
// prefix never finishes (explorer waits on its services for good): the limit
// is well below the bench's own for a run, so that the bench can start the
// prefix anew (see start_robot in scenario.py).
constexpr DWORD kDesktopLimitMs = 60000;
static bool WaitForDesktop() {
    DWORD started = GetTickCount();
    for (;;) {
        HWND desktop = GetDesktopWindow();
        DWORD owner = 0;
        if (desktop && GetWindowThreadProcessId(desktop, &owner) && owner != 0 && owner != GetCurrentProcessId())
            return true;
        if (GetTickCount() - started > kDesktopLimitMs) {
            Log("robot: the desktop window never came up");
            return false;
        }
        Sleep(20);
    }
}

static bool ReadAnswers(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    char line[4096];
    while (fgets(line, sizeof line, file)) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.empty()) continue;
        size_t space = text.find(' ');
        Answer answer;
        answer.kind = text.substr(0, space);
        answer.action = space == std::string::npos ? "" : text.substr(space + 1);
        if (answer.kind == "auto") {
            g_autoLimit = atoi(answer.action.c_str());
            continue;
        }
        if (answer.kind == "drive") {
            size_t blank = answer.action.find(' ');
            g_driveConditions.push_back({answer.action.substr(0, blank) + "\\",
                                         static_cast<UINT>(atoi(answer.action.substr(blank + 1).c_str()))});
            continue;
        }
        g_answers.push_back(answer);
    }
    fclose(file);
    return true;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: robot <setup.exe> <answers> <transcript> [timeout seconds]\n");
        return 2;
    }
    g_transcript = fopen(argv[3], "wb");
    if (!g_transcript || !ReadAnswers(argv[2])) {
        fprintf(stderr, "robot: cannot open the answers or the transcript\n");
        return 2;
    }
    DWORD timeoutMs = argc > 4 ? static_cast<DWORD>(atoi(argv[4])) * 1000 : 60000;
    g_preview = argc > 5 && std::string(argv[5]) == "preview";
    g_shotFolder = argv[3];
    g_shotFolder = g_shotFolder.substr(0, g_shotFolder.find_last_of('\\') + 1) + "shots\\";

    if (!WaitForDrives() || !WaitForDesktop()) return 3;

    std::string commandLine = std::string("\"") + argv[1] + "\"";
    std::string folder = argv[1];
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Wine now and then loses a new process before it has started (the
    // parent sees ERROR_INTERNAL_ERROR and nothing of the program ran): the
    // start is tried again then, a few times.
    BOOL running = FALSE;
    DWORD error = 0;
    for (int attempt = 1; attempt <= 3 && !running; ++attempt) {
        running = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &process);
        error = running ? 0 : GetLastError();
        if (running || error != ERROR_INTERNAL_ERROR) break;
        fprintf(stderr, "robot: %s did not start (error %lu), starting it again\n", argv[1], error);
        Sleep(200);
    }
    if (!running) {
        Log("robot: cannot start " + std::string(argv[1]) + " error " + std::to_string(error));
        return 3;
    }
    g_setupProcessId = process.dwProcessId;
    g_setupProcess = process.hProcess;

    DWORD started = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 15) == WAIT_TIMEOUT) {
        if (GetTickCount() - started > timeoutMs) {
            Log("timeout");
            KillSetup();
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        ForgetClosedWindows();
        EnumWindows(VisitWindow, 0);
        if (g_stopped || g_looping) {
            if (g_stopped) Log("robot: stopped at a window the scenario does not answer");
            KillSetup();
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    EndProgressWatch(true);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (g_nextAnswer < g_answers.size()) Log("robot: " + std::to_string(g_answers.size() - g_nextAnswer) + " answers unused");
    Log(g_killed ? std::string("killed") : "exit " + std::to_string(static_cast<int>(exitCode)));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    fclose(g_transcript);
    return 0;
}
