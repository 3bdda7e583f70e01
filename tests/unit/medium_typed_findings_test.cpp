// The checker's typed reading of the script: each value against what the
// program reads of it, what the player's screen shows, the keys the program
// never reads, and the line, effect and fix every finding carries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_image.h"
#include "install/manifest_rules.h"
#include "medium/medium_rules.h"
#include "test_names.h"

namespace {

const char kScript[] =
    "[Main]\nDefault Path=C:\\Games\\Quorin\nChange Path=1\nName=Quorin\nVersion=1.0\n"
    "[Version]\nMode=0\nVersion Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version\n"
    "Install Path=HKEY_CURRENT_USER\\Software\\Quorin\\Path\nValue=100\n"
    "[Color]\nDefault Color=1\n1=1,0,000000255\n2=0,3\n"
    "[Title]\nCount=2\n1=Arial,-40,255255255,1,Quorin\n2=Arial,-20,255255000,0,http://www.quorin.example/\n"
    "[Shared File]\nCount=1\n1=1, shared.dll\n"
    "[Main Registry]\nCount=1\n1=HKEY_CURRENT_USER\\Software\\Quorin\n"
    "[HKEY_CURRENT_USER\\Software\\Quorin]\nCount=3\n1=Path, 1, %EXEPATH%\n2=Level, 0, 3\n3=Keys, 2, 0A0B0C\n"
    "[Program]\nFolder Name=Quorin\nCount=1\n1=0, Play, 0, Play Quorin, game.exe, , , game.exe\n"
    "[Execute File]\nCount=1\n1=0, \"%EXEPATH%\\game.exe\" /setup\n";

Medium CleanMedium() {
    Medium m;
    m.hasScript = true;
    m.script = kScript;
    m.hasManifest = true;
    m.manifest = EncodeManifest(12288, {"data\\level1.map", "game.exe"});
    m.files = {{"data\\level1.map", 100}, {"game.exe", 5000}, {"shared.dll", 300}, {"Setup.exe", 9000}};
    m.heads = {{"data\\level1.map", "ma"}, {"game.exe", ProgramImageHead()}, {"shared.dll", ProgramImageHead()},
               {"Setup.exe", ProgramImageHead()}};
    return m;
}

Medium WithScript(const std::string& from, const std::string& to) {
    Medium m = CleanMedium();
    std::size_t at = m.script.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) m.script.replace(at, from.size(), to);
    return m;
}

std::string Describe(const MediumReport& r) {
    std::string out;
    for (const Finding& f : r.findings)
        out += std::string(SeverityName(f.severity)) + " " + f.code + " " + f.file + ":" + std::to_string(f.line) +
               " [" + f.section + "] " + f.key + ": " + f.text + " | effect: " + f.effect + " | fix: " + f.fix + "\n";
    return out;
}

const Finding* FindCode(const MediumReport& r, const std::string& code) {
    for (const Finding& f : r.findings)
        if (f.code == code) return &f;
    return nullptr;
}

// The 1-based line of the script that holds `text`.
int LineOf(const std::string& script, const std::string& text) {
    std::size_t at = script.find(text);
    if (at == std::string::npos) return 0;
    int line = 1;
    for (std::size_t i = 0; i < at; ++i)
        if (script[i] == '\n') ++line;
    return line;
}

}  // namespace

TEST(QpkTyped, CleanMediumHasNoFindings) {
    MediumReport r = AnalyseMedium(CleanMedium(), MediumContext());
    EXPECT_TRUE(r.findings.empty()) << Describe(r);
}

// One planted mistake per row: the finding, on the line written, and words
// of its text, effect and fix that say what the program reads, what the
// player gets and what to write instead.
struct Planted {
    const char* what;
    const char* from;
    const char* to;
    Severity severity;
    const char* code;
    const char* inText;
    const char* inEffect;
    const char* inFix;
    const char* at = nullptr;  // the line the finding is on, when not the first of `to`
};

static void PrintTo(const Planted& p, std::ostream* os) {
    *os << p.what << ": " << p.code;
}

class QpkPlanted : public ::testing::TestWithParam<Planted> {};

