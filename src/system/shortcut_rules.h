// Decisions of the shortcut step: the syntax of a [Program] line, the folders
// that links go into, the paths of one link with their 260-byte limit, and the
// texts shown when the script names something the step cannot use.
// Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>

#include "common/script_rules.h"

// Show commands of a link, as the window functions number them.
constexpr int kShowNormal = 1;     // SW_SHOWNORMAL
constexpr int kShowMinimized = 6;  // SW_MINIMIZE
constexpr int kShowMaximized = 3;  // SW_SHOWMAXIMIZED

enum class ShortcutPlace { ProgramGroup, Desktop };

// One shortcut line: place, name, show, description, target, arguments,
// working folder, icon. Target, working folder and icon are relative to the
// install folder; arguments are passed as written.
struct ShortcutLine {
    ShortcutPlace place = ShortcutPlace::ProgramGroup;
    char placeCharacter = 0;  // the place field as written
    char showCharacter = 0;   // the show field as written; 0 when it is empty
    std::string name;
    int showCommand = kShowNormal;
    std::string description;
    std::string target;
    std::string arguments;
    std::string workingFolder;  // empty: the install folder itself
    std::string icon;
};

// Parses one line. False when it is malformed (place 2 to 9, show 3 to 9, a
// place or show field that is empty or longer than one character, an empty
// name or target) or when it ends before its seventh comma, empty lines
// included: such a line ends the list of shortcuts.
bool ParseShortcutLine(const std::string& line, ShortcutLine& out);

// Whether the shortcut step runs at all (the notice, the program group):
// not for a [Program] "Count" of 0; a negative one runs it and writes no link.
bool ShortcutStepRuns(int count);

// The text of a Shell Folders value as the registry returned it: up to its
// first NUL, never beyond the size returned. Empty when there is no text.
std::string ShellFolderValueText(const char* data, std::size_t size);

// Desktop links go into the Desktop folder with one backslash appended; empty
// (no desktop links) when the folder is unknown or the result would not fit.
std::string DesktopLinkFolder(const std::string& desktop);

enum class GroupFolderResult {
    Ready,               // the group folder is built
    NoProgramsFolder,    // the user has no Programs folder: no group links
    EmptyName,           // "Folder Name" is empty
    NameLeavesPrograms,  // "Folder Name" is absolute or climbs out with ".."
    TooLong,             // Programs + "\" + name + "\" would not fit 260 bytes
};

// Why a "Folder Name" cannot name a folder below the Programs folder: a
// colon (a drive, as in C:\X, or a character Windows refuses in a folder
// name), a leading backslash or slash (the root of the drive, or a UNC
// path), a part of only dots and blanks (".." climbs out; Windows drops
// trailing dots and blanks), or a device name (CON, NUL, COM1 ...).
enum class GroupNameProblem { None, Colon, Rooted, DotsPart, DeviceName };
GroupNameProblem FindGroupNameProblem(const std::string& folderName);

// The program group folder for links: Programs, a backslash, the whole
// "Folder Name", a backslash. Checks the name first, then the folder.
GroupFolderResult BuildProgramGroupFolder(const std::string& programs, const std::string& folderName,
                                          std::string& groupFolder);

// The message for a group folder that cannot be used; empty when there is
// nothing to tell the user (Ready, NoProgramsFolder).
std::string GroupFolderMessage(GroupFolderResult result);

struct ShortcutPaths {
    std::string linkFile;
    std::string target;
    std::string workingFolder;
    std::string icon;
};

enum class ShortcutPathResult { Ready, NameNotPlain, TooLong };

// The four paths of a link: place folder (with its backslash) + name + ".lnk",
// and install folder + "\" + target, working folder and icon (the working
// folder is the install folder itself when empty, an empty icon stays empty).
// A name that names another folder (backslash, slash or colon) is refused, and
// so is any path that would not fit 260 bytes.
ShortcutPathResult BuildShortcutPaths(const ShortcutLine& line, const std::string& placeFolder,
                                      const std::string& installDir, ShortcutPaths& paths);

// The message for a link whose paths were refused, naming the link.
std::string ShortcutPathMessage(ShortcutPathResult result, const std::string& name);

// What the shortcut step does with "Folder Name": Use creates the group
// folder and goes on to the links; Skip goes on without one (the user has no
// Programs folder, so group links are not written); EndStep shows the message
// and writes no link at all.
struct ProgramGroupOutcome {
    GroupFolderResult result = GroupFolderResult::Ready;
    LineEffect effect = LineEffect::Use;
    std::string message;
    std::string folder;  // for Use: Programs + "\" + name + "\"
};
ProgramGroupOutcome DecideProgramGroup(const std::string& programs, const std::string& folderName);

// What the shortcut step does with one [Program] line: Use writes the link at
// paths; Skip passes over it, silently when its place has no folder (group
// links without a group folder, desktop links without a desktop) and with a
// message when its paths are refused; EndStep: a malformed line ends the list
// silently.
struct ShortcutLineOutcome {
    LineEffect effect = LineEffect::EndStep;
    std::string message;
    ShortcutLine line;
    ShortcutPathResult pathResult = ShortcutPathResult::Ready;
    ShortcutPaths paths;  // for Use
};
ShortcutLineOutcome DecideShortcutLine(const std::string& text, const std::string& groupFolder,
                                       const std::string& desktopFolder, const std::string& installDir);
