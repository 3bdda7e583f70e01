// The model's frame (findings, messages, reading the script as the program
// does) and the authors' findings around the stages: the [Main] values, the
// lines of [Color] and [Title], the encoding of Setup.ini and Setup.exe
// beside it.
#include <cstdio>

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

PlayerMachine::PlayerMachine(const Medium& medium, const MediumContext& context, bool findingsOnly)
    : m_medium(medium), m_context(context), m_findingsOnly(findingsOnly), m_profile(ParseProfile(medium.script)) {
    m_state.sourceFolder = context.sourceFolder;
}

void PlayerMachine::Add(Severity severity, const std::string& code, const std::string& section,
                        const std::string& key, const std::string& text) {
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
    m_report.findings.push_back(finding);
}

void PlayerMachine::AddAbout(Severity severity, const std::string& code, const std::string& file,
                             const std::string& text, int line) {
    Finding finding;
    finding.severity = severity;
    finding.code = code;
    finding.file = file;
    finding.line = line;
    finding.text = text;
    m_report.findings.push_back(finding);
}

void PlayerMachine::Message(const std::string& caption, const std::string& text, const std::string& answer) {
    m_report.plan.messages.push_back(PlannedMessage{caption, text, answer});
}

// A value cut to its buffer is told once, the first time the program reads
// it: as an error where the buffer holds a path, else as a warning. An
// over-long "Default Path" has its own finding (it is refused whole).
std::string PlayerMachine::ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) {
    const ProfileEntry* entry = FindProfileEntry(m_profile, section, key);
    bool defaultPath = section == "Main" && key == "Default Path";
    if (entry && entry->value.size() > capacity - 1 && !defaultPath && m_cutValues.emplace(section, key).second)
        Add(capacity == kPathSize ? Severity::Error : Severity::Warning, "value-cut", section, key,
            "value of " + Number(static_cast<long long>(entry->value.size())) + " bytes is cut to " +
                Number(static_cast<long long>(capacity - 1)) + " bytes: the program reads " +
                Quote(entry->value.substr(0, capacity - 1)));
    return ProfileString(m_profile, section, key, capacity);
}

int PlayerMachine::ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) {
    return ProfileInt(m_profile, section, key, defaultValue);
}

int PlayerMachine::LastScriptLine(const std::string& section) {
    return ProfileLastLine(m_profile, section);
}

void PlayerMachine::CountPastLines(const std::string& section, int count, int lastLine) {
    Add(Severity::Warning, "count-past-lines", section, "Count",
        "Count " + Number(count) + " is beyond the last line (" + Number(lastLine) + "): line " +
            Number(static_cast<long long>(lastLine) + 1) + " reads as missing and no later line is read");
}

void CheckMainSection(PlayerMachine& machine) {
    const Profile& profile = machine.m_profile;
    if (!machine.m_medium.hasScript)
        machine.Add(Severity::Error, "no-script", "", "", "Setup.ini is missing: every value takes its default");
    const ProfileEntry* path = FindProfileEntry(profile, "Main", "Default Path");
    bool refused = path && !DefaultPathFits(path->value);
    if (refused)
        machine.Add(Severity::Error, "default-path-long", "Main", "Default Path",
                    "value of " + Number(static_cast<long long>(path->value.size())) + " bytes is over " +
                        Number(static_cast<long long>(kDefaultPathCapacity - 1)) +
                        ": the program refuses it and ends (-1) before anything is written");
    int changePath = ProfileInt(profile, "Main", "Change Path", 1);
    const ProfileEntry* change = FindProfileEntry(profile, "Main", "Change Path");
    if (change && change->value != "0" && change->value != "1")
        machine.Add(Severity::Warning, "change-path", "Main", "Change Path",
                    "value " + Quote(change->value) + " is neither 0 nor 1: read as " + std::to_string(changePath) +
                        (changePath == 1 ? ", the folder dialog is shown" : ", the folder dialog is not shown"));
    if ((!path || path->value.empty()) && !refused)
        machine.Add(changePath == 1 ? Severity::Warning : Severity::Error, "no-default-path", "Main", "Default Path",
                    changePath == 1 ? "no install folder is proposed: the player must type one"
                                    : "no install folder and no folder dialog: the disk check asks for a hard disk "
                                      "again and again");
}

