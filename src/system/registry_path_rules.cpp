#include "system/registry_path_rules.h"

namespace {

struct RootName {
    const char* name;
    std::uint32_t handle;
};

const RootName kRootNames[] = {
    {"HKEY_CURRENT_USER", kRootCurrentUser},
    {"HKEY_CLASSES_ROOT", kRootClassesRoot},
    {"HKEY_CURRENT_CONFIG", kRootCurrentConfig},
    {"HKEY_LOCAL_MACHINE", kRootLocalMachine},
    {"HKEY_USERS", kRootUsers},
    {"HKEY_DYN_DATA", kRootDynData},
};

}  // namespace

std::uint32_t RootKeyFromName(const std::string& name) {
    for (const RootName& root : kRootNames)
        if (name == root.name) return root.handle;
    return 0;
}
