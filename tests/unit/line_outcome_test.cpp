// The rule for each kind of script line, and the medium walk held to it: for
// every line of a table, the rule's answer (use, skip, end of step; message)
// is the expected one, and the plan the walk makes from a medium holding that
// line shows exactly that answer: the message when there is one, the line's
// effect when it is used, and the next line only when the step goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_image.h"
#include "checks/version_rules.h"
#include "common/script_rules.h"
#include "install/manifest_rules.h"
#include "install/shared_file_rules.h"
#include "medium/medium_rules.h"
#include "system/program_rules.h"
#include "system/registry_rules.h"
#include "system/shortcut_rules.h"

namespace {

// 100 bytes: three %EXEPATH% make a text of 300 bytes, one too many.
const std::string kInstallDir = "C:\\Games\\" + std::string(91, 'Q');

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// A medium that installs cleanly into kInstallDir; `sections` are added to
// the script (they must not repeat the ones given here).
Medium MediumWith(const std::string& sections, const std::string& version = "") {
    Medium m;
    m.hasScript = true;
    m.script = "[Main]\nDefault Path=" + std::string(kInstallDir) + "\nChange Path=0\nName=Q\n" +
               (version.empty() ? "[Version]\nMode=4\n" : version) + sections;
    m.hasManifest = true;
    m.manifest = EncodeManifest(4096, {"q.exe"});
    m.files = {{"q.exe", 10}, {"a.dll", 5}, {"Setup.exe", 20}};
    m.heads = {{"q.exe", ProgramImageHead()}, {"a.dll", ProgramImageHead()}, {"Setup.exe", ProgramImageHead()}};
    return m;
}

InstallPlan PlanOf(const Medium& medium) {
    MediumContext context;
    context.programs = "C:\\P";
    context.desktop = "C:\\D";
    context.sourceFolder = "D:\\";
    return AnalyseMedium(medium, context).plan;
}

// The plan shows the rule's message, with the caption of script errors,
// exactly when the rule gives one.
void ExpectMessageOf(const InstallPlan& plan, const std::string& message) {
    bool shown = std::any_of(plan.messages.begin(), plan.messages.end(), [&](const PlannedMessage& m) {
        return m.caption == kScriptErrorCaption && m.text == message;
    });
    bool anyScriptError = std::any_of(plan.messages.begin(), plan.messages.end(),
                                      [](const PlannedMessage& m) { return m.caption == kScriptErrorCaption; });
    if (message.empty())
        EXPECT_FALSE(anyScriptError);
    else
        EXPECT_TRUE(shown) << message;
}

struct LineRow {
    std::string line;
    LineEffect effect;
    bool message;
};

const char* EffectName(LineEffect effect) {
    switch (effect) {
    case LineEffect::Use: return "use";
    case LineEffect::Skip: return "skip";
    case LineEffect::EndStep: return "end";
    }
    return "";
}

}  // namespace

TEST(LineOutcome, RegistryValueLinesAgreeWithTheWalk) {
    const std::vector<LineRow> rows = {
        {"A, 0, 5", LineEffect::Use, false},
        {"A, 1, %EXEPATH%\\q.exe", LineEffect::Use, false},
        {"A, 2, 0a0B", LineEffect::Use, false},
        {", 1, default value", LineEffect::Use, false},
        {"A, 5, x", LineEffect::EndStep, false},
        {"A, , x", LineEffect::EndStep, false},
        {"A, 12, x", LineEffect::EndStep, false},
        {"A, 1", LineEffect::EndStep, true},
        {"A", LineEffect::EndStep, true},
        {"", LineEffect::EndStep, true},
        {"A, 1, " + Repeat("%EXEPATH%", 2), LineEffect::Use, false},
        {"A, 1, " + Repeat("%EXEPATH%", 3), LineEffect::Skip, true},
    };
    const std::string section = "HKEY_CURRENT_USER\\Software\\T";
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.line);
        ValueLineOutcome outcome = DecideValueLine(section, 1, row.line, kInstallDir);
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.message);

        InstallPlan plan = PlanOf(MediumWith("[Main Registry]\nCount=1\n1=" + section + "\n[" + section +
                                             "]\nCount=2\n1=" + row.line + "\n2=After, 0, 1\n"));
        ExpectMessageOf(plan, outcome.message);
        std::vector<std::string> written;
        for (const PlannedValue& v : plan.registryValues) written.push_back(v.name);
        std::vector<std::string> expected;
        if (outcome.effect == LineEffect::Use) expected.push_back(outcome.value.name);
        if (outcome.effect != LineEffect::EndStep) expected.push_back("After");
        EXPECT_EQ(written, expected);
        if (outcome.effect == LineEffect::Use) {
            EXPECT_EQ(plan.registryValues[0].bytes, outcome.data.bytes);
        }
    }
}