TEST_P(QpkPlanted, IsReportedWithLineEffectAndFix) {
    const Planted& p = GetParam();
    Medium m = WithScript(p.from, p.to);
    MediumReport r = AnalyseMedium(m, MediumContext());
    const Finding* f = FindCode(r, p.code);
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_EQ(f->severity, p.severity) << Describe(r);
    EXPECT_EQ(f->file, "Setup.ini");
    std::string written = p.at ? p.at : p.to;
    written = written.substr(0, written.find('\n'));
    EXPECT_EQ(f->line, LineOf(m.script, written)) << Describe(r);
    EXPECT_NE(f->text.find(p.inText), std::string::npos) << Describe(r);
    EXPECT_NE(f->effect.find(p.inEffect), std::string::npos) << f->effect;
    EXPECT_NE(f->fix.find(p.inFix), std::string::npos) << Describe(r);
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, QpkPlanted,
    ::testing::Values(
        Planted{"dword written as a word", "2=Level, 0, 3", "2=Level, 0, twelve", Severity::Warning, "dword-read-as",
                "is written as 0", "holds 0 (REG_DWORD)", "2=Level, 0, 12"},
        Planted{"dword in hexadecimal", "2=Level, 0, 3", "2=Level, 0, 0x10", Severity::Warning, "dword-read-as",
                "is written as 0", "holds 0", "2=Level, 0, 0"},
        Planted{"dword with a unit", "2=Level, 0, 3", "2=Level, 0, 12kg", Severity::Warning, "dword-read-as",
                "the number ends at \"k\"", "holds 12", "2=Level, 0, 12"},
        Planted{"dword past 32 bits", "2=Level, 0, 3", "2=Level, 0, 5000000000", Severity::Warning, "dword-read-as",
                "4294967295", "holds 4294967295", "Level, 0,"},
        Planted{"binary with blanks", "3=Keys, 2, 0A0B0C", "3=Keys, 2, 0A 0B 0C", Severity::Warning,
                "binary-read-as", "1 byte(s), 0A", "holds 0A (REG_BINARY)", "3=Keys, 2, 0A0B0C"},
        Planted{"binary with 0x", "3=Keys, 2, 0A0B0C", "3=Keys, 2, 0x1F", Severity::Warning, "binary-read-as",
                "0 byte(s)", "holds no bytes", "3=Keys, 2, 1F"},
        Planted{"binary with a lone digit", "3=Keys, 2, 0A0B0C", "3=Keys, 2, ABC", Severity::Warning,
                "binary-read-as", "a lone last digit is dropped", "holds AB", "pairs of hexadecimal digits"},
        Planted{"colour part over 255", "2=Arial,-20,255255000", "2=Arial,-20,300255000", Severity::Warning,
                "colour-part", "red \"300\" is read as 44", "RGB(44, 255, 0) (green), not RGB(255, 255, 0) (yellow)",
                "2=Arial,-20,255255000"},
        Planted{"backdrop colour part not a digit", "1=1,0,000000255", "1=1,0,0000002x5", Severity::Warning,
                "colour-part", "blue \"2x5\" is read as 2", "the backdrop is drawn in RGB(0, 0, 2)",
                "1=1,0,000000002"},
        Planted{"title line far wider than the screen", "1=Arial,-40,255255255,1,Quorin",
                "1=Arial,-40,255255255,1,Quorin - The Legend of the Lost Kingdom of the North", Severity::Warning,
                "title-too-wide", "wider than the screen at 640x480, 800x600, 1024x768",
                "the player sees only \"Quorin - The Legend of the Los\"", "height -28 fits 800x600"},
        Planted{"title line wider than 640x480 only", "1=Arial,-40,255255255,1,Quorin",
                "1=Arial,-40,255255255,1,Quorin and the Legend of the Lost K", Severity::Info, "title-too-wide",
                "pixels wide from x = 20", "it fits 800x600 and larger", "height -34 fits 640x480"},
        Planted{"titles below the screen", "1=Arial,-40", "1=Arial,-590", Severity::Warning, "title-below-screen",
                "its bottom, y = 610, is below the screen at 640x480, 800x600", "cut at the bottom edge",
                "make the lines above it smaller"},
        Planted{"default path on drive D", "Default Path=C:\\Games\\Quorin", "Default Path=D:\\Games\\Quorin",
                Severity::Info, "default-path-drive", "lies on drive D:",
                "sees \"하드디스크를 지정하십시요.\" (공지) after confirming the folder dialog",
                "Default Path=C:\\Games\\Quorin"},
        Planted{"default path on drive E without the dialog", "Default Path=C:\\Games\\Quorin\nChange Path=1",
                "Default Path=E:\\Quorin\nChange Path=0", Severity::Warning, "default-path-drive",
                "lies on drive E:", "the installation ends with", "Default Path=C:\\Quorin"},
        Planted{"start page that is no address", "2=Arial,-20,255255000,0,http://www.quorin.example/",
                "2=Arial,-20,255255000,0,Quorin home page", Severity::Warning, "start-page-not-url",
                "\"Quorin home page\" is no web address", "Yes makes \"Quorin home page\" the browser's start page",
                "http://"},
        Planted{"the same shared file twice", "Count=1\n1=1, shared.dll", "Count=2\n1=1, shared.dll\n2=1, SHARED.DLL",
                Severity::Warning, "shared-twice", "listed a second time (first at line 1)", "installed twice",
                "remove line 2", "2=1, SHARED.DLL"},
        Planted{"version value with dots", "Value=100", "Value=1.2.0", Severity::Warning, "integer-read-as",
                "is read as 1", "this package's version is 1", "Value=120"},
        Planted{"count in words", "Count=3\n1=Path", "Count=three\n1=Path", Severity::Warning, "integer-read-as",
                "is read as 0", "no line of the list is read", "Count=3"},
        Planted{"completion dialog as a word", "Change Path=1", "Change Path=1\nInstall Complete Dialog=yes",
                Severity::Warning, "integer-read-as", "\"yes\" is read as 0", "no completion message",
                "Install Complete Dialog=0", "Install Complete Dialog=yes"},
        Planted{"mode in hexadecimal", "Mode=0", "Mode=0x4", Severity::Warning, "integer-read-as",
                "\"0x\" as the start of a hexadecimal number", "mode 4", "Mode=4"},
        Planted{"title height with a unit", "1=Arial,-40,", "1=Arial,40px,", Severity::Warning, "integer-read-as",
                "height \"40px\" is read as 40", "40 pixels high", "40"},
        Planted{"shared kind as a letter", "1=1, shared.dll", "1=s, shared.dll", Severity::Warning, "flag-read-as",
                "kind \"s\" is no digit", "Windows folder", "1=1, shared.dll"},
        Planted{"wait field as a letter", "1=0, \"%EXEPATH%", "1=y, \"%EXEPATH%", Severity::Warning, "flag-read-as",
                "wait field \"y\"", "does not wait", "1 (wait"},
        Planted{"value type as a letter", "2=Level, 0, 3", "2=Level, d, 3", Severity::Warning, "flag-read-as",
                "type \"d\"", "REG_DWORD", "2=Level, 1, 3"},
        Planted{"icon with an index", "game.exe, , , game.exe\n", "game.exe, , , game.exe, 0\n", Severity::Warning,
                "field-count", "more than its eight fields", "blank icon", "..., game.exe"},
        Planted{"title line without its text", "1=Arial,-40,255255255,1,Quorin", "1=Arial,-40,255255255",
                Severity::Warning, "field-count", "3 of its 5 fields", "an empty line", "<text>"},
        Planted{"misspelt key", "Change Path=1", "Change Path=1\nInstal Complete Dialog=0", Severity::Info,
                "key-not-read", "the program reads \"Install Complete Dialog\"", "takes its default",
                "\"Install Complete Dialog\"", "Instal Complete Dialog=0"},
        Planted{"line past Count", "3=Keys, 2, 0A0B0C", "3=Keys, 2, 0A0B0C\n4=Extra, 0, 1", Severity::Info,
                "key-not-read", "line 4 is never read: Count is 3", "nothing of this line", "set Count", "4=Extra"},
        Planted{"line with a leading zero", "1=0, Play", "01=0, Play", Severity::Info, "key-not-read",
                "\"01\" is never read", "line 1 reads as missing", "write the key as 1"},
        Planted{"key written twice", "Name=Quorin", "Name=Quorin\nName=Quorin Deluxe", Severity::Info,
                "key-not-read", "written a second time", "\"Quorin Deluxe\" is never used", "remove one",
                "Name=Quorin Deluxe"},
        Planted{"misspelt section", "[Execute File]", "[Colour]\nDefault Color=2\n[Execute File]", Severity::Info,
                "section-not-read", "it reads [Color]", "none of its 1 line(s)", "rename the section [Color]"}),
    NameFromWhat());

