// Links (junctions, symbolic links, mount points) on the way of what the
// installation writes, and the programs it starts by a bare name: which paths
// are looked at, what a link means there, and the texts the player is told.
// Setup.exe runs with administrator rights, and an install folder below
// C:\Games or C:\ can be prepared by any user: a link planted there must never
// carry a write elsewhere, and a program file planted in the current folder
// must never be started in place of the system's. Portable: no Windows
// headers, no globals, no I/O.
#pragma once
#include <string>
#include <vector>

// The attribute word of a file or folder (0xFFFFFFFF: there is none) and
// whether it is a reparse point: a junction, a symbolic link or a mount point.
constexpr unsigned long kNoFileAttributes = 0xFFFFFFFFul;
constexpr unsigned long kReparsePointAttribute = 0x400ul;  // FILE_ATTRIBUTE_REPARSE_POINT
bool IsLinkAttributes(unsigned long attributes);

// The path of a final name as the system gives it for an open handle
// ("\\?\C:\Games" gives "C:\Games", "\\?\UNC\server\share" gives
// "\\server\share"); any other text stands as it is.
std::string PathOfFinalName(const std::string& finalName);

// Whether path is folder itself or lies below it: compared at a backslash,
// ASCII letters without case (a trailing backslash of either is ignored).
bool LiesWithinFolder(const std::string& path, const std::string& folder);

// The folders of a folder part of a manifest name, above before below:
// "data\maps" gives "data" and "data\maps"; "" gives none.
std::vector<std::string> FolderLevelsOf(const std::string& folderPart);

// What one path below the install folder is, as the check before the first
// write finds it.
enum class PathKind { Missing, Plain, Link };

// The message for a link found where the installation would write; it names
// the path. The installation is refused (exit -1, nothing written) or, when
// the link is met during the copy, stopped there.
std::string LinkOnTheWayText(const std::string& path);

// The message for a program group folder that is a link or lies in one: the
// links of the group are not written there, the installation goes on.
std::string GroupFolderLinkText(const std::string& path);

// The message for an install folder that a link carries into the Windows
// folder: the folder as chosen and where it really lies.
std::string InstallFolderInWindowsText(const std::string& folder, const std::string& finalPath);

// The message for a program below the install folder that is no longer the
// file the installation wrote there; it is not started.
std::string ProgramChangedText(const std::string& path);

// ---- programs named without a folder ----

// Whether the program of a command line is named without any folder or drive
// ("regedit.exe", "notepad"): Windows then searches for it.
bool IsBareProgramName(const std::string& program);

// The file name Windows starts for a program: ".exe" is added where the last
// part has no extension ("notepad" gives "notepad.exe").
std::string ProgramFileName(const std::string& program);

// The folders a program named without a folder is taken from, in the order
// Windows searches them less the current folder and the program's own folder
// (the medium): the system folder, the 16-bit system folder, the Windows
// folder, then every folder of PATH (entries separated by ';', blank entries
// and relative ones such as "." left out, quotes removed).
std::vector<std::string> BareProgramFolders(const std::string& systemDir, const std::string& windowsDir,
                                            const std::string& pathVariable);
