#include "system/shortcut_rules.h"

#include <gtest/gtest.h>

namespace {

struct GoodLine {
    const char* line;
    ShortcutPlace place;
    const char* name;
    int show;
    const char* description;
    const char* target;
    const char* arguments;
    const char* workingFolder;
    const char* icon;
};

const GoodLine kGoodLines[] = {
    {"0, Play, 0, Start the game, game.exe, -window, , game.ico", ShortcutPlace::ProgramGroup, "Play", 1,
     "Start the game", "game.exe", "-window", "", "game.ico"},
    {"1, Play, , , game.exe, , , ", ShortcutPlace::Desktop, "Play", 1, "", "game.exe", "", "", ""},
    {"0,Play,1,d,t,a,w,i", ShortcutPlace::ProgramGroup, "Play", 6, "d", "t", "a", "w", "i"},
    {"0,Play,2,d,t,a,w,i", ShortcutPlace::ProgramGroup, "Play", 3, "d", "t", "a", "w", "i"},
    // Non-digits count as 0: program group, normal window.
    {"x,Play,y,d,t,a,w,i", ShortcutPlace::ProgramGroup, "Play", 1, "d", "t", "a", "w", "i"},
    // Blanks in front of a comma belong to the field; blanks before a field do not.
    {"  1  ,  Play  ,  2  ,  A game  ,  bin\\g.exe  , -x -y ,  data  ,  g.ico  ", ShortcutPlace::Desktop,
     "Play  ", 3, "A game  ", "bin\\g.exe  ", "-x -y ", "data  ", "g.ico  "},
    // The icon is the rest of the line, commas included; a tab is no blank.
    {"0,Play,,d,t,a,w,i,c,o", ShortcutPlace::ProgramGroup, "Play", 1, "d", "t", "a", "w", "i,c,o"},
    {"0,\tPlay,,d,t,a,w,", ShortcutPlace::ProgramGroup, "\tPlay", 1, "d", "t", "a", "w", ""},
    // No %EXEPATH% expansion on shortcut lines.
    {"0,Play,,d,t,%EXEPATH%\\x,w,i", ShortcutPlace::ProgramGroup, "Play", 1, "d", "t", "%EXEPATH%\\x", "w", "i"},
};

}  // namespace

TEST(ShortcutLine, WellFormedLines) {
    for (const GoodLine& c : kGoodLines) {
        SCOPED_TRACE(c.line);
        ShortcutLine parsed;
        ASSERT_TRUE(ParseShortcutLine(c.line, parsed));
        EXPECT_EQ(parsed.place, c.place);
        EXPECT_EQ(parsed.name, c.name);
        EXPECT_EQ(parsed.showCommand, c.show);
        EXPECT_EQ(parsed.description, c.description);
        EXPECT_EQ(parsed.target, c.target);
        EXPECT_EQ(parsed.arguments, c.arguments);
        EXPECT_EQ(parsed.workingFolder, c.workingFolder);
        EXPECT_EQ(parsed.icon, c.icon);
    }
}

TEST(ShortcutLine, LinesThatEndTheList) {
    const char* const lines[] = {
        "",                              // missing or empty line
        "   ",                           //
        "2,Play,,d,t,a,w,i",             // place 2 to 9
        "9,Play,,d,t,a,w,i",             //
        "10,Play,,d,t,a,w,i",            // place longer than one character
        ",Play,,d,t,a,w,i",              // empty place
        "0 x,Play,,d,t,a,w,i",           //
        "0,,,d,t,a,w,i",                 // empty name
        "0,   ,,d,t,a,w,i",              //
        "0,Play,3,d,t,a,w,i",            // show 3 to 9
        "0,Play,5,d,t,a,w,i",            //
        "0,Play,12,d,t,a,w,i",           // show longer than one character
        "0,Play,,d,,a,w,i",              // empty target
        "0,Play,,d,  ,a,w,i",            //
        "0",                             // ends before its seven commas
        "0,Play",                        //
        "0,Play,,d,t,a",                 //
        "0,Play,,d,t,a,w",               // six commas
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ShortcutLine parsed;
        parsed.name = "untouched";
        EXPECT_FALSE(ParseShortcutLine(line, parsed));
        EXPECT_EQ(parsed.name, "untouched");
    }
}