// Every finding, whatever its kind, names where it is, what the player gets
// and what removes it.
TEST(QpkTyped, EveryFindingHasItsLineEffectAndFix) {
    std::vector<Medium> media;
    media.push_back(WithScript("[Version]\nMode=0\nVersion Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version\n"
                               "Install Path=HKEY_CURRENT_USER\\Software\\Quorin\\Path\nValue=100\n",
                               ""));
    media.push_back(WithScript("Folder Name=Quorin", "Folder Name=Studio: Quorin"));
    media.push_back(WithScript("1=HKEY_CURRENT_USER\\Software\\Quorin\n", "1=hkey_current_user\\Software\\Quorin\n"));
    media.push_back(WithScript("2=Level, 0, 3", "2=Level, 10, 3"));
    media.push_back(WithScript("1=0, Play, 0", "1=2, Play, 0"));
    media.push_back(WithScript("1=1,0,000000255", "1=1,0,00000255"));
    Medium total = CleanMedium();
    total.manifest = EncodeManifest(9000, {"data\\level1.map", "game.exe"});
    media.push_back(total);
    Medium missing = CleanMedium();
    missing.files.erase("game.exe");
    missing.files["extra.txt"] = 5;
    media.push_back(missing);
    Medium utf8 = CleanMedium();
    utf8.scriptEncoding = ScriptEncoding::Utf8;
    utf8.files.erase("Setup.exe");
    media.push_back(utf8);
    for (const Medium& m : media) {
        MediumReport r = AnalyseMedium(m, MediumContext());
        EXPECT_FALSE(r.findings.empty());
        for (const Finding& f : r.findings) {
            SCOPED_TRACE(f.code);
            EXPECT_FALSE(f.text.empty());
            EXPECT_FALSE(f.effect.empty()) << Describe(r);
            EXPECT_FALSE(f.fix.empty()) << Describe(r);
            if (f.file == "Setup.ini" && !f.section.empty() && !f.key.empty()) {
                bool keyWritten = m.script.find("\n" + f.key + "=") != std::string::npos;
                if (keyWritten && f.section != "Version") {
                    EXPECT_GT(f.line, 0) << Describe(r);
                }
            }
        }
    }
}

