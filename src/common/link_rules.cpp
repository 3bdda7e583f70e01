#include "common/link_rules.h"

#include "common/text_rules.h"

bool IsLinkAttributes(unsigned long attributes) {
    return attributes != kNoFileAttributes && (attributes & kReparsePointAttribute) != 0;
}

std::string PathOfFinalName(const std::string& finalName) {
    const std::string unc = "\\\\?\\UNC\\";
    const std::string local = "\\\\?\\";
    if (finalName.compare(0, unc.size(), unc) == 0) return "\\\\" + finalName.substr(unc.size());
    if (finalName.compare(0, local.size(), local) == 0) return finalName.substr(local.size());
    return finalName;
}

static std::string WithoutTrailingBackslash(const std::string& path) {
    std::string out = path;
    while (out.size() > 1 && out.back() == '\\') out.pop_back();
    return out;
}

bool LiesWithinFolder(const std::string& path, const std::string& folder) {
    std::string whole = UpperAscii(WithoutTrailingBackslash(path));
    std::string base = UpperAscii(WithoutTrailingBackslash(folder));
    if (base.empty() || whole.compare(0, base.size(), base) != 0) return false;
    return whole.size() == base.size() || whole[base.size()] == '\\' || base.back() == '\\';
}

std::vector<std::string> FolderLevelsOf(const std::string& folderPart) {
    std::vector<std::string> levels;
    for (std::size_t at = folderPart.find('\\'); at != std::string::npos; at = folderPart.find('\\', at + 1))
        if (at > 0) levels.push_back(folderPart.substr(0, at));
    if (!folderPart.empty()) levels.push_back(folderPart);
    return levels;
}

std::string LinkOnTheWayText(const std::string& path) {
    return path + "\n이 폴더나 파일은 다른 곳으로 연결된 링크이므로 설치를 중단합니다.\n링크를 지운 뒤 다시 설치하십시요.";
}

std::string GroupFolderLinkText(const std::string& path) {
    return path + "\n이 폴더는 다른 곳으로 연결된 링크이므로 바로 가기를 만들지 않습니다.";
}

std::string InstallFolderInWindowsText(const std::string& folder, const std::string& finalPath) {
    return folder + "\n설치 폴더가 링크를 통해 윈도우 폴더(" + finalPath +
           ")로 연결되어 있으므로 설치를 중단합니다.\n링크를 지운 뒤 다시 설치하십시요.";
}

std::string ProgramChangedText(const std::string& path) {
    return "설치한 프로그램이 설치 후에 바뀌어 실행하지 않습니다.\n" + path;
}

bool IsBareProgramName(const std::string& program) {
    return !program.empty() && program.find_first_of("\\/:") == std::string::npos;
}

std::string ProgramFileName(const std::string& program) {
    std::size_t part = program.find_last_of("\\/");
    std::size_t dot = program.rfind('.');
    bool hasExtension = dot != std::string::npos && (part == std::string::npos || dot > part);
    return hasExtension ? program : program + ".exe";
}

// A folder of PATH as Windows uses it: quotes removed; only a drive path or
// a UNC path counts, since a relative entry is the current folder again.
static bool AbsolutePathEntry(const std::string& entry, std::string& folder) {
    folder.clear();
    for (char c : entry)
        if (c != '"') folder += c;
    bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
    bool unc = folder.compare(0, 2, "\\\\") == 0;
    return drive || unc;
}

std::vector<std::string> BareProgramFolders(const std::string& systemDir, const std::string& windowsDir,
                                            const std::string& pathVariable) {
    std::vector<std::string> folders;
    if (!systemDir.empty()) folders.push_back(systemDir);
    if (!windowsDir.empty()) {
        folders.push_back(WithoutTrailingBackslash(windowsDir) + "\\System");
        folders.push_back(windowsDir);
    }
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(';', start);
        if (end == std::string::npos) end = pathVariable.size();
        std::string folder;
        if (AbsolutePathEntry(pathVariable.substr(start, end - start), folder)) folders.push_back(folder);
        start = end + 1;
    }
    return folders;
}
