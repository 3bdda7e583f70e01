// Where the setup script is: beside this module, in the source folder. What
// the program reads from it at the start is read by the stages' own reader
// (ReadMainSection).
#include <string>

#include "common/script_rules.h"
#include "shell/shell.h"

void LocateSetupScript() {
    char folder[kPathSize];
    GetSourceFolder(folder);
    g_state.sourceFolder = folder;
    std::string path = g_state.sourceFolder + "Setup.ini";
    g_state.setupIniPath = path.size() < kPathSize ? path : "";
}
