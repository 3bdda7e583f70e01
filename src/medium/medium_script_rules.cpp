// The model's frame (findings, messages, reading the script as the program
// does) and the authors' findings around the stages: the [Main] values, the
// lines of [Color] and [Title], the encoding of Setup.ini and Setup.exe
// beside it.
#include <algorithm>
#include <cstdio>

#include "checks/disk_space_rules.h"
#include "checks/folder_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "medium/player_machine_rules.h"
#include "common/paint_rules.h"

namespace {

std::string Number(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return text;
}

}  // namespace

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

std::string RootNameProblem(const std::string& path) {
    std::string root = path.substr(0, path.find('\\'));
    std::string meant = RootKeyNameFolded(root);
    if (!meant.empty()) return "root name " + Quote(root) + " is not " + meant + " (names match with exact case)";
    return "root name " + Quote(root) + " is not one of the six root keys";
}

std::string MediumFolderName(const Medium& medium) {
    return medium.folder.empty() ? "<medium>" : medium.folder;
}

PlayerMachine::PlayerMachine(const Medium& medium, const MediumContext& context, bool findingsOnly)
    : m_medium(medium), m_context(context), m_findingsOnly(findingsOnly), m_profile(ParseProfile(medium.script)) {
    m_state.sourceFolder = context.sourceFolder;
}

void PlayerMachine::Add(Severity severity, const std::string& code, const std::string& section,
                        const std::string& key, const std::string& text, const std::string& effect,
                        const std::string& fix) {
    Finding finding;
    finding.severity = severity;
    finding.code = code;
    finding.file = section.empty() ? "Quorin.qpk" : "Setup.ini";
    finding.section = section;
    finding.key = key;
    const ProfileEntry* entry = section.empty() ? nullptr : FindProfileEntry(m_profile, section, key);
    const ProfileSection* found = section.empty() ? nullptr : FindProfileSection(m_profile, section);
    finding.line = entry ? entry->line : found ? found->line : 0;
    finding.text = text;
    finding.effect = effect;
    finding.fix = fix;
    m_report.findings.push_back(finding);
}

void PlayerMachine::AddAbout(Severity severity, const std::string& code, const std::string& file,
                             const std::string& text, const std::string& effect, const std::string& fix, int line) {
    Finding finding;
    finding.severity = severity;
    finding.code = code;
    finding.file = file;
    finding.line = line;
    finding.text = text;
    finding.effect = effect;
    finding.fix = fix;
    m_report.findings.push_back(finding);
}

void PlayerMachine::Message(const std::string& caption, const std::string& text, const std::string& answer) {
    m_report.plan.messages.push_back(PlannedMessage{caption, text, answer});
}

// Every key the stages ask for, found or not, is noted with its section:
// what is never asked for is never read (CheckUnreadScript).
void PlayerMachine::NoteRead(const std::string& section, const std::string& key) {
    const ProfileSection* found = FindProfileSection(m_profile, section);
    if (found == nullptr) return;
    m_readSections.insert(found);
    m_askedKeys[found].emplace(FileNameKey(key), key);
    if (const ProfileEntry* entry = FindProfileEntry(m_profile, section, key)) m_readEntries.insert(entry);
}

// A value cut to its buffer is told once, the first time the program reads
// it: as an error where the buffer holds a path, else as a warning. An
// over-long "Default Path" has its own finding (it is refused whole).
std::string PlayerMachine::ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) {
    NoteRead(section, key);
    const ProfileEntry* entry = FindProfileEntry(m_profile, section, key);
    bool defaultPath = section == "Main" && key == "Default Path";
    if (entry && entry->value.size() > capacity - 1 && !defaultPath && m_cutValues.emplace(section, key).second) {
        const std::string cut = entry->value.substr(0, capacity - 1);
        Add(capacity == kPathSize ? Severity::Error : Severity::Warning, "value-cut", section, key,
            "value of " + Number(static_cast<long long>(entry->value.size())) + " bytes is cut to " +
                Number(static_cast<long long>(capacity - 1)) + " bytes: the program reads " + Quote(cut),
            "the program uses the value as cut: its last " +
                Number(static_cast<long long>(entry->value.size() - cut.size())) + " bytes are lost" +
                (capacity == kPathSize ? ", and with them the line's later fields or the end of its path" : ""),
            "shorten the value to at most " + Number(static_cast<long long>(capacity - 1)) +
                " bytes (a Korean character takes 2 bytes, a letter, digit or blank 1)");
    }
    return ProfileString(m_profile, section, key, capacity);
}

