// Registry entries: the keys of [Main Registry] and the values of the
// section named by each key line. One key is open at a time, and it is closed
// on every way out of the step.
#include <string>
#include <vector>

#include "common/registry_path_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"
#include "system/registry_rules.h"
#include "system/system.h"

// Writes one value line into the open key. False: the line ends the step.
static bool WriteValueLine(HKEY hKey, const char* section, int number) {
    char line[kValueSize];
    ReadScriptText(section, LineKey(number).c_str(), line, kLineCapacity);
    ValueLineOutcome outcome = DecideValueLine(section, number, line, g_installDir);
    if (!outcome.message.empty()) ShowScriptError(outcome.message.c_str());
    if (outcome.effect == LineEffect::Use) {
        // An empty binary value still points at a buffer. A value that cannot
        // be written is passed over.
        const BYTE nothing = 0;
        const std::vector<unsigned char>& bytes = outcome.data.bytes;
        RegSetValueExA(hKey, outcome.value.name.c_str(), 0, outcome.data.type, bytes.empty() ? &nothing : bytes.data(),
                       static_cast<DWORD>(bytes.size()));
    }
    return outcome.effect != LineEffect::EndStep;
}

// The values of the section named by the whole key line. False: stop the step.
static bool WriteKeyValues(HKEY hKey, const char* section) {
    int count = ReadScriptInt(section, "Count", 0);
    for (int i = 0; i < count; ++i)
        if (!WriteValueLine(hKey, section, i + 1)) return false;
    return true;
}

// One key line. False: the step ends here.
static bool WriteRegistryKey(int number) {
    char keyLine[kValueSize];
    ReadScriptText("Main Registry", LineKey(number).c_str(), keyLine, kLineCapacity);
    KeyLineOutcome outcome = DecideKeyLine(number, keyLine);
    if (!outcome.message.empty()) ShowScriptError(outcome.message.c_str());
    if (outcome.effect != LineEffect::Use) return true;
    ScopedRegKey key;
    if (RegCreateKeyExA(PredefinedRootKey(outcome.key.root), outcome.key.subKey.c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        MessageBoxA(nullptr, kCreateKeyErrorText, kErrorCaption, MB_ICONERROR);
        return false;
    }
    return WriteKeyValues(key.Get(), keyLine);
}

void WriteRegistryEntries() {
    int count = ReadScriptInt("Main Registry", "Count", 0);
    for (int i = 0; i < count; ++i)
        if (!WriteRegistryKey(i + 1)) return;
}
