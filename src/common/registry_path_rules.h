// Root-key names of registry paths in the setup script, shared by the version
// record and the registry entries. Portable: no Windows headers, no globals,
// no I/O. Roots are the 32-bit values of the predefined key handles; the
// Win32 steps turn them into HKEYs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::uint32_t kRootClassesRoot = 0x80000000;
constexpr std::uint32_t kRootCurrentUser = 0x80000001;
constexpr std::uint32_t kRootLocalMachine = 0x80000002;
constexpr std::uint32_t kRootUsers = 0x80000003;
constexpr std::uint32_t kRootCurrentConfig = 0x80000005;
constexpr std::uint32_t kRootDynData = 0x80000006;

// Sizes of the parts of a registry location of [Version], terminating NUL
// included.
constexpr std::size_t kRootNameSize = 20;
constexpr std::size_t kSubKeySize = 200;
constexpr std::size_t kValueNameSize = 52;

// A registry location of [Version]: the root, the key below it and the value.
struct RegistryPathParts {
    std::uint32_t root = 0;  // a predefined key handle, 0 until recognised
    std::string subKey;      // without leading or trailing backslash; may be empty
    std::string valueName;   // may be empty: the key's default value
};

struct RootKeyName {
    const char* name;
    std::uint32_t handle;
};

// The six root-key names, in the order the program compares them.
extern const RootKeyName kRootKeyNames[6];

// The predefined key handle of a root-key name, compared whole and with exact
// case in the program's order of names; 0 when the name is not one of them.
std::uint32_t RootKeyFromName(const std::string& name);

// The name of a predefined key handle ("HKEY_CURRENT_USER"); "" for any other.
std::string RootKeyNameOf(std::uint32_t handle);

// The root-key name that `name` matches when ASCII letters are compared
// without case (what a mis-cased name was meant to be); "" when none.
std::string RootKeyNameFolded(const std::string& name);