TEST(LineOutcome, RegistryKeyLinesAgreeWithTheWalk) {
    const std::vector<LineRow> rows = {
        {"HKEY_CURRENT_USER\\Software\\T", LineEffect::Use, false},
        {"HKEY_LOCAL_MACHINE\\", LineEffect::Use, false},
        {"Software", LineEffect::Skip, true},
        {"hkey_current_user\\Software\\T", LineEffect::Skip, false},
        {"HKCU\\Software\\T", LineEffect::Skip, false},
        {"", LineEffect::Skip, false},
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.line);
        KeyLineOutcome outcome = DecideKeyLine(1, row.line);
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.message);

        InstallPlan plan = PlanOf(MediumWith("[Main Registry]\nCount=2\n1=" + row.line +
                                             "\n2=HKEY_CURRENT_USER\\After\n[HKEY_CURRENT_USER\\After]\nCount=1\n"
                                             "1=B, 0, 1\n"));
        ExpectMessageOf(plan, outcome.message);
        std::vector<std::string> expected;
        if (outcome.effect == LineEffect::Use) expected.push_back(row.line);
        expected.push_back("HKEY_CURRENT_USER\\After");
        EXPECT_EQ(plan.registryKeys, expected);
    }
}

TEST(LineOutcome, ProgramLinesAgreeWithTheWalk) {
    const std::vector<LineRow> rows = {
        {"0, a.exe", LineEffect::Use, false},
        {"1 , \"%EXEPATH%\\q.exe\" /q", LineEffect::Use, false},
        {"x", LineEffect::Skip, false},
        {"00, a.exe", LineEffect::Skip, false},
        {"0, ", LineEffect::Skip, false},
        {"", LineEffect::Skip, false},
        {"0, " + Repeat("%EXEPATH%", 2), LineEffect::Use, false},
        {"0, " + Repeat("%EXEPATH%", 3), LineEffect::EndStep, true},
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.line);
        ProgramLineOutcome outcome = DecideProgramLine(row.line, kInstallDir);
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.message);

        InstallPlan plan = PlanOf(MediumWith("[Execute File]\nCount=2\n1=" + row.line + "\n2=0, after.exe\n"));
        ExpectMessageOf(plan, outcome.message);
        std::vector<std::string> run;
        for (const PlannedProgram& p : plan.programs) run.push_back(p.commandLine);
        std::vector<std::string> expected;
        if (outcome.effect == LineEffect::Use) expected.push_back(outcome.commandLine);
        if (outcome.effect != LineEffect::EndStep) expected.push_back("after.exe");
        EXPECT_EQ(run, expected);
    }
}

