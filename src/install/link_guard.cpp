// Links on the way of the installation's writes. Setup.exe runs with
// administrator rights and the install folder may lie where any user can
// make folders (C:\Games, C:\): a junction planted there would carry the
// copy into the system folder. The folder stage looks at every path before
// anything is written; the copy and the shortcut step look again as they
// enter each folder and hold it open, so that a folder, once entered, cannot
// be replaced by a link.
#include "install/link_guard.h"

#include <set>
#include <vector>

#include "common/script_rules.h"
#include "common/setup_state.h"
#include "common/system_libraries.h"
#include "install/partial_copy_rules.h"

// The folders entered, open until the program ends.
static std::vector<HANDLE> g_heldFolders;
// The folders refused as links (or that could not be held).
static std::set<std::string> g_refusedFolders;

static std::string WithoutTrailingBackslash(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

PathKind LookAtPathItself(const std::string& path) {
    DWORD attributes = GetFileAttributesA(WithoutTrailingBackslash(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return IsLinkAttributes(attributes) ? PathKind::Link : PathKind::Plain;
}

// The final path of an open file or folder; false where the system has no
// way to tell it.
static bool FinalPathOfHandle(HANDLE handle, std::string& finalPath) {
    using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    auto getFinalPath = KernelFunction<GetFinalPathFn>("GetFinalPathNameByHandleA");
    if (getFinalPath == nullptr) return false;
    char buffer[1024] = "";
    DWORD length = getFinalPath(handle, buffer, sizeof buffer, 0);  // FILE_NAME_NORMALIZED | VOLUME_NAME_DOS
    if (length == 0 || length >= sizeof buffer) return false;
    finalPath = PathOfFinalName(buffer);
    return true;
}

// The final path of an existing folder, links followed.
static bool FinalPathOfFolder(const std::string& folder, std::string& finalPath) {
    HANDLE handle = CreateFileA(WithoutTrailingBackslash(folder).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool known = FinalPathOfHandle(handle, finalPath);
    CloseHandle(handle);
    return known;
}

// The deepest level of a folder that exists, and what lies below it.
static std::string DeepestExistingLevel(const std::string& folder, std::string& rest) {
    std::string level = WithoutTrailingBackslash(folder);
    rest.clear();
    while (GetFileAttributesA(level.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::size_t cut = level.find_last_of('\\');
        if (cut == std::string::npos || cut < 2) return "";
        rest = level.substr(cut) + rest;
        level = level.substr(0, cut == 2 ? 3 : cut);
    }
    return level;
}

// A link at or above a folder, "" when none: where the system cannot tell
// where links lead, each is suspect.
static std::string LinkAtOrAbove(const std::string& folder) {
    std::string level = WithoutTrailingBackslash(folder);
    for (;;) {
        if (LookAtPathItself(level) == PathKind::Link) return level;
        std::size_t cut = level.find_last_of('\\');
        if (cut == std::string::npos || cut < 3) return "";
        level = level.substr(0, cut);
    }
}

bool FolderLinkedIntoWindows(const std::string& folder, std::string& finalPath) {
    char windows[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return false;
    if (LiesWithinFolder(folder, windows)) return false;  // named there by the script itself: no link did it
    std::string rest;
    std::string existing = DeepestExistingLevel(folder, rest);
    if (existing.empty()) return false;
    std::string finalWindows;
    if (!FinalPathOfFolder(existing, finalPath) || !FinalPathOfFolder(windows, finalWindows)) {
        finalPath = LinkAtOrAbove(folder);
        return !finalPath.empty();
    }
    if (!finalPath.empty() && finalPath.back() == '\\') finalPath.pop_back();  // a drive's root
    finalPath += rest;
    return LiesWithinFolder(finalPath, finalWindows) || LiesWithinFolder(finalPath, windows);
}

// The folder itself, open for listing (an open that asks for no data access
// would not count against a rename), shared for reading and writing but not
// for deletion: nobody can rename or remove it while it is held.
static HANDLE OpenFolderItself(const std::string& folder, DWORD flags) {
    return CreateFileA(WithoutTrailingBackslash(folder).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                       nullptr);
}

// False, the handle closed, when what was opened is a link after all.
static bool HoldFolder(HANDLE handle) {
    DWORD attributes = 0;
    FILETIME lastWrite;
    if (ReadHandleBasics(handle, attributes, lastWrite) && IsLinkAttributes(attributes)) {
        CloseHandle(handle);
        return false;
    }
    g_heldFolders.push_back(handle);
    return true;
}

// The attributes are looked at before the folder is opened too: a system
// that opens what a link leads to in spite of FILE_FLAG_OPEN_REPARSE_POINT
// still shows the link by its name. A folder that is no link but cannot be
// held is written as before.
bool EnterWrittenFolder(const std::string& folder) {
    if (LookAtPathItself(folder) != PathKind::Link) {
        HANDLE handle = OpenFolderItself(folder, FILE_FLAG_OPEN_REPARSE_POINT);
        if (handle == INVALID_HANDLE_VALUE || HoldFolder(handle)) return true;
    }
    g_refusedFolders.insert(WithoutTrailingBackslash(folder));
    return false;
}

// The install folder itself may be a link to another place (a folder moved
// to another disk): what it leads to is held.
bool EnterInstallFolder(const std::string& folder) {
    std::string finalPath;
    if (FolderLinkedIntoWindows(folder, finalPath)) {
        MessageBoxA(nullptr, InstallFolderInWindowsText(folder, finalPath).c_str(), kScriptErrorCaption,
                    MB_ICONERROR);
        return false;
    }
    HANDLE handle = OpenFolderItself(folder, 0);
    if (handle != INVALID_HANDLE_VALUE) g_heldFolders.push_back(handle);
    return true;
}

// A folder refused as a link that path lies in, "" when none.
static std::string RefusedFolderHolding(const std::string& path) {
    for (const std::string& refused : g_refusedFolders)
        if (LiesWithinFolder(path, refused)) return refused;
    return "";
}

std::string LinkOnTheWayOf(const std::string& path) {
    const std::string refused = RefusedFolderHolding(path);
    if (!refused.empty()) return refused;
    return LookAtPathItself(path) == PathKind::Link ? path : "";
}

// The file itself is looked at only where it is copied onto straight: a copy
// made under the temporary name is moved over the final name, and the move
// replaces a link there instead of writing through it (a link planted after
// any look would be replaced just the same).
bool StopCopyAtLink(const std::string& destination) {
    const std::string link =
        PartialCopyPath(destination).empty() ? LinkOnTheWayOf(destination) : RefusedFolderHolding(destination);
    if (link.empty()) return false;
    MessageBoxA(nullptr, LinkOnTheWayText(link).c_str(), kScriptErrorCaption, MB_ICONERROR);
    g_state.cancelRequested = true;
    return true;
}

// Each link is told once, however many link files lie in it.
bool SkipLinkFileAtLink(const std::string& linkFile) {
    static std::set<std::string> told;
    const std::string link = LinkOnTheWayOf(linkFile);
    if (link.empty()) return false;
    if (told.insert(link).second)
        MessageBoxA(nullptr, GroupFolderLinkText(link).c_str(), kScriptErrorCaption, MB_ICONERROR);
    return true;
}
