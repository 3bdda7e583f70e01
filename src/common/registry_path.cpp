// The predefined registry keys that the root-key names of the script stand for.
#include "common/registry_path_rules.h"
#include "common/setup_state.h"

HKEY PredefinedRootKey(DWORD handle) {
    switch (handle) {
    case kRootClassesRoot: return HKEY_CLASSES_ROOT;
    case kRootCurrentUser: return HKEY_CURRENT_USER;
    case kRootLocalMachine: return HKEY_LOCAL_MACHINE;
    case kRootUsers: return HKEY_USERS;
    case kRootCurrentConfig: return HKEY_CURRENT_CONFIG;
    case kRootDynData: return HKEY_DYN_DATA;
    }
    return nullptr;
}
