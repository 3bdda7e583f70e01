// Registry locations of the script: the [Version] paths, the key lines of
// [Main Registry] and what an earlier installation left in the registry.
// A part is never cut into another key, and a recorded folder never
// overflows the install-folder buffer.
#include "checks/version_rules.h"
#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "system/registry_rules.h"

static void CheckVersionPath(const std::string& path) {
    RegistryPathParts parts;
    parts.subKey = "unchanged";
    RegistryPathStatus status = ParseRegistryPath(path, parts);
    const size_t first = path.find('\\');
    const size_t last = path.rfind('\\');
    if (first == std::string::npos) FUZZ_REQUIRE(status == RegistryPathStatus::NoBackslash);
    if (status == RegistryPathStatus::Ok || status == RegistryPathStatus::UnknownRoot) {
        FUZZ_REQUIRE(first != std::string::npos);
        FUZZ_REQUIRE(parts.root == RootKeyFromName(path.substr(0, first)));
        FUZZ_REQUIRE((parts.root != 0) == (status == RegistryPathStatus::Ok));
        FUZZ_REQUIRE(parts.subKey.size() < kSubKeySize && parts.valueName.size() < kValueNameSize);
        FUZZ_REQUIRE(parts.valueName == path.substr(last + 1));
        FUZZ_REQUIRE(parts.subKey == (first == last ? "" : path.substr(first + 1, last - first - 1)));
    } else {
        FUZZ_REQUIRE(parts.subKey == "unchanged" && parts.root == 0);
    }
    FUZZ_REQUIRE(!RegistryPathErrorText("Version Path", path, status).empty() || status == RegistryPathStatus::Ok);
}

static void CheckKeyLine(const std::string& line) {
    KeyLine key;
    KeyLineStatus status = SplitKeyLine(line, key);
    const size_t first = line.find('\\');
    if (line.empty()) FUZZ_REQUIRE(status == KeyLineStatus::Empty);
    if (status == KeyLineStatus::Ok) {
        FUZZ_REQUIRE(first != std::string::npos && key.root != 0);
        FUZZ_REQUIRE(key.root == RootKeyFromName(line.substr(0, first)));
        FUZZ_REQUIRE(key.subKey == line.substr(first + 1));
    }
    if (!line.empty() && first == std::string::npos) FUZZ_REQUIRE(status == KeyLineStatus::NoBackslash);
}

static void CheckRecordedData(const std::string& data) {
    std::uint32_t number = InstalledNumberFromData(reinterpret_cast<const unsigned char*>(data.data()),
                                                   data.size());
    std::uint32_t expected = 0;
    for (size_t i = 0; i < data.size() && i < 4; ++i)
        expected |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    FUZZ_REQUIRE(number == expected);
    std::string folder = "unchanged";
    if (RecordedInstallFolder(data.data(), data.size(), folder)) {
        FUZZ_REQUIRE(folder.size() < kPathSize);
        FUZZ_REQUIRE(folder.find('\0') == std::string::npos);
        FUZZ_REQUIRE(data.compare(0, folder.size(), folder) == 0);
    } else {
        FUZZ_REQUIRE(folder == "unchanged");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 2);
    CheckVersionPath(in[0]);
    CheckKeyLine(in[0]);
    CheckRecordedData(std::string(reinterpret_cast<const char*>(data), size));
    if (in[1].size() >= 9) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(in[1].data());
        const int mode = static_cast<signed char>(bytes[0]);
        const std::uint32_t installed = InstalledNumberFromData(bytes + 1, 4);
        const std::uint32_t package = InstalledNumberFromData(bytes + 5, 4);
        switch (DecideVersion(static_cast<VersionMode>(mode), installed, package)) {
        case VersionVerdict::RefuseNoInstallation: FUZZ_REQUIRE(mode == 1 && installed == 0); break;
        case VersionVerdict::AskNewerInstalled: FUZZ_REQUIRE(installed > package); break;
        case VersionVerdict::AskSameInstalled: FUZZ_REQUIRE(installed == package && installed != 0); break;
        case VersionVerdict::GoOn: FUZZ_REQUIRE(mode == 3 || mode == 4 || installed < package || installed == 0); break;
        }
    }
    return 0;
}
