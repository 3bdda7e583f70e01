// Creation of the folders of a relative path below a base folder, used by the
// copy loop (the folders of a package file) and by the shortcut step (the
// program group folder).
#include <string>
#include <vector>

#include "install/copy_rules.h"
#include "install/install.h"
#include "install/link_guard.h"

// Whether a folder that could not be created is there all the same (made by
// an earlier file or installation); the creation's error is kept otherwise.
// Creating first costs one look at the name for a folder that is new, which
// most are.
static bool IsFolderAfterFailedCreate(const std::string& level) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(level.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    SetLastError(error);
    return false;
}

// Every component of relativePath is a folder: callers that hold a file name
// pass only its folder part. A level that cannot be created is reported once,
// with the system's text, and the levels below it are not attempted. Each
// level is entered as it is found or made (EnterWrittenFolder): a link is not
// followed, nothing is told and the levels below it are not attempted; the
// caller's write through it is refused. TRUE when every level exists
// afterwards and none is a link.
BOOL CreateSubfolders(const char* baseFolder, char* relativePath) {
    std::vector<std::string> levels;
    switch (SubfolderLevels(baseFolder ? baseFolder : "", relativePath ? relativePath : "", levels)) {
    case SubfolderWalk::NoBase: SetLastError(ERROR_INVALID_NAME); ShowLastError(); return FALSE;
    case SubfolderWalk::TooLong: SetLastError(ERROR_FILENAME_EXCED_RANGE); ShowLastError(); return FALSE;
    case SubfolderWalk::Ok: break;
    }
    for (const std::string& level : levels) {
        if (!CreateDirectoryA(level.c_str(), nullptr) && !IsFolderAfterFailedCreate(level)) {
            ShowLastError();
            return FALSE;
        }
        if (!EnterWrittenFolder(level)) return FALSE;
    }
    return TRUE;
}
