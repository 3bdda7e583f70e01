// The install sequence and its stages as the program runs them, on a machine
// scripted by each row: which command follows each outcome, what the player
// is told and asked, and what reaches the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <vector>

#include "common/profile_rules.h"
#include "stages/stages.h"

namespace {

// A machine whose answers a test sets, logging what the stages ask of it.
class ScriptedMachine : public SetupMachine {
public:
    explicit ScriptedMachine(const std::string& script) : m_profile(ParseProfile(script)) {}

    std::string ReadScriptText(const std::string& section, const std::string& key, std::size_t capacity) override {
        ++m_textReads;
        return ProfileString(m_profile, section, key, capacity);
    }
    int ReadScriptInt(const std::string& section, const std::string& key, int defaultValue) override {
        return ProfileInt(m_profile, section, key, defaultValue);
    }
    // With m_everyLine the lists walk to their Count, as if every line were there.
    int LastScriptLine(const std::string& section) override {
        return m_everyLine ? INT_MAX : ProfileLastLine(m_profile, section);
    }
    void Tell(const std::string&, const std::string& text, unsigned, MessageOwner) override { Log("tell " + text); }
    bool Ask(Question question, const std::string&, const std::string& text, MessageOwner) override {
        Log("ask " + text);
        return m_answers.count(question) == 0 || m_answers[question];
    }
    void TellLastError() override { Log("last error"); }
    bool ChooseInstallFolder(SetupState&) override { return m_dialogOk; }
    void ShowShortcutNotice() override {}
    void HideShortcutNotice() override {}
    std::uint32_t ReadRegistryNumber(const RegistryPathParts&) override { return m_installed; }
    bool ReadRegistryText(const RegistryPathParts&, std::string&) override { return false; }
    bool CreateRegistryKey(std::uint32_t, const std::string& subKey) override {
        Log("create " + subKey);
        return true;
    }
    bool SetRegistryValue(const std::string& name, std::uint32_t, const std::vector<unsigned char>&) override {
        Log("set " + name);
        return true;
    }
    void CloseRegistryKey() override { Log("close"); }
    bool SetExistingRegistryValue(std::uint32_t, const std::string& subKey, const std::string& name, std::uint32_t,
                                  const std::string& bytes) override {
        Log("set existing " + subKey + " " + name + " " + bytes.c_str() + " " + std::to_string(bytes.size()));
        return true;
    }
    bool SourceFileSize(const std::string&, std::uint64_t&) override { return false; }
    ManifestResult ReadPackageManifest(std::vector<std::string>& names) override {
        names = m_manifest;
        return ManifestResult{};
    }
    bool IsFixedDisk(const std::string&) override { return m_fixedDisk; }
    bool FreeDiskBytes(const std::string&, std::uint64_t& bytes) override {
        bytes = m_freeBytes;
        return true;
    }
    unsigned long SetCurrentFolder(const std::string& folder) override {
        Log("enter " + folder);
        return folder == "C:\\Games\\Q" ? m_folderError : m_levelError;
    }
    bool CreateFolder(const std::string& folder) override {
        Log("make " + folder);
        return m_createOk;
    }
    bool CreateSubfolders(const std::string&, const std::string&) override { return true; }
    PathKind LookAtPath(const std::string& path) override {
        Log("look " + path);
        auto found = m_paths.find(path);
        return found == m_paths.end() ? PathKind::Missing : found->second;
    }
    bool InstallFolderInWindows(const std::string&, std::string& finalPath) override {
        finalPath = m_finalPath;
        return m_inWindows;
    }
    bool RunCopyDialog() override { return m_copyOk; }
    void ReadShellFolders(std::string& programs, std::string& desktop) override {
        programs = "C:\\P";
        desktop = "C:\\D";
    }
    bool CreateShellLink(const ShortcutLine&, const ShortcutPaths& paths) override {
        Log("link " + paths.linkFile);
        return m_linkOk;
    }
    bool StartProgram(const std::string& commandLine, bool) override {
        Log("start " + commandLine);
        return true;
    }
    void RestartWindows() override { Log("restart"); }

