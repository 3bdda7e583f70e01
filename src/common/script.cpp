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

// The section is found by its name without the blanks around it, as a value
// is. The list is read into a buffer twice the script's size, which holds any
// section; a list cut to the buffer (length size - 2) is read again into one
// twice as large.
std::vector<char> ReadScriptSectionList(const char* section) {
    std::vector<char> list(2, '\0');
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (g_state.setupIniPath.empty() ||
        !GetFileAttributesExA(g_state.setupIniPath.c_str(), GetFileExInfoStandard, &file))
        return list;
    std::string name = section;
    const char* blanks = " \t\r\n\v\f\x1a";
    name.erase(0, name.find_first_not_of(blanks));
    name.erase(name.find_last_not_of(blanks) + 1);
    std::size_t size = 2 * static_cast<std::size_t>(file.nFileSizeLow) + 64;
    for (;;) {
        list.assign(size, '\0');
        DWORD length = GetPrivateProfileSectionA(name.c_str(), list.data(), static_cast<DWORD>(size),
                                                 g_state.setupIniPath.c_str());
        if (length + 2 < size) return list;
        size *= 2;
    }
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
