// Findings of the medium check: one defect class per row, each on an
// otherwise clean medium, and the clean medium itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_image.h"
#include "install/manifest_rules.h"
#include "medium/medium_rules.h"
#include "test_names.h"

namespace {

std::string Manifest(std::uint32_t total, const std::vector<std::string>& names) {
    return EncodeManifest(total, names);
}

const char kCleanScript[] =
    "[Main]\nDefault Path=C:\\Games\\Quorin\nChange Path=0\nName=Quorin\nVersion=1.0\n"
    "[Version]\nMode=0\nVersion Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version\n"
    "Install Path=HKEY_CURRENT_USER\\Software\\Quorin\\Path\nValue=100\n"
    "[Color]\n0=1,0,000000255\n"
    "[Title]\nCount=2\n1=Arial,40,255255255,1,Quorin\n2=Arial,20,255255255,0,http://example.com/\n"
    "[Shared File]\nCount=1\n1=1, shared.dll\n"
    "[Main Registry]\nCount=1\n1=HKEY_CURRENT_USER\\Software\\Quorin\n"
    "[HKEY_CURRENT_USER\\Software\\Quorin]\nCount=2\n1=Path, 1, %EXEPATH%\n2=Level, 0, 3\n"
    "[Program]\nFolder Name=Quorin\nCount=1\n1=0, Play, 0, Play Quorin, game.exe, , , game.exe\n"
    "[Execute File]\nCount=1\n1=0, \"%EXEPATH%\\game.exe\" /setup\n";

Medium CleanMedium() {
    Medium m;
    m.hasScript = true;
    m.script = kCleanScript;
    m.hasManifest = true;
    m.manifest = Manifest(12288, {"data\\level1.map", "game.exe"});
    m.files = {{"data\\level1.map", 100}, {"game.exe", 5000}, {"shared.dll", 300}, {"Setup.exe", 9000}};
    m.heads = {{"data\\level1.map", "ma"}, {"game.exe", ProgramImageHead()}, {"shared.dll", ProgramImageHead()}, {"Setup.exe", ProgramImageHead()}};
    return m;
}

// Replaces the first occurrence of `from` in the clean script.
Medium WithScript(const std::string& from, const std::string& to) {
    Medium m = CleanMedium();
    std::size_t at = m.script.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) m.script.replace(at, from.size(), to);
    return m;
}

bool HasFinding(const MediumReport& r, Severity severity, const std::string& code, const std::string& section,
                const std::string& key) {
    for (const Finding& f : r.findings)
        if (f.severity == severity && f.code == code && f.section == section && f.key == key) return true;
    return false;
}

std::string Describe(const MediumReport& r) {
    std::string out;
    for (const Finding& f : r.findings)
        out += std::string(SeverityName(f.severity)) + " " + f.code + " [" + f.section + "] " + f.key + ": " + f.text + "\n";
    return out;
}

}  // namespace

TEST(QpkCheck, CleanMediumHasNoFindings) {
    MediumReport r = AnalyseMedium(CleanMedium(), MediumContext());
    EXPECT_TRUE(r.findings.empty()) << Describe(r);
    EXPECT_EQ(FindingsExitStatus(r.findings), 0);
}

struct ScriptDefect {
    const char* what;
    const char* from;
    const char* to;
    Severity severity;
    const char* code;
    const char* section;
    const char* key;
};

static void PrintTo(const ScriptDefect& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.from) << " -> " << Quoted(c.to) << ", " << c.code;
}

class QpkScriptDefect : public ::testing::TestWithParam<ScriptDefect> {};

TEST_P(QpkScriptDefect, YieldsItsFinding) {
    const ScriptDefect& d = GetParam();
    MediumReport r = AnalyseMedium(WithScript(d.from, d.to), MediumContext());
    EXPECT_TRUE(HasFinding(r, d.severity, d.code, d.section, d.key)) << Describe(r);
    EXPECT_EQ(FindingsExitStatus(r.findings), d.severity == Severity::Error ? 2 : 1) << Describe(r);
}

