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

static std::wstring WideText(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

// The section is found by its name without the blanks around it, as a value
// is. The list is read in UTF-16, whose length the system reports whatever
// the characters (a list cut to the buffer, length size - 2, is read again
// into one twice as large), and turned into the ANSI code page as the ANSI
// functions turn every value.
std::vector<char> ReadScriptSectionList(const char* section) {
    std::vector<char> list(2, '\0');
    if (g_state.setupIniPath.empty()) return list;
    std::string name = section;
    const char* blanks = " \t\r\n\v\f\x1a";
    name.erase(0, name.find_first_not_of(blanks));
    name.erase(name.find_last_not_of(blanks) + 1);
    std::wstring wideName = WideText(name), widePath = WideText(g_state.setupIniPath);
    std::vector<wchar_t> wide(4096);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileSectionW(wideName.c_str(), wide.data(), static_cast<DWORD>(wide.size()),
                                           widePath.c_str());
        if (length + 2 < wide.size()) break;
        wide.assign(wide.size() * 2, L'\0');
    }
    if (length == 0) return list;
    int chars = static_cast<int>(length) + 1;  // the last line's NUL
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
    list.assign(static_cast<std::size_t>(bytes > 0 ? bytes : 0) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, list.data(), bytes, nullptr, nullptr);
    return list;
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