// The messages the review named: the reason for a colon in "Folder Name",
// the [Version] to add, the files and command of a total that no longer
// fits, the command that converts a UTF-8 script.
TEST(QpkTyped, MendedMessages) {
    MediumReport r = AnalyseMedium(WithScript("Folder Name=Quorin", "Folder Name=Studio: Quorin"), MediumContext());
    const Finding* f = FindCode(r, "folder-name-refused");
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_NE(f->text.find("holds \":\", a character Windows does not allow in a folder name"), std::string::npos)
        << f->text;
    EXPECT_EQ(f->text.find("leaves the Programs folder"), std::string::npos) << f->text;
    EXPECT_NE(f->fix.find("Folder Name=Studio Quorin"), std::string::npos) << f->fix;

    r = AnalyseMedium(WithScript("[Version]\nMode=0\nVersion Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version\n"
                                 "Install Path=HKEY_CURRENT_USER\\Software\\Quorin\\Path\nValue=100\n",
                                 ""),
                      MediumContext());
    f = FindCode(r, "version-record-empty");
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_NE(f->text.find("there is no [Version] section"), std::string::npos) << f->text;
    EXPECT_NE(f->fix.find("add a [Version] section: Mode=4"), std::string::npos) << f->fix;
    EXPECT_NE(f->effect.find("RegCreateKeyEx Error"), std::string::npos) << f->effect;

    Medium grown = CleanMedium();
    grown.folder = "disc";
    grown.files["game.exe"] = 9000;
    grown.times = {{"Quorin.qpk", 100}, {"game.exe", 200}, {"data\\level1.map", 50}};
    r = AnalyseMedium(grown, MediumContext());
    f = FindCode(r, "total-mismatch");
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_NE(f->text.find("changed after Quorin.qpk was written: \"game.exe\""), std::string::npos) << f->text;
    EXPECT_NE(f->fix.find("qpk build disc -o disc/Quorin.qpk --exclude shared.dll"), std::string::npos) << f->fix;

    Medium utf8 = CleanMedium();
    utf8.scriptEncoding = ScriptEncoding::Utf8;
    r = AnalyseMedium(utf8, MediumContext());
    f = FindCode(r, "script-utf8");
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_EQ(f->fix.find("qpk convert Setup.ini"), 0u) << f->fix;
    EXPECT_EQ(f->fix.find("iconv"), std::string::npos) << f->fix;
}

