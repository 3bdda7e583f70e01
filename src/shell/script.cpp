// The setup script beside the executable, the source folder, %EXEPATH% and
// the system's error texts.
#include <string>

#include "checks/folder_rules.h"
#include "shell/script_rules.h"
#include "shell/setup.h"

// An empty script path (the source folder was too long to name the script)
// reads like a missing script: every value takes its default.
void ReadScriptText(const char* section, const char* key, char* buffer, DWORD capacity) {
    if (capacity == 0) return;
    buffer[0] = '\0';
    if (g_setupIniPath[0] == '\0') return;
    GetPrivateProfileStringA(section, key, "", buffer, capacity, g_setupIniPath);
}

int ReadScriptInt(const char* section, const char* key, int defaultValue) {
    if (g_setupIniPath[0] == '\0') return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, g_setupIniPath));
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

void ReadMainSection() {
    char folder[kPathSize];
    GetSourceFolder(folder);
    std::string path = std::string(folder) + "Setup.ini";
    g_setupIniPath[0] = '\0';
    if (path.size() < sizeof g_setupIniPath) lstrcpynA(g_setupIniPath, path.c_str(), sizeof g_setupIniPath);
    ReadScriptText("Main", "Default Path", g_installDir, 259);
    g_changePath = ReadScriptInt("Main", "Change Path", 1);
    g_showCompleteDialog = ReadScriptInt("Main", "Install Complete Dialog", 1);
    ReadScriptText("Main", "Name", g_productName, sizeof g_productName);
    ReadScriptText("Main", "Version", g_productVersion, sizeof g_productVersion);
}

// "Default Path" as written, read with more room than the install folder has:
// a value that would be cut is refused with a message before anything is
// written, instead of installing into a folder the script never named.
bool RefuseLongDefaultPath() {
    char value[kValueSize];
    ReadScriptText("Main", "Default Path", value, kLineCapacity);
    if (DefaultPathFits(value)) return false;
    ShowScriptError(DefaultPathTooLongText().c_str());
    return true;
}
