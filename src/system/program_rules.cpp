#include "system/program_rules.h"

#include "common/script_rules.h"
#include "common/text_rules.h"

bool ParseProgramLine(const std::string& line, ProgramLine& out) {
    const char* p = SkipBlanks(line.c_str());
    if (*p == '\0' || *p == ',') return false;
    char wait = *p++;
    p = SkipBlanks(p);
    if (*p != ',') return false;
    p = SkipBlanks(p + 1);
    if (*p == '\0') return false;
    out.wait = FlagValue(wait) == 1;
    out.waitCharacter = wait;
    out.commandLine = p;
    return true;
}

static bool IsCommandBlank(char c) {
    return c == ' ' || c == '\t';
}

static std::size_t SkipCommandBlanks(const std::string& text, std::size_t from) {
    while (from < text.size() && IsCommandBlank(text[from])) ++from;
    return from;
}

static std::size_t NextBlank(const std::string& text, std::size_t from) {
    while (from < text.size() && !IsCommandBlank(text[from])) ++from;
    return from;
}

// The extension of a path's last part, upper-cased; "" when it has none.
static std::string LastPartExtension(const std::string& path) {
    std::size_t part = path.find_last_of("\\/");
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (part != std::string::npos && dot < part)) return "";
    return UpperAscii(path.substr(dot));
}

static bool NamesProgramFile(const std::string& path) {
    std::string extension = LastPartExtension(path);
    return extension == ".EXE" || extension == ".COM" || extension == ".BAT" || extension == ".CMD";
}

CommandProgram FindCommandProgram(const std::string& commandLine) {
    CommandProgram program;
    std::size_t start = SkipCommandBlanks(commandLine, 0);
    if (start < commandLine.size() && commandLine[start] == '"') {
        std::size_t close = commandLine.find('"', start + 1);
        program.quoted = true;
        program.path = commandLine.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
        program.rest = close == std::string::npos ? "" : commandLine.substr(close + 1);
        return program;
    }
    // The first cut that names a program file ends the path; the first word
    // when none does.
    std::size_t end = NextBlank(commandLine, start);
    for (std::size_t cut = end;; cut = NextBlank(commandLine, cut + 1)) {
        if (NamesProgramFile(commandLine.substr(start, cut - start))) {
            end = cut;
            break;
        }
        if (cut >= commandLine.size()) break;
    }
    program.path = commandLine.substr(start, end - start);
    program.rest = commandLine.substr(end);
    return program;
}

std::string FirstTriedProgram(const std::string& commandLine) {
    std::size_t start = SkipCommandBlanks(commandLine, 0);
    std::string first = commandLine.substr(start, NextBlank(commandLine, start) - start);
    return LastPartExtension(first).empty() ? first + ".exe" : first;
}

std::string CommandLineTooLongText(const std::string& commandLine) {
    return "실행할 프로그램의 명령줄이 너무 깁니다.\n" + commandLine;
}

ProgramLineOutcome DecideProgramLine(const std::string& text, const std::string& installDir) {
    ProgramLineOutcome outcome;
    if (!ParseProgramLine(text, outcome.line)) return outcome;
    if (!ExpandExePathText(outcome.line.commandLine, installDir, outcome.commandLine, kValueSize)) {
        outcome.effect = LineEffect::EndStep;
        outcome.message = CommandLineTooLongText(outcome.line.commandLine);
        return outcome;
    }
    outcome.effect = LineEffect::Use;
    return outcome;
}

bool IsWindowsProgramImage(const std::string& head, std::uint64_t fileSize) {
    if (head.size() < 0x40 || head.compare(0, 2, "MZ") != 0) return false;
    std::uint32_t offset = 0;
    for (int i = 3; i >= 0; --i) offset = (offset << 8) | static_cast<unsigned char>(head[0x3C + i]);
    std::uint64_t end = static_cast<std::uint64_t>(offset) + 4;
    if (end > head.size())  // past what was read: a program if the file goes on that far
        return head.size() >= kProgramHeadBytes && end <= fileSize;
    return head.compare(offset, 4, std::string("PE\0\0", 4)) == 0;
}
