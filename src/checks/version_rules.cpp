#include "checks/version_rules.h"

#include "common/registry_path_rules.h"
#include "common/script_rules.h"

RegistryPathStatus ParseRegistryPath(const std::string& path, RegistryPathParts& parts) {
    std::size_t first = path.find('\\');
    if (first == std::string::npos) return RegistryPathStatus::NoBackslash;
    std::size_t last = path.rfind('\\');
    std::string subKey = first == last ? "" : path.substr(first + 1, last - first - 1);
    std::string valueName = path.substr(last + 1);
    if (subKey.size() >= kSubKeySize) return RegistryPathStatus::SubKeyTooLong;
    if (valueName.size() >= kValueNameSize) return RegistryPathStatus::ValueNameTooLong;
    std::string rootName = path.substr(0, first);
    parts.root = rootName.size() < kRootNameSize ? RootKeyFromName(rootName) : 0;
    parts.subKey = subKey;
    parts.valueName = valueName;
    return parts.root ? RegistryPathStatus::Ok : RegistryPathStatus::UnknownRoot;
}

std::uint32_t InstalledNumberFromData(const unsigned char* data, std::size_t size) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < size && i < 4; ++i) number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return number;
}

bool RecordedInstallFolder(const char* data, std::size_t size, std::string& folder) {
    std::size_t length = 0;
    while (length < size && data[length] != '\0') ++length;
    if (length >= kPathSize) return false;
    folder.assign(data, length);
    return true;
}

VersionVerdict DecideVersion(VersionMode mode, std::uint32_t installed, std::uint32_t packageValue) {
    if (mode == VersionMode::RecordOnly || mode == VersionMode::Neither) return VersionVerdict::GoOn;
    if (installed == 0) return mode == VersionMode::UpdateOnly ? VersionVerdict::RefuseNoInstallation : VersionVerdict::GoOn;
    if (installed > packageValue) return VersionVerdict::AskNewerInstalled;
    if (installed == packageValue) return VersionVerdict::AskSameInstalled;
    return VersionVerdict::GoOn;
}

static const char* RegistryPathProblem(RegistryPathStatus status) {
    switch (status) {
    case RegistryPathStatus::NoBackslash: return "레지스트리 경로에 '\\' 문자가 없습니다.";
    case RegistryPathStatus::UnknownRoot: return "알 수 없는 루트 키 이름입니다.";
    case RegistryPathStatus::SubKeyTooLong: return "키 경로가 너무 깁니다. (최대 199바이트)";
    case RegistryPathStatus::ValueNameTooLong: return "값 이름이 너무 깁니다. (최대 51바이트)";
    case RegistryPathStatus::Ok: break;
    }
    return "";
}

std::string RegistryPathErrorText(const std::string& key, const std::string& path, RegistryPathStatus status) {
    return "설치 정보 파일(Setup.ini)의 [Version] " + key + " 값이 잘못되었습니다.\n" + path + "\n" +
           RegistryPathProblem(status) + "\n설치를 중단합니다.";
}

VersionPathOutcome DecideVersionPath(const std::string& key, const std::string& path) {
    VersionPathOutcome outcome;
    if (path.empty()) return outcome;
    outcome.status = ParseRegistryPath(path, outcome.parts);
    if (outcome.status == RegistryPathStatus::Ok) {
        outcome.effect = VersionPathEffect::Use;
    } else if (outcome.status == RegistryPathStatus::UnknownRoot && key == "Install Path") {
        outcome.effect = VersionPathEffect::EndStep;
    } else {
        outcome.effect = VersionPathEffect::Stop;
        outcome.message = RegistryPathErrorText(key, path, outcome.status);
    }
    return outcome;
}

bool VersionModeRecords(VersionMode mode) {
    return mode == VersionMode::CheckAndRecord || mode == VersionMode::UpdateOnly || mode == VersionMode::RecordOnly;
}
