#include "system/program_rules.h"

#include "shell/script_rules.h"

bool ParseProgramLine(const std::string& line, ProgramLine& out) {
    const char* p = SkipBlanks(line.c_str());
    if (*p == '\0' || *p == ',') return false;
    char wait = *p++;
    p = SkipBlanks(p);
    if (*p != ',') return false;
    p = SkipBlanks(p + 1);
    if (*p == '\0') return false;
    out.wait = FlagValue(wait) == 1;
    out.commandLine = p;
    return true;
}

std::string CommandLineTooLongText(const std::string& commandLine) {
    return "실행할 프로그램의 명령줄이 너무 깁니다.\n" + commandLine;
}
