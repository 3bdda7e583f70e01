// A setup script read the way the Windows profile functions read it, for the
// tools that check a medium on a machine without them: sections and keys
// matched without regard to case (the first section of a name, the first key
// of a name in it), values with surrounding blanks and one pair of enclosing
// quotes removed, cut to the reader's capacity. Each key keeps its line
// number so that findings can point at it. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

struct ProfileEntry {
    std::string key;
    std::string value;  // as stored, before any cut to a capacity
    int line = 0;       // 1-based line of the file
};

struct ProfileSection {
    std::string name;
    int line = 0;
    std::vector<ProfileEntry> entries;
    // FileNameKey of a key name -> the first entry of that name, the one a
    // lookup finds: a lookup costs the same whatever the section's length.
    std::unordered_map<std::string, std::size_t> firstEntry;
};

struct Profile {
    std::vector<ProfileSection> sections;
    std::unordered_map<std::string, std::size_t> firstSection;  // FileNameKey of a name -> its first section
};

// Splits the script text (any of \r\n, \n) into sections and keys.
Profile ParseProfile(const std::string& text);

const ProfileSection* FindProfileSection(const Profile& profile, const std::string& section);
const ProfileEntry* FindProfileEntry(const Profile& profile, const std::string& section, const std::string& key);

// The value the program reads with a buffer of `capacity` bytes: "" when the
// key is missing, otherwise cut to capacity - 1 bytes.
std::string ProfileString(const Profile& profile, const std::string& section, const std::string& key,
                          std::size_t capacity);

// The integer the program reads: `defaultValue` when the key is missing or
// empty; otherwise blanks, an optional sign, "0x"/"0o"/"0b" prefixes, then
// the digits up to the first other character (none give 0).
int ProfileInt(const Profile& profile, const std::string& section, const std::string& key, int defaultValue);

// A value with one pair of matching quotes (" or ') around the whole of it
// removed, as the profile functions give a stored value.
std::string ProfileValueWithoutQuotes(const std::string& stored);

// The numbered lines of one section as GetPrivateProfileSectionA lists it
// ("name=value" strings, each ended by a NUL, the list by an empty one): by
// line number (LineNumberOfKey), the value as stored, without the blanks
// around name and value that a listing may keep. The first line of a
// number is kept, as a lookup by name finds it; a line without '=' has no
// value and reads as empty.
std::map<int, std::string> NumberedLinesOfSectionList(const char* list);

// What GetPrivateProfileStringA gives for a stored value into a buffer of
// `capacity` bytes, where that is certain: the whole value, quotes removed,
// when the stored value has at most capacity - 1 bytes. False for a longer
// one, whose cut depends on the system's conversion: the caller asks for it.
bool StoredValueAsRead(const std::string& stored, std::size_t capacity, std::string& value);

// The last numbered line of a section (LastLineNumber of its key names); 0
// when the section is missing.
int ProfileLastLine(const Profile& profile, const std::string& section);
int ProfileIntFromText(const std::string& value, int defaultValue);