    void Log(const std::string& line) { m_log.push_back(line); }

    Profile m_profile;
    bool m_everyLine = false;
    long long m_textReads = 0;
    std::vector<std::string> m_log;
    std::map<Question, bool> m_answers;
    bool m_dialogOk = true;
    std::uint32_t m_installed = 0;
    bool m_fixedDisk = true;
    std::uint64_t m_freeBytes = 1ull << 40;
    unsigned long m_folderError = 0;
    unsigned long m_levelError = 0;
    bool m_createOk = true;
    bool m_copyOk = true;
    bool m_linkOk = true;
    std::vector<std::string> m_manifest{"game.exe"};
    std::map<std::string, PathKind> m_paths;  // what LookAtPath finds; Missing for the rest
    bool m_inWindows = false;
    std::string m_finalPath;
};

const char kScript[] = "[Main]\nDefault Path=C:\\Games\\Q\nChange Path=1\nName=Q\n"
                       "[Title]\nCount=2\n1=Arial,40,255255255,1,Q\n2=Arial,20,255255255,0,http://q.example/\n"
                       "[Version]\nMode=0\nVersion Path=HKEY_CURRENT_USER\\Q\\Version\nValue=5\n";

struct StepRow {
    const char* what;
    const char* scriptChange;  // "from=>to" applied to kScript, or ""
    SequenceCommand command;
    void (*setUp)(ScriptedMachine& machine);
    SequenceCommand next;
    bool quits;
    ExitCode exitCode;
    bool mediumRefusal;
    const char* lastLog;  // the last thing the machine was asked, "" for nothing
};

void Nothing(ScriptedMachine&) {}

// A [Program] section with one link, for the rows where the link is not saved.
const char kOneLink[] = "Value=5\n=>Value=5\n[Program]\nFolder Name=Q\nCount=1\n1=0, Play, 0, d, q.exe, , , \n";

std::string Changed(const std::string& change) {
    std::string script = kScript;
    std::size_t arrow = change.find("=>");
    if (arrow == std::string::npos) return script;
    std::string from = change.substr(0, arrow);
    script.replace(script.find(from), from.size(), change.substr(arrow + 2));
    return script;
}

}  // namespace

