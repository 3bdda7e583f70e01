#include "common/registry_path_rules.h"

#include "common/text_rules.h"

const RootKeyName kRootKeyNames[6] = {
    {"HKEY_CURRENT_USER", kRootCurrentUser},
    {"HKEY_CLASSES_ROOT", kRootClassesRoot},
    {"HKEY_CURRENT_CONFIG", kRootCurrentConfig},
    {"HKEY_LOCAL_MACHINE", kRootLocalMachine},
    {"HKEY_USERS", kRootUsers},
    {"HKEY_DYN_DATA", kRootDynData},
};

std::uint32_t RootKeyFromName(const std::string& name) {
    for (const RootKeyName& root : kRootKeyNames)
        if (name == root.name) return root.handle;
    return 0;
}

std::string RootKeyNameOf(std::uint32_t handle) {
    for (const RootKeyName& root : kRootKeyNames)
        if (handle == root.handle) return root.name;
    return "";
}

std::string RootKeyNameFolded(const std::string& name) {
    std::string upper = UpperAscii(name);
    for (const RootKeyName& root : kRootKeyNames)
        if (upper == root.name) return root.name;
    return "";
}
