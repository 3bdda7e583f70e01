// A setup script read the way the Windows profile functions read it, for the
// tools that check a medium on a machine without them: sections and keys
// matched without regard to case (the first section of a name, the first key
// of a name in it), values with surrounding blanks and one pair of enclosing
// quotes removed, cut to the reader's capacity. Each key keeps its line
// number so that findings can point at it. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <string>
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
};

struct Profile {
    std::vector<ProfileSection> sections;
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

// The last numbered line of a section (LastLineNumber of its key names); 0
// when the section is missing.
int ProfileLastLine(const Profile& profile, const std::string& section);
int ProfileIntFromText(const std::string& value, int defaultValue);
