// The version record: an earlier installation is found through the registry
// locations of [Version], the player is asked before installing over an equal
// or newer one, and this installation is recorded at the end.
#include "checks/version_rules.h"
#include "common/script_rules.h"
#include "stages/stages.h"

// The install folder an earlier installation recorded replaces the proposed
// one; one that cannot be read or does not fit leaves it.
static void ReadRecordedFolder(SetupMachine& machine, SetupState& state) {
    std::string data, folder;
    if (machine.ReadRegistryText(state.installPathLocation, data) &&
        RecordedInstallFolder(data.data(), data.size(), folder))
        state.installDir = folder;
}

static bool AskOverwrite(SetupMachine& machine, const SetupState& state, const char* question) {
    if (machine.Ask(Question::Overwrite, InstallerCaption(state.productName), question)) return true;
    machine.Tell(kCancelCaption, kInstallStoppedText, kInformationMessage);
    return false;
}

static VersionCheckEnd CarryOutVerdict(SetupMachine& machine, const SetupState& state, VersionVerdict verdict) {
    machine.VersionDecided(verdict);
    switch (verdict) {
    case VersionVerdict::RefuseNoInstallation:
        machine.Tell(InstallerCaption(state.productName), kNoInstallationText, kErrorMessage);
        return VersionCheckEnd::Refused;
    case VersionVerdict::AskNewerInstalled:
        return AskOverwrite(machine, state, kNewerInstalledText) ? VersionCheckEnd::GoOn : VersionCheckEnd::Refused;
    case VersionVerdict::AskSameInstalled:
        return AskOverwrite(machine, state, kSameInstalledText) ? VersionCheckEnd::GoOn : VersionCheckEnd::Refused;
    case VersionVerdict::GoOn: break;
    }
    return VersionCheckEnd::GoOn;
}

// One [Version] path as the check decides it; a path the program cannot use
// is told, and the program ends rather than waiting on a backdrop with
// nothing to do.
static VersionPathOutcome DecidePath(SetupMachine& machine, const char* key, const std::string& path) {
    VersionPathOutcome outcome = DecideVersionPath(key, path);
    machine.VersionPathDecided(key, path, outcome);
    if (outcome.effect == VersionPathEffect::Stop) machine.Tell(kScriptErrorCaption, outcome.message, kErrorMessage);
    return outcome;
}

VersionCheckEnd CheckInstalledVersion(SetupMachine& machine, SetupState& state) {
    state.versionMode = static_cast<VersionMode>(machine.ReadScriptInt("Version", "Mode", 0));
    std::string versionPath = machine.ReadScriptText("Version", "Version Path", kLineCapacity);
    std::string installPath = machine.ReadScriptText("Version", "Install Path", kLineCapacity);
    state.versionValue = static_cast<std::uint32_t>(machine.ReadScriptInt("Version", "Value", 0));
    machine.VersionSectionRead(state);
    std::uint32_t installed = 0;
    VersionPathOutcome version = DecidePath(machine, "Version Path", versionPath);
    if (version.effect == VersionPathEffect::Stop) return VersionCheckEnd::ScriptError;
    if (version.effect == VersionPathEffect::Use) {
        state.versionLocation = version.parts;
        installed = machine.ReadRegistryNumber(state.versionLocation);
    }
    VersionPathOutcome install = DecidePath(machine, "Install Path", installPath);
    if (install.effect == VersionPathEffect::Stop) return VersionCheckEnd::ScriptError;
    if (install.effect != VersionPathEffect::Skip) state.installPathLocation = install.parts;
    if (install.effect == VersionPathEffect::EndStep) return VersionCheckEnd::GoOn;
    if (install.effect == VersionPathEffect::Use) ReadRecordedFolder(machine, state);
    return CarryOutVerdict(machine, state, DecideVersion(state.versionMode, installed, state.versionValue));
}

// Creates or opens the key of a location for writing; a location whose root
// was never recognised fails like any key that cannot be made.
static bool CreateRecordKey(SetupMachine& machine, const RegistryPathParts& location, const char* key) {
    if (location.root != 0 && machine.CreateRegistryKey(location.root, location.subKey)) return true;
    if (location.root == 0) machine.VersionRecordRefused(key);
    machine.Tell(kErrorCaption, kCreateKeyErrorText, kErrorMessage);
    return false;
}

void RecordInstalledVersion(SetupMachine& machine, const SetupState& state) {
    if (!CreateRecordKey(machine, state.versionLocation, "Version Path")) return;
    std::vector<unsigned char> number;
    for (int i = 0; i < 4; ++i) number.push_back(static_cast<unsigned char>(state.versionValue >> (8 * i)));
    machine.SetRegistryValue(state.versionLocation.valueName, kRegDword, number);
    machine.CloseRegistryKey();
    if (!CreateRecordKey(machine, state.installPathLocation, "Install Path")) return;
    std::vector<unsigned char> folder(state.installDir.begin(), state.installDir.end());
    folder.push_back(0);
    machine.SetRegistryValue(state.installPathLocation.valueName, kRegSz, folder);
    machine.CloseRegistryKey();
}