static void CheckColourField(PlayerMachine& machine, const std::string& section, const std::string& key,
                             const std::string& field) {
    if (!field.empty() && field.size() != 9)
        machine.Add(Severity::Warning, "colour-length", section, key,
                 "colour " + Quote(field) + " is not 9 characters (RRRGGGBBB): it is drawn black");
}

static void CheckColour(PlayerMachine& machine) {
    std::string key = LineKey(machine.ReadScriptInt("Color", "Default Color", 0));
    std::string line = machine.ReadScriptText("Color", key, kLineCapacity);
    if (line.empty()) {
        machine.Add(Severity::Info, "no-colour-line", "Color", key, "no colour line " + key + ": the backdrop is black");
        return;
    }
    std::vector<std::string> fields = SplitLineFields(line, 3, false);
    ColourLine colour = ParseColourLine(line);
    if (colour.solid) CheckColourField(machine, "Color", key, fields[2]);
    if (!colour.solid && (colour.rampKind < 0 || colour.rampKind > 3))
        machine.Add(Severity::Warning, "ramp-kind", "Color", key,
                 "ramp kind " + Quote(fields[1]) + " is not 0 to 3: every band has one colour");
}

static void CheckTitleLine(PlayerMachine& machine, int number) {
    std::string key = LineKey(number);
    std::string line = machine.ReadScriptText("Title", key, kLineCapacity);
    TitleLine title;
    if (!ParseTitleLine(line, title)) {
        machine.Add(Severity::Warning, "title-skipped", "Title", key,
                 line.empty() ? "title line " + key + " is missing or empty: skipped"
                              : "title line " + Quote(line) + " has no face name or no height: skipped");
        return;
    }
    std::vector<std::string> fields = SplitLineFields(line, 5, true);
    if (fields[0].size() > kFaceNameBytes)
        machine.Add(Severity::Warning, "face-cut", "Title", key,
                 "face name " + Quote(fields[0]) + " is longer than 31 bytes and is cut");
    CheckColourField(machine, "Title", key, fields[2]);
    if (number == 2 && title.text.size() > 180)
        machine.Add(Severity::Warning, "start-page-long", "Title", key,
                 "title line 2 (the start-page address) is " + Number(static_cast<long long>(title.text.size())) +
                     " bytes: longer than the 180 the start-page question was made for");
}

void CheckBackdrop(PlayerMachine& machine) {
    CheckColour(machine);
    int count = machine.ReadScriptInt("Title", "Count", 0);
    int lines = CountedLinesToRead(machine, "Title", count);
    for (int i = 1; i <= lines; ++i) CheckTitleLine(machine, i);
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
                      "Setup.ini is written in UTF-8, but the program reads it as code page 949: every Korean text "
                      "(the name, the title lines, folder, link and registry texts) is garbled on the player's "
                      "screen and in what is installed. Convert it: iconv -f UTF-8 -t CP949 Setup.ini > "
                      "Setup.cp949.ini, then ship that as Setup.ini (checked here as converted)");
    if (medium.hasScript && medium.scriptEncoding == ScriptEncoding::NotCp949)
        machine.AddAbout(Severity::Error, "script-not-cp949", "Setup.ini",
                      "byte " + Number(static_cast<long long>(medium.scriptBadOffset)) +
                          " of Setup.ini is not code page 949: the texts around it are garbled on the player's "
                          "screen. Save the file in code page 949 (from another encoding: iconv -f <encoding> -t "
                          "CP949 Setup.ini > Setup.cp949.ini)",
                      LineOfOffset(medium.script, medium.scriptBadOffset));
    bool hasSetupExe = false;
    for (const auto& file : medium.files) hasSetupExe = hasSetupExe || SameFileName(file.first, "Setup.exe");
    if (!hasSetupExe)
        machine.AddAbout(Severity::Warning, "no-setup-exe", "",
                      "Setup.exe is not on the medium: the player has nothing to start. Copy build/win32/Setup.exe "
                      "beside Setup.ini before shipping");
}
