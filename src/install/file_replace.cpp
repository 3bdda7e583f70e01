// How a file of the installation takes its place: a package file is copied
// whole under a temporary name beside its destination and only then moved
// over the older file, so that a full disk or a killed program leaves the
// older file as it was; no copy is left read-only, and a read-only older file
// (left so by an installation from a CD) is replaced.
#include <string>

#include "common/link_rules.h"
#include "install/copy_rules.h"
#include "install/install.h"
#include "install/partial_copy_rules.h"

// A link is left read-only: its attributes would be set on what it leads to.
BOOL MakeFileWritable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (!HasReadOnlyAttribute(attributes)) return TRUE;
    if (IsLinkAttributes(attributes)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return SetFileAttributesA(path, WritableAttributes(attributes));
}

// Removes the copy in progress, read-only or not; the error of the failure
// that called for it is kept for the message.
static void DiscardPartialCopy(const char* partial) {
    const DWORD error = GetLastError();
    MakeFileWritable(partial);
    DeleteFileA(partial);
    SetLastError(error);
}

// The copy in progress is made as a new file; one already there is what a
// killed run left, and it is removed first.
static bool CopyToPartial(const char* source, const char* partial) {
    if (CopyFileA(source, partial, TRUE)) return true;
    if (!CopyFoundDestination(GetLastError())) return false;
    MakeFileWritable(partial);
    DeleteFileA(partial);
    return CopyFileA(source, partial, TRUE) != FALSE;
}

// Moves the whole copy over the destination; a read-only destination is made
// writable and the move tried once more.
static bool MoveOverDestination(const char* partial, const char* destination) {
    if (MoveFileExA(partial, destination, MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD error = GetLastError();
    if (!HasReadOnlyAttribute(GetFileAttributesA(destination)) || !MakeFileWritable(destination)) {
        SetLastError(error);
        return false;
    }
    return MoveFileExA(partial, destination, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// A destination whose folder leaves no room for the temporary name is copied
// onto directly, as the only way it can be installed at all.
static bool CopyStraight(const char* source, const char* destination) {
    MakeFileWritable(destination);
    return CopyFileA(source, destination, FALSE) && MakeFileWritable(destination);
}

BOOL CopyFileWhole(const char* source, const char* destination) {
    const std::string partial = PartialCopyPath(destination);
    if (partial.empty()) return CopyStraight(source, destination);
    if (CopyToPartial(source, partial.c_str()) && MakeFileWritable(partial.c_str()) &&
        MoveOverDestination(partial.c_str(), destination))
        return TRUE;
    DiscardPartialCopy(partial.c_str());
    return FALSE;
}