int PlayerMachine::ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) {
    NoteRead(section, key);
    int value = ProfileInt(m_profile, section, key, defaultValue);
    const ProfileEntry* entry = FindProfileEntry(m_profile, section, key);
    // "Change Path" has its own finding (change-path).
    bool changePath = section == "Main" && key == "Change Path";
    if (entry && !changePath && m_typedValues.emplace(section, key).second)
        CheckIntegerKey(*this, section, key, entry->value, value);
    return value;
}

int PlayerMachine::LastScriptLine(const std::string& section) {
    if (const ProfileSection* found = FindProfileSection(m_profile, section)) m_readSections.insert(found);
    return ProfileLastLine(m_profile, section);
}

void PlayerMachine::CountPastLines(const std::string& section, int count, int lastLine) {
    Add(Severity::Warning, "count-past-lines", section, "Count",
        "Count " + Number(count) + " is beyond the last line (" + Number(lastLine) + "): line " +
            Number(static_cast<long long>(lastLine) + 1) + " reads as missing and no later line is read",
        "line " + Number(static_cast<long long>(lastLine) + 1) +
            " is used as an empty line (what that does is the finding on that line, where there is one)",
        "write Count=" + Number(lastLine) + ", or add the missing lines");
}

void CheckMainSection(PlayerMachine& machine) {
    const Profile& profile = machine.m_profile;
    if (!machine.m_medium.hasScript)
        machine.AddAbout(Severity::Error, "no-script", "Setup.ini", "Setup.ini is missing: every value takes its default",
                         "a black backdrop with the default title, an empty folder dialog, no registry entries, "
                         "shortcuts or programs, and \"RegCreateKeyEx Error\" at the end",
                         "put Setup.ini beside Setup.exe");
    const ProfileEntry* path = FindProfileEntry(profile, "Main", "Default Path");
    bool refused = path && !DefaultPathFits(path->value);
    if (refused)
        machine.Add(Severity::Error, "default-path-long", "Main", "Default Path",
                    "value of " + Number(static_cast<long long>(path->value.size())) + " bytes is over " +
                        Number(static_cast<long long>(kDefaultPathCapacity - 1)) +
                        ": the program refuses it and ends (-1) before anything is written",
                    "right after the backdrop: " + Quote(DefaultPathTooLongText()) + " (" + kScriptErrorCaption +
                        "), and the setup ends; nothing is installed, whatever Change Path says",
                    "shorten Default Path to at most " + Number(static_cast<long long>(kDefaultPathCapacity - 1)) +
                        " bytes");
    int changePath = ProfileInt(profile, "Main", "Change Path", 1);
    const ProfileEntry* change = FindProfileEntry(profile, "Main", "Change Path");
    if (change && change->value != "0" && change->value != "1")
        machine.Add(Severity::Warning, "change-path", "Main", "Change Path",
                    "value " + Quote(change->value) + " is neither 0 nor 1: read as " + std::to_string(changePath),
                    changePath == 1 ? "the folder dialog is shown, and with it the start-page offer"
                                    : "no folder dialog: the game is installed into Default Path without asking, and "
                                      "no start-page offer is made",
                    "write Change Path=1 to show the folder dialog, or Change Path=0 to install into Default Path "
                    "without asking");
    if ((!path || path->value.empty()) && !refused)
        machine.Add(changePath == 1 ? Severity::Warning : Severity::Error, "no-default-path", "Main", "Default Path",
                    std::string(path ? "Default Path is empty" : "there is no Default Path") +
                        ": no install folder is proposed",
                    changePath == 1
                        ? "the folder dialog opens with an empty box; OK on the empty box shows \"" +
                              std::string(kNotFixedDiskText) + "\" (" + kNoticeCaption +
                              ") and the dialog again, until the player types a folder or browses to one"
                        : "no folder and no folder dialog: the player sees \"" + std::string(kNotFixedDiskText) +
                              "\" (" + kNoticeCaption + "), then the installation ends with \"" +
                              std::string(kUnusableFolderText) + "\" (" + kScriptErrorCaption + ", exit -1)",
                    "write the folder to propose, with its drive: Default Path=C:\\Games\\<game>");
    CheckDefaultPathDrive(machine);
}

static const char kColourFix[] =
    "write exactly nine digits RRRGGGBBB, three for each of red, green and blue, each 000 to 255 (255255000 is yellow)";

