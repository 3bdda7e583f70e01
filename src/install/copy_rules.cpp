#include "install/copy_rules.h"

#include "shell/script_rules.h"

bool JoinPath(const std::string& folder, const std::string& name, std::string& out) {
    if (folder.empty()) return false;
    std::string path = folder;
    if (path.back() != '\\') path += '\\';
    path += name;
    if (path.size() >= kPathSize) return false;
    out = path;
    return true;
}

std::string FolderPartOfName(const std::string& name) {
    std::size_t lastSeparator = name.rfind('\\');
    return lastSeparator == std::string::npos ? std::string() : name.substr(0, lastSeparator);
}

SubfolderWalk SubfolderLevels(const std::string& base, const std::string& relativePath,
                              std::vector<std::string>& levels) {
    if (base.empty()) return SubfolderWalk::NoBase;
    std::vector<std::string> result;
    std::string path = base;
    if (path.back() != '\\') path += '\\';
    for (const std::string& component : SplitPathComponents(relativePath)) {
        path += component;
        path += '\\';
        if (path.size() >= kPathSize) return SubfolderWalk::TooLong;
        result.push_back(path);
    }
    levels = result;
    return SubfolderWalk::Ok;
}
