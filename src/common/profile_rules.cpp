#include "common/profile_rules.h"

#include <cstdint>
#include <string>

#include "common/script_rules.h"
#include "common/text_rules.h"

namespace {

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x1A';
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsProfileSpace(text[begin])) ++begin;
    while (end > begin && IsProfileSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void AddLine(Profile& profile, const std::string& raw, int number) {
    std::string line = Trim(raw);
    if (line.empty()) return;
    if (line[0] == '[') {
        std::size_t close = line.rfind(']');
        ProfileSection section;
        section.name = Trim(line.substr(1, close == std::string::npos || close == 0 ? std::string::npos : close - 1));
        section.line = number;
        profile.firstSection.emplace(FileNameKey(section.name), profile.sections.size());
        profile.sections.push_back(section);
        return;
    }
    if (profile.sections.empty()) return;  // keys before any section are not read
    ProfileEntry entry;
    std::size_t equals = line.find('=');
    entry.key = Trim(line.substr(0, equals));
    if (equals != std::string::npos) entry.value = ProfileValueWithoutQuotes(Trim(line.substr(equals + 1)));
    entry.line = number;
    ProfileSection& section = profile.sections.back();
    section.firstEntry.emplace(FileNameKey(entry.key), section.entries.size());
    section.entries.push_back(entry);
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

std::string ProfileValueWithoutQuotes(const std::string& stored) {
    if (stored.size() >= 2 && (stored[0] == '"' || stored[0] == '\'') && stored.back() == stored[0])
        return stored.substr(1, stored.size() - 2);
    return stored;
}

std::map<int, std::string> NumberedLinesOfSectionList(const char* list) {
    std::map<int, std::string> lines;
    for (const char* entry = list; *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1) {
        std::string text = entry;
        std::size_t equals = text.find('=');
        int number = LineNumberOfKey(Trim(text.substr(0, equals)));
        if (number > 0) lines.emplace(number, equals == std::string::npos ? "" : Trim(text.substr(equals + 1)));
    }
    return lines;
}

bool StoredValueAsRead(const std::string& stored, std::size_t capacity, std::string& value) {
    if (capacity == 0 || stored.size() > capacity - 1) return false;
    value = ProfileValueWithoutQuotes(stored);
    return true;
}

Profile ParseProfile(const std::string& text) {
    Profile profile;
    std::size_t start = 0;
    int number = 1;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        AddLine(profile, text.substr(start, end - start), number);
        start = end + 1;
        ++number;
    }
    return profile;
}

const ProfileSection* FindProfileSection(const Profile& profile, const std::string& section) {
    auto found = profile.firstSection.find(FileNameKey(section));
    return found == profile.firstSection.end() ? nullptr : &profile.sections[found->second];
}

const ProfileEntry* FindProfileEntry(const Profile& profile, const std::string& section, const std::string& key) {
    const ProfileSection* s = FindProfileSection(profile, section);
    if (s == nullptr) return nullptr;
    auto found = s->firstEntry.find(FileNameKey(key));
    return found == s->firstEntry.end() ? nullptr : &s->entries[found->second];
}

int ProfileLastLine(const Profile& profile, const std::string& section) {
    const ProfileSection* s = FindProfileSection(profile, section);
    if (s == nullptr) return 0;
    std::vector<std::string> keys;
    for (const ProfileEntry& e : s->entries) keys.push_back(e.key);
    return LastLineNumber(keys);
}

std::string ProfileString(const Profile& profile, const std::string& section, const std::string& key,
                          std::size_t capacity) {
    const ProfileEntry* entry = FindProfileEntry(profile, section, key);
    if (entry == nullptr || capacity == 0) return "";
    return entry->value.substr(0, capacity - 1);
}

int ProfileIntFromText(const std::string& value, int defaultValue) {
    if (value.empty()) return defaultValue;
    std::size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    int base = 10;
    if (i + 1 < value.size() && value[i] == '0') {
        char p = UpperAscii(value[i + 1]);
        if (p == 'X') base = 16;
        if (p == 'O') base = 8;
        if (p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    std::uint32_t number = 0;
    for (; i < value.size() && DigitValue(value[i]) < base; ++i)
        number = number * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(DigitValue(value[i]));
    if (negative) number = 0u - number;
    return static_cast<int>(number);
}

int ProfileInt(const Profile& profile, const std::string& section, const std::string& key, int defaultValue) {
    const ProfileEntry* entry = FindProfileEntry(profile, section, key);
    return entry == nullptr ? defaultValue : ProfileIntFromText(entry->value, defaultValue);
}
