// Values the program reads otherwise than they look, each against the
// program's own reading of it (the profile reader's integers, atoi's number
// fields, the colour parts, the one-character fields, the data of REG_DWORD
// and REG_BINARY values), and the keys, lines and sections of Setup.ini that
// the program never reads at all.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdint>

#include "common/paint_rules.h"
#include "common/profile_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/player_machine_rules.h"
#include "system/registry_rules.h"

namespace {

std::string Number(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The number a person reads in a value: after blanks, an optional sign and
// decimal digits, ended by the end of the value or a blank (what follows a
// blank reads as a remark). False for every other value. A number of more
// than 15 digits is taken as 10^15 (beyond every range the program reads).
bool WrittenNumber(const std::string& value, long long& number) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    if (i >= value.size() || !IsDigit(value[i])) return false;
    long long n = 0;
    for (; i < value.size() && IsDigit(value[i]); ++i) n = std::min(n * 10 + (value[i] - '0'), 1000000000000000LL);
    if (i < value.size() && !IsBlank(value[i])) return false;
    number = negative ? -n : n;
    return true;
}

// English number words up to ninety-nine ("twelve", "twenty-one"), which a
// value may hold where the program reads digits; -1 for anything else.
long long NumberOfWords(const std::string& value) {
    static const char* const kUnits[] = {"zero",    "one",     "two",       "three",    "four",
                                         "five",    "six",     "seven",     "eight",    "nine",
                                         "ten",     "eleven",  "twelve",    "thirteen", "fourteen",
                                         "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
    static const char* const kTens[] = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
    std::string text;
    for (char c : value) text += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    while (!text.empty() && IsBlank(text.front())) text.erase(0, 1);
    for (int i = 0; i < 20; ++i)
        if (text == kUnits[i]) return i;
    for (int t = 0; t < 8; ++t) {
        std::string tens = kTens[t];
        if (text == tens) return 20 + 10 * t;
        if (text.compare(0, tens.size(), tens) != 0 || text.size() <= tens.size() + 1) continue;
        char joint = text[tens.size()];
        if (joint != '-' && joint != ' ') continue;
        std::string unit = text.substr(tens.size() + 1);
        for (int u = 1; u < 10; ++u)
            if (unit == kUnits[u]) return 20 + 10 * t + u;
    }
    return -1;
}

// Why a value that is no plain number reads as it does. hexPrefixes: the
// reader is the system's profile reader, which takes 0x, 0o and 0b.
std::string WhyReadSo(const std::string& value, bool hexPrefixes) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) ++i;
    if (hexPrefixes && i + 1 < value.size() && value[i] == '0') {
        char p = UpperAscii(value[i + 1]);
        if (p == 'X') return "the profile reader takes \"0x\" as the start of a hexadecimal number";
        if (p == 'O') return "the profile reader takes \"0o\" as the start of an octal number";
        if (p == 'B') return "the profile reader takes \"0b\" as the start of a binary number";
    }
    if (i >= value.size() || !IsDigit(value[i])) return "it does not start with a digit";
    while (i < value.size() && IsDigit(value[i])) ++i;
    if (i < value.size()) return "the number ends at " + Quote(std::string(1, value[i])) + ", the first character that is no digit";
    return "it is beyond the range of the number read";
}

// The value of a key as the program reads it, for the effect of an integer.
std::string IntegerKeyEffect(const std::string& section, const std::string& key, int read) {
    if (section == "Main" && key == "Install Complete Dialog")
        return read != 0 ? "the completion message is shown"
                         : "no completion message: the setup ends silently after a successful installation";
    if (section == "Version" && key == "Mode")
        return "the version check and record work as mode " + Number(read) +
               (read < 0 || read > 4 ? " (checked like mode 0, never recorded)" : "");
    if (section == "Version" && key == "Value")
        return "this package's version is " + Number(static_cast<std::uint32_t>(read)) +
               ": the version check compares " + Number(static_cast<std::uint32_t>(read)) +
               " with the installed one, and the record writes it";
    if (section == "Color" && key == "Default Color") return "colour line " + Number(read) + " is the backdrop";
    if (key == "Count")
        return read <= 0 ? "no line of the list is read" : "lines 1 to " + Number(read) + " of the list are read";
    return "the program uses " + Number(read);
}