static void CheckColourField(PlayerMachine& machine, const std::string& section, const std::string& key,
                             const std::string& line, const std::string& field, const std::string& drawn) {
    if (!field.empty() && field.size() != 9)
        machine.Add(Severity::Warning, "colour-length", section, key,
                    "colour " + Quote(field) + " is not 9 characters (RRRGGGBBB): it is drawn black",
                    drawn + " is black", kColourFix);
    CheckColourParts(machine, section, key, line, field, drawn);
}

static void CheckColour(PlayerMachine& machine) {
    std::string key = LineKey(machine.ReadScriptInt("Color", "Default Color", 0));
    std::string line = machine.ReadScriptText("Color", key, kLineCapacity);
    if (line.empty()) {
        machine.Add(Severity::Info, "no-colour-line", "Color", key, "no colour line " + key + ": the backdrop is black",
                    "a black backdrop behind the titles",
                    "write the line that Default Color chooses: " + key +
                        "=1, 0, 000000128 (a solid colour) or " + key + "=0, 3 (a blue ramp), or set Default Color "
                        "to the number of the line you wrote");
        return;
    }
    std::vector<std::string> fields = SplitLineFields(line, 4, false);
    ColourLine colour = ParseColourLine(line);
    CheckNumberField(machine, "Color", key, "solid field", fields[0],
                     colour.solid ? "the backdrop is one solid colour" : "the backdrop is a ramp of bands");
    if (colour.solid) {
        CheckColourField(machine, "Color", key, line, fields[2], "the backdrop");
        if (fields[2].empty())
            machine.Add(Severity::Warning, "field-count", "Color", key,
                        "solid colour line " + Quote(line) + " has no third field (the colour): it is drawn black",
                        "a black backdrop", "give the colour as the third field: " + key + "=1, 0, 000000128");
    } else {
        CheckNumberField(machine, "Color", key, "ramp kind", fields[1], "ramp kind " + Number(colour.rampKind));
    }
    if (!colour.solid && (colour.rampKind < 0 || colour.rampKind > 3))
        machine.Add(Severity::Warning, "ramp-kind", "Color", key,
                    "ramp kind " + Quote(fields[1]) + " is not 0 to 3: every band has one colour",
                    "the backdrop is one flat colour (red and blue " + Number(colour.rampKind & 0xFF) +
                        ", green 0) instead of a ramp",
                    "write the ramp kind 0 (grey), 1 (red), 2 (green) or 3 (blue): " + key + "=0, 3");
    if (!SplitLineFields(line, 4, true)[3].empty())
        machine.Add(Severity::Info, "field-count", "Color", key,
                    "colour line " + Quote(line) + " has more than its three fields (solid, ramp kind, colour): " +
                        Quote(SplitLineFields(line, 4, true)[3]) + " is never read",
                    "nothing of the extra fields shows",
                    "end the line after its third field (one colour line per backdrop; Default Color chooses it)");
}

static void CheckTitleLine(PlayerMachine& machine, int number, int& top) {
    std::string key = LineKey(number);
    std::string line = machine.ReadScriptText("Title", key, kLineCapacity);
    TitleLine title;
    if (!ParseTitleLine(line, title)) {
        machine.Add(Severity::Warning, "title-skipped", "Title", key,
                    line.empty() ? "title line " + key + " is missing or empty: skipped"
                                 : "title line " + Quote(line) + " has no face name or no height: skipped",
                    "the line is not drawn, and the lines below it move up",
                    "write the line with a face name and a height: " + key + "=굴림, -40, 255255255, 1, <text>");
        return;
    }
    std::vector<std::string> fields = SplitLineFields(line, 5, true);
    if (fields[0].size() > kFaceNameBytes)
        machine.Add(Severity::Warning, "face-cut", "Title", key,
                    "face name " + Quote(fields[0]) + " is longer than 31 bytes and is cut to " + Quote(title.face),
                    "Windows looks for a font named " + Quote(title.face) +
                        "; with none of that name the line is drawn in another font",
                    "write the font's name as Windows knows it, at most 31 bytes (굴림, 돋움, 바탕, 궁서)");
    CheckNumberField(machine, "Title", key, "height", fields[1],
                     "a font " + Number(title.height < 0 ? -static_cast<long long>(title.height) : title.height) +
                         " pixels high" + (title.height == 0 ? " (0: the system's default size)" : ""));
    CheckColourField(machine, "Title", key, line, fields[2], "the text of title line " + key);
    if (!fields[3].empty())
        CheckNumberField(machine, "Title", key, "shadow field", fields[3],
                         title.shadow ? "a black shadow under the text" : "no shadow");
    if (std::count(line.begin(), line.end(), ',') < 4)
        machine.Add(Severity::Warning, "field-count", "Title", key,
                    "title line " + Quote(line) + " has " + Number(std::count(line.begin(), line.end(), ',') + 1) +
                        " of its 5 fields (face, height, colour, shadow, text): it has no text",
                    "an empty line of the font's height is drawn where the title was meant to be",
                    "write all five fields: " + key + "=" + fields[0] + ", " + fields[1] + ", " +
                        (fields[2].empty() ? "255255255" : fields[2]) + ", " + (fields[3].empty() ? "1" : fields[3]) +
                        ", <text>");
    if (number == 2 && title.text.size() > 180)
        machine.Add(Severity::Warning, "start-page-long", "Title", key,
                    "title line 2 (the start-page address) is " + Number(static_cast<long long>(title.text.size())) +
                        " bytes: longer than the 180 the start-page question was made for",
                    "the start-page question grows as wide as the address, beyond the screen on a small one",
                    "use a start-page address of at most 180 bytes");
    top += CheckTitleOnScreen(machine, key, title, top);
}