INSTANTIATE_TEST_SUITE_P(
    Defects, QpkScriptDefect,
    ::testing::Values(
        ScriptDefect{"change path 2", "Change Path=0", "Change Path=2", Severity::Warning, "change-path", "Main",
                     "Change Path"},
        ScriptDefect{"empty default path", "Default Path=C:\\Games\\Quorin", "Default Path=", Severity::Error,
                     "no-default-path", "Main", "Default Path"},
        ScriptDefect{"default path without drive", "Default Path=C:\\Games\\Quorin", "Default Path=Games",
                     Severity::Error, "folder-not-on-disk", "Main", "Default Path"},
        ScriptDefect{"default path too long", "Default Path=C:\\Games\\Quorin", "Default Path=C:\\Games\\"
                     "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
                     "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
                     "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ",
                     Severity::Error, "default-path-long", "Main", "Default Path"},
        ScriptDefect{"short colour", "0=1,0,000000255", "0=1,0,0000255", Severity::Warning, "colour-length", "Color",
                     "0"},
        ScriptDefect{"unknown ramp kind", "0=1,0,000000255", "0=0,7", Severity::Warning, "ramp-kind", "Color", "0"},
        ScriptDefect{"short title colour", "1=Arial,40,255255255", "1=Arial,40,25525525", Severity::Warning,
                     "colour-length", "Title", "1"},
        ScriptDefect{"title without height", "1=Arial,40,", "1=Arial,,", Severity::Warning, "title-skipped", "Title",
                     "1"},
        ScriptDefect{"start page too long", "2=Arial,20,255255255,0,http://example.com/",
                     "2=Arial,20,255255255,0,http://example.com/" 
                     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                     Severity::Warning, "start-page-long", "Title", "2"},
        ScriptDefect{"name cut", "Name=Quorin",
                     "Name=NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN",
                     Severity::Warning, "value-cut", "Main", "Name"},
        ScriptDefect{"version mode 7", "Mode=0", "Mode=7", Severity::Warning, "version-mode", "Version", "Mode"},
        ScriptDefect{"no version path", "Version Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version\n", "",
                     Severity::Error, "version-record-empty", "Version", "Version Path"},
        ScriptDefect{"version path lower case root", "Version Path=HKEY_CURRENT_USER", "Version Path=hkey_current_user",
                     Severity::Error, "unknown-root", "Version", "Version Path"},
        ScriptDefect{"version path without backslash", "Version Path=HKEY_CURRENT_USER\\Software\\Quorin\\Version",
                     "Version Path=NoBackslash", Severity::Error, "version-path", "Version", "Version Path"},
        ScriptDefect{"shared file missing", "1=1, shared.dll", "1=1, missing.dll", Severity::Error, "shared-missing",
                     "Shared File", "1"},
        ScriptDefect{"shared kind of two digits", "1=1, shared.dll", "1=10, shared.dll", Severity::Warning,
                     "shared-skipped", "Shared File", "1"},
        ScriptDefect{"shared kind 3", "1=1, shared.dll", "1=3, shared.dll", Severity::Warning, "shared-kind",
                     "Shared File", "1"},
        ScriptDefect{"shared file in parent folder", "1=1, shared.dll", "1=1, ..\\shared.dll", Severity::Error,
                     "shared-refused", "Shared File", "1"},
        ScriptDefect{"registry key mixed case root", "1=HKEY_CURRENT_USER\\Software\\Quorin\n",
                     "1=Hkey_Current_User\\Software\\Quorin\n", Severity::Error, "unknown-root", "Main Registry", "1"},
        ScriptDefect{"registry key without backslash", "1=HKEY_CURRENT_USER\\Software\\Quorin\n[",
                     "1=HKEY_CURRENT_USER\n[", Severity::Error, "key-skipped", "Main Registry", "1"},
        ScriptDefect{"value of two digit type", "2=Level, 0, 3", "2=Level, 10, 3", Severity::Error,
                     "value-line-ends-step", "HKEY_CURRENT_USER\\Software\\Quorin", "2"},
        ScriptDefect{"value without type", "2=Level, 0, 3", "2=Level", Severity::Error, "value-line-ends-step",
                     "HKEY_CURRENT_USER\\Software\\Quorin", "2"},
        ScriptDefect{"key without values", "Count=2\n1=Path", "Count=0\n1=Path", Severity::Warning, "no-values",
                     "HKEY_CURRENT_USER\\Software\\Quorin", "Count"},
        ScriptDefect{"value too long once expanded", "1=Path, 1, %EXEPATH%",
                     "1=Path, 1, %EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%"
                     "%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%"
                     "%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%",
                     Severity::Error, "value-too-long", "HKEY_CURRENT_USER\\Software\\Quorin", "1"},
        ScriptDefect{"empty folder name", "Folder Name=Quorin", "Folder Name=", Severity::Error, "no-folder-name",
                     "Program", "Folder Name"},
        ScriptDefect{"folder name leaves the programs folder", "Folder Name=Quorin", "Folder Name=..\\..\\Startup",
                     Severity::Error, "folder-name-refused", "Program", "Folder Name"},
        ScriptDefect{"shortcut of kind 2", "1=0, Play, 0,", "1=2, Play, 0,", Severity::Error, "shortcut-ends-list",
                     "Program", "1"},
        ScriptDefect{"shortcut line cut short", "game.exe, , , game.exe", "game.exe", Severity::Error,
                     "shortcut-ends-list", "Program", "1"},
        ScriptDefect{"link target not installed", "Play Quorin, game.exe,", "Play Quorin, other.exe,",
                     Severity::Warning, "link-target-not-installed", "Program", "1"},
        ScriptDefect{"program of two digit kind", "1=0, \"%EXEPATH%\\game.exe\" /setup", "1=10, game.exe",
                     Severity::Warning, "program-skipped", "Execute File", "1"},
        ScriptDefect{"command too long once expanded", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=0, %EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%"
                     "%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%"
                     "%EXEPATH%%EXEPATH%%EXEPATH%",
                     Severity::Error, "command-too-long", "Execute File", "1"},
        // A program below the install folder or with a blank in its path,
        // not in quotes: Windows may run another program at the first blank.
        ScriptDefect{"unquoted program below the install folder", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=0, %EXEPATH%\\game.exe /setup", Severity::Warning, "command-unquoted", "Execute File", "1"},
        ScriptDefect{"unquoted program alone below the install folder", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=1,%EXEPATH%\\game.exe", Severity::Warning, "command-unquoted", "Execute File", "1"},
        ScriptDefect{"unquoted program path with a blank", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=0, C:\\Program Files\\Tool\\run.exe /q", Severity::Warning, "command-unquoted", "Execute File",
                     "1"},
        ScriptDefect{"unquoted batch file in a folder with a blank", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=0, %EXEPATH%\\My Tools\\setup.bat", Severity::Warning, "command-unquoted", "Execute File",
                     "1"},
        // game.exe lies at the top of the test medium: Windows would take it
        // from there, Setup.exe takes the system's or none.
        ScriptDefect{"program named without a folder lies on the medium", "1=0, \"%EXEPATH%\\game.exe\" /setup",
                     "1=0, game.exe /setup", Severity::Warning, "program-on-medium", "Execute File", "1"}),
    NameFromWhat());

// Command lines that Windows runs as their author means whatever the install
// folder: no finding (a program named without a folder is noted, not found
// wanting).
TEST(QpkCheck, CommandLinesThatNeedNoQuotes) {
    const char* const lines[] = {
        "1=0, \"%EXEPATH%\\game.exe\" /setup",
        "1=0, \"C:\\Program Files\\Tool\\run.exe\" -x",
        "1=0, notepad.exe %EXEPATH%\\readme.txt",  // only an argument below the install folder
        "1=0, C:\\Tools\\run.exe C:\\My Logs\\a.txt",  // the blank is in an argument
        "1=0, regsvr32 /s quorin.ocx",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        MediumReport r = AnalyseMedium(WithScript("1=0, \"%EXEPATH%\\game.exe\" /setup", line), MediumContext());
        for (const Finding& f : r.findings) EXPECT_EQ(f.code, "program-searched") << Describe(r);
    }
}

// The finding says what Windows runs first and how to write the line.
TEST(QpkCheck, UnquotedCommandSaysHowToQuoteIt) {
    MediumContext context;
    context.installDir = "C:\\Program Files\\Quorin";
    Medium m = WithScript("1=0, \"%EXEPATH%\\game.exe\" /setup", "1=1, %EXEPATH%\\Redist\\setup.exe /q");
    m.manifest = Manifest(16384, {"data\\level1.map", "game.exe", "Redist\\setup.exe"});
    m.files["Redist\\setup.exe"] = 10;
    m.heads["Redist\\setup.exe"] = ProgramImageHead();
    MediumReport r = AnalyseMedium(m, context);
    ASSERT_EQ(r.findings.size(), 1u) << Describe(r);
    EXPECT_NE(r.findings[0].text.find("\"C:\\Program.exe\""), std::string::npos) << r.findings[0].text;
    EXPECT_NE(r.findings[0].text.find("write the line as 1, \"%EXEPATH%\\Redist\\setup.exe\" /q"), std::string::npos)
        << r.findings[0].text;
}

struct PackageDefect {
    const char* name;
    Medium medium;
    Severity severity;
    const char* code;
};

static void PrintTo(const PackageDefect& c, std::ostream* os) {
    *os << c.name << ": " << c.code;
}

class QpkPackageDefect : public ::testing::TestWithParam<PackageDefect> {};

TEST_P(QpkPackageDefect, YieldsItsFinding) {
    MediumContext context;
    context.installDir = GetParam().name == std::string("long-install-path") ? "C:\\" + std::string(250, 'x') : "";
    MediumReport r = AnalyseMedium(GetParam().medium, context);
    EXPECT_TRUE(HasFinding(r, GetParam().severity, GetParam().code, "", "")) << Describe(r);
}

Medium WithManifest(const std::string& bytes) {
    Medium m = CleanMedium();
    m.manifest = bytes;
    return m;
}

Medium WithMediumFile(const std::string& manifest, const std::string& file) {
    Medium m = WithManifest(manifest);
    m.files[file] = 10;
    return m;
}

Medium WithoutManifest() {
    Medium m = CleanMedium();
    m.hasManifest = false;
    return m;
}

INSTANTIATE_TEST_SUITE_P(
    Defects, QpkPackageDefect,
    ::testing::Values(
        PackageDefect{"no-manifest", WithoutManifest(), Severity::Error, "no-manifest"},
        PackageDefect{"short", WithManifest(EncodeUint32(5)), Severity::Error, "manifest-defect"},
        PackageDefect{"climbs-out", WithManifest(Manifest(8192, {"..\\evil.exe"})), Severity::Error, "manifest-defect"},
        PackageDefect{"missing-file", WithManifest(Manifest(8192, {"data\\level1.map", "game.exe", "gone.txt"})),
                      Severity::Error, "package-file-missing"},
        // "갂" (B0 41) and "갵" (B0 61) differ only in a trail byte that is a
        // letter: different names to the program, so the file is missing.
        PackageDefect{"trail-byte-case", WithMediumFile(Manifest(8192, {"data\\level1.map", "game.exe", "\xB0\x41.dat"}),
                                                        "\xB0\x61.dat"),
                      Severity::Error, "package-file-missing"},
        PackageDefect{"temporary-name",
                      WithMediumFile(Manifest(12288, {"data\\level1.map", "data\\~QSetup.Part", "game.exe"}),
                                     "data\\~QSetup.Part"),
                      Severity::Error, "package-temporary-name"},
        PackageDefect{"total-small", WithManifest(Manifest(100, {"data\\level1.map", "game.exe"})), Severity::Warning,
                      "total-too-small"},
        PackageDefect{"total-other", WithManifest(Manifest(9000, {"data\\level1.map", "game.exe"})),
                      Severity::Warning, "total-mismatch"},
        PackageDefect{"long-install-path", CleanMedium(), Severity::Error, "install-path-long"}),
    NameFromName());

TEST(QpkCheck, ScriptMissingIsAnError) {
    Medium m = CleanMedium();
    m.hasScript = false;
    m.script.clear();
    EXPECT_EQ(FindingsExitStatus(AnalyseMedium(m, MediumContext()).findings), 2);
}

TEST(QpkCheck, FindingsCarryTheirLineNumber) {
    MediumReport r = AnalyseMedium(WithScript("Change Path=0", "Change Path=5"), MediumContext());
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings[0].line, 3);
}

// What the medium holds around the script and the manifest: each row one
// change to the clean medium and the finding it must give.
struct MediumDefect {
    const char* name;
    Medium medium;
    Severity severity;
    const char* code;
};

static void PrintTo(const MediumDefect& c, std::ostream* os) {
    *os << c.name << ": " << c.code;
}

class QpkMediumDefect : public ::testing::TestWithParam<MediumDefect> {};

TEST_P(QpkMediumDefect, YieldsItsFinding) {
    MediumReport r = AnalyseMedium(GetParam().medium, MediumContext());
    bool found = false;
    for (const Finding& f : r.findings) found = found || (f.code == GetParam().code && f.severity == GetParam().severity);
    EXPECT_TRUE(found) << Describe(r);
    EXPECT_EQ(FindingsExitStatus(r.findings), GetParam().severity == Severity::Error ? 2 : 1) << Describe(r);
}

Medium Changed(void (*change)(Medium&)) {
    Medium m = CleanMedium();
    change(m);
    return m;
}

INSTANTIATE_TEST_SUITE_P(
    Defects, QpkMediumDefect,
    ::testing::Values(
        MediumDefect{"no_setup_exe", Changed([](Medium& m) { m.files.erase("Setup.exe"); }), Severity::Warning,
                     "no-setup-exe"},
        MediumDefect{"script_utf8", Changed([](Medium& m) { m.scriptEncoding = ScriptEncoding::Utf8; }),
                     Severity::Error, "script-utf8"},
        MediumDefect{"script_not_cp949", Changed([](Medium& m) { m.scriptEncoding = ScriptEncoding::NotCp949; }),
                     Severity::Error, "script-not-cp949"},
        // Listed in the manifest and in [Shared File]: installed twice.
        MediumDefect{"shared_in_manifest",
                     Changed([](Medium& m) { m.manifest = Manifest(16384, {"data\\level1.map", "game.exe", "SHARED.dll"}); }),
                     Severity::Warning, "shared-in-manifest"},
        // A file nobody installs; its bytes are not in the total either.
        MediumDefect{"file_not_listed", Changed([](Medium& m) { m.files["data\\level2.map"] = 10; }), Severity::Warning,
                     "file-not-listed"},
        MediumDefect{"total_files_added", Changed([](Medium& m) { m.files["data\\level2.map"] = 10; }),
                     Severity::Warning, "total-files-added"},
        // The post-install program in the install folder: not copied by the
        // manifest, or not a Windows program.
        MediumDefect{"program_not_installed",
                     Changed([](Medium& m) { m.manifest = Manifest(4096, {"data\\level1.map"}); m.files.erase("game.exe"); }),
                     Severity::Error, "program-not-installed"},
        MediumDefect{"program_not_runnable", Changed([](Medium& m) { m.heads["game.exe"] = "#!"; }), Severity::Error,
                     "program-not-runnable"},
        MediumDefect{"program_head_unknown", Changed([](Medium& m) { m.heads.erase("game.exe"); }), Severity::Error,
                     "program-not-runnable"}),
    NameFromName());

// Files that are the setup itself or a shared file are not "not listed",
// and a medium without Quorin.qpk (checked with the manifest qpk build would
// write) has nothing unlisted.
TEST(QpkCheck, SetupAndSharedFilesAreNotUnlisted) {
    Medium m = CleanMedium();
    m.files["setup.ini"] = 400;
    m.files["Quorin.qpk"] = 50;
    MediumReport r = AnalyseMedium(m, MediumContext());
    EXPECT_TRUE(r.findings.empty()) << Describe(r);
    m.files["extra.txt"] = 3;
    m.manifestBuilt = true;
    r = AnalyseMedium(m, MediumContext());
    for (const Finding& f : r.findings) EXPECT_NE(f.code, "file-not-listed") << Describe(r);
}

// Windows finds a program without an extension with ".exe" added, and runs a
// batch file through the command interpreter whatever its bytes.
TEST(QpkCheck, ProgramsInTheInstallFolderAsWindowsFindsThem) {
    struct Row {
        const char* line;
        const char* code;  // "" for none
    } rows[] = {
        {"1=0, %EXEPATH%\\game /q", ""},
        {"1=0, \"%EXEPATH%\\GAME.EXE\"", ""},
        {"1=0, %EXEPATH%\\data\\level1.map", "program-not-runnable"},
        {"1=0, \"%EXEPATH%\\setup.bat\"", ""},
        {"1=0, \"%EXEPATH%\\other.exe\"", "program-not-installed"},
        {"1=0, notepad.exe %EXEPATH%\\other.txt", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        MediumReport r = AnalyseMedium(WithScript("1=0, \"%EXEPATH%\\game.exe\" /setup", row.line), MediumContext());
        std::string codes;
        for (const Finding& f : r.findings)
            if (f.code != "command-unquoted" && f.code != "program-searched") codes += f.code;
        EXPECT_EQ(codes, row.code) << Describe(r);
    }
}

// A program named without a folder is noted (not found wanting), with the
// folders Setup.exe takes it from: Windows would look in the current folder
// too, which other users may write.
TEST(QpkCheck, BareProgramNamesAreNoted) {
    struct Row {
        const char* line;
        const char* file;  // the file the note names, "" for no note
    } rows[] = {
        {"1=0, regedit.exe /s a.reg", "\"regedit.exe\" from the first of C:\\windows\\system32"},
        {"1=0, notepad readme.txt", "\"notepad.exe\" from the first of C:\\windows\\system32"},
        {"1=0, \"%EXEPATH%\\game.exe\"", ""},
        {"1=0, C:\\Tools\\run.exe", ""},
        {"1=0, Redist\\setup.exe", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        MediumReport r = AnalyseMedium(WithScript("1=0, \"%EXEPATH%\\game.exe\" /setup", row.line), MediumContext());
        std::string note;
        for (const Finding& f : r.findings) {
            if (f.code != "program-searched") continue;
            note = f.text;
            EXPECT_EQ(f.severity, Severity::Info);
        }
        if (row.file[0] == '\0') {
            EXPECT_EQ(note, "") << Describe(r);
        } else {
            EXPECT_NE(note.find(row.file), std::string::npos) << Describe(r);
        }
    }
}

// A script the program reads garbled: UTF-8, or bytes that are not code page
// 949; plain ASCII and Korean in code page 949 are what the program reads.
TEST(QpkCheck, ScriptEncodingIsTold) {
    struct Row {
        std::string bytes;
        ScriptEncoding encoding;
        std::size_t badOffset;
    } rows[] = {
        {"[Main]\nName=Quorin\n", ScriptEncoding::Cp949, 0},
        {"Name=\xC4\xF5\xB8\xB0\n", ScriptEncoding::Cp949, 0},                 // 쿼린 in code page 949
        {"Name=\xEC\xBF\xBC\xEB\xA6\xB0\n", ScriptEncoding::Utf8, 0},         // 쿼린 in UTF-8
        {"\xEF\xBB\xBF[Main]\n", ScriptEncoding::Utf8, 0},                     // a byte-order mark alone
        {"Name=\xB0\x41\xB0\x61\n", ScriptEncoding::Cp949, 0},                 // trail bytes that are letters
        {"Name=ab\x80\n", ScriptEncoding::NotCp949, 7},                        // 0x80 leads nothing
        {"Name=\xC4\n", ScriptEncoding::NotCp949, 5},                          // a lead byte before a line end
        {"Name=\xC4", ScriptEncoding::NotCp949, 5},                            // a lead byte at the end
        {"Name=\xEC\xBF\xBC\xFF\n", ScriptEncoding::NotCp949, 7},              // broken UTF-8; 0xFF trails nothing
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        std::size_t bad = 0;
        EXPECT_EQ(static_cast<int>(ClassifyScriptBytes(row.bytes, &bad)), static_cast<int>(row.encoding));
        if (row.encoding == ScriptEncoding::NotCp949) {
            EXPECT_EQ(bad, row.badOffset);
        }
    }
    // The finding names the line of the first bad byte.
    Medium m = CleanMedium();
    m.script.insert(m.script.find("Name=Quorin") + 5, "\x80");
    m.scriptEncoding = ClassifyScriptBytes(m.script, &m.scriptBadOffset);
    MediumReport r = AnalyseMedium(m, MediumContext());
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings[0].code, "script-not-cp949");
    EXPECT_EQ(r.findings[0].line, 4);
}

// An update (mode 1) on a clean machine stops at the version check, yet the
// check reports the mistakes of every later stage; the plan stops there.
TEST(QpkCheck, EveryLineIsCheckedWhateverTheMode) {
    Medium m = WithScript("Mode=0", "Mode=1");
    m.script.replace(m.script.find("1=HKEY_CURRENT_USER\\Software\\Quorin\n"), 36, "1=HKEY_CURENT_USER\\Software\\Quorin\n");
    m.script.replace(m.script.find("1=1, shared.dll"), 15, "1=1, gone.dll");
    m.script.replace(m.script.find("Folder Name=Quorin"), 18, "Folder Name=C:\\Games");
    m.files.erase("game.exe");
    struct Case {
        const char* what;
        MediumContext context;
    };
    MediumContext clean, update, declined;
    update.installedVersion = 3;
    declined.installedVersion = 100;
    declined.overwrite = Answer::No;
    for (const Case& c : {Case{"clean machine", clean}, Case{"update", update}, Case{"declined", declined}}) {
        SCOPED_TRACE(c.what);
        MediumReport r = AnalyseMedium(m, c.context);
        for (const char* code : {"unknown-root", "shared-missing", "folder-name-refused", "package-file-missing"})
            EXPECT_TRUE(std::any_of(r.findings.begin(), r.findings.end(),
                                    [&](const Finding& f) { return f.code == code; }))
                << code << "\n" << Describe(r);
        bool stops = c.context.installedVersion == 0 || c.context.overwrite == Answer::No;
        EXPECT_EQ(r.plan.installs, !stops);
        EXPECT_EQ(r.plan.files.empty(), stops);
    }
}

// The setup's own files are those three names at the top of the medium, in
// any case; the same names below it are package files like any other.
TEST(SetupFileName, OnlyTheThreeNamesAtTheTop) {
    struct Case {
        const char* name;
        bool setup;
    };
    for (const Case& c : {Case{"Setup.exe", true}, Case{"SETUP.INI", true}, Case{"quorin.qpk", true},
                          Case{"data\\Setup.exe", false}, Case{"Setup.exe.bak", false}, Case{"Setup", false},
                          Case{"Quorin.qpk\\x", false}}) {
        EXPECT_EQ(IsSetupFileName(c.name), c.setup) << c.name;
    }
}