// The digits to write instead of a value: the number its words name, or the
// number read.
std::string DigitsFor(const std::string& value, long long read) {
    long long words = NumberOfWords(value);
    return Number(words >= 0 ? words : read);
}

const char* NameOfColour(unsigned r, unsigned g, unsigned b) {
    struct Named {
        const char* name;
        unsigned r, g, b;
    };
    static const Named kNamed[] = {{"black", 0, 0, 0},     {"white", 255, 255, 255}, {"grey", 128, 128, 128},
                                   {"red", 255, 0, 0},     {"green", 0, 255, 0},     {"blue", 0, 0, 255},
                                   {"yellow", 255, 255, 0}, {"cyan", 0, 255, 255},   {"magenta", 255, 0, 255}};
    const Named* best = &kNamed[0];
    long best2 = LONG_MAX;
    for (const Named& n : kNamed) {
        long dr = static_cast<long>(r) - n.r, dg = static_cast<long>(g) - n.g, db = static_cast<long>(b) - n.b;
        long d2 = dr * dr + dg * dg + db * db;
        if (d2 < best2) {
            best2 = d2;
            best = &n;
        }
    }
    return best->name;
}

std::string RgbText(unsigned r, unsigned g, unsigned b) {
    return "RGB(" + Number(r) + ", " + Number(g) + ", " + Number(b) + ") (" + NameOfColour(r, g, b) + ")";
}

std::string Padded3(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03u", value);
    return text;
}

std::string HexSpaced(const std::vector<unsigned char>& bytes) {
    std::string out;
    char hex[4];
    for (unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        if (!out.empty()) out += ' ';
        out += hex;
    }
    return out.empty() ? "no bytes" : out;
}

std::string ValueName(const ValueLine& value) {
    return value.name.empty() ? "(default)" : Quote(value.name);
}

}  // namespace

void CheckIntegerKey(PlayerMachine& machine, const std::string& section, const std::string& key,
                     const std::string& value, int read) {
    if (value.empty()) return;  // the key's default, as documented
    const bool unsignedValue = section == "Version" && key == "Value";
    long long written = 0;
    if (WrittenNumber(value, written)) {
        const bool fits = unsignedValue ? written >= INT_MIN && written <= 4294967295LL
                                        : written >= INT_MIN && written <= INT_MAX;
        if (fits && static_cast<std::uint32_t>(written) == static_cast<std::uint32_t>(read)) return;
    }
    const long long shown = unsignedValue ? static_cast<long long>(static_cast<std::uint32_t>(read)) : read;
    std::string fix = "write the number in plain decimal digits: " + key + "=" + DigitsFor(value, shown);
    if (unsignedValue && value.find('.') != std::string::npos) {
        std::string digits;
        for (char c : value)
            if (IsDigit(c)) digits += c;
        fix = "write a whole number that grows with each release, such as " + Quote(digits) + " for " +
              Quote(value) + ": " + key + "=" + digits;
    }
    machine.Add(Severity::Warning, "integer-read-as", section, key,
                "value " + Quote(value) + " is read as " + Number(shown) + ": " + WhyReadSo(value, true),
                IntegerKeyEffect(section, key, read), fix);
}

void CheckNumberField(PlayerMachine& machine, const std::string& section, const std::string& key,
                      const std::string& what, const std::string& field, const std::string& effectOfRead) {
    if (field.empty()) return;  // the field's default, as documented
    const int read = NumberFieldValue(field);
    long long written = 0;
    if (WrittenNumber(field, written) && written == read) return;
    std::string trimmed = field;
    while (!trimmed.empty() && IsBlank(trimmed.back())) trimmed.pop_back();
    machine.Add(Severity::Warning, "integer-read-as", section, key,
                what + " " + Quote(trimmed) + " is read as " + Number(read) + ": " + WhyReadSo(field, false),
                effectOfRead, "write the " + what + " as a plain decimal number: " + DigitsFor(field, read));
}