// Every transition of the sequence, each from its stage's outcome.
TEST(InstallSequence, EachOutcomePostsItsCommand) {
    const std::string longPath = "Default Path=C:\\Games\\Q=>Default Path=C:\\" + std::string(270, 'q');
    const StepRow rows[] = {
        {"clean machine goes on", "", IDM_CHECK_VERSION, Nothing, IDM_SELECT_FOLDER, false, ExitCode::Completed,
         false, ""},
        {"update refused on a clean machine", "Mode=0=>Mode=1", IDM_CHECK_VERSION, Nothing, IDM_NONE, true,
         ExitCode::Completed, false, "tell 기존의 설치된 버전이 없습니다. \n풀버전을 설치하세요."},
        {"same version, No", "", IDM_CHECK_VERSION,
         [](ScriptedMachine& m) { m.m_installed = 5, m.m_answers[Question::Overwrite] = false; }, IDM_NONE, true,
         ExitCode::Completed, false, "tell 설치를 중단합니다."},
        {"version path the program cannot use", "Version Path=HKEY_CURRENT_USER\\Q\\Version=>Version Path=Q",
         IDM_CHECK_VERSION, Nothing, IDM_NONE, true, ExitCode::Completed, true, nullptr},
        {"Default Path too long", longPath.c_str(), IDM_CHECK_VERSION, Nothing, IDM_NONE, true, ExitCode::Failed, true,
         nullptr},
        {"folder dialog cancelled", "", IDM_SELECT_FOLDER, [](ScriptedMachine& m) { m.m_dialogOk = false; },
         IDM_NONE, true, ExitCode::Completed, false, ""},
        {"not a fixed disk", "", IDM_SELECT_FOLDER, [](ScriptedMachine& m) { m.m_fixedDisk = false; },
         IDM_SELECT_FOLDER, false, ExitCode::Completed, false, "tell 하드디스크를 지정하십시요."},
        {"not a fixed disk, no folder dialog", "Change Path=1=>Change Path=0", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_fixedDisk = false; }, IDM_NONE, true, ExitCode::Failed, false,
         "tell 설치를 중단합니다.\n다음에 다시 시도하십시요."},
        {"too little space, OK", "", IDM_SELECT_FOLDER, [](ScriptedMachine& m) { m.m_freeBytes = 10; },
         IDM_SELECT_FOLDER, false, ExitCode::Completed, false, nullptr},
        {"too little space, Cancel", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_freeBytes = 10, m.m_answers[Question::DiskSpace] = false; }, IDM_NONE, true,
         ExitCode::Completed, false, nullptr},
        {"folder there", "", IDM_SELECT_FOLDER, Nothing, IDM_WRITE_REGISTRY, false, ExitCode::Completed, false,
         "enter C:\\Games\\Q"},
        {"existing file below the folder a link", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) {
             m.m_paths = {{"C:\\Games\\Q", PathKind::Plain}, {"C:\\Games\\Q\\game.exe", PathKind::Link}};
         },
         IDM_NONE, true, ExitCode::Failed, false, nullptr},
        {"folder below the folder a link", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) {
             m.m_manifest = {"data\\a.dat", "data\\maps\\b.map"};
             m.m_paths = {{"C:\\Games\\Q", PathKind::Plain},
                          {"C:\\Games\\Q\\data", PathKind::Plain},
                          {"C:\\Games\\Q\\data\\maps", PathKind::Link}};
         },
         IDM_NONE, true, ExitCode::Failed, false, nullptr},
        // A link that only moves the folder elsewhere is no refusal.
        {"folder itself a link, elsewhere", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_paths = {{"C:\\Games\\Q", PathKind::Link}}; }, IDM_WRITE_REGISTRY, false,
         ExitCode::Completed, false, "enter C:\\Games\\Q"},
        {"folder linked into the Windows folder", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_inWindows = true, m.m_finalPath = "C:\\windows\\system32"; }, IDM_NONE,
         true, ExitCode::Failed, false, nullptr},
        {"folder unusable", "", IDM_SELECT_FOLDER, [](ScriptedMachine& m) { m.m_folderError = 5; }, IDM_NONE, true,
         ExitCode::Failed, false, "tell 설치를 중단합니다.\n다음에 다시 시도하십시요."},
        {"folder missing, No", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_folderError = 2, m.m_answers[Question::CreateFolder] = false; },
         IDM_SELECT_FOLDER, false, ExitCode::Completed, false, "ask 폴더가 존재하지 않습니다.\n만드시겠습니까?"},
        {"last level made", "", IDM_SELECT_FOLDER, [](ScriptedMachine& m) { m.m_folderError = 2; },
         IDM_WRITE_REGISTRY, false, ExitCode::Completed, false, "make C:\\Games\\Q"},
        {"last level not made", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_folderError = 2, m.m_createOk = false; }, IDM_SELECT_FOLDER, false,
         ExitCode::Completed, false, "last error"},
        {"every level made", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_folderError = 3, m.m_levelError = 3; }, IDM_WRITE_REGISTRY, false,
         ExitCode::Completed, false, "make C:\\Games\\Q\\"},
        {"a level not made: no message", "", IDM_SELECT_FOLDER,
         [](ScriptedMachine& m) { m.m_folderError = 3, m.m_levelError = 3, m.m_createOk = false; },
         IDM_SELECT_FOLDER, false, ExitCode::Completed, false, "make C:\\"},
        {"registry", "", IDM_WRITE_REGISTRY, Nothing, IDM_COPY_FILES, false, ExitCode::Completed, false, ""},
        {"copy to its end", "", IDM_COPY_FILES, Nothing, IDM_FINISH, false, ExitCode::Completed, false, ""},
        {"copy cancelled", "", IDM_COPY_FILES, [](ScriptedMachine& m) { m.m_copyOk = false; }, IDM_ABORT, false,
         ExitCode::Completed, false, ""},
        {"finish", "", IDM_FINISH, Nothing, IDM_NONE, true, ExitCode::Completed, false, "tell Q 설치가 성공적으로 수행되었습니다."},
        {"finish with a link not saved", kOneLink, IDM_FINISH, [](ScriptedMachine& m) { m.m_linkOk = false; }, IDM_NONE,
         true, ExitCode::Failed, false,
         "tell Q 설치가 완료되지 않았습니다.\n다음 항목을 설치하지 못했습니다.\n단축 아이콘: Play\n\n문제를 해결한 뒤 다시 "
         "설치하십시요."},
        {"abort", "", IDM_ABORT, Nothing, IDM_NONE, true, ExitCode::Failed, false, ""},
        {"the Escape accelerator's command", "", static_cast<SequenceCommand>(0x10001), Nothing, IDM_NONE, false,
         ExitCode::Completed, false, ""},
    };
    for (const StepRow& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedMachine machine(Changed(row.scriptChange));
        SetupState state;
        state.sourceFolder = "D:\\";
        ReadMainSection(machine, state);
        row.setUp(machine);
        SequenceStep step = RunSequenceCommand(row.command, machine, state);
        EXPECT_EQ(step.next, row.next);
        EXPECT_EQ(step.quits, row.quits);
        EXPECT_EQ(step.exitCode, row.exitCode);
        EXPECT_EQ(step.mediumRefusal, row.mediumRefusal);
        if (row.lastLog) {
            EXPECT_EQ(machine.m_log.empty() ? "" : machine.m_log.back(), row.lastLog);
        }
    }
}

