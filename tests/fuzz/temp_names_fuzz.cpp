// Temporary names of a deferred replacement and the leftover temporary file
// that is removed: both stay in their folder, within 260 bytes, and never
// name a file that is taken or the shared file itself.
#include "common/script_rules.h"
#include "common/text_rules.h"
#include "fuzz_input.h"
#include "install/copy_rules.h"
#include "install/shared_install_rules.h"

static std::vector<std::string> TakenNames(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('|', start);
        if (end == std::string::npos) end = text.size();
        names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

static bool EndsWithTmp(const std::string& path) {
    return path.size() >= 4 && SameFileName(path.substr(path.size() - 4), ".tmp");
}

static void CheckDeferred(const std::string& folder, const std::string& name, const std::vector<std::string>& taken) {
    const std::string path = DeferredTempPath(folder, name, taken);
    if (path.empty()) return;
    FUZZ_REQUIRE(path.size() < kPathSize && EndsWithTmp(path));
    FUZZ_REQUIRE(path.compare(0, folder.size(), folder) == 0);
    // Names reach this rule only once they passed the relative-name check.
    if (CheckRelativeName(name) != NameProblem::None || folder.empty() || folder.back() == '\\') return;
    FUZZ_REQUIRE(path[folder.size()] == '\\');
    const std::string relative = path.substr(folder.size() + 1);
    FUZZ_REQUIRE(relative.rfind('\\') == name.rfind('\\'));
    for (const std::string& other : taken) FUZZ_REQUIRE(!SameFileName(relative, other));
}

static void CheckLeftover(unsigned long result, const std::string& folder, const std::string& reported,
                          const std::string& record) {
    const std::string path = LeftoverTempPath(result, folder, reported, record);
    if (path.empty()) return;
    FUZZ_REQUIRE((result & kVifTempFile) != 0);
    FUZZ_REQUIRE(path.size() < kPathSize && EndsWithTmp(path));
    const size_t separator = path.find_last_of('\\');
    FUZZ_REQUIRE(separator != std::string::npos);
    const std::string file = path.substr(separator + 1);
    FUZZ_REQUIRE(!file.empty() && file.find_first_of("/:") == std::string::npos);
    FUZZ_REQUIRE(!SameFileName(file, record));
    FUZZ_REQUIRE(SameFileName(path.substr(0, folder.size()), folder));
    FUZZ_REQUIRE(path.size() == folder.size() + 1 + file.size() || (!folder.empty() && folder.back() == '\\'));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 4);
    CheckDeferred(in[0], in[1], TakenNames(in[2]));
    const unsigned long result = in[3].empty() ? kVifTempFile : static_cast<unsigned char>(in[3][0]);
    CheckLeftover(result, in[0], in[1], in[2]);
    FUZZ_REQUIRE(SameFileName(in[1], in[2]) == SameFileName(in[2], in[1]));
    FUZZ_REQUIRE(SameFileName(in[1], in[1]));
    const std::string directory = SourceDirectoryFromFolder(in[0]);
    FUZZ_REQUIRE(directory.size() <= in[0].size() && in[0].compare(0, directory.size(), directory) == 0);
    return 0;
}
