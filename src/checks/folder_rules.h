// Decisions of the install-folder dialog: the folder the program keeps from
// the user's entry, and the intro text with the product's name and version.
// Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>

// Size of the buffer the intro text is formatted into.
constexpr std::size_t kIntroTextSize = 200;

// One trailing backslash comes off a text longer than two characters whose
// character before it is not a colon: C:\ stays, C:\Games\ gives C:\Games,
// C:\Games\\ gives C:\Games\, X\ stays.
std::string TrimTrailingBackslash(const std::string& folder);

enum class FolderEntry { Accepted, TooLong };

// The edit control's text as the install folder: it must fit the 260-byte
// install-folder buffer (259 bytes and the NUL) before the trailing backslash
// is trimmed; a longer entry is refused whole rather than cut into another
// path.
FolderEntry AcceptFolderEntry(const std::string& typed, std::string& folder);

// "Default Path" is read into the install folder with a capacity of 259, so
// a value of up to 258 bytes arrives whole. A longer one would be cut into
// another folder; the installation is refused instead, before anything is
// written. The value is read with a larger capacity to tell.
constexpr std::size_t kDefaultPathCapacity = 259;
bool DefaultPathFits(const std::string& value);

// The refusal of an over-long "Default Path" ("설치 오류").
std::string DefaultPathTooLongText();

// The intro text: the first "%s" of format takes the name, the second the
// version ("%%" is a percent sign). When the result would not fit `size`
// bytes with its NUL, the name is shortened first, then the version, each on
// a character boundary; the fixed text is kept.
std::string FormatIntroText(const std::string& format, const std::string& productName,
                            const std::string& productVersion, std::size_t size = kIntroTextSize);
