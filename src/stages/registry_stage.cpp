// Registry entries: the keys of [Main Registry] and the values of the section
// named by each key line. One key is open at a time, and it is closed on
// every way out of the step.
#include "common/script_rules.h"
#include "stages/stages.h"

// A value, or a whole key, that the machine would not take.
static void NoteValueNotWritten(SetupState& state, const std::string& keyLine, const std::string& valueName) {
    state.notInstalled.push_back(MissedItem{MissedKind::Value, valueName.empty() ? keyLine : keyLine + " [" + valueName + "]"});
}

// Writes one value line into the open key. False: the line ends the step.
static bool WriteValueLine(SetupMachine& machine, SetupState& state, const std::string& section, int number) {
    std::string line = machine.ReadScriptText(section, LineKey(number), kLineCapacity);
    ValueLineOutcome outcome = DecideValueLine(section, number, line, state.installDir);
    machine.ValueLineDecided(section, number, line, outcome, state);
    if (!outcome.message.empty()) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
    // A value that cannot be written is passed over.
    if (outcome.effect == LineEffect::Use &&
        !machine.SetRegistryValue(outcome.value.name, outcome.data.type, outcome.data.bytes))
        NoteValueNotWritten(state, section, outcome.value.name.empty() ? "@" : outcome.value.name);
    return outcome.effect != LineEffect::EndStep;
}

// The values of the section named by the whole key line. False: the step ends.
static bool WriteKeyValues(SetupMachine& machine, SetupState& state, const std::string& section) {
    int count = machine.ReadScriptInt(section, "Count", 0);
    machine.ValueCountRead(section, count);
    int lines = CountedLinesToRead(machine, section, count);
    for (int i = 1; i <= lines; ++i)
        if (!WriteValueLine(machine, state, section, i)) return false;
    return true;
}

// One key line. False: the step ends here.
static bool WriteRegistryKey(SetupMachine& machine, SetupState& state, int number) {
    std::string keyLine = machine.ReadScriptText("Main Registry", LineKey(number), kLineCapacity);
    KeyLineOutcome outcome = DecideKeyLine(number, keyLine);
    machine.KeyLineDecided(number, keyLine, outcome);
    if (!outcome.message.empty()) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
    if (outcome.effect != LineEffect::Use) return true;
    if (!machine.CreateRegistryKey(outcome.key.root, outcome.key.subKey)) {
        machine.Tell(kErrorCaption, kCreateKeyErrorText, kErrorMessage);
        NoteValueNotWritten(state, keyLine, "");
        return false;
    }
    bool goOn = WriteKeyValues(machine, state, keyLine);
    machine.CloseRegistryKey();
    return goOn;
}

void WriteRegistryEntries(SetupMachine& machine, SetupState& state) {
    int count = machine.ReadScriptInt("Main Registry", "Count", 0);
    int lines = CountedLinesToRead(machine, "Main Registry", count);
    for (int i = 1; i <= lines; ++i)
        if (!WriteRegistryKey(machine, state, i)) return;
}
