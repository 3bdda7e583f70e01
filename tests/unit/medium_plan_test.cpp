// The plan of a clean installation and the profile reader it stands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_image.h"
#include "common/profile_rules.h"
#include "install/manifest_rules.h"
#include "medium/medium_rules.h"

namespace {

Medium PlanMedium() {
    Medium m;
    m.hasScript = true;
    m.script =
        "[Main]\r\nDefault Path=C:\\Games\\Q\\\r\nChange Path=1\r\nName=Q\r\n"
        "[Title]\r\nCount=2\r\n1=Arial,40,255255255,1,Q\r\n2=Arial,20,255255255,0,http://q.example/\r\n"
        "[Version]\r\nMode=3\r\nVersion Path=HKEY_LOCAL_MACHINE\\Software\\Q\\Version\r\n"
        "Install Path=HKEY_LOCAL_MACHINE\\Software\\Q\\\r\nValue=258\r\n"
        "[Shared File]\r\nCount=2\r\n1=0, a.dll\r\n2=1 , b.dll\r\n"
        "[Main Registry]\r\nCount=1\r\n1=HKEY_CURRENT_USER\\Software\\Q\r\n"
        "[HKEY_CURRENT_USER\\Software\\Q]\r\nCount=3\r\n1=Path, 1, %EXEPATH%\\q.exe\r\n2=Level, 0, -1\r\n"
        "3=Flags, 2, 0A1b2\r\n"
        "[Program]\r\nFolder Name=Q Games\\Q\r\nCount=2\r\n1=0, Play, 1, Play Q, q.exe, -w, , q.ico\r\n"
        "2=1, Q, , , q.exe, , data, \r\n"
        "[Execute File]\r\nCount=2\r\n1=1, %EXEPATH%\\setup.exe /q\r\n2=0, notepad.exe a,b\r\n";
    m.hasManifest = true;
    m.manifest = EncodeManifest(8192, {"q.exe", "setup.exe"});
    m.files = {{"q.exe", 10}, {"setup.exe", 10}, {"a.dll", 5}, {"b.dll", 6}};
    m.heads = {{"q.exe", ProgramImageHead()}, {"setup.exe", ProgramImageHead()}, {"a.dll", ProgramImageHead()}, {"b.dll", ProgramImageHead()}};
    return m;
}

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

}  // namespace

TEST(QpkPlan, FollowsTheProgramsOrderAndRules) {
    MediumContext context;
    context.programs = "C:\\P";
    context.desktop = "C:\\D";
    InstallPlan plan = AnalyseMedium(PlanMedium(), context).plan;
    EXPECT_TRUE(plan.installs);
    EXPECT_EQ(plan.installDir, "C:\\Games\\Q");  // the folder dialog trims the backslash
    ASSERT_EQ(plan.registryValues.size(), 3u);
    EXPECT_EQ(plan.registryValues[0].key, "HKEY_CURRENT_USER\\Software\\Q");
    EXPECT_EQ(plan.registryValues[0].type, 1u);
    EXPECT_EQ(plan.registryValues[0].bytes, Bytes(std::string("C:\\Games\\Q\\q.exe") + '\0'));
    EXPECT_EQ(plan.registryValues[1].bytes, (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(plan.registryValues[2].bytes, (std::vector<unsigned char>{0x0A, 0x1B}));
    ASSERT_EQ(plan.files.size(), 2u);
    EXPECT_EQ(plan.files[0].destination, "C:\\Games\\Q\\q.exe");
    ASSERT_EQ(plan.sharedFiles.size(), 2u);
    EXPECT_EQ(plan.sharedFiles[0].destination, "C:\\windows\\a.dll");
    EXPECT_EQ(plan.sharedFiles[1].destination, "C:\\windows\\system32\\b.dll");
    ASSERT_EQ(plan.links.size(), 2u);
    EXPECT_EQ(plan.links[0].linkFile, "C:\\P\\Q Games\\Q\\Play.lnk");
    EXPECT_EQ(plan.links[0].icon, "C:\\Games\\Q\\q.ico");
    EXPECT_EQ(plan.links[0].showCommand, 6);
    EXPECT_EQ(plan.links[1].linkFile, "C:\\D\\Q.lnk");
    EXPECT_EQ(plan.links[1].workingFolder, "C:\\Games\\Q\\data");
    EXPECT_EQ(plan.links[1].icon, "");
    ASSERT_EQ(plan.programs.size(), 2u);
    EXPECT_EQ(plan.programs[0].commandLine, "C:\\Games\\Q\\setup.exe /q");
    EXPECT_TRUE(plan.programs[0].wait);
    EXPECT_EQ(plan.programs[1].commandLine, "notepad.exe a,b");
    EXPECT_FALSE(plan.programs[1].wait);
    ASSERT_EQ(plan.versionRecord.size(), 2u);
    EXPECT_EQ(plan.versionRecord[0].bytes, (std::vector<unsigned char>{2, 1, 0, 0}));
    EXPECT_EQ(plan.versionRecord[1].key, "HKEY_LOCAL_MACHINE\\Software\\Q");
    EXPECT_EQ(plan.versionRecord[1].name, "");
}

TEST(QpkPlan, QuestionsComeInTheOrderThePlayerSeesThem) {
    InstallPlan plan = AnalyseMedium(PlanMedium(), MediumContext()).plan;
    std::vector<std::string> captions;
    for (const PlannedMessage& m : plan.messages) captions.push_back(m.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"설치 디렉토리 선택", "시작페이지 등록", "폴더 생성", "설치 완료"}));
    EXPECT_EQ(plan.messages[1].text.compare(0, 17, "http://q.example/"), 0);
}

