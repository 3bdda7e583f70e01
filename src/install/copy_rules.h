// Paths of the copy: joining a folder and a relative name within the 260-byte
// path buffers, the folder part of a manifest name and the levels that the
// sub-folder walk tests and creates. Portable: no Windows headers.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "common/script_rules.h"

// What is wrong with a relative name (a manifest name or a shared file name)
// that must stay below the folder it is joined to.
enum class NameProblem {
    None,
    Empty,            // no characters at all
    TooLong,          // more than 259 bytes
    Absolute,         // a drive, a colon, a leading backslash or a UNC path
    LeavesFolder,     // a component of only dots and blanks, such as ".."
    EmptyComponent,   // a doubled or trailing backslash
    BadCharacter,     // a control character, '/' or one of < > " | ? *
    DeviceName,       // CON, NUL, COM1 ... which name a device, not a file
    PartialCopyName,  // a part named as the copy in progress (a manifest's names only)
};

// The first problem of a name; None when it names a file below any folder.
NameProblem CheckRelativeName(const std::string& name);

// A Korean sentence describing the problem, for the program's messages.
std::string NameProblemText(NameProblem problem);

// The message part for a folder and a name that together do not fit 260 bytes.
std::string PathTooLongText();


// The folders of a manifest name: everything before its last backslash
// ("data\maps\a.map" gives "data\maps", "a.txt" gives ""). The last component
// is always the file, whatever dots the names hold.
std::string FolderPartOfName(const std::string& name);

// The folders that CreateSubfolders tests and creates, in order, each with a
// trailing backslash: for base "C:\Games\X" and "data\maps" they are
// "C:\Games\X\data\" and "C:\Games\X\data\maps\". Every component of the
// relative path is a folder; empty components (doubled, leading or trailing
// backslashes) are dropped. An empty base is refused (it would make the
// folders at the root of the current drive), and so is a level that would not
// fit a 260-byte buffer; levels is then left untouched.
enum class SubfolderWalk { Ok, NoBase, TooLong };
SubfolderWalk SubfolderLevels(const std::string& base, const std::string& relativePath,
                              std::vector<std::string>& levels);

// The copy dialog's title from its template: the first "%s" takes the
// product name, the second the version, "%%" gives one percent sign; any
// other character, a lone '%' included, is kept as it stands.
std::string CopyDialogTitle(const std::string& format, const std::string& productName,
                            const std::string& productVersion);

// The message for a package file that is not copied because its source or
// destination path would not fit 260 bytes.
std::string CopySkippedText(const std::string& name);

// The message for a package file that the medium does not hold: told in the
// program's own words (caption kErrorCaption), the same on every Windows, so
// that the checker's plan can say it too.
std::string SourceMissingText(const std::string& name);

// Whether a copy that was to create a new file failed because a file (or a
// folder) of that name is already there: errors 80 and 183.
bool CopyFoundDestination(unsigned long error);

// The progress range of the copy: one step per package file and per shared
// file record. The bar is given its range in 32 bits (a 16-bit range would
// wrap past 65,535 steps and show the bar full early); a total beyond the
// largest position the bar takes (2^31 - 1) is held there.
constexpr unsigned kMaxProgressRange = 0x7FFFFFFFu;
unsigned ProgressRange(unsigned packageFiles, int sharedFileCount);

// Whether the copy must walk the folders of a package file: a file at the top
// of the package has none, and a folder part that this copy has already made
// or found whole needs no second walk. Folder parts are compared byte for
// byte (no case folding: a CP949 trail byte can look like a Latin letter).
bool FolderWalkNeeded(const std::set<std::string>& madeFolders, const std::string& folderPart);

// The longest folder part above folderPart (it ends before one of its
// backslashes) that this copy has made or found whole, "" when there is none:
// the walk for folderPart starts below it.
std::string LongestMadeParent(const std::set<std::string>& madeFolders, const std::string& folderPart);

// Where the walk for a new folder part starts: below its deepest part already
// whole (base is the install folder with that part, below the rest), or at the
// install folder with the whole part when no part above it is whole or the
// base would not fit a path.
struct FolderWalkStart {
    std::string base;
    std::string below;
};
FolderWalkStart WalkStartFor(const std::set<std::string>& madeFolders, const std::string& installDir,
                             const std::string& folderPart);

// Notes a folder part whose every level exists now, with each part above it.
void RememberMadeFolders(std::set<std::string>& madeFolders, const std::string& folderPart);

// Whether the progress bar draws a position differently from the position it
// shows now. The bar fills width * position / range pixels (range 0 to range,
// position held within it), rounded down or to nearest; the frame and theme
// margins take at most kProgressMarginPixels off the control's client width,
// so every filled width between the two is tried. A range or width of 0
// always counts as different.
constexpr unsigned kProgressMarginPixels = 8;
bool ProgressLooksDifferent(unsigned shown, unsigned position, unsigned range, unsigned clientWidth);

// What the copy loop does for its window after a copied file. Sending a
// position repaints the bar and emptying the queue asks the window system for
// messages; a themed bar's repaint costs about a millisecond, more than the
// copy of a small file, so the loop does them at most ten times a second
// (kCopyFrameMs since the last time): a bar that moves on ten times a second
// looks smooth, Cancel is answered within a tenth of a second after the file
// in progress, and the repaints cost under 1 % of the copy. Even then, a
// position that draws the same bar as the one shown is not sent. After the
// last file the position is always sent and the queue emptied.
constexpr double kCopyFrameMs = 100.0;
struct CopyLoopTurn {
    bool sendPosition;
    bool drainQueue;
};
CopyLoopTurn TurnAfterCopiedFile(unsigned shown, unsigned position, unsigned range, unsigned barWidth,
                                 double msSinceLastTurn, bool lastFile);