TEST(LineOutcome, ShortcutLinesAgreeWithTheWalk) {
    const std::string longTarget = Repeat("t", 155) + ".exe";  // 260 bytes below the install folder
    const std::vector<LineRow> rows = {
        {"0, Play, 1, Play Q, q.exe, -w, , q.exe", LineEffect::Use, false},
        {"1, Play, 2, , q.exe, , data, ", LineEffect::Use, false},
        {"0, a\\b, 1, , q.exe, , , ", LineEffect::Skip, true},
        {"0, Play, 1, , " + longTarget + ", , , ", LineEffect::Skip, true},
        {"2, Play, 1, , q.exe, , , ", LineEffect::EndStep, false},
        {"0, Play, 1, , q.exe, , ", LineEffect::EndStep, false},
        {"", LineEffect::EndStep, false},
    };
    const std::string group = "C:\\P\\Q\\";
    const std::string desktop = DesktopLinkFolder("C:\\D");
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.line);
        ShortcutLineOutcome outcome = DecideShortcutLine(row.line, group, desktop, kInstallDir);
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.message);

        InstallPlan plan = PlanOf(MediumWith("[Program]\nFolder Name=Q\nCount=2\n1=" + row.line +
                                             "\n2=0, After, 1, , q.exe, , , \n"));
        ExpectMessageOf(plan, outcome.message);
        EXPECT_EQ(plan.folders, std::vector<std::string>{group});
        std::vector<std::string> links;
        for (const PlannedLink& l : plan.links) links.push_back(l.linkFile);
        std::vector<std::string> expected;
        if (outcome.effect == LineEffect::Use) expected.push_back(outcome.paths.linkFile);
        if (outcome.effect != LineEffect::EndStep) expected.push_back(group + "After.lnk");
        EXPECT_EQ(links, expected);
    }
    // A place without a folder passes its links over silently.
    ShortcutLineOutcome noDesktop = DecideShortcutLine("1, Play, 1, , q.exe, , , ", group, "", kInstallDir);
    EXPECT_EQ(noDesktop.effect, LineEffect::Skip);
    EXPECT_TRUE(noDesktop.message.empty());
}

TEST(LineOutcome, ProgramGroupAgreesWithTheWalk) {
    struct Row {
        std::string folderName;
        LineEffect effect;
    };
    const std::vector<Row> rows = {
        {"Q", LineEffect::Use},
        {"Q Games\\Q", LineEffect::Use},
        {"", LineEffect::EndStep},
        {"..\\Q", LineEffect::EndStep},
        {"C:\\Q", LineEffect::EndStep},
        {Repeat("q", 255), LineEffect::EndStep},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folderName);
        ProgramGroupOutcome outcome = DecideProgramGroup("C:\\P", row.folderName);
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(outcome.message.empty(), row.effect != LineEffect::EndStep);

        InstallPlan plan = PlanOf(MediumWith("[Program]\nFolder Name=" + row.folderName +
                                             "\nCount=1\n1=0, Play, 1, , q.exe, , , \n"));
        ExpectMessageOf(plan, outcome.message);
        EXPECT_EQ(plan.folders.size(), outcome.effect == LineEffect::Use ? 1u : 0u);
        EXPECT_EQ(plan.links.size(), outcome.effect == LineEffect::EndStep ? 0u : 1u);
    }
    // Without a Programs folder the group is passed over and the links go on.
    ProgramGroupOutcome noPrograms = DecideProgramGroup("", "Q");
    EXPECT_EQ(noPrograms.effect, LineEffect::Skip);
    EXPECT_TRUE(noPrograms.message.empty());
}

TEST(LineOutcome, SharedFileLinesAgreeWithTheWalk) {
    const std::vector<LineRow> rows = {
        {"0, a.dll", LineEffect::Use, false},
        {" 1 ,a.dll", LineEffect::Use, false},
        {"", LineEffect::Skip, false},
        {"a.dll", LineEffect::Skip, false},
        {"0, ", LineEffect::Skip, false},
        {"0, ..\\a.dll", LineEffect::Skip, true},
        {"0, " + Repeat("a", 256) + ".dll", LineEffect::Skip, true},
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.line);
        SharedLineOutcome outcome = DecideSharedLine(1, row.line, "D:\\");
        EXPECT_STREQ(EffectName(outcome.effect), EffectName(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.message);

        InstallPlan plan = PlanOf(MediumWith("[Shared File]\nCount=2\n1=" + row.line + "\n2=1, a.dll\n"));
        ExpectMessageOf(plan, outcome.message);
        std::vector<std::string> installed;
        for (const PlannedFile& f : plan.sharedFiles) installed.push_back(f.destination);
        std::vector<std::string> expected;
        if (outcome.effect == LineEffect::Use)
            expected.push_back(outcome.fields.kind == 0 ? "C:\\windows\\a.dll" : "C:\\windows\\system32\\a.dll");
        expected.push_back("C:\\windows\\system32\\a.dll");
        EXPECT_EQ(installed, expected);
    }
}

