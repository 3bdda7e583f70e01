// Version record: finds an earlier installation of the product through the
// registry locations of [Version], decides whether to install over it, and
// records this installation at the end.
#include <string>

#include "checks/checks.h"
#include "checks/version_rules.h"
#include "common/scoped.h"
#include "common/script_rules.h"

// Fills a location from the parts of a script path (an unknown root leaves
// the root null).
static void FillLocation(const RegistryPathParts& parts, RegLocation* location) {
    location->root = PredefinedRootKey(parts.root);
    lstrcpynA(location->subKey, parts.subKey.c_str(), sizeof location->subKey);
    lstrcpynA(location->valueName, parts.valueName.c_str(), sizeof location->valueName);
}

// A [Version] path the program cannot use: the user is told and the program
// ends, rather than waiting on a backdrop with nothing to do.
static bool RefuseRegistryPath(const VersionPathOutcome& outcome) {
    ShowScriptError(outcome.message.c_str());
    return false;
}

// The installed number; 0 when the key or the value cannot be read.
static DWORD ReadInstalledNumber(const RegLocation& location) {
    ScopedRegKey key;
    if (RegOpenKeyExA(location.root, location.subKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return 0;
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), location.valueName, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return 0;
    return InstalledNumberFromData(data, size);
}

// An install folder recorded earlier becomes the proposed install folder; one
// that cannot be read or does not fit leaves "Default Path".
static void ReadRecordedFolder(const RegLocation& location) {
    ScopedRegKey key;
    if (RegOpenKeyExA(location.root, location.subKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    char data[kValueSize] = "";
    DWORD size = sizeof data;
    std::string folder;
    if (RegQueryValueExA(key.Get(), location.valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS &&
        RecordedInstallFolder(data, size, folder))
        lstrcpynA(g_installDir, folder.c_str(), kPathSize);
}

static bool StopInstallation() {
    MessageBoxA(nullptr, kInstallStoppedText, kCancelCaption, MB_ICONINFORMATION);
    return false;
}

static bool AskOverwrite(const char* question) {
    char caption[200];
    lstrcpynA(caption, InstallerCaption(g_productName).c_str(), sizeof caption);
    if (MessageBoxA(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) return true;
    return StopInstallation();
}

static bool CarryOutVerdict(VersionVerdict verdict) {
    switch (verdict) {
    case VersionVerdict::RefuseNoInstallation: {
        char caption[200];
        lstrcpynA(caption, InstallerCaption(g_productName).c_str(), sizeof caption);
        MessageBoxA(nullptr, kNoInstallationText, caption, MB_ICONERROR);
        return false;
    }
    case VersionVerdict::AskNewerInstalled:
        return AskOverwrite(kNewerInstalledText);
    case VersionVerdict::AskSameInstalled:
        return AskOverwrite(kSameInstalledText);
    case VersionVerdict::GoOn: break;
    }
    return true;
}

bool CheckInstalledVersion() {
    char versionPath[kValueSize];
    char installPath[kValueSize];
    g_versionMode = ReadScriptInt("Version", "Mode", 0);
    ReadScriptText("Version", "Version Path", versionPath, kLineCapacity);
    ReadScriptText("Version", "Install Path", installPath, kLineCapacity);
    g_versionValue = static_cast<DWORD>(ReadScriptInt("Version", "Value", 0));
    DWORD installed = 0;
    VersionPathOutcome version = DecideVersionPath("Version Path", versionPath);
    if (version.effect == VersionPathEffect::Stop) return RefuseRegistryPath(version);
    if (version.effect == VersionPathEffect::Use) {
        FillLocation(version.parts, &g_versionLocation);
        installed = ReadInstalledNumber(g_versionLocation);
    }
    VersionPathOutcome install = DecideVersionPath("Install Path", installPath);
    if (install.effect == VersionPathEffect::Stop) return RefuseRegistryPath(install);
    if (install.effect != VersionPathEffect::Skip) FillLocation(install.parts, &g_installPathLocation);
    if (install.effect == VersionPathEffect::EndStep) return true;
    if (install.effect == VersionPathEffect::Use) ReadRecordedFolder(g_installPathLocation);
    return CarryOutVerdict(DecideVersion(g_versionMode, installed, g_versionValue));
}

// Creates or opens the key of a location for writing; a null root (a path that
// was empty or not recognised) fails like any other key.
static bool CreateRecordKey(const RegLocation& location, HKEY* hKey) {
    if (location.root != nullptr && RegCreateKeyExA(location.root, location.subKey, 0, nullptr,
                                                    REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, hKey,
                                                    nullptr) == ERROR_SUCCESS)
        return true;
    MessageBoxA(nullptr, kCreateKeyErrorText, kErrorCaption, MB_ICONERROR);
    return false;
}

void RecordInstalledVersion() {
    {
        ScopedRegKey key;
        if (!CreateRecordKey(g_versionLocation, key.Receive())) return;
        DWORD number = g_versionValue;
        RegSetValueExA(key.Get(), g_versionLocation.valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
    }
    ScopedRegKey key;
    if (!CreateRecordKey(g_installPathLocation, key.Receive())) return;
    RegSetValueExA(key.Get(), g_installPathLocation.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(g_installDir),
                   static_cast<DWORD>(lstrlenA(g_installDir) + 1));
}
