// Creation of the folders of a relative path below a base folder, used by the
// copy loop (the folders of a package file) and by the shortcut step (the
// program group folder).
#include <string>
#include <vector>

#include "install/copy_rules.h"
#include "install/install.h"
#include "install/link_guard.h"

// Every component of relativePath is a folder: callers that hold a file name
// pass only its folder part. The current directory is left as it was. A level
// that cannot be created is reported once, with the system's text, and the
// levels below it are not attempted. Each level is entered as it is found or
// made (EnterWrittenFolder): a link is not followed, nothing is told and the
// levels below it are not attempted; the caller's write through it is
// refused. TRUE when every level exists afterwards and none is a link.
BOOL CreateSubfolders(const char* baseFolder, char* relativePath) {
    std::vector<std::string> levels;
    switch (SubfolderLevels(baseFolder ? baseFolder : "", relativePath ? relativePath : "", levels)) {
    case SubfolderWalk::NoBase: SetLastError(ERROR_INVALID_NAME); ShowLastError(); return FALSE;
    case SubfolderWalk::TooLong: SetLastError(ERROR_FILENAME_EXCED_RANGE); ShowLastError(); return FALSE;
    case SubfolderWalk::Ok: break;
    }
    char savedFolder[kPathSize] = "";
    DWORD saved = GetCurrentDirectoryA(sizeof savedFolder, savedFolder);
    BOOL whole = TRUE;
    for (const std::string& level : levels) {
        if (!SetCurrentDirectoryA(level.c_str()) && !CreateDirectoryA(level.c_str(), nullptr)) {
            ShowLastError();
            whole = FALSE;
            break;
        }
        if (!EnterWrittenFolder(level)) {
            whole = FALSE;
            break;
        }
    }
    if (saved > 0 && saved < sizeof savedFolder) SetCurrentDirectoryA(savedFolder);
    return whole;
}