TEST(QpkPlan, StopsWhereTheProgramStops) {
    struct Row {
        const char* from;
        const char* to;
        bool noManifest;
        int exitCode;
    } rows[] = {
        {"Mode=3", "Mode=1", false, 0},                                   // an update on a clean machine
        {"Version Path=HKEY_LOCAL_MACHINE", "Version Path=HKLM", false, 0},  // unknown root: told and ended
        {"", "", true, -1},                                               // no package manifest
        {"Default Path=C:\\Games\\Q\\", "Default Path=C:\\Games\\"
         "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
         "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
         "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ", false, -1},  // over 258 bytes: refused before anything
    };
    for (const Row& row : rows) {
        Medium m = PlanMedium();
        if (*row.from) m.script.replace(m.script.find(row.from), std::string(row.from).size(), row.to);
        m.hasManifest = !row.noManifest;
        InstallPlan plan = AnalyseMedium(m, MediumContext()).plan;
        EXPECT_FALSE(plan.installs) << row.to;
        EXPECT_EQ(plan.exitCode, row.exitCode) << row.to;
        EXPECT_TRUE(plan.registryValues.empty() && plan.files.empty() && plan.links.empty()) << row.to;
    }
}

// What the medium lacks is not installed, and the end says so instead of the
// completion message: no version record, exit code -1.
TEST(QpkPlan, WhatTheMediumLacksEndsTheInstallationAsIncomplete) {
    struct Row {
        const char* what;
        const char* missing;  // the file the medium lacks
        const char* notice;   // the item line of the notice
        std::size_t files;    // package files planned
        std::size_t shared;   // shared files planned
        const char* firstBox; // the caption of the box that tells the file, "" when none does
    } rows[] = {
        {"a package file", "setup.exe", "\n파일: setup.exe\n", 1, 2, "오류"},
        {"a shared file", "b.dll", "\n공유 파일: b.dll\n", 2, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Medium m = PlanMedium();
        m.files.erase(row.missing);
        InstallPlan plan = AnalyseMedium(m, MediumContext()).plan;
        EXPECT_EQ(plan.exitCode, -1);
        EXPECT_TRUE(plan.versionRecord.empty());
        EXPECT_EQ(plan.files.size(), row.files);
        EXPECT_EQ(plan.sharedFiles.size(), row.shared);
        ASSERT_FALSE(plan.messages.empty());
        const PlannedMessage& last = plan.messages.back();
        EXPECT_EQ(last.caption, "설치 오류");
        EXPECT_EQ(last.text.find("Q 설치가 완료되지 않았습니다."), 0u);
        EXPECT_NE(last.text.find(row.notice), std::string::npos) << last.text;
        bool told = false;
        for (const PlannedMessage& message : plan.messages)
            told = told || (message.caption == row.firstBox && message.text.find(row.missing) == 0);
        EXPECT_EQ(told, *row.firstBox != '\0');
    }
}

TEST(QpkProfile, ReadsAsTheProfileFunctionsDo) {
    Profile p = ParseProfile("[main]\r\n  Name  =  \"Quoted\"  \r\nname=second\r\nNum= 0x1F\r\nNeg=-2\r\n"
                             "Word=abc\r\nEmpty=\r\n[Main]\r\nOther=x\r\n[Long]\r\nV=abcdef\n");
    struct Row {
        const char* section;
        const char* key;
        std::size_t capacity;
        const char* text;
    } texts[] = {
        {"MAIN", "name", 299, "Quoted"},  // case-blind names, blanks and one pair of quotes gone, first key wins
        {"Main", "Other", 299, ""},       // only the first section of a name is read
        {"Long", "V", 4, "abc"},          // cut to capacity - 1
        {"Nowhere", "V", 299, ""},
    };
    for (const Row& r : texts) EXPECT_EQ(ProfileString(p, r.section, r.key, r.capacity), r.text) << r.key;
    struct IntRow {
        const char* key;
        int expected;
    } ints[] = {{"Num", 31}, {"Neg", -2}, {"Word", 0}, {"Empty", 7}, {"Missing", 7}};
    for (const IntRow& r : ints) EXPECT_EQ(ProfileInt(p, "Main", r.key, 7), r.expected) << r.key;
    EXPECT_EQ(FindProfileEntry(p, "Main", "Num")->line, 4);
}

// A section read whole, as the system lists it, gives each numbered line what
// a lookup by name gives: the first line of a number, quotes removed, a line
// without '=' empty; a value longer than the buffer is left to the system.
TEST(QpkProfile, SectionListReadsAsLookupsByName) {
    const std::string script = "[S]\r\n1=one\r\n2=\"quoted\"\r\n1=second one\r\n3\r\n"
                               "01=leading zero\r\nCount=9\r\n12='a'\r\n7=abcdef\r\n";
    Profile p = ParseProfile(script);
    // The listing under Wine: names and values as stored, blanks gone.
    const char list[] = "1=one\0" "2=\"quoted\"\0" "1=second one\0" "3\0" "01=leading zero\0" "Count=9\0"
                        "12='a'\0" " 7 = abcdef \0";
    std::map<int, std::string> lines = NumberedLinesOfSectionList(list);
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.rbegin()->first, ProfileLastLine(p, "S"));
    for (int number = 1; number <= 13; ++number) {
        SCOPED_TRACE(number);
        auto line = lines.find(number);
        std::string value;
        if (line != lines.end()) {
            ASSERT_TRUE(StoredValueAsRead(line->second, 299, value));
        }
        EXPECT_EQ(value, ProfileString(p, "S", LineKey(number), 299));
    }
    std::string value = "untouched";
    EXPECT_TRUE(StoredValueAsRead("abcdef", 7, value));
    EXPECT_EQ(value, "abcdef");
    EXPECT_FALSE(StoredValueAsRead("abcdef", 6, value));
    EXPECT_FALSE(StoredValueAsRead("\"abcd\"", 6, value));
}

