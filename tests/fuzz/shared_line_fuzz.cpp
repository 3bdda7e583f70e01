// [Shared File] lines, counts and sizes, and the paths and temporary names of
// a shared file: a name is used only when it stays below its folder and both
// of its paths fit 260 bytes.
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "install/shared_file_rules.h"
#include "install/shared_install_rules.h"

static bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

static void CheckLine(const std::string& line) {
    SharedLineFields fields;
    SharedLine status = ParseSharedFileLine(line, fields);
    if (line.empty()) FUZZ_REQUIRE(status == SharedLine::Empty);
    if (status == SharedLine::Ok) {
        FUZZ_REQUIRE(!fields.name.empty() && fields.name.size() < kPathSize);
        FUZZ_REQUIRE(CheckRelativeName(fields.name) == NameProblem::None);
        FUZZ_REQUIRE(EndsWith(line, fields.name));
        FUZZ_REQUIRE(fields.kind >= 0 && fields.kind <= 9);
    } else if (status == SharedLine::BadName) {
        FUZZ_REQUIRE(fields.problem != NameProblem::None);
        FUZZ_REQUIRE(!SharedLineErrorText(1, line, NameProblemText(fields.problem)).empty());
    }
}

static void CheckPaths(const std::string& name, const std::string& source, const std::string& destination) {
    SharedFilePaths paths;
    paths.source = "unchanged";
    std::string refusal;
    if (SharedFilePathsFor(name, source, destination, paths, refusal)) {
        FUZZ_REQUIRE(CheckRelativeName(name) == NameProblem::None);
        FUZZ_REQUIRE(paths.source.size() < kPathSize && paths.destination.size() < kPathSize);
        FUZZ_REQUIRE(EndsWith(paths.source, name) && EndsWith(paths.destination, name));
        FUZZ_REQUIRE(paths.destination.compare(0, destination.size(), destination) == 0);
    } else {
        FUZZ_REQUIRE(paths.source == "unchanged" && !refusal.empty());
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 3);
    CheckLine(in[0]);
    CheckPaths(in[0], in[1], in[2]);
    if (size >= 8) {
        std::uint32_t low = 0, high = 0;
        for (int i = 0; i < 4; ++i) {
            low |= static_cast<std::uint32_t>(data[i]) << (8 * i);
            high |= static_cast<std::uint32_t>(data[4 + i]) << (8 * i);
        }
        const std::uint32_t used = SharedFileSize(low, high);
        FUZZ_REQUIRE(used == ((high == 0 && low != 0xFFFFFFFFu) ? low : 0));
        const int count = SharedFileCountToUse(static_cast<int>(low));
        FUZZ_REQUIRE(count >= 0 && count <= kMaxSharedFiles);
        if (static_cast<int>(low) >= 0 && static_cast<int>(low) <= kMaxSharedFiles)
            FUZZ_REQUIRE(count == static_cast<int>(low));
    }
    return 0;
}
