// How a file of the installation takes its place: a package file is copied
// whole under a temporary name beside its destination and only then renamed
// over the older file, so that a full disk or a killed program leaves the
// older file as it was; no copy is left read-only, and a read-only older file
// (left so by an installation from a CD) is replaced.
//
// The copy is the program's own: the temporary file is created as a new file
// that is never a link followed, written, given the medium file's time, and
// renamed through the handle it was written with. Each file costs one open of
// the source, one create and one rename, no more names looked up than a bare
// CopyFileA of the file. Where the rename through the handle fails (a Windows
// without it, a read-only older file, a file system that refuses it) the copy
// is closed and moved by its name, as MoveFileEx does it.
#include <string>
#include <vector>

#include "common/link_rules.h"
#include "common/system_libraries.h"
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

// The copy in progress as a new file, open for writing and for its rename and
// shared with nobody. FILE_FLAG_OPEN_REPARSE_POINT: a link planted under the
// temporary name counts as a file already there instead of being followed (a
// new file made through a link whose target is missing would be made where
// the link points). A file already there is what a killed run left, and it
// is removed first.
static HANDLE CreatePartial(const char* partial, DWORD attributes) {
    const DWORD access = GENERIC_WRITE | DELETE;
    const DWORD flags = attributes | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = CreateFileA(partial, access, 0, nullptr, CREATE_NEW, flags, nullptr);
    if (file != INVALID_HANDLE_VALUE || !CopyFoundDestination(GetLastError())) return file;
    DiscardPartialCopy(partial);
    return CreateFileA(partial, access, 0, nullptr, CREATE_NEW, flags, nullptr);
}

// Everything the source holds, written to the copy: false, with the system's
// error, when a read or a write fails (a full disk, a disc that cannot be read).
static bool CopyContents(HANDLE from, HANDLE to) {
    static std::vector<char> buffer(kCopyBufferBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr)) return false;
        if (written != read) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
}

// What the copy takes from the file on the medium.
struct SourceFacts {
    DWORD m_attributes = 0;
    FILETIME m_lastWrite = {};
};

using SetFileInformationByHandleFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
constexpr int kFileRenameInfo = 3;  // FILE_INFO_BY_HANDLE_CLASS FileRenameInfo

// Renames the open copy to the destination, replacing a file there; false
// with the system's error, or with ERROR_CALL_NOT_IMPLEMENTED where this
// Windows (before Vista) cannot rename through a handle. The name is the
// destination's full path, as the file functions read it (the ANSI code page).
static bool RenameOpenFile(HANDLE file, const char* destination) {
    static const auto setInformation = KernelFunction<SetFileInformationByHandleFn>("SetFileInformationByHandle");
    if (setInformation == nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    WCHAR wide[kPathSize];
    const int length = MultiByteToWideChar(AreFileApisANSI() ? CP_ACP : CP_OEMCP, 0, destination, -1, wide, kPathSize);
    if (length <= 0) return false;
    struct {
        BOOLEAN m_replaceIfExists;
        HANDLE m_rootDirectory;
        DWORD m_fileNameLength;
        WCHAR m_fileName[kPathSize];
    } rename = {TRUE, nullptr, static_cast<DWORD>((length - 1) * sizeof(WCHAR)), {}};
    CopyMemory(rename.m_fileName, wide, length * sizeof(WCHAR));
    return setInformation(file, kFileRenameInfo, &rename, sizeof rename) != FALSE;
}

// Moves the closed copy over the destination by its name; a read-only
// destination is made writable and the move tried once more.
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

// The copy in progress, written whole and given the source's time, then
// renamed; closed on every way out.
static bool CopyThroughPartial(HANDLE from, const SourceFacts& facts, const char* partial, const char* destination) {
    HANDLE to = CreatePartial(partial, CreatedCopyAttributes(facts.m_attributes));
    if (to == INVALID_HANDLE_VALUE) return false;
    const bool whole = CopyContents(from, to);
    if (whole) SetFileTime(to, nullptr, nullptr, &facts.m_lastWrite);
    const bool renamed = whole && RenameOpenFile(to, destination);
    const DWORD error = GetLastError();
    CloseHandle(to);
    SetLastError(error);
    if (!whole) return false;
    return renamed || MoveOverDestination(partial, destination);
}

BOOL CopyFileWhole(const char* source, const char* destination) {
    const std::string partial = PartialCopyPath(destination);
    if (partial.empty()) return CopyStraight(source, destination);
    HANDLE from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (from == INVALID_HANDLE_VALUE) return FALSE;
    SourceFacts facts;
    const bool copied = ReadHandleBasics(from, facts.m_attributes, facts.m_lastWrite) &&
                        CopyThroughPartial(from, facts, partial.c_str(), destination);
    const DWORD error = GetLastError();
    CloseHandle(from);
    SetLastError(error);
    if (copied) return TRUE;
    DiscardPartialCopy(partial.c_str());
    return FALSE;
}
