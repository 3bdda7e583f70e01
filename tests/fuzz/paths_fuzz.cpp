// Path splitting and the folder levels of the install folder.
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "stages/sequence_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path(reinterpret_cast<const char*>(data), size);
    for (const std::string& component : SplitPathComponents(path)) {
        FUZZ_REQUIRE(!component.empty());
        FUZZ_REQUIRE(component.find('\\') == std::string::npos);
    }
    std::vector<std::string> prefixes = FolderCreationPrefixes(path);
    for (size_t i = 0; i < prefixes.size(); ++i) {
        FUZZ_REQUIRE(prefixes[i].back() == '\\');
        FUZZ_REQUIRE(prefixes[i].size() <= path.size() + 1);
        if (i > 0) FUZZ_REQUIRE(prefixes[i].compare(0, prefixes[i - 1].size(), prefixes[i - 1]) == 0);
    }
    std::string folder = SourceFolderFromModulePath(path);
    FUZZ_REQUIRE(folder.size() <= path.size());
    return 0;
}
