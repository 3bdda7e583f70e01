// The programs of [Execute File], started at the end of the installation and
// waited for where the script says so.
#include "common/script_rules.h"
#include "stages/stages.h"

// A line that cannot be run ends the step: the later lines may need it.
void RunPostInstallPrograms(SetupMachine& machine, const SetupState& state) {
    int count = machine.ReadScriptInt("Execute File", "Count", 0);
    int lines = CountedLinesToRead(machine, "Execute File", count);
    for (int i = 1; i <= lines; ++i) {
        std::string text = machine.ReadScriptText("Execute File", LineKey(i), kLineCapacity);
        ProgramLineOutcome outcome = DecideProgramLine(text, state.installDir);
        machine.ProgramLineDecided(i, text, outcome, state);
        if (!outcome.message.empty()) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
        if (outcome.effect == LineEffect::EndStep) return;
        if (outcome.effect != LineEffect::Use) continue;
        if (!machine.StartProgram(outcome.commandLine, outcome.line.wait)) {
            machine.Tell(kErrorCaption, kProgramCannotRunText, kPlainMessage);
            return;
        }
    }
}