TEST(ShortcutLine, StepRunsForAnyCountButZero) {
    EXPECT_FALSE(ShortcutStepRuns(0));
    EXPECT_TRUE(ShortcutStepRuns(1));
    EXPECT_TRUE(ShortcutStepRuns(-1));  // notice and group, but no link
}

TEST(ShellFolders, ValueTextStopsAtNulOrSize) {
    const char terminated[] = "C:\\Users\\a\\Desktop\0garbage";
    EXPECT_EQ(ShellFolderValueText(terminated, sizeof terminated), "C:\\Users\\a\\Desktop");
    const char unterminated[4] = {'C', ':', '\\', 'x'};
    EXPECT_EQ(ShellFolderValueText(unterminated, sizeof unterminated), "C:\\x");
    EXPECT_EQ(ShellFolderValueText(unterminated, 2), "C:");
    EXPECT_EQ(ShellFolderValueText("", 1), "");
    EXPECT_EQ(ShellFolderValueText("abc", 0), "");
}

TEST(ShellFolders, DesktopLinkFolder) {
    EXPECT_EQ(DesktopLinkFolder("C:\\users\\root\\Desktop"), "C:\\users\\root\\Desktop\\");
    EXPECT_EQ(DesktopLinkFolder(""), "");
    EXPECT_EQ(DesktopLinkFolder(std::string(258, 'd')), std::string(258, 'd') + "\\");
    EXPECT_EQ(DesktopLinkFolder(std::string(259, 'd')), "");
}