void CheckColourParts(PlayerMachine& machine, const std::string& section, const std::string& key,
                      const std::string& line, const std::string& field, const std::string& drawn) {
    if (field.size() != 9) return;  // colour-length
    static const char* const kPart[] = {"red", "green", "blue"};
    std::string why, meant;
    bool allDigits = true;
    for (int i = 0; i < 3; ++i) {
        const std::string part = field.substr(static_cast<std::size_t>(3 * i), 3);
        const unsigned read = static_cast<unsigned>(NumberFieldValue(part)) & 0xFF;
        const bool digits = IsDigit(part[0]) && IsDigit(part[1]) && IsDigit(part[2]);
        allDigits = allDigits && digits;
        const int number = NumberFieldValue(part);
        meant += Padded3(digits ? static_cast<unsigned>(std::min(number, 255)) : read);
        if (digits && number <= 255) continue;
        why += std::string(why.empty() ? "" : "; ") + kPart[i] + " " + Quote(part) + " is read as " + Number(read) +
               (digits ? " (only the low 8 bits of " + part + " are kept)"
                       : " (" + WhyReadSo(part, false) + ")");
    }
    if (why.empty()) return;
    const Colour colour = ParseColourField(field);
    const unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    const Colour clamped = ParseColourField(meant);
    const unsigned mr = clamped & 0xFF, mg = (clamped >> 8) & 0xFF, mb = (clamped >> 16) & 0xFF;
    std::string effect = drawn + " is drawn in " + RgbText(r, g, b);
    if (allDigits) effect += ", not " + RgbText(mr, mg, mb) + " as the parts taken up to 255 would be";
    std::string fixedLine = line;
    std::size_t at = fixedLine.find(field);
    if (at != std::string::npos) fixedLine.replace(at, field.size(), meant);
    machine.Add(Severity::Warning, "colour-part", section, key,
                "colour " + Quote(field) + " has a part that is not 000 to 255: " + why, effect,
                "write each part as 000 to 255: " + key + "=" + fixedLine);
}

void CheckFlagField(PlayerMachine& machine, const std::string& section, const std::string& key,
                    const std::string& what, char written, const std::string& effect, const std::string& fix) {
    if (written == 0 || IsDigit(written)) return;
    machine.Add(Severity::Warning, "flag-read-as", section, key,
                what + " " + Quote(std::string(1, written)) + " is no digit: the program reads it as 0", effect, fix);
}

static void CheckDwordData(PlayerMachine& machine, const std::string& section, const std::string& key,
                           const ValueLineOutcome& outcome) {
    const ValueLine& value = outcome.value;
    const std::uint32_t read = DwordFromText(value.data);
    long long written = 0;
    if (WrittenNumber(value.data, written) && written >= INT_MIN && written <= 4294967295LL &&
        static_cast<std::uint32_t>(written) == read)
        return;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", read);
    std::string why = value.data.empty() ? "the data is empty" : WhyReadSo(value.data, false);
    if (why == "it is beyond the range of the number read") why = "a number above 4294967295 gives 4294967295";
    machine.Add(Severity::Warning, "dword-read-as", section, key,
                "DWORD data " + Quote(value.data) + " is written as " + Number(read) + " (" + hex + "): " + why,
                "the registry value " + ValueName(value) + " holds " + Number(read) + " (REG_DWORD), not " +
                    Quote(value.data) + ": the game reads " + Number(read),
                "write the number in decimal digits: " + key + "=" + value.name + ", 0, " +
                    DigitsFor(value.data, read));
}

// Pairs of hexadecimal digits the data seems to mean: separators and "0x"
// prefixes taken out; "" when what is left is not whole pairs of digits.
static std::string MeantHexPairs(const std::string& data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char c = data[i];
        if (c == '0' && i + 1 < data.size() && (data[i + 1] == 'x' || data[i + 1] == 'X') &&
            (i == 0 || HexDigitValue(data[i - 1]) < 0)) {
            ++i;
            continue;
        }
        if (c == ' ' || c == ',' || c == '-' || c == ':' || c == '\t') continue;
        if (HexDigitValue(c) < 0) return "";
        out += c;
    }
    return out.size() % 2 == 0 ? out : "";
}

