// The setup script beside the executable, the source folder and the
// messages every stage shows.
#include <string>
#include <vector>

#include "common/script_rules.h"
#include "common/setup_state.h"

// An empty script path (the source folder was too long to name the script)
// reads like a missing script: every value takes its default.
void ReadScriptText(const char* section, const char* key, char* buffer, DWORD capacity) {
    if (capacity == 0) return;
    buffer[0] = '\0';
    if (g_state.setupIniPath.empty()) return;
    GetPrivateProfileStringA(section, key, "", buffer, capacity, g_state.setupIniPath.c_str());
}

int ReadScriptInt(const char* section, const char* key, int defaultValue) {
    if (g_state.setupIniPath.empty()) return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, g_state.setupIniPath.c_str()));
}

// The key names come as one list of NUL-ended names; a list cut to the
// buffer (length size - 2) is read again into one twice as large.
int ReadScriptLastLine(const char* section) {
    if (g_state.setupIniPath.empty()) return 0;
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, g_state.setupIniPath.c_str());
        if (length + 2 < size) break;
        buffer.assign(buffer.size() * 2, '\0');
    }
    std::vector<std::string> keys;
    for (const char* name = buffer.data(); *name != '\0'; name += lstrlenA(name) + 1) keys.emplace_back(name);
    return LastLineNumber(keys);
}

void GetSourceFolder(char* buffer) {
    char modulePath[kPathSize] = "";
    GetModuleFileNameA(g_hInstance, modulePath, sizeof modulePath);
    std::string folder = SourceFolderFromModulePath(modulePath);
    lstrcpynA(buffer, folder.c_str(), kPathSize);
}

void ShowLastError() {
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(),
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    MessageBoxA(nullptr, message ? message : "", kErrorCaption, MB_ICONINFORMATION);
    LocalFree(message);
}

void ShowScriptError(const char* text) {
    MessageBoxA(nullptr, text, kScriptErrorCaption, MB_ICONERROR);
}
