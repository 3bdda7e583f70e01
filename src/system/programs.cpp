// The programs of [Execute File], started at the end of the installation and
// waited for where the script says so.
#include "common/scoped.h"
#include "common/script_rules.h"
#include "system/program_rules.h"
#include "system/system.h"

// Starts one command line with the setup program's own environment and
// current directory; false when it could not be started.
static bool StartProgram(char* commandLine, bool wait) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        MessageBoxA(nullptr, kProgramCannotRunText, kErrorCaption, MB_OK);
        return false;
    }
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    if (wait) WaitForSingleObject(processHandle.Get(), INFINITE);
    return true;
}

// A line that cannot be run ends the step: the later lines may need it.
void RunPostInstallPrograms() {
    int count = ReadScriptInt("Execute File", "Count", 0);
    for (int i = 1; i <= count; ++i) {
        char text[kValueSize];
        ReadScriptText("Execute File", LineKey(i).c_str(), text, kLineCapacity);
        ProgramLineOutcome outcome = DecideProgramLine(text, g_installDir);
        if (!outcome.message.empty()) ShowScriptError(outcome.message.c_str());
        if (outcome.effect == LineEffect::EndStep) return;
        if (outcome.effect != LineEffect::Use) continue;
        char commandLine[kValueSize];
        lstrcpynA(commandLine, outcome.commandLine.c_str(), sizeof commandLine);
        if (!StartProgram(commandLine, outcome.line.wait)) return;
    }
}