static void CheckBinaryData(PlayerMachine& machine, const std::string& section, const std::string& key,
                            const ValueLineOutcome& outcome) {
    const ValueLine& value = outcome.value;
    const std::vector<unsigned char>& bytes = outcome.data.bytes;
    std::size_t i = 0;
    while (i < value.data.size() && HexDigitValue(value.data[i]) >= 0) ++i;
    const bool whole = i == value.data.size() && value.data.size() % 2 == 0;
    if (whole && value.data.size() / 2 <= kBinarySize) return;
    std::string why;
    if (value.data.size() / 2 > kBinarySize && i >= 2 * kBinarySize)
        why = "only the first " + Number(static_cast<long long>(kBinarySize)) + " bytes are kept";
    else if (i < value.data.size())
        why = "decoding stops at " + Quote(std::string(1, value.data[i])) +
              ": only pairs of hexadecimal digits without separators are read";
    else
        why = "a lone last digit is dropped";
    std::string meant = MeantHexPairs(value.data);
    machine.Add(Severity::Warning, "binary-read-as", section, key,
                "binary data " + Quote(value.data) + " is written as " + Number(static_cast<long long>(bytes.size())) +
                    " byte(s), " + HexSpaced(bytes) + ": " + why,
                "the registry value " + ValueName(value) + " holds " + HexSpaced(bytes) +
                    " (REG_BINARY), not the bytes the line shows",
                meant.empty() ? "write the bytes as pairs of hexadecimal digits, without blanks or 0x: " + key + "=" +
                                    value.name + ", 2, 0A0B0C"
                              : "write the bytes as pairs of hexadecimal digits, without blanks or 0x: " + key + "=" +
                                    value.name + ", 2, " + meant);
}

void CheckValueData(PlayerMachine& machine, const std::string& section, const std::string& key,
                    const std::string&, const ValueLineOutcome& outcome) {
    if (outcome.status != ValueLineStatus::Ok) return;
    if (outcome.value.type == 0) CheckDwordData(machine, section, key, outcome);
    if (outcome.value.type == 2) CheckBinaryData(machine, section, key, outcome);
}

// ---- what the program never reads ----