// Values that read as they look are not findings: a remark after a blank,
// a sign, the documented defaults of empty fields, the colour lines Default
// Color may choose, comments.
TEST(QpkTyped, ValuesThatReadAsTheyLookAreNotFindings) {
    const char* const rows[][2] = {
        {"Count=3\n1=Path", "Count=3 ; three values\n1=Path"},
        {"2=Level, 0, 3", "2=Level, 0, -1"},
        {"2=Level, 0, 3", "2=Level, 0, 4294967295"},
        {"Value=100", "Value=4000000000"},
        {"3=Keys, 2, 0A0B0C", "3=Keys, 2, "},
        {"1=Arial,-40,255255255,1,Quorin", "1=Arial,-40,,,Quorin"},
        {"2=0,3", "2=0,3\n3=1,0,255000000"},
        {"[Main]\n", "[Main]\n; a comment\n"},
        {"1=0, Play, 0, Play Quorin", "1=0, Play, , Play Quorin"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[1]);
        MediumReport r = AnalyseMedium(WithScript(row[0], row[1]), MediumContext());
        EXPECT_TRUE(r.findings.empty()) << Describe(r);
    }
}

// The plan's machine has one hard disk, C:: a "Default Path" on another
// drive shows the notice and the folder dialog again; a folder the player
// types there, or an earlier installation recorded there, is on a hard disk.
TEST(QpkTyped, PlanTakesOnlyDriveCAsAHardDisk) {
    Medium m = WithScript("Default Path=C:\\Games\\Quorin", "Default Path=D:\\Games\\Quorin");
    InstallPlan plan = AnalyseMedium(m, MediumContext()).plan;
    ASSERT_FALSE(plan.messages.empty());
    EXPECT_EQ(plan.messages.back().text, "하드디스크를 지정하십시요.");
    EXPECT_FALSE(plan.endNote.empty());
    EXPECT_NE(plan.plannedFor.find("no hard disk D:"), std::string::npos) << plan.plannedFor;
    MediumContext typed;
    typed.installDir = "D:\\Games\\Quorin";
    plan = AnalyseMedium(m, typed).plan;
    EXPECT_TRUE(plan.endNote.empty()) << plan.endNote;
    EXPECT_EQ(plan.exitCode, 0);
    EXPECT_EQ(plan.plannedFor.find("no hard disk"), std::string::npos) << plan.plannedFor;
}

// The findings of an empty "Default Path" say what the folder dialog does.
TEST(QpkTyped, EmptyDefaultPathSaysWhatTheDialogDoes) {
    MediumReport r = AnalyseMedium(WithScript("Default Path=C:\\Games\\Quorin", "Default Path="), MediumContext());
    const Finding* f = FindCode(r, "no-default-path");
    ASSERT_NE(f, nullptr) << Describe(r);
    EXPECT_NE(f->effect.find("the folder dialog opens with an empty box"), std::string::npos) << f->effect;
    EXPECT_NE(f->effect.find("하드디스크를 지정하십시요."), std::string::npos) << f->effect;
}
