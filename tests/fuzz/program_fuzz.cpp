// [Execute File] lines: the wait flag and the command line, which is the rest
// of the line as written; a line to skip leaves nothing half parsed; the
// program of the command line as Windows finds it.
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "system/program_rules.h"

// The program and what follows it make up the command line again, and the
// program put in quotes, as the checker advises, is found whole.
static void CheckCommandProgram(const std::string& commandLine) {
    CommandProgram program = FindCommandProgram(commandLine);
    std::size_t start = commandLine.find_first_not_of(" \t");
    std::string lead = commandLine.substr(0, start == std::string::npos ? commandLine.size() : start);
    if (program.quoted) {
        bool closed = commandLine.size() > lead.size() + 1 + program.path.size();
        FUZZ_REQUIRE(lead + "\"" + program.path + (closed ? "\"" : "") + program.rest == commandLine);
        return;
    }
    FUZZ_REQUIRE(lead + program.path + program.rest == commandLine);
    if (program.path.find('"') != std::string::npos) return;
    CommandProgram requoted = FindCommandProgram("\"" + program.path + "\"" + program.rest);
    FUZZ_REQUIRE(requoted.quoted && requoted.path == program.path && requoted.rest == program.rest);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 2);
    const std::string& text = in[0];
    ProgramLine line;
    if (ParseProgramLine(text, line)) {
        FUZZ_REQUIRE(!line.commandLine.empty());
        FUZZ_REQUIRE(text.size() > line.commandLine.size() &&
                     text.compare(text.size() - line.commandLine.size(), line.commandLine.size(),
                                  line.commandLine) == 0);
        const char* flag = SkipBlanks(text.c_str());
        FUZZ_REQUIRE(line.wait == (FlagValue(*flag) == 1));
        FUZZ_REQUIRE(text.find(',') < text.size() - line.commandLine.size());
        // The expanded command line is used only when it fits; the message names the line.
        std::string expanded;
        if (!ExpandExePathText(line.commandLine, in[1], expanded))
            FUZZ_REQUIRE(CommandLineTooLongText(line.commandLine).find(line.commandLine) != std::string::npos);
        CheckCommandProgram(line.commandLine);
    } else {
        FUZZ_REQUIRE(line.commandLine.empty() && !line.wait);
    }
    return 0;
}
