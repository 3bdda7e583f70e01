// Registry entries: the keys of [Main Registry] and the values of the
// section named by each key line. One key is open at a time, and it is closed
// on every way out of the step.
#include <string>

#include "shell/script_rules.h"
#include "shell/setup.h"
#include "system/registry_path_rules.h"
#include "system/registry_rules.h"

HKEY PredefinedRootKey(DWORD handle) {
    switch (handle) {
    case kRootClassesRoot: return HKEY_CLASSES_ROOT;
    case kRootCurrentUser: return HKEY_CURRENT_USER;
    case kRootLocalMachine: return HKEY_LOCAL_MACHINE;
    case kRootUsers: return HKEY_USERS;
    case kRootCurrentConfig: return HKEY_CURRENT_CONFIG;
    case kRootDynData: return HKEY_DYN_DATA;
    }
    return nullptr;
}

// Writes one value line into the open key. False: the line ends the step.
static bool WriteValueLine(HKEY hKey, const char* section, int number) {
    char line[300];
    ReadScriptText(section, LineKey(number).c_str(), line, 299);
    ValueLine value;
    ValueLineStatus status = ParseValueLine(line, value);
    if (status == ValueLineStatus::Malformed) return false;
    if (status == ValueLineStatus::Incomplete) {
        ShowScriptError(ValueLineErrorText(section, number, line, status).c_str());
        return false;
    }
    RegistryValueData data;
    if (ValueDataFromLine(value, g_installDir, data) != ValueLineStatus::Ok) {
        ShowScriptError(ValueLineErrorText(section, number, line, ValueLineStatus::TooLong).c_str());
        return true;
    }
    // An empty binary value still points at a buffer. A value that cannot be
    // written is passed over.
    const BYTE nothing = 0;
    const BYTE* bytes = data.bytes.empty() ? &nothing : data.bytes.data();
    RegSetValueExA(hKey, value.name.c_str(), 0, data.type, bytes, static_cast<DWORD>(data.bytes.size()));
    return true;
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
    char keyLine[300];
    ReadScriptText("Main Registry", LineKey(number).c_str(), keyLine, 299);
    KeyLine key;
    KeyLineStatus status = SplitKeyLine(keyLine, key);
    if (status == KeyLineStatus::NoBackslash) ShowScriptError(KeyLineErrorText(number, keyLine).c_str());
    if (status != KeyLineStatus::Ok) return true;
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(PredefinedRootKey(key.root), key.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS) {
        MessageBoxA(nullptr, "RegCreateKeyEx Error", "오류", MB_ICONERROR);
        return false;
    }
    bool goOn = WriteKeyValues(hKey, keyLine);
    RegCloseKey(hKey);
    return goOn;
}

void WriteRegistryEntries() {
    int count = ReadScriptInt("Main Registry", "Count", 0);
    for (int i = 0; i < count; ++i)
        if (!WriteRegistryKey(i + 1)) return;
}
