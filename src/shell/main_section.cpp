// The [Main] section: where the script is, the proposed install folder and
// the product's name, and the refusal of a "Default Path" that does not fit.
#include <string>

#include "checks/folder_rules.h"
#include "common/script_rules.h"
#include "shell/shell.h"

void ReadMainSection() {
    char folder[kPathSize];
    GetSourceFolder(folder);
    std::string path = std::string(folder) + "Setup.ini";
    g_setupIniPath[0] = '\0';
    if (path.size() < sizeof g_setupIniPath) lstrcpynA(g_setupIniPath, path.c_str(), sizeof g_setupIniPath);
    ReadScriptText("Main", "Default Path", g_installDir, kPathSize - 1);
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