void CheckBackdrop(PlayerMachine& machine) {
    CheckColour(machine);
    int count = machine.ReadScriptInt("Title", "Count", 0);
    if (count == 0) CheckDefaultTitleOnScreen(machine);
    int lines = CountedLinesToRead(machine, "Title", count);
    int top = 20;  // where the paint draws the first line
    for (int i = 1; i <= lines; ++i) CheckTitleLine(machine, i, top);
}

// A trail byte of a two-byte character of code page 949 (the extended
// Korean set: letters of both cases and 0x81..0xFE).
static bool IsTrailByte(unsigned char c) {
    return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || (c >= 0x81 && c <= 0xFE);
}

// The length of the UTF-8 sequence at `at`, 0 when there is none.
static std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    std::size_t length = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) >> 6) != 2) return 0;
    return length;
}

ScriptEncoding ClassifyScriptBytes(const std::string& bytes, std::size_t* badOffset) {
    bool wide = false, utf8 = true;
    for (std::size_t i = 0; i < bytes.size() && utf8;) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = Utf8SequenceAt(bytes, i);
        utf8 = length != 0;
        wide = true;
        i += length;
    }
    if (utf8 && wide) return ScriptEncoding::Utf8;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) continue;
        if (IsLeadByte(c) && i + 1 < bytes.size() && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            ++i;
            continue;
        }
        if (badOffset) *badOffset = i;
        return ScriptEncoding::NotCp949;
    }
    return ScriptEncoding::Cp949;
}

// The line (from 1) that holds a byte offset of the script.
static int LineOfOffset(const std::string& text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n') ++line;
    return line;
}

void CheckMediumFiles(PlayerMachine& machine) {
    const Medium& medium = machine.m_medium;
    if (medium.hasScript && medium.scriptEncoding == ScriptEncoding::Utf8)
        machine.AddAbout(Severity::Error, "script-utf8", "Setup.ini",
                         "Setup.ini is written in UTF-8, but the program reads it as code page 949 (the rest of the "
                         "check reads it as converted)",
                         "every Korean text (the name, the title lines, folder, link and registry texts) is garbled "
                         "on the player's screen and in what is installed; a byte-order mark is read as text, so "
                         "that the first section is not found",
                         "qpk convert Setup.ini (converts it in place to code page 949 with CRLF line ends, keeping a "
                         "backup)");
    if (medium.hasScript && medium.scriptEncoding == ScriptEncoding::NotCp949)
        machine.AddAbout(Severity::Error, "script-not-cp949", "Setup.ini",
                         "byte " + Number(static_cast<long long>(medium.scriptBadOffset)) +
                             " of Setup.ini is not code page 949",
                         "the texts around it are garbled on the player's screen",
                         "save the file in code page 949 (from another encoding: iconv -f <encoding> -t CP949 "
                         "Setup.ini > Setup.cp949.ini, then ship that as Setup.ini)",
                         LineOfOffset(medium.script, medium.scriptBadOffset));
    bool hasSetupExe = false;
    for (const auto& file : medium.files) hasSetupExe = hasSetupExe || SameFileName(file.first, "Setup.exe");
    if (!hasSetupExe)
        machine.AddAbout(Severity::Warning, "no-setup-exe", "Setup.exe", "Setup.exe is not on the medium",
                         "the player has nothing to start",
                         "copy build/win32/Setup.exe beside Setup.ini before the medium ships");
}
