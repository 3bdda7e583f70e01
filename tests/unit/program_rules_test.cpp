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

TEST(ProgramImage, WhatWindowsStarts) {
    auto head = [](std::uint32_t offset, const std::string& signature, std::size_t size) {
        std::string bytes(size, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
        if (offset + signature.size() <= size) bytes.replace(offset, signature.size(), signature);
        return bytes;
    };
    const std::string pe("PE\0\0", 4);
    struct Row {
        const char* what;
        std::string head;
        std::uint64_t fileSize;
        bool program;
    } rows[] = {
        {"header and signature", head(0x80, pe, 0x100), 0x100, true},
        {"only MZ, as a stand-in", "MZ redist", 9, false},
        {"MZ and a header of zeros", head(0, "", 0x40), 0x40, false},
        {"signature of another format", head(0x80, std::string("NE\0\0", 4), 0x100), 0x100, false},
        {"no MZ", "#!/bin/sh\n" + std::string(0x40, ' '), 0x4A, false},
        {"signature past the bytes read, in the file", head(0x2000, pe, kProgramHeadBytes), 0x3000, true},
        {"signature past the end of the file", head(0x2000, pe, kProgramHeadBytes), 0x1000, false},
        {"signature past a short file's bytes", head(0x200, pe, 0x100), 0x100, false},
    };
    for (const Row& row : rows) EXPECT_EQ(IsWindowsProgramImage(row.head, row.fileSize), row.program) << row.what;
}