TEST(ProgramGroup, FolderFromName) {
    struct Case {
        const char* programs;
        const char* name;
        GroupFolderResult result;
        const char* folder;
    } cases[] = {
        {"C:\\P", "Games\\Quest", GroupFolderResult::Ready, "C:\\P\\Games\\Quest\\"},
        {"C:\\P", "Quest", GroupFolderResult::Ready, "C:\\P\\Quest\\"},
        {"C:\\P", "Quorin 1.0", GroupFolderResult::Ready, "C:\\P\\Quorin 1.0\\"},
        {"C:\\P", "..Games", GroupFolderResult::Ready, "C:\\P\\..Games\\"},
        {"C:\\P", "", GroupFolderResult::EmptyName, ""},
        {"", "", GroupFolderResult::EmptyName, ""},
        {"C:\\P", "..", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "..\\Startup", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games\\..\\..\\x", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games/../../x", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "C:\\Windows", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games\\..", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "\\Games", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "\\\\server\\share", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "/Games", GroupFolderResult::NameLeavesPrograms, ""},
        // Parts of dots and blanks, which Windows reads as ".." or ".", and device names.
        {"C:\\P", ".. \\.. \\EvilB", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games\\. ", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "...", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games\\NUL", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "con.txt", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Games\\COM1", GroupFolderResult::NameLeavesPrograms, ""},
        {"C:\\P", "Console", GroupFolderResult::Ready, "C:\\P\\Console\\"},
        {"", "Games", GroupFolderResult::NoProgramsFolder, ""},
        {"", "..\\x", GroupFolderResult::NameLeavesPrograms, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.programs) + " | " + c.name);
        std::string folder = "stale";
        EXPECT_EQ(BuildProgramGroupFolder(c.programs, c.name, folder), c.result);
        EXPECT_EQ(folder, c.folder);
    }
}

TEST(ProgramGroup, FolderOfAtMost259Characters) {
    std::string folder;
    // "C:\P" + "\" + name + "\": 6 characters besides the name.
    EXPECT_EQ(BuildProgramGroupFolder("C:\\P", std::string(253, 'g'), folder), GroupFolderResult::Ready);
    EXPECT_EQ(folder.size(), 259u);
    EXPECT_EQ(BuildProgramGroupFolder("C:\\P", std::string(254, 'g'), folder), GroupFolderResult::TooLong);
    EXPECT_EQ(folder, "");
}


namespace {

ShortcutLine Line(const char* name, const char* target, const char* workingFolder, const char* icon) {
    ShortcutLine line;
    line.name = name;
    line.target = target;
    line.workingFolder = workingFolder;
    line.icon = icon;
    return line;
}

}  // namespace

TEST(ShortcutPaths, BuiltBelowTheInstallFolder) {
    struct Case {
        ShortcutLine line;
        const char* linkFile;
        const char* target;
        const char* workingFolder;
        const char* icon;
    } cases[] = {
        {Line("Play", "game.exe", "", "game.ico"), "C:\\G\\Q\\Play.lnk", "C:\\Games\\X\\game.exe", "C:\\Games\\X",
         "C:\\Games\\X\\game.ico"},
        {Line("Play ", "bin\\g.exe", "data", ""), "C:\\G\\Q\\Play .lnk", "C:\\Games\\X\\bin\\g.exe",
         "C:\\Games\\X\\data", ""},
        {Line("게임 시작", "..\\other.exe", "..", "a,b.ico"), "C:\\G\\Q\\게임 시작.lnk", "C:\\Games\\X\\..\\other.exe",
         "C:\\Games\\X\\..", "C:\\Games\\X\\a,b.ico"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linkFile);
        ShortcutPaths paths;
        ASSERT_EQ(BuildShortcutPaths(c.line, "C:\\G\\Q\\", "C:\\Games\\X", paths), ShortcutPathResult::Ready);
        EXPECT_EQ(paths.linkFile, c.linkFile);
        EXPECT_EQ(paths.target, c.target);
        EXPECT_EQ(paths.workingFolder, c.workingFolder);
        EXPECT_EQ(paths.icon, c.icon);
    }
}

TEST(ShortcutPaths, NamesThatLeaveThePlaceAreRefused) {
    // Also names that are no file of their own: a device (the link would go to
    // the device, not to a file) and names of dots and blanks.
    for (const char* name : {"..\\Startup\\Play", "Sub\\Play", "../Play", "C:Play", "C:\\Play", "NUL", "con",
                             "LPT1", "aux.game", "..", ". .", "..."}) {
        SCOPED_TRACE(name);
        ShortcutPaths paths;
        paths.linkFile = "untouched";
        EXPECT_EQ(BuildShortcutPaths(Line(name, "g.exe", "", ""), "C:\\D\\", "C:\\X", paths),
                  ShortcutPathResult::NameNotPlain);
        EXPECT_EQ(paths.linkFile, "untouched");
    }
}

TEST(ShortcutPaths, EachPathAtMost259Characters) {
    const std::string dir = "C:\\X";  // install folder + "\" takes 5 characters
    const std::string place = "C:\\D\\";  // place + ".lnk" takes 9
    struct Case {
        ShortcutLine line;
        ShortcutPathResult result;
    } cases[] = {
        {Line(std::string(250, 'n').c_str(), "t", "", ""), ShortcutPathResult::Ready},
        {Line(std::string(251, 'n').c_str(), "t", "", ""), ShortcutPathResult::TooLong},
        {Line("n", std::string(254, 't').c_str(), "", ""), ShortcutPathResult::Ready},
        {Line("n", std::string(255, 't').c_str(), "", ""), ShortcutPathResult::TooLong},
        {Line("n", "t", std::string(254, 'w').c_str(), ""), ShortcutPathResult::Ready},
        {Line("n", "t", std::string(255, 'w').c_str(), ""), ShortcutPathResult::TooLong},
        {Line("n", "t", "", std::string(254, 'i').c_str()), ShortcutPathResult::Ready},
        {Line("n", "t", "", std::string(255, 'i').c_str()), ShortcutPathResult::TooLong},
    };
    for (const Case& c : cases) {
        ShortcutPaths paths;
        EXPECT_EQ(BuildShortcutPaths(c.line, place, dir, paths), c.result)
            << c.line.name.size() << " " << c.line.target.size() << " " << c.line.workingFolder.size() << " "
            << c.line.icon.size();
    }
}
