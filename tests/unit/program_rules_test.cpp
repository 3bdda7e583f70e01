#include "system/program_rules.h"

#include <gtest/gtest.h>

TEST(ProgramLine, LinesThatRun) {
    struct Case {
        const char* line;
        bool wait;
        const char* commandLine;
    } cases[] = {
        {"1, %EXEPATH%\\Redist\\setup.exe /q", true, "%EXEPATH%\\Redist\\setup.exe /q"},
        {"0, notepad.exe readme.txt", false, "notepad.exe readme.txt"},
        {"2, a.exe", false, "a.exe"},
        {"9, a.exe", false, "a.exe"},
        {"x, a.exe", false, "a.exe"},
        {"0, app.exe a,b", false, "app.exe a,b"},
        {"   1   ,   a.exe  x  ", true, "a.exe  x  "},
        {"1,a.exe", true, "a.exe"},
        {"1,\ta.exe", true, "\ta.exe"},  // a tab is no blank
        {"1,,a.exe", true, ",a.exe"},    // the command line keeps its commas
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ProgramLine program;
        ASSERT_TRUE(ParseProgramLine(c.line, program));
        EXPECT_EQ(program.wait, c.wait);
        EXPECT_EQ(program.commandLine, c.commandLine);
    }
}

TEST(ProgramLine, LinesThatAreSkipped) {
    const char* const lines[] = {
        "",         // empty line
        "    ",     // only blanks
        ", a.exe",  // empty wait field
        "  , a.exe",
        "10, a.exe",  // wait field of two characters
        "1 0, a.exe",
        "1 a.exe",    // no comma
        "1",
        "1,",         // nothing after the comma
        "1,    ",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ProgramLine program;
        program.commandLine = "untouched";
        EXPECT_FALSE(ParseProgramLine(line, program));
        EXPECT_EQ(program.commandLine, "untouched");
    }
}

// The program of a command line as Windows finds it without an application
// name, and the file it tries first.
TEST(CommandProgram, QuotedUnquotedAndCutAtBlanks) {
    struct Case {
        const char* commandLine;
        bool quoted;
        const char* path;
        const char* rest;
        const char* firstTried;  // unquoted lines only
    } cases[] = {
        {"\"C:\\Games\\My Game\\a.exe\" /q", true, "C:\\Games\\My Game\\a.exe", " /q", nullptr},
        {"  \"a.exe\"", true, "a.exe", "", nullptr},
        {"\"C:\\no end", true, "C:\\no end", "", nullptr},  // no closing quote: the rest is the program
        {"C:\\Games\\My Game\\a.exe /q", false, "C:\\Games\\My Game\\a.exe", " /q", "C:\\Games\\My.exe"},
        {"C:\\Games\\My Game\\Setup.EXE", false, "C:\\Games\\My Game\\Setup.EXE", "", "C:\\Games\\My.exe"},
        {"C:\\My Tools\\run.bat x", false, "C:\\My Tools\\run.bat", " x", "C:\\My.exe"},
        {"C:\\My\tTools\\run.cmd", false, "C:\\My\tTools\\run.cmd", "", "C:\\My.exe"},  // a tab cuts too
        {"%EXEPATH%\\Redist\\setup.exe /q", false, "%EXEPATH%\\Redist\\setup.exe", " /q", "%EXEPATH%\\Redist\\setup.exe"},
        {"app.exe C:\\My Logs\\a.txt", false, "app.exe", " C:\\My Logs\\a.txt", "app.exe"},
        {"notepad readme.txt", false, "notepad", " readme.txt", "notepad.exe"},    // no program extension: first word
        {"C:\\v1.2\\tool /x", false, "C:\\v1.2\\tool", " /x", "C:\\v1.2\\tool.exe"},  // a dot in a folder is no extension
        {"C:\\Games\\a.com", false, "C:\\Games\\a.com", "", "C:\\Games\\a.com"},
        {"", false, "", "", ".exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        CommandProgram program = FindCommandProgram(c.commandLine);
        EXPECT_EQ(program.quoted, c.quoted);
        EXPECT_EQ(program.path, c.path);
        EXPECT_EQ(program.rest, c.rest);
        if (c.firstTried != nullptr) {
            EXPECT_EQ(FirstTriedProgram(c.commandLine), c.firstTried);
        }
    }
}
