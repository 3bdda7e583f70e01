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
