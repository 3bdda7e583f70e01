// Decisions of the post-install programs: the syntax of an [Execute File]
// line and the text shown when its command line cannot be used.
// Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstdint>
#include <string>

#include "common/script_rules.h"

struct ProgramLine {
    bool wait = false;        // wait field 1: wait until the program has ended
    char waitCharacter = 0;   // the wait field as written
    std::string commandLine;  // the rest of the line, commas and blanks included
};

// Parses one line: a one-character wait field, optional blanks, a comma,
// blanks, then the command line. False when the line is to be skipped: empty,
// an empty or longer wait field, or nothing after the comma.
bool ParseProgramLine(const std::string& line, ProgramLine& out);

// The program of a command line started without an application name, as
// Windows finds it: a first word in double quotes is the program whole;
// otherwise Windows cuts the line at each blank (space or tab) in turn and
// runs the first cut that names a file, adding ".exe" to a cut without an
// extension, so that "C:\Games\My Game\a.exe /q" runs C:\Games\My.exe when
// there is one.
struct CommandProgram {
    bool quoted = false;
    // The program the line means: the quoted text; else up to the first cut
    // whose last part ends in .exe, .com, .bat or .cmd, or the first word
    // when no cut does.
    std::string path;
    std::string rest;  // what follows the program (its closing quote left out)
};
CommandProgram FindCommandProgram(const std::string& commandLine);

// The file Windows tries first for an unquoted command line: its first word,
// with ".exe" added when that word's last part has no extension.
std::string FirstTriedProgram(const std::string& commandLine);

// How many first bytes of a file tell whether Windows can start it.
constexpr std::size_t kProgramHeadBytes = 1024;

// Whether the first bytes of a file (up to kProgramHeadBytes; fileSize its
// whole size) are those of a Windows program: the "MZ" header, and at the
// offset it gives (0x3C) the "PE" signature. Windows refuses anything else,
// also a file that only begins with "MZ". Where the signature lies beyond the
// kProgramHeadBytes read, in a file that goes on that far, the file is taken
// to be a program.
bool IsWindowsProgramImage(const std::string& head, std::uint64_t fileSize);

// The message shown ("오류", no icon) when a program cannot be started; the
// step ends there and no later line runs.
constexpr const char kProgramCannotRunText[] = "프로그램을 실행할 수 없습니다.";

// The message for a command line that would not fit its buffer once
// %EXEPATH% is replaced; names the line as the script wrote it.
std::string CommandLineTooLongText(const std::string& commandLine);

// What the program step does with one [Execute File] line: Use starts
// commandLine (%EXEPATH% replaced); Skip passes silently over a line that is
// not a program line; EndStep, with a message, ends the step at a command
// line that would not fit its buffer once %EXEPATH% is replaced.
struct ProgramLineOutcome {
    LineEffect effect = LineEffect::Skip;
    std::string message;
    ProgramLine line;         // as parsed, for Use and EndStep
    std::string commandLine;  // for Use
};
ProgramLineOutcome DecideProgramLine(const std::string& text, const std::string& installDir);
