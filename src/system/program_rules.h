// Decisions of the post-install programs: the syntax of an [Execute File]
// line and the text shown when its command line cannot be used.
// Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <string>

struct ProgramLine {
    bool wait = false;        // wait field 1: wait until the program has ended
    std::string commandLine;  // the rest of the line, commas and blanks included
};

// Parses one line: a one-character wait field, optional blanks, a comma,
// blanks, then the command line. False when the line is to be skipped: empty,
// an empty or longer wait field, or nothing after the comma.
bool ParseProgramLine(const std::string& line, ProgramLine& out);

// The message for a command line that would not fit its buffer once
// %EXEPATH% is replaced; names the line as the script wrote it.
std::string CommandLineTooLongText(const std::string& commandLine);