// The version record says the version is installed: an installation that
// could not install everything does not write it.
TEST(InstallSequence, IncompleteInstallationWritesNoVersionRecord) {
    for (bool linkSaved : {true, false}) {
        SCOPED_TRACE(linkSaved ? "complete" : "a link not saved");
        ScriptedMachine machine(Changed(kOneLink));
        SetupState state;
        state.sourceFolder = "D:\\";
        ReadMainSection(machine, state);
        CheckInstalledVersion(machine, state);
        machine.m_linkOk = linkSaved;
        machine.m_log.clear();
        RunSequenceCommand(IDM_FINISH, machine, state);
        const bool recorded =
            std::find(machine.m_log.begin(), machine.m_log.end(), "set Version") != machine.m_log.end();
        EXPECT_EQ(recorded, linkSaved);
    }
}

// The link refused names the path; nothing below a missing folder is looked
// at, since nothing can lie there yet; refused links come before any write.
TEST(InstallSequence, LinksOnTheWayOfTheCopy) {
    struct Row {
        const char* what;
        std::vector<std::string> manifest;
        std::map<std::string, PathKind> paths;
        bool inWindows;
        const char* told;    // the path the refusal names, "" for none
        const char* unseen;  // a path never looked at, "" for none
    } rows[] = {
        {"existing file a link", {"a.dat", "game.exe"},
         {{"C:\\Games\\Q", PathKind::Plain}, {"C:\\Games\\Q\\game.exe", PathKind::Link}}, false,
         "C:\\Games\\Q\\game.exe", ""},
        {"deepest folder a link", {"data\\maps\\b.map"},
         {{"C:\\Games\\Q", PathKind::Plain}, {"C:\\Games\\Q\\data", PathKind::Plain},
          {"C:\\Games\\Q\\data\\maps", PathKind::Link}},
         false, "C:\\Games\\Q\\data\\maps", "C:\\Games\\Q\\data\\maps\\b.map"},
        {"below a missing folder", {"data\\maps\\b.map", "top.dat"},
         {{"C:\\Games\\Q", PathKind::Plain}, {"C:\\Games\\Q\\top.dat", PathKind::Plain}}, false, "",
         "C:\\Games\\Q\\data\\maps"},
        {"install folder missing", {"data\\b.map"}, {}, false, "", "C:\\Games\\Q\\data"},
        {"install folder in the Windows folder", {"game.exe"}, {}, true, "C:\\windows\\system32", "C:\\Games\\Q"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedMachine machine(kScript);
        machine.m_manifest = row.manifest;
        machine.m_paths = row.paths;
        machine.m_inWindows = row.inWindows;
        machine.m_finalPath = "C:\\windows\\system32";
        SetupState state;
        state.installDir = "C:\\Games\\Q";
        state.packageFiles = row.manifest;
        bool refused = RefuseLinksOnTheWay(machine, state);
        EXPECT_EQ(refused, row.told[0] != '\0');
        std::string told;
        for (const std::string& line : machine.m_log)
            if (line.compare(0, 5, "tell ") == 0) told = line;
        EXPECT_EQ(told.empty(), !refused);
        if (refused) {
            EXPECT_NE(told.find(row.told), std::string::npos) << told;
        }
        if (row.unseen[0] == '\0') continue;
        for (const std::string& line : machine.m_log) EXPECT_NE(line, std::string("look ") + row.unseen);
    }
}

// The stages run in the order of one table, from the version check to the end.
TEST(InstallSequence, StagesFollowOneOrder) {
    std::vector<SequenceCommand> order;
    for (SequenceCommand c = FirstCommand(); c != IDM_NONE; c = CommandAfter(c)) order.push_back(c);
    EXPECT_EQ(order, (std::vector<SequenceCommand>{IDM_CHECK_VERSION, IDM_SELECT_FOLDER, IDM_WRITE_REGISTRY,
                                                    IDM_COPY_FILES, IDM_FINISH}));
    EXPECT_EQ(CommandAfter(IDM_ABORT), IDM_NONE);
}

// The start-page offer takes title line 2 from the state read at the start,
// whether or not the backdrop was ever painted: Yes writes the 300-byte value
// into the browser's existing key.
TEST(InstallSequence, StartPageOfferTakesItsAddressFromTheState) {
    ScriptedMachine machine(kScript);
    machine.m_answers[Question::StartPage] = true;
    SetupState state;
    state.sourceFolder = "D:\\";
    ReadMainSection(machine, state);
    EXPECT_EQ(state.startPageUrl, "http://q.example/");
    RunSequenceCommand(IDM_SELECT_FOLDER, machine, state);
    ASSERT_GE(machine.m_log.size(), 3u);
    EXPECT_EQ(machine.m_log[0].compare(0, 21, "ask http://q.example/"), 0) << machine.m_log[0];
    EXPECT_EQ(machine.m_log[1],
              "set existing Software\\Microsoft\\Internet Explorer\\Main Start Page http://q.example/ 300");
    EXPECT_EQ(machine.m_log[2], "tell 등록이 완료되었습니다. 확인을 누르면 설치가 계속됩니다.");
}

// One key is open at a time and closed on every way out of the registry
// step, also where a malformed value line ends it.
TEST(InstallSequence, RegistryKeyClosedOnEveryWayOut) {
    const std::string registry =
        "[Main Registry]\nCount=2\n1=HKEY_CURRENT_USER\\A\n2=HKEY_CURRENT_USER\\B\n"
        "[HKEY_CURRENT_USER\\A]\nCount=3\n1=One, 0, 1\n2=Two, 10, 2\n3=Three, 0, 3\n"
        "[HKEY_CURRENT_USER\\B]\nCount=1\n1=Four, 0, 4\n";
    ScriptedMachine machine(std::string(kScript) + registry);
    SetupState state;
    state.sourceFolder = "D:\\";
    ReadMainSection(machine, state);
    RunSequenceCommand(IDM_WRITE_REGISTRY, machine, state);
    EXPECT_EQ(machine.m_log, (std::vector<std::string>{"create A", "set One", "close"}));
}

// A count far beyond the last numbered line of its list does what the same
// list does when every line up to that count is read: a few lines past the
// last one stand for them all. The huge count reads no more than the lines
// present and the one after them.
TEST(InstallSequence, CountedListsEndAtTheirLastLine) {
    struct Row {
        const char* what;
        const char* section;  // the list's lines, its "Count" written as %COUNT%
        SequenceCommand command;
        int lastLine;
        // The counts far beyond it, and the count the walk to every line
        // takes; [Shared File] reads at most 1000 lines, with a message above.
        std::vector<std::string> hugeCounts;
        int walkedCount;
    };
    const std::vector<std::string> huge = {"2147483647", "99999999999999999999"};
    const std::string registryKey = "[Main Registry]\nCount=1\n1=HKEY_CURRENT_USER\\A\n";
    const Row rows[] = {
        {"registry keys with a gap", "[Main Registry]\nCount=%COUNT%\n1=HKEY_CURRENT_USER\\A\n3=HKEY_CURRENT_USER\\B\n"
         "[HKEY_CURRENT_USER\\A]\nCount=1\n1=One, 0, 1\n[HKEY_CURRENT_USER\\B]\nCount=1\n1=Two, 0, 2\n",
         IDM_WRITE_REGISTRY, 3, huge, 6},
        {"registry values end the step at the first missing line",
         "[Main Registry]\nCount=2\n1=HKEY_CURRENT_USER\\A\n2=HKEY_CURRENT_USER\\B\n"
         "[HKEY_CURRENT_USER\\A]\nCount=%COUNT%\n1=One, 0, 1\n2=Two, 0, 2\n"
         "[HKEY_CURRENT_USER\\B]\nCount=1\n1=Three, 0, 3\n",
         IDM_WRITE_REGISTRY, 2, huge, 5},
        {"programs", "[Execute File]\nCount=%COUNT%\n1=0, C:\\a.exe\n2=1, C:\\b.exe\n", IDM_FINISH, 2, huge, 5},
        {"shortcuts end at the first missing line",
         "[Program]\nFolder Name=Q\nCount=%COUNT%\n1=0,Q,1,,game.exe,,,\n2=1,Q desktop,1,,game.exe,,,\n", IDM_FINISH, 2, huge, 5},
        {"shared files", "[Shared File]\nCount=%COUNT%\n1=0, a.dll\n2=1, b.dll\n", IDM_SELECT_FOLDER, 2, {"1000"}, 1000},
        {"no line at all", "[Execute File]\nCount=%COUNT%\n", IDM_FINISH, 0, huge, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto run = [&](const std::string& count, bool everyLine) {
            std::string section = row.section;
            section.replace(section.find("%COUNT%"), 7, count);
            ScriptedMachine machine(std::string(kScript) + section);
            machine.m_everyLine = everyLine;
            SetupState state;
            state.sourceFolder = "D:\\";
            ReadMainSection(machine, state);
            RunSequenceCommand(row.command, machine, state);
            return machine;
        };
        ScriptedMachine walked = run(std::to_string(row.walkedCount), true);
        ScriptedMachine exact = run(std::to_string(row.lastLine), false);
        EXPECT_EQ(exact.m_log, run(std::to_string(row.lastLine), true).m_log);
        for (const std::string& count : row.hugeCounts) {
            SCOPED_TRACE(count);
            ScriptedMachine ended = run(count, false);
            EXPECT_EQ(ended.m_log, walked.m_log);
            EXPECT_LE(ended.m_textReads, exact.m_textReads + 1);
        }
    }
}
