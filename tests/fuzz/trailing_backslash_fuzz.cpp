// The install folder the program keeps from an entry: at most one trailing
// backslash comes off, never the one of a drive root, and an entry too long
// for the 260-byte buffer is refused whole.
#include "checks/folder_rules.h"
#include "common/script_rules.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string entry(reinterpret_cast<const char*>(data), size);
    const std::string trimmed = TrimTrailingBackslash(entry);
    const bool trims = entry.size() > 2 && entry.back() == '\\' && entry[entry.size() - 2] != ':';
    FUZZ_REQUIRE(trimmed == (trims ? entry.substr(0, entry.size() - 1) : entry));
    std::string folder = "unchanged";
    if (AcceptFolderEntry(entry, folder) == FolderEntry::Accepted) {
        FUZZ_REQUIRE(entry.size() < kPathSize && folder == trimmed);
    } else {
        FUZZ_REQUIRE(entry.size() >= kPathSize && folder == "unchanged");
    }
    return 0;
}