namespace {

// The keys the program reads by name in its fixed sections, for the
// suggestion beside a key it never reads; every numbered list also has its
// "Count" and its lines.
struct SectionKeys {
    const char* section;
    std::vector<const char*> keys;
};
const SectionKeys kSectionKeys[] = {
    {"Main", {"Default Path", "Change Path", "Install Complete Dialog", "Name", "Version"}},
    {"Title", {"Count"}},
    {"Color", {"Default Color"}},
    {"Version", {"Mode", "Version Path", "Install Path", "Value"}},
    {"Shared File", {"Count"}},
    {"Main Registry", {"Count"}},
    {"Program", {"Folder Name", "Count"}},
    {"Execute File", {"Count"}},
};

const SectionKeys* FixedSection(const std::string& name) {
    for (const SectionKeys& s : kSectionKeys)
        if (SameFileName(name, s.section)) return &s;
    return nullptr;
}

// Letters compared without case.
std::size_t Distance(const std::string& a, const std::string& b) {
    std::string x = UpperAscii(a), y = UpperAscii(b);
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= y.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

// The closest of the names to one written, when it is close enough to be
// the one meant (a letter or two, or a third of it, off); "" otherwise.
std::string ClosestName(const std::string& written, const std::vector<std::string>& names) {
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& name : names) {
        std::size_t d = Distance(written, name);
        std::size_t limit = std::max<std::size_t>(2, name.size() / 3);
        if (d > limit || (!best.empty() && d >= bestDistance)) continue;
        best = name;
        bestDistance = d;
    }
    return best;
}

// The value sections [Main Registry] names: the value of each of its
// numbered lines, as the registry step takes the section's name.
std::vector<std::string> ValueSectionNames(const Profile& profile) {
    std::vector<std::string> names;
    if (const ProfileSection* keys = FindProfileSection(profile, "Main Registry"))
        for (const ProfileEntry& e : keys->entries)
            if (LineNumberOfKey(e.key) > 0 && !e.value.empty()) names.push_back(e.value);
    return names;
}

bool IsComment(const std::string& key) {
    return !key.empty() && key[0] == ';';
}

// A key written as a line number the program never asks for: digits with a
// leading zero, or a sign ("01", "+1"). The number meant, 0 when none.
int MisnumberedLine(const std::string& key) {
    std::string digits = key;
    if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
    if (digits.empty() || digits.size() > 9) return 0;
    for (char c : digits)
        if (!IsDigit(c)) return 0;
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    return LineNumberOfKey(digits.substr(first));
}

void NoteDuplicateSection(PlayerMachine& machine, const ProfileSection& section, const ProfileSection& first) {
    machine.AddAbout(Severity::Info, "section-not-read", "Setup.ini",
                     "section [" + section.name + "] is written a second time: the program reads only the first, "
                     "at line " + Number(first.line) + ", and none of the " +
                         Number(static_cast<long long>(section.entries.size())) + " line(s) of this one",
                     "whatever this section holds never reaches the player",
                     "move its lines into the first [" + first.name + "] (line " + Number(first.line) +
                         ") and remove this header",
                     section.line);
    machine.m_report.findings.back().section = section.name;
}

void NoteUnknownSection(PlayerMachine& machine, const ProfileSection& section) {
    std::vector<std::string> names;
    for (const SectionKeys& s : kSectionKeys) names.push_back(s.section);
    for (const std::string& name : ValueSectionNames(machine.m_profile)) names.push_back(name);
    std::string meant = ClosestName(section.name, names);
    machine.AddAbout(Severity::Info, "section-not-read", "Setup.ini",
                     "no part of the program reads a section named [" + section.name + "]" +
                         (meant.empty() ? "" : ": it reads [" + meant + "]") +
                         (FixedSection(meant) == nullptr && !meant.empty() ? ", named by a key line of [Main Registry]"
                                                                           : ""),
                     "none of its " + Number(static_cast<long long>(section.entries.size())) +
                         " line(s) reaches the player" +
                         (meant.empty() ? "" : "; [" + meant + "] is read as it stands"),
                     meant.empty() ? "remove the section, or for registry values name it exactly as a key line of "
                                     "[Main Registry] names it"
                                   : "rename the section [" + meant + "]",
                     section.line);
    machine.m_report.findings.back().section = section.name;
}

void NoteUnreadKey(PlayerMachine& machine, const ProfileSection& section, const ProfileEntry& entry,
                   const std::string& text, const std::string& effect, const std::string& fix) {
    machine.AddAbout(Severity::Info, "key-not-read", "Setup.ini", text, effect, fix, entry.line);
    machine.m_report.findings.back().section = section.name;
    machine.m_report.findings.back().key = entry.key;
}

// How many numbered lines of a list the program reads at most, and why no
// more: its Count, as the list reads it.
int ListLinesRead(const Profile& profile, const ProfileSection& section, std::string& why) {
    int count = ProfileInt(profile, section.name, "Count", 0);
    if (count <= 0) {
        why = FindProfileEntry(profile, section.name, "Count") ? "Count is " + Number(count) : "there is no Count";
        if (SameFileName(section.name, "Title")) why += ": the default title is drawn instead of the lines";
        if (SameFileName(section.name, "Program")) why += ": the shortcut step does not run";
        return 0;
    }
    why = "Count is " + Number(count);
    return LinesToRead(count, ProfileLastLine(profile, section.name));
}

void CheckUnreadEntry(PlayerMachine& machine, const ProfileSection& section, const ProfileEntry& entry) {
    const Profile& profile = machine.m_profile;
    const ProfileEntry* first = FindProfileEntry(profile, section.name, entry.key);
    if (first != &entry) {
        NoteUnreadKey(machine, section, entry,
                      "key " + Quote(entry.key) + " is written a second time: the program reads only the first, at "
                      "line " + Number(first->line),
                      "the value " + Quote(entry.value) + " is never used; the program uses " + Quote(first->value),
                      "remove one of the two lines, keeping the value you mean");
        return;
    }
    const SectionKeys* fixed = FixedSection(section.name);
    const int number = LineNumberOfKey(entry.key);
    if (number > 0 || entry.key == "0") {
        if (fixed != nullptr && SameFileName(fixed->section, "Color")) return;  // the lines Default Color may choose
        if (number == 0) {
            NoteUnreadKey(machine, section, entry, "line 0 is never read: the lines of a list start at 1",
                          "nothing of this line reaches the player",
                          "number the lines 1, 2, 3 ... and set Count to their number");
            return;
        }
        std::string why;
        const int read = ListLinesRead(profile, section, why);
        if (number <= read) return;  // an earlier line ended the list: told with that line
        NoteUnreadKey(machine, section, entry,
                      "line " + entry.key + " is never read: " + why,
                      "nothing of this line reaches the player",
                      read <= 0 && FindProfileEntry(profile, section.name, "Count") == nullptr
                          ? "add Count=" + Number(ProfileLastLine(profile, section.name)) + " to the section"
                          : "set Count to the number of lines (" + Number(ProfileLastLine(profile, section.name)) +
                                "), or remove the line");
        return;
    }
    if (int meant = MisnumberedLine(entry.key)) {
        NoteUnreadKey(machine, section, entry,
                      "line " + Quote(entry.key) + " is never read: numbered lines are read under 1, 2, 3 ..., "
                      "without a leading zero or sign",
                      "nothing of this line reaches the player; line " + Number(meant) + " reads as missing",
                      "write the key as " + Number(meant));
        return;
    }
    std::vector<std::string> names;
    if (fixed != nullptr)
        for (const char* name : fixed->keys) names.push_back(name);
    else
        names.push_back("Count");
    for (const auto& asked : machine.m_askedKeys[&section]) names.push_back(asked.second);
    for (const std::string& name : names)
        if (SameFileName(name, entry.key)) {
            // A key the program reads, but not in this case.
            if (fixed != nullptr && SameFileName(fixed->section, "Program") && SameFileName(name, "Folder Name")) {
                std::string why;
                ListLinesRead(profile, section, why);
                NoteUnreadKey(machine, section, entry, "\"Folder Name\" is never read: " + why,
                              "no program group and no shortcut is made",
                              "set Count to the number of shortcut lines, or remove the key");
            }
            return;
        }
    std::string meant = ClosestName(entry.key, names);
    std::string keys;
    for (const std::string& name : names)
        if (keys.find("\"" + name + "\"") == std::string::npos) keys += std::string(keys.empty() ? "" : ", ") + Quote(name);
    const bool list = std::find(names.begin(), names.end(), std::string("Count")) != names.end();
    NoteUnreadKey(machine, section, entry,
                  "key " + Quote(entry.key) + " is never read" +
                      (meant.empty() ? "" : ": the program reads " + Quote(meant)) + " (in [" + section.name +
                      "] it reads " + keys + (list ? " and the numbered lines" : "") + ")",
                  meant.empty() ? "the value " + Quote(entry.value) + " never reaches the player"
                                : "the value " + Quote(entry.value) + " is never used; " + Quote(meant) +
                                      (FindProfileEntry(profile, section.name, meant) ? " is read as it stands"
                                                                                       : " takes its default"),
                  meant.empty() ? "remove the line" : "write the key as " + Quote(meant));
}

}  // namespace

void CheckUnreadScript(PlayerMachine& machine) {
    const Profile& profile = machine.m_profile;
    const std::vector<std::string> valueSections = ValueSectionNames(profile);
    for (const ProfileSection& section : profile.sections) {
        const ProfileSection* first = FindProfileSection(profile, section.name);
        if (first != &section) {
            NoteDuplicateSection(machine, section, *first);
            continue;
        }
        if (machine.m_readSections.count(&section) == 0) {
            // A section of a stage the run never reached is told by what stopped it.
            bool known = FixedSection(section.name) != nullptr;
            for (const std::string& name : valueSections) known = known || SameFileName(name, section.name);
            if (!known) NoteUnknownSection(machine, section);
            continue;
        }
        for (const ProfileEntry& entry : section.entries)
            if (!IsComment(entry.key) && !entry.key.empty() && machine.m_readEntries.count(&entry) == 0)
                CheckUnreadEntry(machine, section, entry);
    }
}
