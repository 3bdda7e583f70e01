// The [Shared File] section: its count and the syntax of its numbered lines
// ("<kind>, <file name>"), the measured size of a listed file and the
// messages about lines the program cannot use. Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <string>

#include "common/script_rules.h"
#include "install/copy_rules.h"

// More lines than this are not read: the array is allocated from the count,
// and a count the script does not back must not exhaust memory or time.
constexpr int kMaxSharedFiles = 1000;

// The number of records to build for a "Count" value: a negative count is 0;
// above kMaxSharedFiles the count is cut to that limit.
int SharedFileCountToUse(int count);

enum class SharedLine {
    Empty,      // no value: record unused
    Malformed,  // no kind character, or no comma right after it (blanks aside)
    NoName,     // nothing after the comma: the kind is stored, the record unused
    BadName,    // a name the record cannot hold or that leaves the folder
    Ok,
};

struct SharedLineFields {
    int kind = 0;       // valid for NoName, BadName and Ok
    char kindCharacter = 0;  // the kind field as written, with kind
    std::string name;   // valid for Ok; for BadName the name as written
    NameProblem problem = NameProblem::None;  // for BadName
};

// Optional blanks, one kind character (a digit gives its value, any other
// character 0), optional blanks, a comma, optional blanks, then the file name
// to the end of the value, blanks and commas included.
SharedLine ParseSharedFileLine(const std::string& value, SharedLineFields& fields);

// The record size of a measured file: its low 32 bits when the high part is 0
// and the low part is not 0xFFFFFFFF; otherwise 0, the record is not used.
std::uint32_t SharedFileSize(std::uint32_t low, std::uint32_t high);

// "설치 정보 파일(Setup.ini)의 [Shared File] <n>=<line>" with the problem
// (NameProblemText or PathTooLongText) and the consequence: the file is not
// installed.
std::string SharedLineErrorText(int number, const std::string& line, const std::string& problem);

// The message when "Count" is above kMaxSharedFiles.
std::string SharedCountErrorText(int count);

// What the shared-file list does with line `number` of [Shared File]: Use
// fills the record with the name and measures sourcePath; Skip leaves the
// record unused (size 0), with a message for a name that is refused or a
// source path that would not fit. keepsKind: the record takes the line's kind
// even when unused.
struct SharedLineOutcome {
    SharedLine status = SharedLine::Empty;
    LineEffect effect = LineEffect::Skip;
    bool keepsKind = false;
    bool sourceTooLong = false;
    std::string message;
    SharedLineFields fields;
    std::string sourcePath;  // for Use: sourceFolder + name
};
SharedLineOutcome DecideSharedLine(int number, const std::string& value, const std::string& sourceFolder);