// The plan of each case the options describe: the earlier installation the
// version check finds and the player's answers, through the program's rules.
TEST(QpkPlan, PlansTheCaseItIsGiven) {
    const std::string dialog = "설치 디렉토리 선택", offer = "시작페이지 등록", offered = "시작페이지 등록 완료",
                      create = "폴더 생성", done = "설치 완료", installer = "Q 설치 프로그램", stopped = "설치 취소";
    struct Row {
        const char* what;
        int mode;
        std::uint32_t installed;
        std::string installedPath;
        FolderPresence folder;
        Answer overwrite, startPage, createFolder;
        std::vector<std::string> captions;
        bool installs;
        std::string installDir;
    };
    const Answer Y = Answer::Yes, N = Answer::No;
    const FolderPresence implied = FolderPresence::Implied;
    const std::vector<Row> rows = {
        {"update on a clean machine", 1, 0, "", implied, Y, N, Y, {installer}, false, ""},
        {"update over an older version", 1, 200, "D:\\Old\\Q", implied, Y, N, Y, {dialog, offer, done}, true,
         "D:\\Old\\Q"},
        {"update, folder gone", 1, 200, "D:\\Old\\Q", FolderPresence::Missing, Y, N, Y, {dialog, offer, create, done},
         true, "D:\\Old\\Q"},
        {"same version, No", 0, 258, "", implied, N, N, Y, {installer, stopped}, false, ""},
        {"newer version, Yes", 0, 300, "", implied, Y, N, Y, {installer, dialog, offer, create, done}, true,
         "C:\\Games\\Q"},
        {"folder there already", 0, 0, "", FolderPresence::Exists, Y, N, Y, {dialog, offer, done}, true, "C:\\Games\\Q"},
        {"start page, Yes", 0, 0, "", implied, Y, Y, Y, {dialog, offer, offered, create, done}, true, "C:\\Games\\Q"},
        {"no folder made", 0, 0, "", implied, Y, N, N, {dialog, offer, create}, false, "C:\\Games\\Q"},
        {"mode 4 takes the recorded folder too", 4, 0, "E:\\Q", implied, Y, N, Y, {dialog, offer, done}, true,
         "E:\\Q"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Medium m = PlanMedium();
        m.script.replace(m.script.find("Mode=3"), 6, "Mode=" + std::to_string(row.mode));
        MediumContext context;
        context.installedVersion = row.installed;
        context.installedPath = row.installedPath;
        context.folderPresence = row.folder;
        context.overwrite = row.overwrite;
        context.startPage = row.startPage;
        context.createFolder = row.createFolder;
        InstallPlan plan = AnalyseMedium(m, context).plan;
        std::vector<std::string> captions;
        for (const PlannedMessage& message : plan.messages) captions.push_back(message.caption);
        EXPECT_EQ(captions, row.captions);
        EXPECT_EQ(plan.installs, row.installs);
        EXPECT_EQ(plan.installDir, row.installDir);
        EXPECT_EQ(plan.endNote.empty(), row.createFolder == Y);
        EXPECT_EQ(plan.startPage.size(), row.installs && row.startPage == Y ? 1u : 0u);
        if (row.installs && row.mode != 4) {
            // The record names the folder the files went to.
            ASSERT_EQ(plan.versionRecord.size(), 2u);
            EXPECT_EQ(plan.versionRecord[1].bytes, Bytes(row.installDir + '\0'));
        }
        EXPECT_FALSE(plan.plannedFor.empty());
    }
}

// Yes to the start page writes the whole 300-byte value of title line 2.
TEST(QpkPlan, StartPageValueAsTheProgramWritesIt) {
    MediumContext context;
    context.startPage = Answer::Yes;
    InstallPlan plan = AnalyseMedium(PlanMedium(), context).plan;
    ASSERT_EQ(plan.startPage.size(), 1u);
    const PlannedValue& value = plan.startPage[0];
    EXPECT_EQ(value.key, "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main");
    EXPECT_EQ(value.name, "Start Page");
    EXPECT_EQ(value.type, 1u);
    ASSERT_EQ(value.bytes.size(), 300u);
    EXPECT_EQ(std::string(value.bytes.begin(), value.bytes.begin() + 18), std::string("http://q.example/\0", 18));
    EXPECT_EQ(value.bytes.back(), 0);
}

// The earlier installation is found only where [Version] names a location:
// without "Install Path" the recorded folder is not read, and without
// "Version Path" neither is the number (so mode 1 refuses).
TEST(QpkPlan, EarlierInstallationOnlyWhereVersionNamesIt) {
    MediumContext context;
    context.installedVersion = 5;
    context.installedPath = "E:\\Q";
    Medium noFolder = PlanMedium();
    noFolder.script.replace(noFolder.script.find("Install Path="), 13, "Unused=");
    InstallPlan plan = AnalyseMedium(noFolder, context).plan;
    EXPECT_EQ(plan.installDir, "C:\\Games\\Q");
    EXPECT_NE(plan.plannedFor.find("no usable \"Install Path\""), std::string::npos) << plan.plannedFor;
    Medium noNumber = PlanMedium();
    noNumber.script.replace(noNumber.script.find("Mode=3"), 6, "Mode=1");
    noNumber.script.replace(noNumber.script.find("Version Path="), 13, "Unused=");
    EXPECT_FALSE(AnalyseMedium(noNumber, context).plan.installs);
}

// A post-install program that cannot start shows the program's box and no
// later line runs.
TEST(QpkPlan, ProgramThatCannotStartEndsThePrograms) {
    Medium m = PlanMedium();
    m.heads["setup.exe"] = "PK";
    InstallPlan plan = AnalyseMedium(m, MediumContext()).plan;
    EXPECT_TRUE(plan.programs.empty());
    ASSERT_GE(plan.messages.size(), 2u);
    EXPECT_EQ(plan.messages[plan.messages.size() - 2].caption, "오류");
    EXPECT_EQ(plan.messages[plan.messages.size() - 2].text, "프로그램을 실행할 수 없습니다.");
}

// An install folder that is not on a fixed disk gets the program's notice
// and the folder stage again, before the manifest's paths are looked at: the
// plan ends there; without the folder dialog the installation ends (-1). The
// check finds no path too long below a folder the player never gets to use.
TEST(QpkPlan, FolderNotOnAFixedDiskAsksForAnotherOne) {
    const std::string dialog = "설치 디렉토리 선택", offer = "시작페이지 등록", notice = "공지", error = "설치 오류";
    struct Row {
        const char* what;
        const char* mainSection;
        std::vector<std::string> captions;
        const char* lastText;
        const char* endNoteEnd;  // "": the plan follows the program to its end
        const char* finding;
    } rows[] = {
        {"no Default Path, folder dialog", "Default Path=\r\nChange Path=1", {dialog, offer, notice},
         "하드디스크를 지정하십시요.", "the folder dialog comes back with the same folder", "no-default-path"},
        {"no Default Path, no dialog", "Default Path=\r\nChange Path=0", {notice, error},
         "설치를 중단합니다.\n다음에 다시 시도하십시요.", "", "no-default-path"},
        {"no drive in Default Path", "Default Path=Games\r\nChange Path=0", {notice, error},
         "설치를 중단합니다.\n다음에 다시 시도하십시요.", "", "folder-not-on-disk"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Medium m = PlanMedium();
        const std::string main = "Default Path=C:\\Games\\Q\\\r\nChange Path=1";
        m.script.replace(m.script.find(main), main.size(), row.mainSection);
        MediumReport report = AnalyseMedium(m, MediumContext());
        std::vector<std::string> captions;
        for (const PlannedMessage& message : report.plan.messages) captions.push_back(message.caption);
        EXPECT_EQ(captions, row.captions);
        EXPECT_EQ(report.plan.messages.back().text, row.lastText);
        EXPECT_FALSE(report.plan.installs);
        EXPECT_TRUE(report.plan.files.empty() && report.plan.registryValues.empty());
        const std::string& note = report.plan.endNote;
        const std::string end = row.endNoteEnd;
        if (end.empty()) {
            EXPECT_EQ(note, "");
            EXPECT_EQ(report.plan.exitCode, -1);
        } else {
            EXPECT_EQ(note.size() < end.size() ? note : note.substr(note.size() - end.size()), end);
        }
        std::vector<std::string> codes;
        for (const Finding& f : report.findings) codes.push_back(f.code);
        EXPECT_NE(std::find(codes.begin(), codes.end(), row.finding), codes.end());
        EXPECT_EQ(std::find(codes.begin(), codes.end(), "install-path-long"), codes.end());
    }
}
