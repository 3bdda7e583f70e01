// Decisions of the version record: splitting a registry path of [Version],
// reading what an earlier installation left in the registry, comparing
// versions, and the texts shown to the user. Portable: no Windows headers,
// no globals, no I/O.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/registry_path_rules.h"
#include "common/script_rules.h"
#include "common/setup_state_rules.h"

enum class RegistryPathStatus { Ok, NoBackslash, UnknownRoot, SubKeyTooLong, ValueNameTooLong };

// Splits "ROOT\sub\key\value" at its first and last backslash. Only Ok and
// UnknownRoot fill parts (root stays 0 for an unknown name); a path without a
// backslash or with a part too long for its buffer leaves parts untouched, so
// nothing is ever cut into another key. A root name longer than its buffer
// cannot be one of the known names and counts as unknown.
RegistryPathStatus ParseRegistryPath(const std::string& path, RegistryPathParts& parts);

// The installed version number from the data of a registry value: up to 4
// bytes, little-endian, missing high bytes 0.
std::uint32_t InstalledNumberFromData(const unsigned char* data, std::size_t size);

// The install folder recorded by an earlier installation: the data as text up
// to its first NUL (or its end). False when it would not fit the 260-byte
// install-folder buffer; the recorded folder is then not used at all.
bool RecordedInstallFolder(const char* data, std::size_t size, std::string& folder);

enum class VersionVerdict { GoOn, RefuseNoInstallation, AskNewerInstalled, AskSameInstalled };

// What the version check does for a "Mode", the installed number (0: none)
// and this package's number; numbers compare as unsigned 32-bit values.
VersionVerdict DecideVersion(VersionMode mode, std::uint32_t installed, std::uint32_t packageValue);

// The message of mode 1 on a machine without an earlier installation.
constexpr const char kNoInstallationText[] = "기존의 설치된 버전이 없습니다. \n풀버전을 설치하세요.";

// The questions before installing over a newer or the same version (caption:
// the installer caption), and the notice after No ("설치 취소").
constexpr const char kNewerInstalledText[] =
    "지금 설치할 버전보다 더 최신 버전이 설치되어 있습니다. \n 덮어 쓰시겠습니까?";
constexpr const char kSameInstalledText[] = "지금 설치할 버전과 현재 설치된 버전이 같습니다. \n 덮어 쓰시겠습니까?";
constexpr const char kInstallStoppedText[] = "설치를 중단합니다.";

// The message shown when a registry path of [Version] cannot be used; key is
// "Version Path" or "Install Path".
std::string RegistryPathErrorText(const std::string& key, const std::string& path, RegistryPathStatus status);

// What the version check does with a [Version] path ("Version Path" or
// "Install Path"):
//   Skip    the path is empty: nothing is read, the location stays unusable;
//   Use     read the location (the installed number or the recorded folder);
//   EndStep an unknown root in "Install Path": the check ends here and the
//           installation goes on unchecked (the location keeps no usable root);
//   Stop    the message is shown and the program ends.
enum class VersionPathEffect { Skip, Use, EndStep, Stop };
struct VersionPathOutcome {
    RegistryPathStatus status = RegistryPathStatus::Ok;
    VersionPathEffect effect = VersionPathEffect::Skip;
    std::string message;
    RegistryPathParts parts;  // filled for Ok and UnknownRoot
};
VersionPathOutcome DecideVersionPath(const std::string& key, const std::string& path);

// Whether a "Mode" records this installation at the end (modes 0, 1 and 3).
bool VersionModeRecords(VersionMode mode);
