// The Win32 side of the links on the way of what the installation writes:
// what a path is, where a folder really lies, and the folders the copy and
// the shortcut step write into, held open from the moment they are entered.
#pragma once
#include <windows.h>

#include <string>

#include "common/link_rules.h"

// What a path is, itself: a link there is not followed.
PathKind LookAtPathItself(const std::string& path);

// Whether a folder, followed through every link at or above it, lies in the
// Windows folder where the folder as written does not; finalPath is where it
// lies. Where the system cannot tell where a link leads (no
// GetFinalPathNameByHandleA: before Windows Vista), a link at or above the
// folder counts as leading there.
bool FolderLinkedIntoWindows(const std::string& folder, std::string& finalPath);

// Opens a folder the installation writes into, the folder itself and not
// what a link there leads to, and keeps it open until the program ends,
// without letting anyone delete or rename it: once entered, it cannot be
// swapped for a link. False for a link (or a folder that cannot be opened):
// the folder is noted as refused and nothing is told here.
bool EnterWrittenFolder(const std::string& folder);

// The install folder as the copy starts: checked again against the Windows
// folder (told and false when a link now carries it there), then held open.
bool EnterInstallFolder(const std::string& folder);

// The link a write to path would go through: a folder refused as a link that
// path lies in, or path itself when it is a link; "" when none.
std::string LinkOnTheWayOf(const std::string& path);

// The copy's check before each file: a link on the way of destination (a
// folder refused as a link, or the file itself where it is copied onto
// straight) is told, the copy stops there as after a cancel (exit -1) and
// true is given.
bool StopCopyAtLink(const std::string& destination);

// The shortcut step's check before each link file: one that would be written
// through a link is told and not written (true).
bool SkipLinkFileAtLink(const std::string& linkFile);