TEST(LineOutcome, VersionPathsAgreeWithTheWalk) {
    struct Row {
        std::string key;
        std::string path;
        VersionPathEffect effect;
    };
    const std::vector<Row> rows = {
        {"Version Path", "HKEY_CURRENT_USER\\Software\\Q\\Version", VersionPathEffect::Use},
        {"Version Path", "HKEY_CURRENT_USER\\Version", VersionPathEffect::Use},
        {"Version Path", "", VersionPathEffect::Skip},
        {"Version Path", "hkey_current_user\\Software\\Q\\Version", VersionPathEffect::Stop},
        {"Version Path", "Version", VersionPathEffect::Stop},
        {"Version Path", "HKEY_CURRENT_USER\\" + Repeat("k", 200) + "\\Version", VersionPathEffect::Stop},
        {"Install Path", "HKEY_CURRENT_USER\\Software\\Q\\Path", VersionPathEffect::Use},
        {"Install Path", "", VersionPathEffect::Skip},
        {"Install Path", "HKCU\\Software\\Q\\Path", VersionPathEffect::EndStep},
        {"Install Path", "Path", VersionPathEffect::Stop},
        {"Install Path", "HKEY_CURRENT_USER\\Software\\" + Repeat("v", 52), VersionPathEffect::Stop},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key + "=" + row.path);
        VersionPathOutcome outcome = DecideVersionPath(row.key, row.path);
        EXPECT_EQ(static_cast<int>(outcome.effect), static_cast<int>(row.effect));
        EXPECT_EQ(!outcome.message.empty(), row.effect == VersionPathEffect::Stop);

        // Mode 0 records both locations; the other one is always usable.
        bool isVersion = row.key == "Version Path";
        std::string version = "[Version]\nMode=0\nValue=7\nVersion Path=" +
                              (isVersion ? row.path : "HKEY_CURRENT_USER\\Software\\Q\\Version") +
                              "\nInstall Path=" + (isVersion ? "HKEY_CURRENT_USER\\Software\\Q\\Path" : row.path) +
                              "\n";
        InstallPlan plan = PlanOf(MediumWith("", version));
        ExpectMessageOf(plan, outcome.message);
        EXPECT_EQ(plan.installs, outcome.effect != VersionPathEffect::Stop);
        if (outcome.effect == VersionPathEffect::Stop) continue;
        // The record writes a location only when the rule let it be used, and
        // stops at the first one it cannot write.
        std::size_t recorded = 2;
        if (outcome.effect != VersionPathEffect::Use) recorded = isVersion ? 0 : 1;
        ASSERT_EQ(plan.versionRecord.size(), recorded);
        if (outcome.effect == VersionPathEffect::Use) {
            EXPECT_EQ(plan.versionRecord[isVersion ? 0 : 1].name, outcome.parts.valueName);
        }
    }
}

TEST(LineOutcome, VersionModesRecordAsTheWalkPlans) {
    const std::string paths = "Version Path=HKEY_CURRENT_USER\\Q\\Version\nInstall Path=HKEY_CURRENT_USER\\Q\\Path\n";
    for (int mode = -1; mode <= 5; ++mode) {
        SCOPED_TRACE(mode);
        bool records = mode == 0 || mode == 1 || mode == 3;
        EXPECT_EQ(VersionModeRecords(static_cast<VersionMode>(mode)), records);
        InstallPlan plan = PlanOf(MediumWith("", "[Version]\nMode=" + std::to_string(mode) + "\nValue=7\n" + paths));
        // Mode 1 on a clean machine stops before the record.
        if (mode == 1) {
            EXPECT_FALSE(plan.installs);
            continue;
        }
        EXPECT_EQ(plan.versionRecord.size(), records ? 2u : 0u);
    }
}
