#include "common/script_rules.h"

#include <algorithm>
#include <climits>

const char* SkipBlanks(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

int FlagValue(char c) {
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

static const char kExePathToken[] = "%EXEPATH%";

bool ExpandExePathText(const std::string& text, const std::string& installDir,
                       std::string& out, std::size_t outSize) {
    const std::size_t tokenLength = sizeof kExePathToken - 1;
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, tokenLength, kExePathToken) == 0) {
            result += installDir;
            i += tokenLength;
        } else {
            result += text[i++];
        }
    }
    if (outSize == 0 || result.size() > outSize - 1) return false;
    out = result;
    return true;
}

bool StartsWithExePath(const std::string& text) {
    return text.compare(0, sizeof kExePathToken - 1, kExePathToken) == 0;
}

std::string SourceFolderFromModulePath(const std::string& modulePath) {
    std::string drive;
    std::string rest = modulePath;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest = rest.substr(2);
    }
    // The directory runs up to and including the last separator.
    std::size_t lastSeparator = rest.find_last_of("\\/");
    std::string directory = lastSeparator == std::string::npos ? "" : rest.substr(0, lastSeparator + 1);
    return drive + directory;
}

std::vector<std::string> SplitPathComponents(const std::string& path) {
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

std::string LineKey(int number) {
    return std::to_string(number);
}

int LineNumberOfKey(const std::string& key) {
    if (key.empty() || key.size() > 10 || key[0] < '1' || key[0] > '9') return 0;
    long long number = 0;
    for (char c : key) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number > INT_MAX ? 0 : static_cast<int>(number);
}

int LastLineNumber(const std::vector<std::string>& keys) {
    int last = 0;
    for (const std::string& key : keys) last = std::max(last, LineNumberOfKey(key));
    return last;
}

int LinesToRead(int count, int lastLine) {
    return count <= lastLine ? count : lastLine + 1;
}

bool JoinPath(const std::string& folder, const std::string& name, std::string& out) {
    if (folder.empty()) return false;
    std::string path = folder;
    if (path.back() != '\\') path += '\\';
    path += name;
    if (path.size() >= kPathSize) return false;
    out = path;
    return true;
}

std::string InstallerCaption(const std::string& productName) {
    return productName + " 설치 프로그램";
}
