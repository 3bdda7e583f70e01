// [Program] lines and the paths of a link: a link is made only with a plain
// name, inside its place folder, with every path within 260 bytes.
#include "common/script_rules.h"
#include "fuzz_input.h"
#include "system/shortcut_rules.h"

static bool StartsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

static void CheckPaths(const ShortcutLine& line, const std::string& place, const std::string& installDir) {
    ShortcutPaths paths;
    paths.linkFile = "unchanged";
    ShortcutPathResult result = BuildShortcutPaths(line, place, installDir, paths);
    if (result == ShortcutPathResult::Ready) {
        FUZZ_REQUIRE(line.name.find_first_of("\\/:") == std::string::npos);
        FUZZ_REQUIRE(paths.linkFile == place + line.name + ".lnk");
        for (const std::string* path : {&paths.linkFile, &paths.target, &paths.workingFolder, &paths.icon})
            FUZZ_REQUIRE(path->size() < kPathSize);
        FUZZ_REQUIRE(StartsWith(paths.target, installDir) && StartsWith(paths.workingFolder, installDir));
        FUZZ_REQUIRE(line.icon.empty() == paths.icon.empty());
    } else {
        FUZZ_REQUIRE(!ShortcutPathMessage(result, line.name).empty());
    }
}

static void CheckGroupFolder(const std::string& programs, const std::string& folderName) {
    std::string group = "unchanged";
    GroupFolderResult result = BuildProgramGroupFolder(programs, folderName, group);
    if (result == GroupFolderResult::Ready) {
        FUZZ_REQUIRE(group == programs + "\\" + folderName + "\\");
        FUZZ_REQUIRE(group.size() < kPathSize);
        FUZZ_REQUIRE(folderName.find(':') == std::string::npos && folderName.front() != '\\');
        for (const std::string& component : SplitPathComponents(folderName)) FUZZ_REQUIRE(component != "..");
        FUZZ_REQUIRE(GroupFolderMessage(result).empty());
    } else if (result != GroupFolderResult::NoProgramsFolder) {
        FUZZ_REQUIRE(!GroupFolderMessage(result).empty());
    }
    const std::string desktop = DesktopLinkFolder(programs);
    FUZZ_REQUIRE(desktop.empty() || (desktop == programs + "\\" && desktop.size() < kPathSize));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> in = SplitFuzzInput(data, size, 3);
    ShortcutLine line;
    if (ParseShortcutLine(in[0], line)) {
        FUZZ_REQUIRE(!line.name.empty() && !line.target.empty());
        FUZZ_REQUIRE(line.showCommand == kShowNormal || line.showCommand == kShowMinimized ||
                     line.showCommand == kShowMaximized);
        for (const std::string* field : {&line.name, &line.description, &line.target, &line.arguments,
                                         &line.workingFolder, &line.icon})
            FUZZ_REQUIRE(in[0].find(*field) != std::string::npos);
        CheckPaths(line, in[1], in[2]);
    }
    CheckGroupFolder(in[1], in[2]);
    const std::string shellFolder = ShellFolderValueText(in[0].data(), in[0].size());
    FUZZ_REQUIRE(shellFolder.find('\0') == std::string::npos && StartsWith(in[0], shellFolder));
    return 0;
}
